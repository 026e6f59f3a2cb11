// UTF-8 decoding and encoding, surrogate pairs and the \uN escape.
#include "text/utf16.h"
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <vector>

namespace text {
namespace {

constexpr std::size_t kValid = std::string_view::npos;

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::vector<char32_t> chars;  // what nextUtf8 gives, call by call, to the end
    std::size_t invalidAt;        // the first byte not well-formed; npos: none
};
std::ostream& operator<<(std::ostream& os, const DecodeCase& c) {
    return os << c.name;
}
class Utf8Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8Decode, GivesEachCharacterOrOneReplacementPerBadByte) {
    const DecodeCase& c = GetParam();
    std::vector<char32_t> got;
    for (std::size_t i = 0; i < c.bytes.size();)
        got.push_back(nextUtf8(c.bytes.data(), c.bytes.size(), i));
    EXPECT_EQ(got, c.chars);
    EXPECT_EQ(invalidUtf8Offset(c.bytes), c.invalidAt);
    EXPECT_EQ(isValidUtf8(c.bytes), c.invalidAt == kValid);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Decode,
    testing::Values(DecodeCase{"OneTwoAndFourBytesThenOverlong",
                               "a\xC3\xA9\xF0\x9F\x92\xA9\xC0\xAF",
                               {U'a', U'é', U'💩', kReplacement, kReplacement},
                               7},
                    DecodeCase{"ThreeBytes", "\xE4\xB8\xAD\xE6\x96\x87", {U'中', U'文'}, kValid},
                    DecodeCase{"ThreeByteOverlong", "\xE0\x80\xAF", {kReplacement, kReplacement, kReplacement}, 0},
                    DecodeCase{"EncodedSurrogate", "\xED\xA0\xBD", {kReplacement, kReplacement, kReplacement}, 0},
                    DecodeCase{"TruncatedAtTheEnd", "x\xE4\xB8", {U'x', kReplacement, kReplacement}, 1},
                    DecodeCase{"BrokenByAsciiInside", "\xE4\x41\xAD", {kReplacement, U'A', kReplacement}, 0},
                    DecodeCase{
                        "PastU10FFFF", "\xF4\x90\x80\x80", {kReplacement, kReplacement, kReplacement, kReplacement}, 0},
                    DecodeCase{"ReplacementCharacterWrittenOut", "\xEF\xBF\xBD", {kReplacement}, kValid}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8Encode, EveryLengthBoundaryComesBackAndNonCharactersBecomeReplacement) {
    const std::pair<char32_t, const char*> table[] = {
        {0x41, "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0xD800, "\xEF\xBF\xBD"},
        {0x110000, "\xEF\xBF\xBD"},
    };
    for (auto [c, bytes] : table) {
        std::string out;
        appendUtf8(out, c);
        EXPECT_EQ(out, bytes) << std::hex << unsigned(c);
    }
}

TEST(UnicodeEscape, SignedSixteenBitParameterBothWays) {
    // Given the N of \uN and the unit it names (U+FFFD: none)
    const std::pair<long long, char32_t> table[] = {
        {20013, 0x4E2D}, {-1, 0xFFFF},    {-32768, 0x8000}, {32767, 0x7FFF},
        {65535, 0xFFFF}, {65536, 0xFFFD}, {-65537, 0xFFFD},
    };
    for (auto [n, unit] : table)
        EXPECT_EQ(unicodeEscapeUnit(n), unit) << n;
    // When units are written, Then above 32767 they are negative
    std::string out;
    for (char16_t u : {char16_t(0x4E2D), char16_t(0x8000), char16_t(0xFFFF), char16_t(0x41)})
        appendUnicodeEscape(out, u);
    EXPECT_EQ(out, "\\u20013\\u-32768\\u-1\\u65");
}

TEST(Surrogates, SplitAndJoinAPlaneOneCharacter) {
    const SurrogatePair pair = splitSurrogates(U'💩');
    EXPECT_EQ(pair.high, 0xD83D);
    EXPECT_EQ(pair.low, 0xDCA9);
    EXPECT_TRUE(isHighSurrogate(pair.high) && isLowSurrogate(pair.low));
    EXPECT_FALSE(isHighSurrogate(pair.low) || isLowSurrogate(pair.high));
    EXPECT_EQ(joinSurrogates(0xDBFF, 0xDFFF), char32_t(0x10FFFF));
    EXPECT_EQ(joinSurrogates(pair.high, pair.low), U'💩');
}

}  // namespace
}  // namespace text
