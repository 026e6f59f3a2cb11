// Background layout of a large document in short slices.
//
// After a document is put in a text control, Qt lays out the first screen and
// leaves the rest to a 10 ms timer whose steps double up to 200,000
// characters; on a document of several megabytes each late step holds the
// window for a good part of a second. The pacer takes those timer events and
// lays the rest out itself, a few milliseconds at a time on a zero timer, so
// key presses, paints and other timers get their turn between slices. The
// work is Qt's own (asking for a block's rectangle lays out up to it in small
// steps), so every member of the control sees the same layout it would have
// had.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QAbstractTextDocumentLayout;

namespace document {

class LayoutPacer : public QObject {
public:
    explicit LayoutPacer(QObject* parent = nullptr);

    // Paces this layout from now on (the control's document's, each time the
    // document changes) and starts laying it out; the previous one is left
    // to Qt.
    void watch(QAbstractTextDocumentLayout* layout);

    // While one lives, the pacer lays nothing out (Qt's own steps stay
    // held back too), so that another thread can read the document.
    class Hold {
    public:
        explicit Hold(LayoutPacer& pacer) : pacer_(pacer) { pacer_.hold(1); }
        ~Hold() { pacer_.hold(-1); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        LayoutPacer& pacer_;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start();
    void slice();
    void hold(int change);

    QPointer<QAbstractTextDocumentLayout> layout_;
    QTimer timer_;
    int position_ = 0;  // laid out (or asked for) up to here
    int holds_ = 0;
    bool walking_ = false;
};

}  // namespace document
