// Message boxes through one seam, so tests can read what would be shown and
// answer it without a person.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace platform {

// The style bits the program uses (the platform's message-box style values).
namespace MsgStyle {
inline constexpr int OkOnly = 0;
inline constexpr int Critical = 16;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
}  // namespace MsgStyle

// The buttons a box returns.
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

inline const QString kApplicationTitle = QStringLiteral("Scrivlet");

struct MessageBoxRequest {
    QString text;
    QString title;
    int style = 0;
    // The captions of a question's buttons, in the order yes, no, cancel;
    // empty for a box with OK alone.
    QStringList buttons;
    bool modal = true;
};

// Shows a modal message box owned by the active window. Returns the button
// that closed it (1 = OK).
int messageBox(const QString& text, int style = MsgStyle::OkOnly, const QString& title = kApplicationTitle);

// Asks a question with two or three buttons whose captions are given in
// the order yes, no, cancel. The first is the default; Esc is the last
// (cancel, or no when there are two). Returns vbYes, vbNo or vbCancel.
int question(const QString& text, const QStringList& buttons, const QString& title = kApplicationTitle);

// Shows a message without waiting for it to be closed: the user reads it
// while going on with the work.
void notify(const QString& text, const QString& title = kApplicationTitle);

// Tests install a hook that receives every message box instead of the screen
// and returns the button; pass nullptr to restore the real boxes.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void setMessageBoxHook(MessageBoxHook hook);

}  // namespace platform
