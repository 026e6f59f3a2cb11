// The RTF files of the shared corpus (SCRIVLET_CORPUS_DIR), sorted, without
// the outputs other tools made from them.
#pragma once

#include <QDir>
#include <QDirIterator>
#include <QStringList>

inline QStringList corpusFiles(const QString& pattern = QStringLiteral("*.rtf")) {
    QStringList files;
    QDirIterator it(QStringLiteral(SCRIVLET_CORPUS_DIR), {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.contains(QStringLiteral("/tool-outputs/")))
            files << path;
    }
    files.sort();
    return files;
}
