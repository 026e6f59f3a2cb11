// The number of the error a call raises, for tests that expect a failure
// to be reported and not thrown past its handler.
#pragma once

#include "platform/errors.h"

#include <QString>

#include <functional>

// The number of the platform::Error the call raises, 0 when it raises none;
// its description goes to *description when one is asked for.
inline int errorNumberOf(const std::function<void()>& call, QString* description = nullptr) {
    try {
        call();
    } catch (const platform::Error& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}
