// The RTF writer: the exact bytes where other readers depend on them, and
// round trips through our reader.
#include "recording_sink.h"

#include <gtest/gtest.h>

namespace rtf::test {
namespace {

CharFormat songti(int halfPoints = 21) {
    CharFormat f;
    f.fontName = "宋体";
    f.fontCharset = 134;
    f.sizeHalfPoints = halfPoints;
    return f;
}

std::string writeOne(std::string_view text, const CharFormat& f = songti(), const ParaFormat& p = {}) {
    Writer w;
    w.beginParagraph(p);
    w.text(text, f);
    w.endParagraph();
    return w.finish();
}

// The part of a one-run document between the run's formatting and its '}'.
std::string runBody(const std::string& rtf) {
    std::size_t start = rtf.find("\\afs");
    start = rtf.find(' ', start) + 1;
    std::size_t end = rtf.rfind("\\par}");
    return rtf.substr(start, end - start);
}

TEST(WriterBytes, WholeDocument) {
    Writer w;
    ParaFormat centred;
    centred.alignment = Alignment::Centre;
    w.beginParagraph(centred);
    w.text("Hi 测试", songti());
    CharFormat bold;
    bold.fontName = "Arial";
    bold.bold = true;
    bold.hasColor = true;
    bold.color = 0xFF0000;
    w.text("B", bold);
    w.endParagraph();
    EXPECT_EQ(w.finish(),
              "{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1\n"
              "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fnil\\fcharset0 Arial;}}\n"
              "{\\colortbl;\\red255\\green0\\blue0;}\n"
              "\\pard\\qc{\\fs21\\loch\\f0\\hich\\af0\\dbch\\af0\\afs21 Hi \\uc2\\u27979\\'b2\\'e2\\u-29739\\'ca\\'d4}"
              "{\\fs24\\b\\loch\\f1\\hich\\af1\\dbch\\af1\\afs24\\ab\\cf1 B\\par}\n"
              "}\n");
}

struct EscapeCase {
    const char* name;
    std::string text;
    std::string body;
};
std::ostream& operator<<(std::ostream& os, const EscapeCase& c) {
    return os << c.name;
}
class WriterEscapes : public testing::TestWithParam<EscapeCase> {};

TEST_P(WriterEscapes, WritesTheCharacterSo) {
    EXPECT_EQ(runBody(writeOne(GetParam().text)), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, WriterEscapes,
    testing::Values(EscapeCase{"Ascii", "Hello, world", "Hello, world"},
                    EscapeCase{"BracesAndBackslash", "{a\\b}", "\\{a\\\\b\\}"}, EscapeCase{"Tab", "a\tb", "a\\tab b"},
                    EscapeCase{"LineBreak", "a\u2028b", "a\\line b"},
                    EscapeCase{"GbkCharacterWithDoubleByteFallback", "测", "\\uc2\\u27979\\'b2\\'e2"},
                    EscapeCase{"AboveU7FFFIsNegative", "试", "\\uc2\\u-29739\\'ca\\'d4"},
                    EscapeCase{"OutsideGbkFallsBackToEscapedQuestionMark", "한", "\\u-10916\\'3f"},
                    EscapeCase{"BeyondBmpAsTwoSurrogates", "💩", "\\u-10179\\'3f\\u-9047\\'3f"},
                    EscapeCase{"ExtensionBIdeograph", "\U00020000", "\\u-10176\\'3f\\u-9216\\'3f"},
                    EscapeCase{"UcChangesOnlyWhenNeeded", "测试é",
                               "\\uc2\\u27979\\'b2\\'e2\\u-29739\\'ca\\'d4\\u233\\'a8\\'a6"},
                    EscapeCase{"Latin1InGbk", "é", "\\uc2\\u233\\'a8\\'a6"},
                    EscapeCase{"UcBackToOneAfterDoubleByte", "测€", "\\uc2\\u27979\\'b2\\'e2\\uc1\\u8364\\'3f"}),
    [](const testing::TestParamInfo<EscapeCase>& i) { return std::string(i.param.name); });

struct FontCase {
    const char* name;
    std::string fontName;
    int charset;
    std::string entry;
};
std::ostream& operator<<(std::ostream& os, const FontCase& c) {
    return os << c.name;
}
class WriterFonts : public testing::TestWithParam<FontCase> {};

TEST_P(WriterFonts, WritesTheFontTableEntry) {
    CharFormat f;
    f.fontName = GetParam().fontName;
    f.fontCharset = GetParam().charset;
    EXPECT_NE(writeOne("x", f).find("{\\fonttbl" + GetParam().entry + "}"), std::string::npos) << writeOne("x", f);
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, WriterFonts,
    testing::Values(FontCase{"ChineseNameInGbk", "黑体", -1, "{\\f0\\fnil\\fcharset134 \\'ba\\'da\\'cc\\'e5;}"},
                    FontCase{"ChineseNameWinsOverGivenCharset", "微软雅黑", 0,
                             "{\\f0\\fnil\\fcharset134 \\'ce\\'a2\\'c8\\'ed\\'d1\\'c5\\'ba\\'da;}"},
                    FontCase{"LatinNameOfAChineseFont", "SimHei", -1, "{\\f0\\fnil\\fcharset134 SimHei;}"},
                    FontCase{"LatinFont", "Arial", -1, "{\\f0\\fnil\\fcharset0 Arial;}"},
                    FontCase{"GivenCharsetKept", "Arial Cyr", 204, "{\\f0\\fnil\\fcharset204 Arial Cyr;}"},
                    FontCase{"NonGbkNameAsUnicode", "맑은 고딕", -1,
                             "{\\f0\\fnil\\fcharset134 \\u-17967\\'3f\\u-14528\\'3f \\u-21280\\'3f\\u-19179\\'3f;}"},
                    FontCase{"SemicolonAndBracesEscaped", "A;{B}", -1, "{\\f0\\fnil\\fcharset0 A\\'3b\\'7bB\\'7d;}"}),
    [](const testing::TestParamInfo<FontCase>& i) { return std::string(i.param.name); });

TEST(WriterFormats, EveryPropertyIsWritten) {
    CharFormat f = songti(28);
    f.bold = f.italic = f.underline = f.strike = true;
    f.hasColor = true;
    f.color = 0x112233;
    f.hasBackground = true;
    f.background = 0xFFFF00;
    f.verticalAlign = VerticalAlign::Super;
    ParaFormat p;
    p.alignment = Alignment::Justify;
    p.leftIndent = 720;
    p.rightIndent = 360;
    p.firstLineIndent = -200;
    p.spaceBefore = 100;
    p.spaceAfter = 50;
    std::string rtf = writeOne("x", f, p);
    EXPECT_NE(rtf.find("{\\colortbl;\\red17\\green34\\blue51;\\red255\\green255\\blue0;}"), std::string::npos);
    EXPECT_NE(rtf.find("\\pard\\qj\\li720\\ri360\\fi-200\\sb100\\sa50{\\fs28\\b\\i\\ul\\strike"
                       "\\loch\\f0\\hich\\af0\\dbch\\af0\\afs28\\ab\\ai\\cf1\\chcbpat2\\cb2\\super x\\par}"),
              std::string::npos)
        << rtf;
}

TEST(WriterFormats, SameFormatContinuesTheRun) {
    Writer w;
    w.beginParagraph({});
    w.text("a", songti());
    w.text("b", songti());
    w.endParagraph();
    std::string rtf = w.finish();
    EXPECT_NE(rtf.find("\\afs21 ab\\par}"), std::string::npos) << rtf;
}

TEST(WriterFormats, ParagraphMarkTakesTheLastRunsFormat) {
    // Given a paragraph of 10.5 pt text and an empty one after it, both
    // paragraph marks are 10.5 pt (other readers size empty lines by them).
    Writer w;
    w.beginParagraph({});
    w.text("x", songti());
    w.endParagraph();
    w.beginParagraph({});
    w.endParagraph();
    std::string rtf = w.finish();
    EXPECT_NE(rtf.find("\\pard\\ql{\\fs21\\loch\\f0\\hich\\af0\\dbch\\af0\\afs21 x\\par}\n"
                       "\\pard\\ql{\\fs21\\loch\\f0\\hich\\af0\\dbch\\af0\\afs21 \\par}\n}"),
              std::string::npos)
        << rtf;
}

TEST(WriterPictures, PictureIsWrittenBackAsReadAndInPlace) {
    // Given a picture read with its control words and bytes (hex and \bin)...
    const RecordingSink first = readRtf(
        "{\\rtf1 a{\\*\\shppict{\\pict\\picw2\\pich3\\picwgoal30\\pichgoal45\\picscalex200"
        "\\pngblip 89504E47\n0d0a}}{\\nonshppict{\\pict\\wmetafile8 0102}}b"
        "{\\pict\\jpegblip\\bin3 \xff}{}c{\\header{\\pict\\pngblip 00}}\\par}");
    ASSERT_EQ(first.pictures.size(), 2u);
    const Picture& png = first.pictures[0].picture;
    EXPECT_EQ(png.kind, Picture::Kind::Png);
    EXPECT_EQ(png.data, "\x89PNG\r\n");
    EXPECT_EQ(png.controls, "\\picw2\\pich3\\picwgoal30\\pichgoal45\\picscalex200\\pngblip");
    EXPECT_EQ(png.shownWidth(), 60);
    EXPECT_EQ(png.shownHeight(), 45);
    EXPECT_EQ(first.pictures[1].picture.data, "\xff}{");
    EXPECT_EQ(first.plainText(), "abc");

    // ...when written out and read again, both come back unchanged, in place.
    Writer w;
    w.beginParagraph({});
    w.text("a", songti());
    w.picture(png, songti());
    w.text("b", songti());
    w.picture(first.pictures[1].picture, songti());
    w.endParagraph();
    const RecordingSink second = readRtf(w.finish());
    ASSERT_EQ(second.pictures.size(), 2u);
    EXPECT_EQ(second.pictures[0].picture, png);
    EXPECT_EQ(second.pictures[0].textBefore, "a");
    EXPECT_EQ(second.pictures[1].picture, first.pictures[1].picture);
    EXPECT_EQ(second.pictures[1].textBefore, "ab");
    EXPECT_EQ(second.plainText(), "ab");
}

TEST(WriterFormats, EmptyDocumentIsValidRtf) {
    Writer w;
    std::string rtf = w.finish();
    EXPECT_TRUE(looksLikeRtf(rtf));
    EXPECT_EQ(readRtf(rtf).paragraphs.size(), 1u);
}

// ---------------------------------------------------------------- round trips

struct Doc {
    const char* name;
    std::vector<Paragraph> paragraphs;
};
std::ostream& operator<<(std::ostream& os, const Doc& d) {
    return os << d.name;
}
class WriterRoundTrip : public testing::TestWithParam<Doc> {};

TEST_P(WriterRoundTrip, ReadsBackTheSameParagraphsAndRuns) {
    const auto& want = GetParam().paragraphs;
    RecordingSink got = readRtf(writeRtf(want));
    EXPECT_EQ(mergedRuns(got.paragraphs), mergedRuns(want));
}

Paragraph p(std::vector<Run> runs, ParaFormat f = {}) {
    return Paragraph{std::move(runs), f};
}

CharFormat with(auto&& change) {
    CharFormat f = songti();
    change(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, WriterRoundTrip,
    testing::Values(
        Doc{"ChineseAndAscii", {p({{"中文 and ASCII，标点。", songti()}})}},
        Doc{"EveryCharacterKind",
            {p({{"{}\\\ttab\u2028line \u00A0nbsp \u00AD 💩 \U00020000 한국어 ÀÉ € \uFFFD", songti()}})}},
        Doc{"EveryFormat",
            {p({{"b", with([](CharFormat& f) { f.bold = true; })},
                {"i", with([](CharFormat& f) { f.italic = true; })},
                {"u", with([](CharFormat& f) { f.underline = true; })},
                {"s", with([](CharFormat& f) { f.strike = true; })},
                {"c", with([](CharFormat& f) {
                     f.hasColor = true;
                     f.color = 0x123456;
                 })},
                {"k", with([](CharFormat& f) {
                     f.hasBackground = true;
                     f.background = 0xABCDEF;
                 })},
                {"^", with([](CharFormat& f) { f.verticalAlign = VerticalAlign::Super; })},
                {"_", with([](CharFormat& f) { f.verticalAlign = VerticalAlign::Sub; })},
                {"big", with([](CharFormat& f) { f.sizeHalfPoints = 144; })},
                {"arial", with([](CharFormat& f) {
                     f.fontName = "Arial";
                     f.fontCharset = 0;
                 })},
                {"黑体", with([](CharFormat& f) { f.fontName = "黑体"; })}})}},
        Doc{"ParagraphFormats",
            {p({{"c", songti()}}, ParaFormat{Alignment::Centre, 0, 0, 0, 0, 0}),
             p({{"r", songti()}}, ParaFormat{Alignment::Right, 1, 2, -3, 4, 5}),
             p({{"j", songti()}}, ParaFormat{Alignment::Justify, 0, 0, 0, 0, 0})}},
        Doc{"EmptyParagraphsAnywhere", {p({}), p({{"x", songti()}}), p({}), p({})}},
        Doc{"SingleEmptyParagraph", {p({})}},
        Doc{"FieldsKeepTheirInstructions",
            {p({{"see ", songti()},
                {"链接", with([](CharFormat& f) { f.field = "HYPERLINK \"http://example.com/a b\" \\o \"提示\""; })},
                {" bold", with([](CharFormat& f) {
                     f.field = "HYPERLINK \"http://example.com/a b\" \\o \"提示\"";
                     f.bold = true;
                 })},
                {"3", with([](CharFormat& f) { f.field = "PAGE"; })},
                {" after", songti()}}),
             p({{"across", with([](CharFormat& f) { f.field = "PAGE"; })}})}},
        Doc{"TextStartingWithDigitsAndSpaces",
            {p({{" 12 leading space", with([](CharFormat& f) { f.bold = true; })}, {"34", songti()}})}}),
    [](const testing::TestParamInfo<Doc>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace rtf::test
