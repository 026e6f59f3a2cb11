// The RTF tokenizer: separates bytes into groups, control words, control
// symbols, \'hh escapes, \bin data and text. It knows nothing of what the
// words mean; the reader interprets them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rtf::detail {

enum class TokenKind : std::uint8_t { GroupStart, GroupEnd, Word, Symbol, Hex, Text, Bin, End };

struct Token {
    TokenKind kind = TokenKind::End;
    bool hasParam = false;
    unsigned char byte = 0;  // Symbol: the character after '\'; Hex: the byte
    int param = 0;           // Word: the parameter (0 when none), clamped to int
    std::string_view text;   // Word: the name (at most 32 letters); Text, Bin: the bytes
};

class Tokenizer {
public:
    static constexpr std::size_t kMaxWordLength = 32;

    explicit Tokenizer(std::string_view input) : p_(input.data()), end_(input.data() + input.size()), begin_(p_) {}

    // Lead bytes of the double-byte code page text is currently read in, or
    // nullptr. A lead byte takes the next byte as its trail whatever it is:
    // raw Shift-JIS or GBK trail bytes can be '{', '}' or '\'.
    void setLeadBytes(const bool* lead) { lead_ = lead; }

    std::size_t offset() const { return static_cast<std::size_t>(p_ - begin_); }

    Token next();

    // Skips up to n units of \uN fallback: a \'hh escape, a control symbol
    // or one byte of text each. Stops early at a group boundary (which ends
    // the fallback: returns 0) or at a control word (returns the units still
    // to skip, for the caller to count the word as one).
    int skipFallback(int n);

    // Skips the rest of the current group, including its closing '}', without
    // interpreting it (\bin data is still skipped as data). False when the
    // input ended before the group closed.
    bool skipGroup();

private:
    Token word();
    inline bool shortUnicode(Token& t);
    inline Token textRun();
    inline int parseParam(bool& has);

    const char* p_;
    const char* end_;
    const char* begin_;
    const bool* lead_ = nullptr;
    bool trailDue_ = false;  // the last text byte was a lead byte
};

}  // namespace rtf::detail
