// Plain-text files: encoding and line-end detection, and writing back in
// the form they were read.
#include "text/plaintext.h"

#include <gtest/gtest.h>

namespace text {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string utf8;
    TextEncoding encoding;
    LineEnd lineEnd;
};
std::ostream& operator<<(std::ostream& os, const DecodeCase& c) {
    return os << c.name;
}
class PlainTextDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(PlainTextDecode, DetectsEncodingAndLineEnd) {
    const DecodeCase& c = GetParam();
    DecodedText d = decodePlainText(c.bytes);
    EXPECT_EQ(d.utf8, c.utf8);
    EXPECT_EQ(d.encoding, c.encoding);
    EXPECT_EQ(d.lineEnd, c.lineEnd);
}

TEST_P(PlainTextDecode, WritesBackTheSameBytes) {
    const DecodeCase& c = GetParam();
    DecodedText d = decodePlainText(c.bytes);
    EXPECT_EQ(encodePlainText(d.utf8, d.encoding, d.lineEnd), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlainTextDecode,
    testing::Values(
        DecodeCase{"Empty", "", "", TextEncoding::Utf8, LineEnd::Lf},
        DecodeCase{"Utf8Lf", "中文\nline2\n", "中文\nline2\n", TextEncoding::Utf8, LineEnd::Lf},
        DecodeCase{"Utf8BomCrLf", "\xEF\xBB\xBF中\r\n文", "中\n文", TextEncoding::Utf8Bom, LineEnd::CrLf},
        DecodeCase{"Utf8Cr", "a\rb\r", "a\nb\n", TextEncoding::Utf8, LineEnd::Cr},
        DecodeCase{"GbkBytesAreGb18030", "\xB2\xE2\xCA\xD4\r\nok", "测试\nok", TextEncoding::Gb18030, LineEnd::CrLf},
        DecodeCase{"Gb18030FourByteCharacter", "\x95\x32\x82\x36 \xD6\xD0", "\U00020000 中", TextEncoding::Gb18030,
                   LineEnd::Lf},
        DecodeCase{"AsciiIsUtf8", "plain ascii", "plain ascii", TextEncoding::Utf8, LineEnd::Lf},
        DecodeCase{"ReplacementCharacterIsValidUtf8", "\xEF\xBF\xBD", "\uFFFD", TextEncoding::Utf8, LineEnd::Lf},
        // Windows' "Unicode" text files: UTF-16 after a BOM, surrogate pairs joined.
        DecodeCase{"Utf16LeBom", std::string("\xFF\xFE\x2D\x4E\x0D\x00\x0A\x00\x3D\xD8\xA9\xDC", 12), "中\n💩",
                   TextEncoding::Utf16Le, LineEnd::CrLf},
        DecodeCase{"Utf16BeBom", std::string("\xFE\xFF\x4E\x2D\x00\x0A\x00\x61", 8), "中\na", TextEncoding::Utf16Be,
                   LineEnd::Lf},
        DecodeCase{"Utf16BomOnly", "\xFF\xFE", "", TextEncoding::Utf16Le, LineEnd::Lf},
        // Latin-1 / Windows-1252 text: an accent before a space or a line end is
        // no GB18030 character, and U+FFFD would have replaced it for good.
        DecodeCase{"Latin1", "caf\xE9 au lait\r\nna\xEFve 1\xB0\r\n", "café au lait\nnaïve 1°\n",
                   TextEncoding::Windows1252, LineEnd::CrLf},
        DecodeCase{"Windows1252Quotes",
                   "\x93quoted\x94 \x80"
                   "5",
                   "\u201Cquoted\u201D €5", TextEncoding::Windows1252, LineEnd::Lf},
        DecodeCase{"Windows1252UndefinedBytes", "\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D",
                   TextEncoding::Windows1252, LineEnd::Lf},
        // GBK as Windows writes it: 0x80 is the euro sign, which GB18030 lacks.
        DecodeCase{"Cp936EuroSign",
                   "\xB5\xA5\xBC\xDB\x80"
                   "5\r\n",
                   "单价€5\n", TextEncoding::Cp936, LineEnd::CrLf},
        // GB18030 cut off inside a character: the lone lead byte stays a byte.
        DecodeCase{"TruncatedGb18030", "\xD6\xD0\x81", "\u00D6\u00D0\u0081", TextEncoding::Windows1252, LineEnd::Lf},
        // UTF-16 that is not whole (odd length, unpaired surrogate) keeps its bytes.
        DecodeCase{"Utf16OddLength",
                   "\xFF\xFE"
                   "a",
                   "\u00FF\u00FEa", TextEncoding::Windows1252, LineEnd::Lf},
        DecodeCase{"Utf16LoneSurrogate", std::string("\xFF\xFE\x3D\xD8\x61\x00", 6),
                   std::string("\u00FF\u00FE=\u00D8a") + '\0', TextEncoding::Windows1252, LineEnd::Lf}),
    [](const testing::TestParamInfo<DecodeCase>& i) { return std::string(i.param.name); });

TEST(PlainTextDecode, FirstLineEndNamesTheConvention) {
    DecodedText d = decodePlainText("a\r\nb\nc\rd");
    EXPECT_EQ(d.utf8, "a\nb\nc\nd");
    EXPECT_EQ(d.lineEnd, LineEnd::CrLf);
}

TEST(PlainTextDecode, OverlongAndSurrogateUtf8AreNotUtf8) {
    EXPECT_EQ(decodePlainText("\xC0\xAF").encoding, TextEncoding::Gb18030);
    // ED A0 is a GBK pair and 80 the euro sign of code page 936.
    EXPECT_EQ(decodePlainText("\xED\xA0\x80").encoding, TextEncoding::Cp936);
}

// Whatever the bytes, text read and written back unchanged gives them back.
TEST(PlainTextDecode, EveryByteValueSurvivesWritingBack) {
    std::string bytes;
    for (int b = 255; b >= 0; --b)
        bytes.push_back(static_cast<char>(b));
    bytes.erase(bytes.find('\r'), 1);  // a lone CR would become the file's line end
    const DecodedText d = decodePlainText(bytes);
    EXPECT_EQ(d.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(encodePlainText(d.utf8, d.encoding, d.lineEnd), bytes);
}

TEST(PlainTextDecode, BomMeansUtf8EvenWithInvalidBytes) {
    DecodedText d = decodePlainText("\xEF\xBB\xBFok\xFFok");
    EXPECT_EQ(d.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(d.utf8, "ok\uFFFDok");
}

TEST(PlainTextEncode, NewDocumentsInUtf8Lf) {
    EXPECT_EQ(encodePlainText("a\nb", TextEncoding::Utf8, LineEnd::Lf), "a\nb");
    EXPECT_EQ(encodePlainText("a\nb", TextEncoding::Utf8Bom, LineEnd::CrLf), "\xEF\xBB\xBF"
                                                                             "a\r\nb");
}

TEST(PlainTextEncode, Windows1252TextWithOtherCharactersIsWrittenAsUtf8) {
    EXPECT_EQ(encodePlainText("caf\u00E9 \u20AC", TextEncoding::Windows1252, LineEnd::Lf), "caf\xE9 \x80");
    EXPECT_EQ(encodePlainText("caf\u00E9 中\n", TextEncoding::Windows1252, LineEnd::CrLf), "caf\u00E9 中\r\n");
}

TEST(PlainTextEncode, Cp936TextWithCharactersGbkLacksIsWrittenAsUtf8) {
    EXPECT_EQ(encodePlainText("中€", TextEncoding::Cp936, LineEnd::Lf), "\xD6\xD0\x80");
    EXPECT_EQ(encodePlainText("中€💩", TextEncoding::Cp936, LineEnd::Lf), "中€💩");
}

TEST(PlainTextEncode, Utf16WritesItsBomAndSurrogatePairs) {
    EXPECT_EQ(encodePlainText("a\n💩", TextEncoding::Utf16Be, LineEnd::Lf),
              std::string("\xFE\xFF\x00\x61\x00\x0A\xD8\x3D\xDC\xA9", 10));
}

TEST(PlainTextEncode, Gb18030HoldsEveryCharacter) {
    EXPECT_EQ(encodePlainText("测💩", TextEncoding::Gb18030, LineEnd::Cr), "\xB2\xE2\x94\x39\xDA\x33");
}

}  // namespace
}  // namespace text
