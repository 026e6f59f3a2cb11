// The reader's table events, for a sink that takes tables: where rows and
// cells end, what each row's definition holds, how nesting is told, and
// what broken tables become.
#include "rtf/reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace rtf {
namespace {

// The events as one line: <d> a depth told, text as is, ¶ a paragraph end,
// | a cell end, and R{...} a row's definition.
class TableLog final : public Sink {
public:
    std::string log;

    bool tables() const override { return true; }
    void text(std::string_view utf8, const CharFormat&) override { log += utf8; }
    void paragraphEnd(const ParaFormat&) override { log += "¶"; }
    void tableDepth(int depth) override {
        log += '<';
        log += std::to_string(depth);
        log += '>';
    }
    void cellEnd(const ParaFormat& format) override { log += format.alignment == Alignment::Centre ? "|c" : "|"; }
    void rowEnd(const RowFormat& row) override {
        log += "R{";
        if (row.gap)
            log += "gap" + std::to_string(row.gap) + " ";
        if (row.left)
            log += "left" + std::to_string(row.left) + " ";
        if (row.alignment == Alignment::Centre)
            log += "centred ";
        for (const CellFormat& c : row.cells)
            log += cell(c);
        log += "}";
    }

private:
    static std::string cell(const CellFormat& c) {
        std::string s = std::to_string(c.right);
        static constexpr const char* kMerges[] = {"", "<", "-"};
        if (c.horizontal != Merge::None)
            s += std::string(" h") + kMerges[static_cast<int>(c.horizontal)];
        if (c.vertical != Merge::None)
            s += std::string(" v") + kMerges[static_cast<int>(c.vertical)];
        if (c.align != CellAlign::Top)
            s += c.align == CellAlign::Centre ? " middle" : " bottom";
        static constexpr char kSides[] = "tlbr";
        for (int side = 0; side < 4; ++side) {
            const Border& b = c.borders[side];
            if (b.style == Border::Style::None)
                continue;
            s += std::string(" ") + kSides[side] + std::to_string(static_cast<int>(b.style)) + "w" +
                 std::to_string(b.width);
            if (b.hasColor)
                s += hex(b.color);
        }
        if (c.hasShading)
            s += " bg" + hex(c.shading);
        return s + ";";
    }
    static std::string hex(std::uint32_t rgb) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "#%06x", unsigned(rgb));
        return buf;
    }
};

struct TableCase {
    const char* name;
    std::string rtf;
    std::string events;
};

class TableEvents : public testing::TestWithParam<TableCase> {};

TEST_P(TableEvents, AreReportedInDocumentOrder) {
    TableLog sink;
    read(GetParam().rtf, sink);
    EXPECT_EQ(sink.log, GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TableEvents,
    testing::Values(
        TableCase{"SimpleRows",
                  R"({\rtf1 x\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b\par c\cell\row)"
                  R"(\trowd\cellx1000\cellx2000\pard\intbl\qc d\cell\cell\row\pard after\par})",
                  "x¶<1>a|b¶c|R{1000;2000;}d|c|cR{1000;2000;}<0>after¶"},
        TableCase{"DefinitionRepeatedBeforeRowWins",
                  R"({\rtf1\trowd\cellx1000\pard\intbl a\cell{\trowd\cellx1500\row}})", "<1>a|R{1500;}<0>"},
        TableCase{"CellProperties",
                  R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green255\blue0;})"
                  R"(\trowd\trgaph108\trleft-108\trqc\clmgf\clvertalc\clbrdrt\brdrs\brdrw15\brdrcf1\clbrdrb\brdrdb)"
                  R"(\clcbpat2\cellx1000\clmrg\cellx2000\clvmgf\clvertalb\clshdng2500\cellx3000)"
                  R"(\pard\intbl a\cell\cell b\cell\row})",
                  "<1>a||b|R{gap108 left-108 centred 1000 h< middle t1w15#ff0000 b2w0 bg#00ff00;2000 h-;"
                  "3000 v< bottom bg#bfbfbf;}<0>"},
        TableCase{"ParagraphBordersAreNotCellBorders",
                  R"({\rtf1\trowd\clbrdrl\brdrs\cellx1000\pard\intbl\brdrt\brdrdot a\cell\row})",
                  "<1>a|R{1000 l1w0;}<0>"},
        TableCase{"NestedTable",
                  R"({\rtf1\trowd\cellx4000\pard\intbl a\par\pard\intbl\itap2 x\nestcell y\nestcell)"
                  R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par})"
                  R"(\pard\intbl\itap1 b\cell\row})",
                  "<1>a¶<2>x|y|R{1000;2000;}<1>b|R{4000;}<0>"},
        TableCase{"NestingThatSkipsALevel",
                  R"({\rtf1\pard\intbl\itap3 deep\nestcell{\*\nesttableprops\trowd\cellx900\nestrow})"
                  R"(\pard\intbl\itap1 out\cell\row})",
                  "<3>deep|R{900;}<1>out|R{}<0>"}),
    [](const auto& info) { return std::string(info.param.name); });

// Files that break the rules keep every character, in order.
INSTANTIATE_TEST_SUITE_P(
    Broken, TableEvents,
    testing::Values(
        TableCase{"CellsWithoutIntbl", R"({\rtf1 a\cell b\cell\row c})", "a|<1>b|R{}<0>c¶"},
        TableCase{"TextAfterTheLastCellIsACell", R"({\rtf1\trowd\cellx1000\cellx2000\pard\intbl a\cell b\row})",
                  "<1>a|b|R{1000;2000;}<0>"},
        TableCase{"RowLeftOpenAtTheEnd", R"({\rtf1\trowd\cellx1000\pard\intbl a\cell b})", "<1>a|b|R{1000;}<0>"},
        TableCase{"RowWithoutCells", R"({\rtf1 a\par\trowd\cellx1000\row b})", "a¶b¶"},
        TableCase{"NestedRowLeftOpen", R"({\rtf1\pard\intbl a\cell\pard\intbl\itap2 x\nestcell})",
                  "<1>a|<2>x|R{}<1>R{}<0>"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rtf
