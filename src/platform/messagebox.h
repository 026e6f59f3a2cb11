// Message boxes through one seam, so tests can read what would be shown and
// answer it without a person.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace platform {

// The style bits the program uses (the platform's message-box style values).
namespace MsgStyle {
inline constexpr int OkOnly = 0;
inline constexpr int Critical = 16;
inline constexpr int Information = 64;
}  // namespace MsgStyle

inline const QString kApplicationTitle = QStringLiteral("Scrivlet");

struct MessageBoxRequest {
    QString text;
    QString title;
    int style = 0;
};

// Shows a modal message box owned by the active window. Returns the button
// that closed it (1 = OK).
int messageBox(const QString& text, int style = MsgStyle::OkOnly,
               const QString& title = kApplicationTitle);

// Tests install a hook that receives every message box instead of the screen
// and returns the button; pass nullptr to restore the real boxes.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void setMessageBoxHook(MessageBoxHook hook);

}  // namespace platform
