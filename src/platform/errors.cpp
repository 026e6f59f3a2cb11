#include "platform/errors.h"

#include "platform/messagebox.h"

#include <QCoreApplication>

namespace platform {

namespace {

// Anything thrown that is not our Error is still reported, never passed on.
Error fromStd(const std::exception& e) {
    return Error(err::Unexpected, QString::fromUtf8(e.what()));
}

}  // namespace

void raise(int number, const QString& description) {
    throw Error(number, description);
}

int resumeNext(const std::function<void()>& step) {
    try {
        step();
        return 0;
    } catch (const Error& e) {
        return e.number();
    } catch (const std::exception&) {
        return err::Unexpected;
    }
}

bool stopSilently(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool stopWithMessage(const QString& message, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::exception&) {
        messageBox(message, MsgStyle::OkOnly);
        return false;
    }
}

void reportError(const Error& error) {
    messageBox(QStringLiteral("运行时错误 '%1':\n\n%2").arg(error.number()).arg(error.description()),
               MsgStyle::OkOnly | MsgStyle::Critical);
}

void dispatch(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Error& e) {
        reportError(e);
    } catch (const std::exception& e) {
        reportError(fromStd(e));
    } catch (...) {
        reportError(Error(err::Unexpected, QStringLiteral("未知错误")));
    }
}

}  // namespace platform
