#include "platform/longwork.h"

#include <QGuiApplication>

namespace platform {

namespace {
constexpr int DelayMs = 500;
}

LongWork::LongWork(QLabel* panel, QString text) : panel_(panel), text_(std::move(text)) {
    delay_.setSingleShot(true);
    QObject::connect(&delay_, &QTimer::timeout, [this] { show(); });
    delay_.start(DelayMs);
}

LongWork::~LongWork() {
    if (!shown_)
        return;
    QGuiApplication::restoreOverrideCursor();
    if (panel_)
        panel_->setText(previous_);
}

void LongWork::show() {
    shown_ = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (!panel_)
        return;
    previous_ = panel_->text();
    panel_->setText(text_);
}

}  // namespace platform
