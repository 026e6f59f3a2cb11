// One conversion handle of the C library's iconv, closed when it goes.
#pragma once

#include <cstddef>
#include <iconv.h>

namespace text {

class Iconv {
public:
    Iconv() = default;  // converts nothing: ok() is false
    // From the encoding named `from` to the one named `to`, as iconv_open
    // names them; ok() is false when the C library lacks either.
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() { close(); }
    Iconv(Iconv&& other) noexcept : cd_(other.cd_) { other.cd_ = kClosed; }
    Iconv& operator=(Iconv&& other) noexcept {
        if (this != &other) {
            close();
            cd_ = other.cd_;
            other.cd_ = kClosed;
        }
        return *this;
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != kClosed; }

    // Back to the initial shift state, as before the first byte.
    void reset() const { ::iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    // One call of iconv(3): converts from in to out, advancing both and
    // counting down what is left of each. False when it stopped before the
    // end of the input, with errno saying why (E2BIG: out is full; EILSEQ:
    // bytes that are not the source encoding; EINVAL: the input ends inside
    // a character).
    bool convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) const {
        char* from = const_cast<char*>(in);  // iconv(3) does not write through it
        const std::size_t r = ::iconv(cd_, &from, &inLeft, &out, &outLeft);
        in = from;
        return r != static_cast<std::size_t>(-1);
    }

    // Writes out what the converter still holds at the end of the input: a
    // page with combining marks (1258) holds each letter back until it
    // knows no mark follows.
    bool flush(char*& out, std::size_t& outLeft) const {
        return ::iconv(cd_, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
    }

private:
    static inline const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);
    void close() {
        if (ok())
            iconv_close(cd_);
        cd_ = kClosed;
    }
    iconv_t cd_ = kClosed;
};

}  // namespace text
