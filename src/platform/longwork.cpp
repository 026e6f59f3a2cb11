#include "platform/longwork.h"

#include <QGuiApplication>

namespace platform {

namespace {
constexpr int DelayMs = 500;
constexpr int RefreshMs = 100;  // progress shown anew this often
}  // namespace

LongWork::LongWork(QLabel* panel, QString text, const std::atomic<int>* progress)
    : panel_(panel), text_(std::move(text)), progress_(progress) {
    QObject::connect(&delay_, &QTimer::timeout, [this] { shown_ ? refresh() : show(); });
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
    if (panel_)
        previous_ = panel_->text();
    refresh();
    if (progress_)
        delay_.start(RefreshMs);
    else
        delay_.stop();
}

void LongWork::refresh() {
    if (!panel_)
        return;
    const int percent = progress_ ? progress_->load(std::memory_order_relaxed) : -1;
    panel_->setText(percent < 0 ? text_ : QStringLiteral("%1 %2%").arg(text_).arg(percent));
}

}  // namespace platform
