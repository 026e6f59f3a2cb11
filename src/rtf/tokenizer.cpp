#include "rtf/tokenizer.h"

#include <array>
#include <climits>

namespace rtf::detail {

namespace {

// Bytes that end a run of text: '\\', '{', '}', CR and LF.
constexpr std::array<bool, 256> makeStops() {
    std::array<bool, 256> t{};
    t['\\'] = t['{'] = t['}'] = t['\r'] = t['\n'] = true;
    return t;
}
constexpr std::array<bool, 256> kStops = makeStops();

inline bool isLetter(char c) {
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}
inline bool isDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

constexpr std::array<signed char, 256> makeHex() {
    std::array<signed char, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[c] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        t[c] = static_cast<signed char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        t[c] = static_cast<signed char>(c - 'A' + 10);
    return t;
}
constexpr std::array<signed char, 256> kHexValue = makeHex();

inline int hexValue(char c) {
    return kHexValue[static_cast<unsigned char>(c)];
}

}  // namespace

inline int Tokenizer::parseParam(bool& has) {
    has = false;
    bool negative = false;
    if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && isDigit(p_[1])) {
        negative = true;
        ++p_;
    }
    long long value = 0;
    const char* start = p_;
    while (p_ < end_ && isDigit(*p_)) {
        // Saturate: a parameter of a thousand digits is still one number.
        if (value < INT_MAX)
            value = value * 10 + (*p_ - '0');
        ++p_;
    }
    has = p_ != start;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(negative ? -value : value);
}

Token Tokenizer::word() {
    // p_ is at the first letter.
    const char* start = p_;
    while (p_ < end_ && isLetter(*p_))
        ++p_;
    Token t;
    t.kind = TokenKind::Word;
    std::size_t len = static_cast<std::size_t>(p_ - start);
    t.text = std::string_view(start, len > kMaxWordLength ? kMaxWordLength : len);
    t.param = parseParam(t.hasParam);
    if (p_ < end_ && *p_ == ' ')
        ++p_;  // the delimiting space belongs to the word
    if (len == 3 && start[0] == 'b' && start[1] == 'i' && start[2] == 'n') {
        // \binN: exactly N bytes of data follow, whatever they hold.
        std::size_t n = t.param > 0 ? static_cast<std::size_t>(t.param) : 0;
        std::size_t left = static_cast<std::size_t>(end_ - p_);
        if (n > left)
            n = left;
        t.kind = TokenKind::Bin;
        t.text = std::string_view(p_, n);
        p_ += n;
    }
    return t;
}

// \uN, the most frequent word in Chinese text: a short cut for its usual
// form (up to nine digits). p_ is at the backslash; false when the word is
// some other form, for word() to read.
inline bool Tokenizer::shortUnicode(Token& t) {
    if (p_ + 3 >= end_ || !isDigit(p_[2]) || !isDigit(p_[3]))
        return false;
    const char* q = p_ + 2;
    int v = 0;
    int digits = 0;
    while (q < end_ && isDigit(*q) && digits < 9) {
        v = v * 10 + (*q++ - '0');
        ++digits;
    }
    if (q < end_ && (isDigit(*q) || isLetter(*q)))
        return false;
    p_ = q;
    if (p_ < end_ && *p_ == ' ')
        ++p_;
    t.kind = TokenKind::Word;
    t.text = std::string_view("u", 1);
    t.hasParam = true;
    t.param = v;
    return true;
}

// A run of text from p_ up to the next '\\', '{', '}' or line break; a lead
// byte of the double-byte code page in effect takes the next byte with it.
inline Token Tokenizer::textRun() {
    const char* start = p_;
    if (lead_ == nullptr) {
        while (p_ < end_ && !kStops[static_cast<unsigned char>(*p_)])
            ++p_;
    } else {
        while (p_ < end_) {
            unsigned char b = static_cast<unsigned char>(*p_);
            if (lead_[b]) {
                if (p_ + 1 >= end_) {
                    ++p_;
                    break;
                }
                char trail = p_[1];
                if (trail == '\r' || trail == '\n') {
                    ++p_;
                    trailDue_ = true;
                    break;
                }
                p_ += 2;
                continue;
            }
            if (kStops[b])
                break;
            ++p_;
        }
    }
    Token t;
    t.kind = TokenKind::Text;
    t.text = std::string_view(start, static_cast<std::size_t>(p_ - start));
    return t;
}

Token Tokenizer::next() {
    Token t;
    if (trailDue_) {
        // The trail byte of a double-byte character split by a line break.
        trailDue_ = false;
        while (p_ < end_ && (*p_ == '\r' || *p_ == '\n'))
            ++p_;
        if (p_ < end_) {
            t.kind = TokenKind::Text;
            t.text = std::string_view(p_, 1);
            ++p_;
            return t;
        }
    }
    while (p_ < end_) {
        const char c = *p_;
        if (c == '{') {
            ++p_;
            t.kind = TokenKind::GroupStart;
            return t;
        }
        if (c == '}') {
            ++p_;
            t.kind = TokenKind::GroupEnd;
            return t;
        }
        if (c == '\r' || c == '\n') {
            ++p_;
            continue;
        }
        if (c == '\\') {
            if (p_ + 1 >= end_) {
                p_ = end_;
                break;
            }
            const char d = p_[1];
            if (d == 'u' && shortUnicode(t))
                return t;
            if (isLetter(d)) {
                ++p_;
                return word();
            }
            p_ += 2;
            if (d == '\'') {
                int hi = p_ < end_ ? hexValue(*p_) : -1;
                if (hi < 0)
                    continue;  // "\'" without hex digits: nothing
                ++p_;
                int lo = p_ < end_ ? hexValue(*p_) : -1;
                int v = hi;
                if (lo >= 0) {
                    ++p_;
                    v = hi * 16 + lo;
                }
                t.kind = TokenKind::Hex;
                t.byte = static_cast<unsigned char>(v);
                return t;
            }
            if (d == '\\' || d == '{' || d == '}') {
                t.kind = TokenKind::Text;
                t.text = std::string_view(p_ - 1, 1);
                return t;
            }
            t.kind = TokenKind::Symbol;
            t.byte = static_cast<unsigned char>(d);
            return t;
        }
        return textRun();
    }
    t.kind = TokenKind::End;
    return t;
}

int Tokenizer::skipFallback(int n) {
    trailDue_ = false;
    while (n > 0 && p_ < end_) {
        const char c = *p_;
        if (c == '{' || c == '}')
            return 0;
        if (c == '\r' || c == '\n') {
            ++p_;
            continue;
        }
        if (lead_ != nullptr && lead_[static_cast<unsigned char>(c)]) {
            // A raw double-byte character is two units, never split.
            ++p_;
            while (p_ < end_ && (*p_ == '\r' || *p_ == '\n'))
                ++p_;
            if (p_ < end_)
                ++p_;
            n -= 2;
            continue;
        }
        if (c != '\\') {
            ++p_;
            --n;
            continue;
        }
        if (p_ + 1 >= end_)
            return n;
        const char d = p_[1];
        if (isLetter(d))
            return n;
        if (d == '\'') {
            if (p_ + 3 < end_ && hexValue(p_[2]) >= 0 && hexValue(p_[3]) >= 0) {
                p_ += 4;
            } else {
                p_ += 2;
                for (int k = 0; k < 2 && p_ < end_ && hexValue(*p_) >= 0; ++k)
                    ++p_;
            }
        } else {
            p_ += 2;
        }
        --n;
    }
    return n;
}

bool Tokenizer::skipGroup() {
    trailDue_ = false;
    std::size_t depth = 1;
    while (p_ < end_) {
        const char c = *p_++;
        if (lead_ != nullptr && lead_[static_cast<unsigned char>(c)]) {
            // A raw double-byte character: its trail may look like '}'.
            while (p_ < end_ && (*p_ == '\r' || *p_ == '\n'))
                ++p_;
            if (p_ < end_)
                ++p_;
            continue;
        }
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                return true;
        } else if (c == '\\') {
            if (p_ >= end_)
                break;
            if (isLetter(*p_)) {
                const char* start = p_;
                while (p_ < end_ && isLetter(*p_))
                    ++p_;
                bool isBin = (p_ - start) == 3 && start[0] == 'b' && start[1] == 'i' && start[2] == 'n';
                bool has;
                int param = parseParam(has);
                if (p_ < end_ && *p_ == ' ')
                    ++p_;
                if (isBin && param > 0) {
                    std::size_t left = static_cast<std::size_t>(end_ - p_);
                    std::size_t n = static_cast<std::size_t>(param);
                    p_ += n > left ? left : n;
                }
            } else {
                ++p_;  // a control symbol, including \{ \} and \\ .
            }
        }
    }
    return false;
}

}  // namespace rtf::detail
