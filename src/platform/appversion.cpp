#include "platform/appversion.h"

#include "platform/version.h"

namespace platform {

QString versionText(int major, int minor, int revision) {
    return QStringLiteral("版本 %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString versionText() {
    return versionText(kVersionMajor, kVersionMinor, kVersionRevision);
}

}  // namespace platform
