#include "platform/process.h"

#include "platform/errors.h"

#include <QFileInfo>
#include <QProcess>

namespace platform {

void startProgram(const QString& path) {
    // A name without a folder is the file of that name in the current folder
    // when there is one (where fileExists finds it too), and only otherwise a
    // program found along PATH.
    QString program = path;
    if (!path.contains(u'/') && QFileInfo(path).isFile())
        program = QFileInfo(path).absoluteFilePath();
    if (program.isEmpty() || !QProcess::startDetached(program, {}))
        raise(err::FileNotFound, QStringLiteral("无法启动程序“%1”").arg(path));
}

bool fileExists(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile() && !info.isHidden();
}

}  // namespace platform
