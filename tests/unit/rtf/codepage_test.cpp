// Code-page tables: \fcharset to code page, decoding, the GBK table.
#include "rtf/codepage.h"

#include <gtest/gtest.h>

namespace rtf::detail {
namespace {

TEST(CodePageCharsets, MapsEveryDocumentedCharset) {
    const std::pair<int, int> table[] = {{0, 1252},   {77, 10000}, {128, 932},  {129, 949},  {134, 936},
                                         {136, 950},  {161, 1253}, {162, 1254}, {177, 1255}, {178, 1256},
                                         {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {2, kSymbolCodePage},
                                         {1, 0},      {999, 0}};
    for (auto [charset, page] : table)
        EXPECT_EQ(codePageForCharset(charset), page) << "charset " << charset;
}

TEST(CodePageTables, EveryMappedCodePageIsAvailable) {
    for (int page : {1252, 10000, 932, 949, 936, 950, 1253, 1254, 1255, 1256, 1257, 1251, 874, 1250, 437, 850, 10001})
        EXPECT_NE(codePage(page), nullptr) << page;
    EXPECT_EQ(codePage(12345), nullptr);
    // EBCDIC pages are not ASCII: no RTF file is written in them.
    EXPECT_EQ(codePage(500), nullptr);
    EXPECT_EQ(codePage(937), nullptr);
}

TEST(CodePageTables, DecodesSingleAndDoubleBytes) {
    EXPECT_EQ(codePage(1252)->single(0x80), U'€');
    EXPECT_EQ(codePage(1251)->single(0xC0), U'А');
    // 1258 holds each letter back for a combining mark that may follow.
    EXPECT_EQ(codePage(1258)->single(0x41), U'A');
    EXPECT_EQ(codePage(1258)->single(0xD0), U'Đ');
    EXPECT_EQ(codePage(1258)->single(0xEC), U'\u0301');
    EXPECT_FALSE(codePage(1258)->isDoubleByte());
    const CodePage* gbk = codePage(936);
    ASSERT_TRUE(gbk->isDoubleByte());
    EXPECT_TRUE(gbk->isLead(0xB2));
    EXPECT_FALSE(gbk->isLead(0x41));
    EXPECT_EQ(gbk->pair(0xB2, 0xE2), U'测');
    EXPECT_EQ(codePage(932)->pair(0x84, 0x7B), U'к');
    EXPECT_EQ(codePage(932)->single(0xB1), U'ｱ');  // half-width katakana: one byte
    EXPECT_EQ(codePage(950)->pair(0xA4, 0xA4), U'中');
}

TEST(CodePageTables, GbkBytesForTheWriter) {
    EXPECT_EQ(gbkBytes(U'测'), 0xB2E2);
    EXPECT_EQ(gbkBytes(U'A'), 0x41);
    EXPECT_EQ(gbkBytes(U'한'), 0);
    EXPECT_EQ(gbkBytes(0x1F4A9), 0);
}

}  // namespace
}  // namespace rtf::detail
