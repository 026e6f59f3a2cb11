// The clipboard, plain-text format only.
#pragma once

#include <QString>

namespace platform {

// Puts the text on the clipboard in the plain-text format.
void clipboardSetText(const QString& text);
// The clipboard's plain text, or "" when it holds none.
QString clipboardGetText();

}  // namespace platform
