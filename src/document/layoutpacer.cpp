#include "document/layoutpacer.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimerEvent>

namespace document {

namespace {
// Work per slice. One request can run somewhat longer: Qt lays out at least
// a thousand characters and up to its next check point (2,000 pixels down).
constexpr qint64 SliceNs = 8'000'000;
// Characters laid out again at once when blocks were left without lines.
constexpr int RepairChars = 4000;

bool hasLines(const QTextBlock& block) {
    return block.layout()->lineCount() > 0 || !block.isVisible();
}
}  // namespace

LayoutPacer::LayoutPacer(QObject* parent) : QObject(parent) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &LayoutPacer::slice);
}

void LayoutPacer::watch(QAbstractTextDocumentLayout* layout) {
    if (layout_ != layout) {
        if (layout_)
            layout_->removeEventFilter(this);
        layout_ = layout;
        if (layout_)
            layout_->installEventFilter(this);
    }
    start();
}

void LayoutPacer::start() {
    position_ = 0;
    walking_ = layout_ != nullptr;
    if (walking_ && holds_ == 0)
        timer_.start();
}

void LayoutPacer::hold(int change) {
    holds_ += change;
    if (holds_ > 0)
        timer_.stop();
    else if (walking_)
        timer_.start();
}

// Qt's layout keeps two timers: the background layout's (10 ms, running
// until the document is laid out to its end) and one that reports size
// changes (0 ms). Only the first is taken over: its ticks would lay out ever
// larger steps; a tick means Qt has more to lay out, so the walk starts over.
bool LayoutPacer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Timer || watched != layout_)
        return false;
    const int id = static_cast<QTimerEvent*>(event)->timerId();
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(layout_->thread());
    if (!dispatcher)
        return false;
    for (const QAbstractEventDispatcher::TimerInfo& t : dispatcher->registeredTimers(layout_)) {
        if (t.timerId == id && t.interval > 0) {
            if (!walking_)
                start();
            return true;
        }
    }
    return false;
}

// Walks the blocks in order, asking for each one's rectangle: while Qt's
// background run lasts, that lays out up to the block in Qt's small steps.
// An edit made during that run ends it early (Qt then takes the blocks after
// the edit as laid out though they have no lines yet, and would show them
// as nothing); the walk lays such blocks out by marking them changed.
void LayoutPacer::slice() {
    if (!layout_) {
        walking_ = false;
        timer_.stop();
        return;
    }
    QTextDocument* doc = layout_->document();
    QElapsedTimer clock;
    clock.start();
    QTextBlock block = doc->findBlock(position_);
    while (block.isValid() && clock.nsecsElapsed() < SliceNs) {
        layout_->blockBoundingRect(block);
        if (!hasLines(block)) {
            int end = block.position();
            for (QTextBlock b = block; b.isValid() && !hasLines(b) && end - block.position() < RepairChars;
                 b = b.next())
                end = b.position() + b.length();
            doc->markContentsDirty(block.position(), end - block.position());
        }
        position_ = block.position() + block.length();
        block = block.next();
    }
    if (!block.isValid()) {
        walking_ = false;
        timer_.stop();
    }
}

}  // namespace document
