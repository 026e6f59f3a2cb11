#include "document/firstscreen.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

namespace document {

namespace {

// A slice shapes lines for about this long before the event loop runs again.
constexpr qint64 SliceNs = 4'000'000;
// How much is shaped: the first screens, not only the first one, since the
// background layout that follows takes the next blocks a whole block at a
// time, and a block met on cold caches holds the window for tens of
// milliseconds. However short the lines, no more text than MaxChars.
constexpr int Screens = 6;
constexpr int MaxChars = 65'536;

// Walks the first blocks line by line; a block's layout stays open between
// slices, which is safe while nothing else lays the document out.
class Shaper {
public:
    Shaper(QTextDocument& document, int width, int height)
        : block_(document.begin()), width_(width), height_(qreal(height) * Screens) {}

    // Shapes for one slice; false once the first screen is done.
    bool slice() {
        QElapsedTimer clock;
        clock.start();
        while (clock.nsecsElapsed() < SliceNs) {
            if (!open_) {
                if (!block_.isValid() || laidOut_ >= height_ || block_.position() >= MaxChars)
                    return false;
                block_.layout()->beginLayout();
                open_ = true;
            }
            QTextLine line = block_.layout()->createLine();
            if (line.isValid()) {
                line.setLineWidth(width_);
                laidOut_ += line.height();
                continue;
            }
            block_.layout()->endLayout();
            open_ = false;
            block_ = block_.next();
        }
        return true;
    }

    ~Shaper() {
        if (open_)
            block_.layout()->endLayout();
    }

private:
    QTextBlock block_;
    qreal width_;
    qreal height_;
    qreal laidOut_ = 0;
    bool open_ = false;  // block_'s layout is begun and not ended
};

}  // namespace

void shapeFirstScreen(QTextDocument& document, int width, int height) {
    // Shaping a picture or a kept item asks the document's layout for its
    // size, which makes the layout: with no page size, it lays nothing out.
    document.setPageSize(QSizeF(0, 0));
    Shaper shaper(document, width, height);
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (!shaper.slice())
            loop.quit();
    });
    timer.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace document
