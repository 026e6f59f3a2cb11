#include "platform/process.h"

#include "platform/errors.h"

#include <QFileInfo>
#include <QProcess>

namespace platform {

void startProgram(const QString& path) {
    if (path.isEmpty() || !QProcess::startDetached(path, {}))
        raise(err::FileNotFound, QStringLiteral("无法启动程序“%1”").arg(path));
}

bool fileExists(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile() && !info.isHidden();
}

}  // namespace platform
