// Feedback for a command that may take a while.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <atomic>

namespace platform {

// While an object lives: once half a second has gone by (the event loop runs
// meanwhile, as it does while work runs in the background), the mouse shows
// a wait cursor and the status panel says what is being done, with the
// progress in percent when the work reports it. When the object goes, so do both, and the panel shows
// exactly the text it showed before.
class LongWork {
public:
    // progress, when given, is read while the work goes on (from any
    // thread); a negative value means not known yet.
    LongWork(QLabel* panel, QString text, const std::atomic<int>* progress = nullptr);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

private:
    void show();
    void refresh();

    QPointer<QLabel> panel_;
    QString text_;
    QString previous_;
    const std::atomic<int>* progress_;
    QTimer delay_;
    bool shown_ = false;
};

}  // namespace platform
