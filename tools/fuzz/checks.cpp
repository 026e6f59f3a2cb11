#include "checks.h"

#include "document/richtextbox.h"
#include "document/rtfexport.h"
#include "platform/errors.h"
#include "platform/registry/hive_format.h"
#include "rtf/reader.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QTextDocument>

namespace fuzzcheck {

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

std::string hive(std::string_view bytes) {
    using namespace platform::registry;
    const QByteArray input(bytes.data(), qsizetype(bytes.size()));
    HiveDocument doc(QStringLiteral("HKEY_CURRENT_USER"));
    if (!doc.parse(input))
        return {};
    // A file of nothing but white space (a BOM at most) is an empty hive.
    const bool blank = QByteArray(input).replace("\xEF\xBB\xBF", "").trimmed().isEmpty();
    if (!input.startsWith("\xFF\xFE") && !blank && doc.serialize() != input)
        return "an unchanged hive is not written back as it was";
    const QStringList key = {QStringLiteral("Software"), QStringLiteral("Fuzz")};
    const Value value = Value::dword(0x2a);
    doc.setValue(key, QStringLiteral("Number"), value);
    const QByteArray written = doc.serialize();
    HiveDocument reread(QStringLiteral("HKEY_CURRENT_USER"));
    QString problem;
    if (!reread.parse(written, &problem))
        return "the written hive does not parse: " + problem.toStdString();
    if (reread.value(key, QStringLiteral("number")) != value)
        return "the value written is not read back";
    if (reread.serialize() != written)
        return "the written hive is not stable";
    return {};
}

std::string control(std::string_view bytes, const QString& scratchFolder) {
    const QString input = scratchFolder + QStringLiteral("/input");
    const QString asRtf = scratchFolder + QStringLiteral("/saved.rtf");
    const QString asText = scratchFolder + QStringLiteral("/saved.txt");
    {
        QFile f(input);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            return "cannot write the scratch file";
    }
    RichTextBox box;
    box.resize(400, 300);
    try {
        box.LoadFile(input);
    } catch (const platform::Error&) {
        return {};  // refused with an error: the content is kept, all is well
    }
    (void)box.document()->documentLayout()->documentSize();  // lays out every block
    const QString text = document::plainText(*box.document());
    try {
        box.SaveFile(asRtf, 0);
        box.SaveFile(asText, 1);
    } catch (const platform::Error& e) {
        return "saving failed: " + e.description().toStdString();
    }
    const QByteArray original(bytes.data(), qsizetype(bytes.size()));
    if (!rtf::looksLikeRtf(bytes) && fileBytes(asText) != original)
        return "an unedited text file was not saved back byte for byte";
    RichTextBox again;
    try {
        again.LoadFile(asRtf);
    } catch (const platform::Error& e) {
        return "the saved RTF does not load: " + e.description().toStdString();
    }
    if (document::plainText(*again.document()) != text)
        return "the saved RTF reads back as other text";
    return {};
}

}  // namespace fuzzcheck
