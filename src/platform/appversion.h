// The program's version as the windows show it.
#pragma once

#include <QString>

namespace platform {

// "版本 " followed by major.minor.revision, each in decimal without padding.
QString versionText(int major, int minor, int revision);
// The same for this build's version.
QString versionText();

}  // namespace platform
