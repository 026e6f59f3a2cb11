// Correcting the ToUnicode maps of Qt's PDF output: radicals that share a
// glyph with an ideograph are mapped back to the ideograph, in place.
#include "platform/pdftext.h"
#include "support/case_name.h"

#include <gtest/gtest.h>

namespace {

struct MapCase {
    const char* name;
    const char* before;
    const char* after;
};

class PdfTextMapping : public ::testing::TestWithParam<MapCase> {};

TEST_P(PdfTextMapping, RewritesDestinationsInPlace) {
    const QByteArray before(GetParam().before);
    const QByteArray after = platform::fixedPdfTextMapping(before);
    EXPECT_EQ(after.toStdString(), std::string(GetParam().after));
    EXPECT_EQ(after.size(), before.size());
}

INSTANTIATE_TEST_SUITE_P(
    Files, PdfTextMapping,
    ::testing::Values(
        // 中⽂ -> 中文: the array form Qt writes for runs of glyphs.
        MapCase{"ArrayOfDestinations", "2 beginbfrange\n<0001> <0003> [<4E2D> <2F42> <2F00>]\nendbfrange\n",
                "2 beginbfrange\n<0001> <0003> [<4E2D> <6587> <4E00>]\nendbfrange\n"},
        MapCase{"SingleGlyphRange", "beginbfrange\n<0005> <0005> <2F08>\nendbfrange",
                "beginbfrange\n<0005> <0005> <4EBA>\nendbfrange"},
        // A range counting up from a radical cannot be split in place.
        MapCase{"LongerRangeStays", "beginbfrange\n<0005> <0006> <2F08>\nendbfrange",
                "beginbfrange\n<0005> <0006> <2F08>\nendbfrange"},
        MapCase{"CharForm", "beginbfchar\n<2F42> <2F42>\nendbfchar", "beginbfchar\n<2F42> <6587>\nendbfchar"},
        // Glyph numbers that look like radicals are not text.
        MapCase{"SourceCodesStay", "beginbfrange\n<2F42> <2F42> <0041>\nendbfrange",
                "beginbfrange\n<2F42> <2F42> <0041>\nendbfrange"},
        // U+2E80 has no ideograph equivalent; U+2E9F (⺟) is 母.
        MapCase{"SupplementWithoutEquivalentStays", "beginbfchar\n<0001> <2E80>\n<0002> <2E9F>\nendbfchar",
                "beginbfchar\n<0001> <2E80>\n<0002> <6BCD>\nendbfchar"},
        MapCase{"LigatureStays", "beginbfchar\n<0001> <2F422F42>\nendbfchar",
                "beginbfchar\n<0001> <2F422F42>\nendbfchar"},
        MapCase{"OutsideAMapStays", "<2F42> beginbfchar\n<0001> <0041>\nendbfchar <2F42>",
                "<2F42> beginbfchar\n<0001> <0041>\nendbfchar <2F42>"},
        MapCase{"UnterminatedSectionStays", "beginbfchar\n<0001> <2F42>\n", "beginbfchar\n<0001> <2F42>\n"}),
    CaseName());

}  // namespace
