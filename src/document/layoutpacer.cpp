#include "document/layoutpacer.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimerEvent>

namespace document {

namespace {
// Work per slice. One request can run somewhat longer: Qt lays out at least
// a thousand characters and up to its next check point (2,000 pixels down).
constexpr qint64 SliceNs = 8'000'000;
}  // namespace

LayoutPacer::LayoutPacer(QObject* parent) : QObject(parent) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &LayoutPacer::slice);
}

void LayoutPacer::watch(QAbstractTextDocumentLayout* layout) {
    if (layout_ == layout)
        return;
    if (layout_)
        layout_->removeEventFilter(this);
    layout_ = layout;
    position_ = 0;
    timer_.stop();
    if (layout_)
        layout_->installEventFilter(this);
}

bool LayoutPacer::busy() const { return layout_ && qtLayoutPending(); }

// Qt's layout keeps two timers: the background layout's (10 ms, running
// until the document is laid out to its end) and one that reports size
// changes (0 ms). Only the first is taken over.
bool LayoutPacer::qtLayoutPending() const {
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(layout_->thread());
    if (!dispatcher)
        return false;
    for (const QAbstractEventDispatcher::TimerInfo& t : dispatcher->registeredTimers(layout_))
        if (t.interval > 0)
            return true;
    return false;
}

bool LayoutPacer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Timer || watched != layout_)
        return false;
    const int id = static_cast<QTimerEvent*>(event)->timerId();
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(layout_->thread());
    if (!dispatcher)
        return false;
    for (const QAbstractEventDispatcher::TimerInfo& t : dispatcher->registeredTimers(layout_)) {
        if (t.timerId == id && t.interval > 0) {
            if (!timer_.isActive()) {
                // A new background run (a new document, a large change):
                // start over from the top, skipping what is laid out.
                position_ = 0;
                timer_.start();
            }
            return true;
        }
    }
    return false;
}

void LayoutPacer::slice() {
    if (!layout_ || !qtLayoutPending()) {
        timer_.stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QTextBlock block = layout_->document()->findBlock(position_);
    while (block.isValid() && clock.nsecsElapsed() < SliceNs) {
        layout_->blockBoundingRect(block);
        position_ = block.position() + block.length();
        block = block.next();
    }
    // Having asked for the last block, the whole document is laid out and
    // Qt's timer has stopped; the next slice sees it.
}

}  // namespace document
