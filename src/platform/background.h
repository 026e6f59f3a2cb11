// Long work off the GUI thread, for callers that need its result before they
// go on.
#pragma once

#include <QEventLoop>
#include <QThread>

#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace platform {

// Runs work() on a thread of its own and returns its result, or rethrows what
// it threw. Meanwhile this thread's event loop goes on with everything but
// user input: windows repaint, timers run, and keys and clicks (a window
// closed, a second command) wait until the work is done. Objects the work
// creates belong to its thread; it must move those it returns to
// `caller` (the thread that called this).
template <typename Work>
auto runInBackground(Work work) -> decltype(work(std::declval<QThread*>())) {
    using Result = decltype(work(std::declval<QThread*>()));
    QThread* const caller = QThread::currentThread();
    std::optional<Result> result;
    std::exception_ptr error;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            result.emplace(work(caller));
        } catch (...) {
            error = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    if (error)
        std::rethrow_exception(error);
    return std::move(*result);
}

}  // namespace platform
