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
// had. Qt's timer stops by itself once the document is laid out to its end,
// which is how the pacer knows it is done.
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
    // document changes); the previous one is left to Qt.
    void watch(QAbstractTextDocumentLayout* layout);
    // True while part of the document is still to be laid out.
    bool busy() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void slice();
    bool qtLayoutPending() const;

    QPointer<QAbstractTextDocumentLayout> layout_;
    QTimer timer_;
    int position_ = 0;  // laid out (or asked for) up to here
};

}  // namespace document
