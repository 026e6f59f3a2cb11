#include "platform/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
}  // namespace

void setMessageBoxHook(MessageBoxHook h) {
    hook() = std::move(h);
}

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

int question(const QString& text, const QStringList& buttons, const QString& title) {
    const int style = buttons.size() > 2 ? MsgStyle::YesNoCancel | MsgStyle::Question
                                         : MsgStyle::YesNo | MsgStyle::Exclamation;
    if (hook())
        return hook()(MessageBoxRequest{text, title, style, buttons});
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(buttons.size() > 2 ? QMessageBox::Question : QMessageBox::Warning);
    constexpr QMessageBox::ButtonRole roles[] = {QMessageBox::AcceptRole, QMessageBox::DestructiveRole,
                                                 QMessageBox::RejectRole};
    constexpr int answers[] = {vbYes, vbNo, vbCancel};
    QList<QAbstractButton*> added;
    for (int i = 0; i < buttons.size() && i < 3; ++i)
        added.append(box.addButton(buttons[i], roles[i]));
    if (added.isEmpty())
        return vbCancel;
    box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
    box.setEscapeButton(added.last());
    box.exec();
    const int index = int(added.indexOf(box.clickedButton()));
    return index < 0 ? answers[added.size() - 1] : answers[index];
}

void notify(const QString& text, const QString& title) {
    if (hook()) {
        hook()(MessageBoxRequest{text, title, MsgStyle::Exclamation, {}, false});
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace platform
