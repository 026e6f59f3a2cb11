// Plain-text files: encoding and line-end detection, and writing back in
// the form they were read.
#include "document/rtf/plaintext.h"

#include <gtest/gtest.h>

namespace rtf {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string utf8;
    TextEncoding encoding;
    LineEnd lineEnd;
};
std::ostream& operator<<(std::ostream& os, const DecodeCase& c) { return os << c.name; }
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

INSTANTIATE_TEST_SUITE_P(Files, PlainTextDecode, testing::Values(
    DecodeCase{"Empty", "", "", TextEncoding::Utf8, LineEnd::Lf},
    DecodeCase{"Utf8Lf", "中文\nline2\n", "中文\nline2\n", TextEncoding::Utf8, LineEnd::Lf},
    DecodeCase{"Utf8BomCrLf", "\xEF\xBB\xBF中\r\n文", "中\n文", TextEncoding::Utf8Bom, LineEnd::CrLf},
    DecodeCase{"Utf8Cr", "a\rb\r", "a\nb\n", TextEncoding::Utf8, LineEnd::Cr},
    DecodeCase{"GbkBytesAreGb18030", "\xB2\xE2\xCA\xD4\r\nok", "测试\nok", TextEncoding::Gb18030, LineEnd::CrLf},
    DecodeCase{"Gb18030FourByteCharacter", "\x95\x32\x82\x36 \xD6\xD0", "\U00020000 中", TextEncoding::Gb18030, LineEnd::Lf},
    DecodeCase{"AsciiIsUtf8", "plain ascii", "plain ascii", TextEncoding::Utf8, LineEnd::Lf},
    DecodeCase{"ReplacementCharacterIsValidUtf8", "\xEF\xBF\xBD", "\uFFFD", TextEncoding::Utf8, LineEnd::Lf}
), [](const testing::TestParamInfo<DecodeCase>& i) { return std::string(i.param.name); });

TEST(PlainTextDecode, FirstLineEndNamesTheConvention) {
    DecodedText d = decodePlainText("a\r\nb\nc\rd");
    EXPECT_EQ(d.utf8, "a\nb\nc\nd");
    EXPECT_EQ(d.lineEnd, LineEnd::CrLf);
}

TEST(PlainTextDecode, OverlongAndSurrogateUtf8AreNotUtf8) {
    EXPECT_EQ(decodePlainText("\xC0\xAF").encoding, TextEncoding::Gb18030);
    EXPECT_EQ(decodePlainText("\xED\xA0\x80").encoding, TextEncoding::Gb18030);
}

TEST(PlainTextDecode, BomMeansUtf8EvenWithInvalidBytes) {
    DecodedText d = decodePlainText("\xEF\xBB\xBFok\xFFok");
    EXPECT_EQ(d.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(d.utf8, "ok\uFFFDok");
}

TEST(PlainTextDecode, BytesGb18030CannotReadBecomeReplacement) {
    // Given a lone lead byte at the end, the text before it is kept.
    DecodedText d = decodePlainText("\xD6\xD0\x81");
    EXPECT_EQ(d.encoding, TextEncoding::Gb18030);
    EXPECT_EQ(d.utf8, "中\uFFFD");
}

TEST(PlainTextEncode, NewDocumentsInUtf8Lf) {
    EXPECT_EQ(encodePlainText("a\nb", TextEncoding::Utf8, LineEnd::Lf), "a\nb");
    EXPECT_EQ(encodePlainText("a\nb", TextEncoding::Utf8Bom, LineEnd::CrLf), "\xEF\xBB\xBF" "a\r\nb");
}

TEST(PlainTextEncode, Gb18030HoldsEveryCharacter) {
    EXPECT_EQ(encodePlainText("测💩", TextEncoding::Gb18030, LineEnd::Cr), "\xB2\xE2\x94\x39\xDA\x33");
}

}  // namespace
}  // namespace rtf
