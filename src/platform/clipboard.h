// The clipboard, plain-text format only.
#pragma once

#include <QString>

namespace platform {

// Puts the text on the clipboard in the plain-text format. Raises when the
// clipboard cannot be opened, and leaves it as it was.
void clipboardSetText(const QString& text);
// The clipboard's plain text, or "" when it holds none. Raises when the
// clipboard cannot be opened.
QString clipboardGetText();

// Tests: while set, the clipboard cannot be opened, as when another program
// holds it, and both calls above raise.
void setClipboardUnavailable(bool unavailable);

}  // namespace platform
