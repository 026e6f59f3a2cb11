// The program's one error type and the four ways its handlers deal with
// errors. Every failure is a platform::Error with a number and a description
// (Chinese where a user can read it).
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace platform {

// Error numbers. One table for the whole program, so that the top-level
// report always shows the same number for the same kind of failure.
namespace err {
inline constexpr int InvalidArgument = 5;  // invalid procedure call or argument
inline constexpr int Overflow = 6;         // counter or number out of range
inline constexpr int TypeMismatch = 13;    // text that is not a number where one is needed
inline constexpr int FileNotFound = 53;
inline constexpr int FileAccess = 75;              // path/file access error (unreadable, unwritable)
inline constexpr int NoActiveDocument = 91;        // no active document window (object not set)
inline constexpr int InvalidProperty = 380;        // a value a control refuses
inline constexpr int InvalidFileFormat = 321;      // content that cannot be read
inline constexpr int RegistryRead = -2147024894;   // value not found in the registry (0x80070002)
inline constexpr int RegistryWrite = -2147024891;  // registry write refused (0x80070005)
inline constexpr int Cancelled = 32755;            // a common dialog cancelled with CancelError set
inline constexpr int Unexpected = 440;             // an exception that is not one of ours
}  // namespace err

class Error : public std::exception {
public:
    Error(int number, QString description)
        : number_(number), description_(std::move(description)), utf8_(description_.toUtf8()) {}
    int number() const { return number_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    int number_;
    QString description_;
    QByteArray utf8_;
};

[[noreturn]] void raise(int number, const QString& description);

// Ignore and continue: run one step; a failing step is skipped. Returns the
// error number (0 when the step succeeded), for handlers that test it.
int resumeNext(const std::function<void()>& step);

// Stop at the first failure, silently: run the body; the first error ends it.
// Returns false when it was ended by an error.
bool stopSilently(const std::function<void()>& body);

// Stop at the first failure and show one fixed message (OK only, the
// application's title).
bool stopWithMessage(const QString& message, const std::function<void()>& body);

// No handling: entry points that Qt calls go through dispatch(), which
// catches every error, shows the top-level report and returns to the event
// loop. No exception ever crosses into Qt.
void dispatch(const std::function<void()>& handler);

// The top-level report: a message box titled "Scrivlet" with the number and
// the description.
void reportError(const Error& error);

}  // namespace platform
