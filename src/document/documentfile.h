// Reading and writing a document file's bytes, with the control's errors.
#pragma once

#include <QByteArray>
#include <QString>

namespace document {

// The whole file. Raises FileNotFound when there is no such file and
// FileAccess when it cannot be read (a folder, a pipe or device, no
// permission).
QByteArray readFileBytes(const QString& path);

// Replaces the file's content with the bytes, crash-safely: they go to a
// temporary file in the same folder, which then takes the file's place (see
// platform::replaceFileContent). On any failure raises FileAccess with the
// reason (a full disk, the file-size limit, no permission) and the old file
// is left as it was.
void writeFileBytes(const QString& path, const QByteArray& bytes);

}  // namespace document
