#include "document/documentfile.h"

#include "platform/errors.h"
#include "platform/oserror.h"
#include "platform/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace document {

namespace {
QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}
}  // namespace

QByteArray readFileBytes(const QString& path) {
    using namespace platform;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        raise(err::FileNotFound, QStringLiteral("找不到文件“%1”。").arg(shown(path)));
    if (info.isDir())
        raise(err::FileAccess, QStringLiteral("无法读取“%1”：这是一个文件夹，不是文件。").arg(shown(path)));
    // A pipe would block the program until some other program writes to it,
    // and a device such as /dev/zero never ends: only regular files are read.
    if (!info.isFile())
        raise(err::FileAccess, QStringLiteral("无法读取“%1”：这不是普通文件。").arg(shown(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(err::FileAccess,
              QStringLiteral("无法读取文件“%1”（%2）。").arg(shown(path), platform::reasonText(file.errorString())));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raise(err::FileAccess,
              QStringLiteral("读取文件“%1”时出错（%2）。").arg(shown(path), platform::reasonText(file.errorString())));
    return bytes;
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
    using namespace platform;
    if (path.isEmpty())
        raise(err::FileAccess, QStringLiteral("无法保存文件：没有给出文件名。"));
    if (QFileInfo(path).isDir())
        raise(err::FileAccess, QStringLiteral("无法保存到“%1”：这是一个文件夹。").arg(shown(path)));
    const WriteResult written = replaceFileContent(path, bytes);
    if (written.ok)
        return;
    // "Left as it was" only when there was a file to leave.
    raise(err::FileAccess, QStringLiteral("无法保存文件“%1”（%2）%3")
                               .arg(shown(path), written.reason,
                                    written.targetExisted ? QStringLiteral("，原文件未改动。") : QStringLiteral("。")));
}

}  // namespace document
