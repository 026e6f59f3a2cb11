// Feedback for a command that may take a while.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace platform {

// While an object lives: once half a second has gone by (the event loop runs
// meanwhile, as it does while work runs in the background), the mouse shows
// a wait cursor and the status panel says what is being done. When the object goes, so do both, and the panel shows
// exactly the text it showed before.
class LongWork {
public:
    LongWork(QLabel* panel, QString text);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

private:
    void show();

    QPointer<QLabel> panel_;
    QString text_;
    QString previous_;
    QTimer delay_;
    bool shown_ = false;
};

}  // namespace platform
