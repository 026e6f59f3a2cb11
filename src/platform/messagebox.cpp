#include "platform/messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
}  // namespace

void setMessageBoxHook(MessageBoxHook h) { hook() = std::move(h); }

int messageBox(const QString& text, int style, const QString& title) {
    if (hook())
        return hook()(MessageBoxRequest{text, title, style});
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    if (style & MsgStyle::Critical)
        box.setIcon(QMessageBox::Critical);
    else if (style & MsgStyle::Information)
        box.setIcon(QMessageBox::Information);
    box.exec();
    return 1;
}

}  // namespace platform
