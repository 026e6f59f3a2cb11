// What a Chinese-speaking user expects of a Qt program on Linux: Qt's own
// texts in Simplified Chinese, the common Chinese font names resolving to
// installed fonts of the same style, accessibility left on.
#pragma once

class QApplication;

namespace app {

// True when a display server can be reached (or the platform was chosen
// explicitly through QT_QPA_PLATFORM).
bool displayAvailable();

// Loads Qt's zh_CN translations whatever LANG is, before any window exists,
// and installs the font substitutions.
void setUpForChineseUser(QApplication& application);

// The font substitutions alone (the converter and tests use them too).
void installChineseFontSubstitutions();

}  // namespace app
