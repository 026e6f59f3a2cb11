// Which characters are East Asian text, at the edges of the ranges where the
// reader's and the writer's lists once disagreed.
#include "text/cjk.h"

#include <gtest/gtest.h>

namespace text {
namespace {

TEST(Cjk, YiHangulJamoAndCompatibilityFormsAreEastAsianText) {
    const std::pair<char32_t, bool> table[] = {
        {0x10FF, false}, {0x1100, true}, {0x11FF, true}, {0x1200, false},  // Hangul Jamo
        {0x9FFF, true},  {0xA000, true}, {0xA4CF, true}, {0xA4D0, false},  // Yi syllables and radicals
        {0xFE2F, false}, {0xFE30, true}, {0xFE4F, true}, {0xFE50, false},  // CJK compatibility forms
        {0x4E2D, true},  {0xAC00, true}, {0xFF01, true}, {0x20000, true}, {U'A', false}, {0x2014, false},
    };
    for (auto [c, cjk] : table)
        EXPECT_EQ(isCjk(c), cjk) << std::hex << unsigned(c);
}

}  // namespace
}  // namespace text
