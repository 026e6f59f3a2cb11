// The RTF reader: tokens, code pages, \uN and \ucN, \bin, destinations,
// tables, recovery, and the formatting runs it reports.
#include "recording_sink.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace rtf::test {
namespace {

struct TextCase {
    const char* name;
    std::string rtf;
    std::string text;  // paragraphs joined by '\n'
};

std::ostream& operator<<(std::ostream& os, const TextCase& c) {
    return os << c.name;
}

class ReaderText : public testing::TestWithParam<TextCase> {};

TEST_P(ReaderText, YieldsTheExpectedText) {
    const TextCase& c = GetParam();
    EXPECT_EQ(readRtf(c.rtf).plainText(), c.text);
}

std::string caseName(const testing::TestParamInfo<TextCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, ReaderText,
    testing::Values(TextCase{"PlainText", R"({\rtf1 Hello world})", "Hello world"},
                    TextCase{"SpaceAfterControlWordIsItsDelimiter", R"({\rtf1\b  two spaces})", " two spaces"},
                    TextCase{"EscapedBracesAndBackslash", R"({\rtf1 a\{b\}c\\d})", "a{b}c\\d"},
                    TextCase{"NegativeParameterEndsTheWord", R"({\rtf1\li-720 x})", "x"},
                    TextCase{"HyphenWithoutDigitIsText", R"({\rtf1\b- x})", "- x"},
                    TextCase{"OverlongControlWordIsIgnored", "{\\rtf1\\" + std::string(40, 'q') + " x}", "x"},
                    TextCase{"HugeParameterIsClamped", R"({\rtf1\fs999999999999999999999999 x})", "x"},
                    TextCase{"RawLineBreaksAreNotText", "{\\rtf1 a\r\nb\nc}", "abc"},
                    TextCase{"BackslashLineBreakIsParagraph", "{\\rtf1 a\\\nb}", "a\nb"},
                    TextCase{"FinalParDoesNotAddAParagraph", R"({\rtf1 a\par})", "a"},
                    TextCase{"TextAfterLastParIsKept", R"({\rtf1 a\par b})", "a\nb"},
                    TextCase{"EmptyParagraphsCount", R"({\rtf1 a\par\par\par b})", "a\n\n\nb"},
                    TextCase{"LineIsU2028AndTabIsTab", R"({\rtf1 a\line b\tab c})", "a\u2028b\tc"},
                    TextCase{"SpecialCharacters",
                             R"({\rtf1\emdash\endash\lquote\rquote\ldblquote\rdblquote\bullet\~\-\_})",
                             "\u2014\u2013\u2018\u2019\u201C\u201D\u2022\u00A0\u00AD\u2011"},
                    TextCase{"ControlCharactersInTextAreDropped", std::string("{\\rtf1 a\x01\x02z\tb}"), "az\tb"},
                    TextCase{"PageAndSectEndAnOpenParagraph", R"({\rtf1 a\page b\sect c\sect\sect d})", "a\nb\nc\nd"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    CodePages, ReaderText,
    testing::Values(
        TextCase{"Windows1252ByDefault", R"({\rtf1 caf\'e9 \'80})", "café €"},
        TextCase{"AnsiCpg936JoinsDoubleBytePairs", R"({\rtf1\ansi\ansicpg936 \'b2\'e2\'ca\'d4})", "测试"},
        TextCase{"FontCharsetWinsOverAnsiCpg", R"({\rtf1\ansi\ansicpg950{\fonttbl{\f0\fcharset0 Arial;}}\f0 \'a9})",
                 "©"},
        TextCase{
            "GbkFontInA1252Document",
            R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset134 SimSun;}}\f0 a\f1 \'b2\'e2})",
            "a测"},
        TextCase{"DefaultFontCharsetWithoutAnsiCpg", R"({\rtf1\deff0{\fonttbl{\f0\fcharset204 X;}}\'ce\'c1})", "ОБ"},
        TextCase{"AnsiCpgAppliesToCharsetOne", R"({\rtf1\ansicpg1251{\fonttbl{\f0\fcharset1 X;}}\f0 \'c0})", "А"},
        TextCase{"CpgOfTheFontWins", R"({\rtf1{\fonttbl{\f0\fcharset0\cpg1253 X;}}\f0 \'e1})", "α"},
        TextCase{"MacRoman", R"({\rtf1\mac \'8e})", "é"},
        TextCase{"MacJapaneseCharset", R"({\rtf1\mac{\fonttbl{\f0\fcharset78 Hira;}}\f0 \'82\'a8})", "お"},
        TextCase{"PcIs437", R"({\rtf1\pc \'f1\'f2})", "±≥"}, TextCase{"PcaIs850", R"({\rtf1\pca \'f1\'f2})", "±‗"},
        TextCase{"AnsiCpg0MeansNoCodePage", R"({\rtf1\ansi\ansicpg0 \'e9})", "é"},
        TextCase{"UnknownCodePageFallsBackTo1252", R"({\rtf1\ansi\ansicpg99999 \'e9})", "é"},
        TextCase{"SymbolCharsetHighHalf", R"({\rtf1{\fonttbl{\f2\fcharset2 Symbol;}}\f2 \'b7 a\'b3})", "• a≥"},
        TextCase{"DbchFontGivesTheCodePage",
                 R"({\rtf1{\fonttbl{\f0\fcharset0 A;}{\f13\fcharset134 B;}}\loch\af0\hich\af0\dbch\f13 \'b2\'e2})",
                 "测"},
        TextCase{"RawShiftJisTrailBytesThatLookLikeSyntax",
                 "{\\rtf1{\\fonttbl{\\f5\\fcharset128 X;}}\\f5 \x84\x7b\x84\x7d\x84\x5c}", "кмЫ"},
        TextCase{"RawLeadByteAndTrailSplitByLineBreak", "{\\rtf1{\\fonttbl{\\f5\\fcharset128 X;}}\\f5 \x84\r\n\x5c}",
                 "Ы"},
        TextCase{"LoneLeadByteIsReplacement", R"({\rtf1\ansicpg936 \'b2})", "\uFFFD"},
        TextCase{"LeadByteBeforeControlWordIsReplacement", R"({\rtf1\ansicpg936 \'b2\par x})", "\uFFFD\nx"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Unicode, ReaderText,
    testing::Values(TextCase{"FallbackSkippedByDefaultUc1", R"({\rtf1\u27979?x})", "测x"},
                    TextCase{"NegativeMeansPlus65536", R"({\rtf1\u-28589?})", "道"},
                    TextCase{"SurrogatePair", R"({\rtf1\u-10179?\u-9047?})", "💩"},
                    TextCase{"UnpairedHighSurrogate", R"({\rtf1\u-10179?x})", "\uFFFDx"},
                    TextCase{"UnpairedLowSurrogate", R"({\rtf1\u-9047?x})", "\uFFFDx"},
                    // One left unpaired in a table stays there.
                    TextCase{"UnpairedHighSurrogateInATable", R"({\rtf1{\colortbl;\u-10179?}x\u-10179?{\*\y\u-9047?}})",
                             "x\uFFFD"},
                    TextCase{"Uc2SkipsTwoHexBytes", R"({\rtf1\uc2\u27979\'b2\'e2x})", "测x"},
                    TextCase{"Uc0SkipsNothing", R"({\rtf1\uc0\u27979 x})", "测x"},
                    TextCase{"UcIsScopedToTheGroup", R"({\rtf1{\uc2\u27979\'b2\'e2}\u27979?x})", "测测x"},
                    TextCase{"ControlWordIsOneFallbackUnit", R"({\rtf1\u8220\ldblquote x})", "“x"},
                    TextCase{"EscapedBraceIsOneFallbackUnit", R"({\rtf1\u381\'7dx})", "Žx"},
                    TextCase{"SkippingEndsAtGroupEnd", R"({\rtf1\uc3{\u27979 a}b})", "测b"},
                    TextCase{"WrappedPerCharacter", R"({\rtf1\ansicpg0{\uc1 \u21414 ?}{\uc1 \u38376 ?}})", "厦门"},
                    TextCase{"OutOfRangeIsReplacement", R"({\rtf1\u70000?})", "\uFFFD"},
                    TextCase{"ControlCharactersSpelledAsUnicodeAreText", R"({\rtf1 a\u0?b\u1?c\u27?d})",
                             std::string("a\0b\x01"
                                         "c\x1B"
                                         "d",
                                         7)}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Destinations, ReaderText,
    testing::Values(
        TextCase{"BinSkipsExactlyNBytes", "{\\rtf1 a\\bin6 }{\\par b}", "a b"},
        TextCase{"BinPastTheEnd", "{\\rtf1 a\\bin999 xyz", "a"},
        TextCase{"BinIsNotFallback", "{\\rtf1\\u27979\\bin1 zq}", "测"},
        TextCase{"UnknownIgnorableDestination", R"({\rtf1 a{\*\foo hidden}b})", "ab"},
        TextCase{"IgnorableMarkMidGroupIsIgnored", R"({\rtf1{\b\*\cs7 kept}})", "kept"},
        TextCase{
            "KnownDestinationsHoldNoBodyText",
            R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;}{\stylesheet{\s1 Normal;}}{\info{\title T}})"
            R"({\header H}{\footer F}{\footnote N}{\pict 0102}{\*\listtable{\list x}}{\nonesttables n}body})",
            "body"},
        TextCase{"BinInsideSkippedGroup", "{\\rtf1{\\pict\\bin3 }}}x}y}", "y"},
        TextCase{"FieldResultIsText", R"({\rtf1{\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt link}} end})",
                 "link end"},
        TextCase{"UngroupedFieldInstruction", R"({\rtf1{\field\fldinst HYPERLINK "x" {\fldrslt link}}})", "link"},
        TextCase{"StrayFieldResultOrUnicodeBranchStaysInItsGroup",
                 R"({\rtf1{\colortbl;{\fldrslt x}}{\*\x{\fldrslt x}}{\fonttbl{\f0 A\ud x;}}y})", "y"},
        TextCase{"ParagraphInsideFieldResult", R"({\rtf1{\field{\*\fldinst X}{\fldrslt a\par b}}})", "a\nb"},
        TextCase{"UprKeepsTheUnicodeBranch", R"({\rtf1{\upr{ansi}{\*\ud{unicode}}}})", "unicode"},
        TextCase{"ListTextLabelsAreKept", R"({\rtf1{\listtext 1.\tab}one})", "1.\tone"},
        TextCase{"HiddenTextIsNotShown", R"({\rtf1 a{\v secret}b\v c\v0 d})", "abd"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Tables, ReaderText,
    testing::Values(
        TextCase{"CellsTabSeparatedRowsParagraphs",
                 R"({\rtf1\trowd\cellx1\cellx2\intbl a\cell b\cell\row\trowd\cellx1\cellx2\intbl c\cell d\cell\row})",
                 "a\tb\nc\td"},
        TextCase{"EmptyCells", R"({\rtf1\trowd\intbl\cell b\cell\cell\row})", "\tb"},
        TextCase{
            "NestedTableRowsInReadingOrder",
            R"({\rtf1\intbl a\cell\itap2 x\nestcell y\nestcell{\*\nesttableprops\trowd\nestrow}{\nonesttables\par}\itap1 b\cell\row})",
            "a\tx\ty\nb"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Recovery, ReaderText,
                         testing::Values(TextCase{"MissingFinalBrace", R"({\rtf1 abc)", "abc"},
                                         TextCase{"ExtraBraceEndsTheDocument", R"({\rtf1 abc}} stray)", "abc"},
                                         TextCase{"TwoDocumentsOneAfterTheOther", R"({\rtf1 a\par}{\rtf1 b})", "a\nb"},
                                         TextCase{"BackslashAtTheEnd", "{\\rtf1 a\\", "a"},
                                         TextCase{"HexEscapeWithoutDigits", R"({\rtf1 a\'zz})", "azz"},
                                         TextCase{"UnknownWordsIgnored", R"({\rtf1\foo\bar12 x})", "x"},
                                         TextCase{"FragmentThatStartsWithAGroup",
                                                  R"({\field{\*\fldinst X}{\fldrslt shown}})", "shown"},
                                         TextCase{"LeadingWhitespaceAndBom", "\xEF\xBB\xBF \r\n{\\rtf1 x}", "x"}),
                         caseName);

// What the reader keeps and where it puts it: text with each kept item in
// <> at its place (hidden text as <v:...>, an item's shown text after '='),
// then the document's header groups, settings and section.
struct KeptCase {
    const char* name;
    std::string rtf;
    std::string kept;
};

std::ostream& operator<<(std::ostream& os, const KeptCase& c) {
    return os << c.name;
}

class KeptSink final : public Sink {
public:
    void text(std::string_view utf8, const CharFormat&) override { out.append(utf8); }
    void paragraphEnd(const ParaFormat&) override { out += '/'; }
    void kept(const Kept& k, const CharFormat&) override {
        out += k.kind == Kept::Kind::Hidden ? "<v:" + k.text + ">"
                                            : "<" + k.rtf + (k.text.empty() ? "" : "=" + k.text) + ">";
    }
    void document(const KeptDocument& d) override {
        out += "|pre:" + d.preamble + "|set:" + d.settings + "|sec:" + d.section + (d.laterSections ? "|later" : "");
        if (!d.losses.empty())
            out += "|losses:" + std::to_string(d.losses.size());
    }
    std::string out;
};

class ReaderKept : public testing::TestWithParam<KeptCase> {};

TEST_P(ReaderKept, KeepsWhatItDoesNotShowWhereItBelongs) {
    KeptSink sink;
    read(GetParam().rtf, sink);
    EXPECT_EQ(sink.out, GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Kept, ReaderKept,
    testing::Values(
        KeptCase{"GroupsOfTheTextAtTheirPlace", R"({\rtf1 a{\*\bkmkstart x}b{\footnote n {\b m}}{\*\foo y}c})",
                 R"(a<{\*\bkmkstart x}>b<{\footnote n {\b m}}><{\*\foo y}>c/|pre:|set:|sec:)"},
        KeptCase{
            "HeaderGroupsSettingsAndSection",
            R"({\rtf1{\stylesheet{\s0 N;}}{\*\foo y}\paperw100\sectd\pgwsxn90{\header H}a\par{\*\listtable L}})",
            R"(a/|pre:{\stylesheet{\s0 N;}}{\*\foo y}{\*\listtable L}|set:\paperw100|sec:\sectd\pgwsxn90{\header H})"},
        KeptCase{"TextBeforeTheDestinationWordIsNotKeptTwice", R"({\rtf1 {x\footnote n}y})",
                 R"(x<{\footnote n}>y/|pre:|set:|sec:)"},
        KeptCase{"AGroupCutShortIsNotKept", R"({\rtf1 a{\*\foo b)", "a/|pre:|set:|sec:"},
        KeptCase{"LabelsAndNoteMarksShowTheirText", R"({\rtf1{\listtext 1.\tab}one{\super\chftn}})",
                 "<{\\listtext 1.\\tab}=1.\t>one<\\chftn =1>/|pre:|set:|sec:"},
        KeptCase{"HiddenTextIsKeptAsARunOfItsOwn", R"({\rtf1 a{\v secret}b\v c\v0 d})",
                 "a<v:secret>b<v:c>d/|pre:|set:|sec:"},
        // Row heights and a paragraph's border are read but not written
        // back: said once each; in a kept header, not.
        KeptCase{
            "FormattingNotWrittenBackIsReportedOnceEach",
            R"({\rtf1{\header\sl300 h}\sl360\tx720 a\par\sl240\brdrb\brdrs b\par\trowd\trrh400\cellx900 c\cell\row})",
            R"(a/b/c/|pre:|set:|sec:{\header\sl300 h}|losses:2)"},
        KeptCase{"ALaterSectionsOwnPageIsNotKept",
                 R"({\rtf1\sectd\pgwsxn90 a\sect\sectd\pgwsxn90 b\sect\sectd\pgwsxn80 c})",
                 R"(a/b/c/|pre:|set:|sec:\sectd\pgwsxn90|later)"},
        // Raw bytes are kept as \'hh: a trail byte '}' then closes nothing
        // wherever the group is written back; \bin data stays as it is.
        KeptCase{"RawBytesAreKeptAsEscapes", "{\\rtf1\\ansicpg936 a{\\*\\foo \xd6\xd0\x81}\\bin2 \xff}}b}",
                 // The font the bytes were read in is named: none (f0 stays undefined).
                 "a<{\\*\\foo \\f0\\'d6\\'d0\\'81\\'7d\\bin2 \xff}}>b/|pre:|set:|sec:"},
        KeptCase{"InsideAFieldInstructionNothingIsKept", R"({\rtf1{\field{\*\fldinst X{\*\bkmkstart b}}{\fldrslt r}}})",
                 "r/|pre:|set:|sec:"}),
    [](const testing::TestParamInfo<KeptCase>& info) { return std::string(info.param.name); });

TEST(ReaderRecovery, HexEscapeWithOneDigitYieldsThatByte) {
    // Given "\'4" cut off by the end of input, the byte 0x04 is a control
    // character and not text.
    EXPECT_EQ(readRtf("{\\rtf1 a\\'4").plainText(), "a");
}

TEST(ReaderRecovery, DeepNestingKeepsTextAndBoundsMemory) {
    // Given a million nested groups, the text inside still arrives.
    std::string rtf = "{\\rtf1 " + std::string(1000000, '{') + "\\b x" + std::string(1000000, '}') + " y}";
    RecordingSink s = readRtf(rtf);
    EXPECT_EQ(s.plainText(), "x y");
}

TEST(ReaderRecovery, FormattingPastTheDepthCapIsIgnoredThenRestored) {
    std::string rtf = "{\\rtf1 " + std::string(300, '{') + "\\b deep" + std::string(300, '}') + "\\b bold}";
    RecordingSink s = readRtf(rtf);
    ASSERT_EQ(s.paragraphs.size(), 1u);
    ASSERT_EQ(s.paragraphs[0].runs.size(), 2u);
    EXPECT_FALSE(s.paragraphs[0].runs[0].format.bold);
    EXPECT_TRUE(s.paragraphs[0].runs[1].format.bold);
    EXPECT_EQ(s.paragraphs[0].runs[1].text, "bold");
}

TEST(ReaderErrors, InputThatIsNotRtfRaisesParseErrorWithOffset) {
    EXPECT_THROW(readRtf("hello"), ParseError);
    EXPECT_THROW(readRtf(""), ParseError);
    try {
        readRtf("  plain");
        FAIL() << "no ParseError";
    } catch (const ParseError& e) {
        EXPECT_EQ(e.offset(), 2u);
    }
}

// A recoverable oddity is reported with how far the reader had read, just
// past the token concerned, and reading goes on.
TEST(ReaderWarnings, ReportsEachOddityWithItsOffset) {
    using K = Warning::Kind;
    struct Case {
        const char* name;
        std::string rtf;
        std::vector<std::pair<K, std::size_t>> warnings;
    };
    std::string flood = "{\\rtf1 ";
    for (int i = 0; i < 150; ++i)
        flood += "\\u-9047?";
    const Case cases[] = {
        {"Clean", R"({\rtf1\ansicpg936{\fonttbl{\f0\fcharset134 A;}}\f0 \'b2\'e2\u-10179?\u-9047?})", {}},
        {"UnknownCodePageOnceWhenFirstUsed", R"({\rtf1\ansicpg99999 \'e9{\b x}\'e9})", {{K::UnknownCodePage, 20}}},
        {"LeadByteWithoutTrail", R"({\rtf1\ansicpg936 \'b2\par x})", {{K::TruncatedCharacter, 27}}},
        {"HighSurrogateWithoutLow", R"({\rtf1\u-10179?x})", {{K::TruncatedCharacter, 16}}},
        {"LowSurrogateAlone", R"({\rtf1 \u-9047?})", {{K::TruncatedCharacter, 15}}},
        // After a byte-order mark and a line break: offsets count them.
        {"InputEndsInsideTwoGroups", "\xEF\xBB\xBF\n{\\rtf1{\\b x", {{K::UnbalancedGroup, 15}}},
        {"BraceThatClosesNoGroup", R"({\rtf1 a}} stray)", {{K::UnbalancedGroup, 10}}},
    };
    for (const Case& c : cases) {
        struct Sink : RecordingSink {
            std::vector<std::pair<K, std::size_t>> got;
            void warning(const Warning& w) override {
                EXPECT_FALSE(w.message.empty());
                got.emplace_back(w.kind, w.offset);
            }
        } sink;
        read(c.rtf, sink);
        EXPECT_EQ(sink.got, c.warnings) << c.name;
    }
    // A hundred are reported, then one saying the rest are left out.
    struct Counter : RecordingSink {
        std::vector<K> kinds;
        void warning(const Warning& w) override { kinds.push_back(w.kind); }
    } counter;
    read(flood + "}", counter);
    std::vector<K> expected(100, K::TruncatedCharacter);
    expected.push_back(K::TooMany);
    EXPECT_EQ(counter.kinds, expected);
}

TEST(ReaderErrors, LooksLikeRtfNeedsTheHeader) {
    EXPECT_TRUE(looksLikeRtf("{\\rtf1 x}"));
    EXPECT_TRUE(looksLikeRtf("\r\n {\\rtf"));
    EXPECT_FALSE(looksLikeRtf("{\\field x}"));
    EXPECT_FALSE(looksLikeRtf("rtf"));
    EXPECT_FALSE(looksLikeRtf(""));
}

TEST(ReaderParagraphs, EmptyDocumentIsOneEmptyParagraph) {
    RecordingSink s = readRtf("{\\rtf1}");
    ASSERT_EQ(s.paragraphs.size(), 1u);
    EXPECT_TRUE(s.paragraphs[0].runs.empty());
}

// ---------------------------------------------------------------- formatting

const Run& onlyRun(const RecordingSink& s) {
    EXPECT_EQ(s.paragraphs.size(), 1u);
    EXPECT_EQ(s.paragraphs.at(0).runs.size(), 1u);
    return s.paragraphs.at(0).runs.at(0);
}

struct FormatCase {
    const char* name;
    std::string rtf;  // one run of text "x"
    CharFormat want;
};
std::ostream& operator<<(std::ostream& os, const FormatCase& c) {
    return os << c.name;
}

class ReaderFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(ReaderFormat, ReportsTheRunFormat) {
    const RecordingSink s = readRtf(GetParam().rtf);
    const test::Run& r = onlyRun(s);
    EXPECT_EQ(r.text, "x");
    EXPECT_EQ(r.format, GetParam().want);
}

CharFormat fmt(auto&& change) {
    CharFormat f;
    change(f);
    return f;
}

const char* kTables = R"({\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset134 \'cb\'ce\'cc\'e5;}})"
                      R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})";

std::string doc(const std::string& body) {
    return std::string("{\\rtf1\\ansi\\deff0") + kTables + body + "}";
}

std::string fmtName(const testing::TestParamInfo<FormatCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Character, ReaderFormat,
    testing::Values(
        FormatCase{"DefaultFontFromDeff", doc("x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"GbkFontName", doc("\\f1 x"), fmt([](CharFormat& f) {
                       f.fontName = "宋体";
                       f.fontCharset = 134;
                   })},
        FormatCase{"BoldItalicUnderlineStrike", doc("\\b\\i\\ul\\strike x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.bold = f.italic = f.underline = f.strike = true;
                   })},
        FormatCase{"EveryUnderlineKindIsUnderline", doc("\\ulwave x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.underline = true;
                   })},
        FormatCase{"UlNoneEndsUnderline", doc("\\uldb\\ulnone x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"ZeroParameterTurnsOff", doc("\\b\\b0\\i\\i0 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"SizeInHalfPoints", doc("\\fs21 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.sizeHalfPoints = 21;
                   })},
        FormatCase{"ColourFromTable", doc("\\cf2 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.hasColor = true;
                       f.color = 0x0000FF;
                   })},
        FormatCase{"Cf0IsAutomatic", doc("\\cf1\\cf0 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"HighlightUsesTheFixedPalette", doc("\\highlight7 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.hasBackground = true;
                       f.background = 0xFF0000;
                   })},
        FormatCase{"ChcbpatUsesTheColourTable", doc("\\chcbpat2 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.hasBackground = true;
                       f.background = 0x0000FF;
                   })},
        FormatCase{"SuperAndNoSuperSub", doc("\\super\\nosupersub\\sub x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.verticalAlign = VerticalAlign::Sub;
                   })},
        FormatCase{"PlainResets", doc("\\f1\\b\\fs40\\cf1\\super\\plain x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"GroupRestores", doc("{\\b\\f1}x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"LeadingZeroFontNumber", doc("\\f001 x"), fmt([](CharFormat& f) {
                       f.fontName = "宋体";
                       f.fontCharset = 134;
                   })},
        FormatCase{"UnknownFontHasNoName", doc("\\f9 x"), CharFormat{}},
        FormatCase{
            "FieldResultCarriesItsInstruction",
            doc("{\\field{\\*\\fldinst {\\b  HYPERLINK \"http://a/\\u27979?\" }{\\*\\datafield 00}}{\\fldrslt x}}"),
            fmt([](CharFormat& f) {
                f.fontName = "Arial";
                f.fontCharset = 0;
                f.field = "HYPERLINK \"http://a/测\"";
            })},
        FormatCase{"CharacterStyleAloneDoesNotBold", doc("\\cs15 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })}),
    fmtName);

// Associated properties count after \dbch and \loch (LibreOffice's form
// for Chinese text) and not after \rtlch or \hich (Word's form for complex
// scripts), as LibreOffice reads them.
INSTANTIATE_TEST_SUITE_P(
    Associated, ReaderFormat,
    testing::Values(
        FormatCase{"BoldAfterDbch", doc("{\\rtlch\\ab \\ltrch\\dbch\\ab\\dbch x}"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.bold = true;
                   })},
        FormatCase{"SizeAfterDbch", doc("\\ltrch\\loch\\f0\\fs24\\dbch\\af1\\afs28 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.sizeHalfPoints = 28;
                   })},
        FormatCase{"ComplexScriptPropertiesAfterRtlchIgnored", doc("\\rtlch\\fcs1 \\ab\\ai\\afs40\\ltrch\\fcs0 x"),
                   fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"HichPropertiesIgnored", doc("\\hich\\ab\\afs40 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"UnderlineStrikeColourAfterDbch", doc("\\dbch\\auldb\\astrike\\acf1 x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.underline = f.strike = f.hasColor = true;
                       f.color = 0xFF0000;
                   })},
        FormatCase{"AulnoneEndsUnderline", doc("\\ul\\loch\\aulnone x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })},
        FormatCase{"PlainEndsComplexScript", doc("\\rtlch\\plain\\ai x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                       f.italic = true;
                   })},
        FormatCase{"GroupEndRestoresDirection", doc("{\\ltrch}\\rtlch{\\ltrch}\\ab x"), fmt([](CharFormat& f) {
                       f.fontName = "Arial";
                       f.fontCharset = 0;
                   })}),
    fmtName);

TEST(ReaderFontClasses, LibreOfficeChineseFormatsReadAsLibreOfficeShowsThem) {
    // Given LibreOffice 7.4's RTF of four paragraphs, each a Latin run and a
    // Chinese run whose East Asian formatting differs from the Latin one.
    std::ifstream in(std::string(SCRIVLET_RTF_TEST_DATA) + "/libreoffice-asian-formats.rtf", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    const RecordingSink s = readRtf(bytes);
    struct Want {
        std::string text;
        bool bold, italic, underline;
        int size;
    };
    const Want want[] = {{"AB", false, false, false, 24}, {"这是", true, false, false, 24},
                         {"CD", false, false, false, 24}, {"这是", false, false, false, 28},
                         {"EF", true, true, false, 24},   {"这是", false, false, false, 24},
                         {"GH", false, false, true, 24},  {"这是", false, true, true, 24}};
    std::vector<test::Run> runs;
    for (const Paragraph& p : s.paragraphs)
        runs.insert(runs.end(), p.runs.begin(), p.runs.end());
    ASSERT_EQ(runs.size(), std::size(want));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[i].text, want[i].text);
        EXPECT_EQ(runs[i].format.bold, want[i].bold);
        EXPECT_EQ(runs[i].format.italic, want[i].italic);
        EXPECT_EQ(runs[i].format.underline, want[i].underline);
        EXPECT_EQ(runs[i].format.sizeHalfPoints, want[i].size);
    }
}

TEST(ReaderFormatRuns, AdjacentTextOfOneFormatIsOneCall) {
    // Given text split by groups, escapes and words that change nothing.
    RecordingSink s = readRtf(doc("a{b}\\'63{\\b0 d}\\u101?f"));
    ASSERT_EQ(s.textCalls, 1u);
    EXPECT_EQ(s.paragraphs[0].runs[0].text, "abcdef");
}

TEST(ReaderFormatRuns, FormatChangesSplitRuns) {
    RecordingSink s = readRtf(doc(" a{\\b b}c"));
    ASSERT_EQ(s.paragraphs[0].runs.size(), 3u);
    EXPECT_EQ(s.paragraphs[0].runs[1].text, "b");
    EXPECT_TRUE(s.paragraphs[0].runs[1].format.bold);
    EXPECT_FALSE(s.paragraphs[0].runs[2].format.bold);
}

TEST(ReaderFormatRuns, TwoFontEntriesOfOneNameAreOneRun) {
    RecordingSink s = readRtf(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Arial;}}\f0 a\f1 b})");
    EXPECT_EQ(s.textCalls, 1u);
}

TEST(ReaderFormatRuns, FontNamesInUnicodeAndWithAlternatives) {
    RecordingSink s = readRtf(
        R"({\rtf1{\fonttbl{\f0\fcharset134{\*\panose 02010600}{\uc1\u23435 ?\u20307 ?}{\*\falt SimSun};}}\f0 x})");
    EXPECT_EQ(onlyRun(s).format.fontName, "宋体");
}

TEST(ReaderFormatRuns, FontTableEntriesWithoutGroups) {
    RecordingSink s = readRtf(R"({\rtf1{\fonttbl\f0\fswiss Helvetica;\f1\fnil Times;}\f1 x})");
    EXPECT_EQ(onlyRun(s).format.fontName, "Times");
}

TEST(ReaderFormatRuns, FontNamesLongerThanAnyFamilyAreCutWithoutSplittingACharacter) {
    std::string chinese;
    for (int i = 0; i < 200; ++i)
        chinese += "\\u23435?";  // 宋, three bytes in UTF-8
    RecordingSink s = readRtf("{\\rtf1{\\fonttbl{\\f0 " + chinese + ";}}\\f0 x}");
    const std::string& cut = onlyRun(s).format.fontName;
    EXPECT_EQ(cut.size(), 255u);  // 85 whole characters of 256 bytes at most
    EXPECT_EQ(cut.substr(0, 6), "宋宋");
}

struct ParaCase {
    const char* name;
    std::string controls;
    ParaFormat want;
};
std::ostream& operator<<(std::ostream& os, const ParaCase& c) {
    return os << c.name;
}
class ReaderParagraph : public testing::TestWithParam<ParaCase> {};

TEST_P(ReaderParagraph, ReportsTheParagraphFormat) {
    RecordingSink s = readRtf("{\\rtf1" + GetParam().controls + " x\\par}");
    ASSERT_EQ(s.paragraphs.size(), 1u);
    EXPECT_EQ(s.paragraphs[0].format, GetParam().want);
}

ParaFormat para(auto&& change) {
    ParaFormat p;
    change(p);
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Paragraph, ReaderParagraph,
    testing::Values(ParaCase{"Centre", "\\qc", para([](ParaFormat& p) { p.alignment = Alignment::Centre; })},
                    ParaCase{"Right", "\\qr", para([](ParaFormat& p) { p.alignment = Alignment::Right; })},
                    ParaCase{"Justify", "\\qj", para([](ParaFormat& p) { p.alignment = Alignment::Justify; })},
                    ParaCase{"Distributed", "\\qd", para([](ParaFormat& p) { p.alignment = Alignment::Justify; })},
                    ParaCase{"IndentsAndSpacing", "\\li720\\ri360\\fi-240\\sb120\\sa60", para([](ParaFormat& p) {
                                 p.leftIndent = 720;
                                 p.rightIndent = 360;
                                 p.firstLineIndent = -240;
                                 p.spaceBefore = 120;
                                 p.spaceAfter = 60;
                             })},
                    ParaCase{"PardResets", "\\qc\\li720\\pard", ParaFormat{}}),
    [](const testing::TestParamInfo<ParaCase>& i) { return std::string(i.param.name); });

TEST(ReaderParagraphs, PardDoesNotResetCharacterFormat) {
    RecordingSink s = readRtf(R"({\rtf1\b\qc a\par\pard b\par})");
    ASSERT_EQ(s.paragraphs.size(), 2u);
    EXPECT_TRUE(s.paragraphs[1].runs[0].format.bold);
    EXPECT_EQ(s.paragraphs[1].format.alignment, Alignment::Left);
    EXPECT_EQ(s.paragraphs[0].format.alignment, Alignment::Centre);
}

}  // namespace
}  // namespace rtf::test

namespace rtf::test {
namespace {

TEST(ReaderFontClasses, ChineseTextInTheDbchFontLatinInTheLochFont) {
    // Given LibreOffice's form: \loch\f0 for Latin, \dbch\af1 for Chinese.
    RecordingSink s = readRtf(R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset134 SimSun;}})"
                              R"(\loch\f0\hich\af0\dbch\af1 Hello \u27979?\u8220?x})");
    ASSERT_EQ(s.paragraphs.size(), 1u);
    const auto& runs = s.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, "Hello ");
    EXPECT_EQ(runs[0].format.fontName, "Times");
    // Then the Chinese character and the quotation mark (shared by both
    // scripts, written under \dbch) are in SimSun.
    EXPECT_EQ(runs[1].text, "测\u201C");
    EXPECT_EQ(runs[1].format.fontName, "SimSun");
    EXPECT_EQ(runs[2].text, "x");
    EXPECT_EQ(runs[2].format.fontName, "Times");
}

TEST(ReaderFontClasses, WordNamesTheDbchFontWithF) {
    // Given Word's form: \loch\af0\hich\af0\dbch\f1 before GBK bytes.
    RecordingSink s = readRtf(R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 Times;}{\f1\fcharset134 SimSun;}})"
                              R"(\loch\f0 a\loch\af0\hich\af0\dbch\f1 \'b2\'e2})");
    const auto& runs = s.paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].format.fontName, "Times");
    EXPECT_EQ(runs[1].text, "测");
    EXPECT_EQ(runs[1].format.fontName, "SimSun");
    EXPECT_EQ(runs[1].format.fontCharset, 134);
}

TEST(ReaderCodePages, RawTrailBraceInsideASkippedGroupKeepsTheGroupsBalanced) {
    // Given a Shift-JIS title whose trail byte is '}' inside a bold group:
    // a skip that miscounted would close the bold group early.
    RecordingSink s = readRtf("{\\rtf1\\ansicpg932{\\b{\\info{\\title \x84\x7d}}x}y}");
    const auto& runs = s.paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "x");
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_FALSE(runs[1].format.bold);
}

TEST(ReaderCodePages, RawDoubleByteFallbackIsSkippedWhole) {
    // Given \uc1 and a raw Shift-JIS fallback whose trail byte is '}': a
    // skip of one byte would leave the '}' to close the bold group.
    RecordingSink s = readRtf("{\\rtf1{\\fonttbl{\\f5\\fcharset128 X;}}\\f5{\\b\\u1084\x84\x7d y}x}");
    const auto& runs = s.paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "м y");
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_EQ(runs[1].text, "x");
}

TEST(ReaderFontClasses, AfAfterLochIsTheRightToLeftFontNotOurs) {
    RecordingSink s = readRtf(R"({\rtf1{\fonttbl{\f0 Times;}{\f9 Arabic;}}\f0\rtlch\af9\ltrch x})");
    EXPECT_EQ(s.paragraphs.at(0).runs.at(0).format.fontName, "Times");
}

}  // namespace
}  // namespace rtf::test
