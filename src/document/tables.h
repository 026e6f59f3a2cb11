// Tables as the RTF reader gives them (rows of cells, each row with its own
// definition) and as a QTextDocument holds them (one rectangular grid with
// merged cells), and the plain text of a document that holds tables.
#pragma once

#include "rtf/format.h"

#include <QString>
#include <QTextFormat>
#include <QTextFrame>
#include <QTextTableCell>

#include <cstddef>
#include <utility>
#include <vector>

class QTextBlock;
class QTextDocument;
class QTextTable;
class QTextTableCellFormat;
class QTextTableFormat;

namespace document {

// Qt keeps a block before a table that starts its frame (the document or a
// cell) and one after every table, so also between the pieces a long table
// is built as. Such a block that the file had no paragraph for carries this
// mark; while it stays empty and beside its table it is neither written nor
// part of the plain text.
inline constexpr int TableSpacerProperty = QTextFormat::UserProperty + 20;
// On a table's format: its column widths in twips (QList<int>), the row
// definition's \trgaph and \trleft (int), so that widths survive the
// round trip through pixels exactly.
inline constexpr int TableColumnsProperty = QTextFormat::UserProperty + 21;
inline constexpr int TableGapProperty = QTextFormat::UserProperty + 22;
inline constexpr int TableLeftProperty = QTextFormat::UserProperty + 23;
// On a cell's format: a cell added only to fill a row shorter than the
// table's grid. While empty it is not written.
inline constexpr int FillerCellProperty = QTextFormat::UserProperty + 24;
// On a cell's format: how many cells of the row read (\clmgf, \clmrg ...)
// it stands for, when more than one.
inline constexpr int MergedCellsProperty = QTextFormat::UserProperty + 25;

// Tables nested deeper than this are read as text (tab-separated cells,
// one paragraph per row): Qt lays nested tables out recursively.
inline constexpr int MaxTableNesting = 8;
// Cells past this many in a row read join its last cell, and rows of many
// different cell edges share coarser columns: Qt lays out every column.
inline constexpr int MaxTableColumns = 256;
// A table read is built as QTextTables of about this many rows.
inline constexpr std::size_t TableBuildRows = 200;

// How many rows of tables nested deeper than MaxTableNesting a document
// read from RTF holds as text: a save cannot write them back as tables.
int flattenedTableRows(const QTextDocument& document);
void setFlattenedTableRows(QTextDocument& document, int rows);

bool isTableSpacer(const QTextBlock& block);

// Where one cell of the rows read goes in the grid.
struct PlacedCell {
    int column = 0, span = 1, rowSpan = 1;
    rtf::CellFormat format;
    // The cells read (row, index in the row) whose content it holds, in order.
    std::vector<std::pair<int, int>> sources;
    bool filler = false;
    int merged = 1;  // cells of the row read side by side that it stands for
};

// The rows of one table laid on the union of their cell boundaries.
struct TableGrid {
    std::vector<int> edges;  // twips: the grid's left edge, then each column's right edge
    std::vector<std::vector<PlacedCell>> rows;
    int columns() const { return int(edges.size()) - 1; }
};

// rows: each row's definition; cells: how many cells each row ended.
// Cells past a row's definition get a width of their own; cells that would
// be empty or go backwards are widened; \clmrg cells join the cell before,
// \clvmrg cells the cell above; every row is filled to the grid's width.
TableGrid layTable(const std::vector<rtf::RowFormat>& rows, const std::vector<int>& cells);

QTextTableFormat tableFormat(const TableGrid& grid, const rtf::RowFormat& first);
QTextTableCellFormat cellFormat(const PlacedCell& cell, int gapTwips);

// The cells a table row is written as: each cell that starts in the row,
// or continues one from above (written empty, as \clvmrg); empty filler
// cells left out. rowFormat() gives one definition per cell, merged ones
// as many as they stand for.
struct RowCell {
    QTextTableCell cell;
    bool continuation = false;
    int merged = 1;  // written as this many cells, merged (\clmgf, \clmrg)
};
std::vector<RowCell> rowCells(const QTextTable& table, int row);
rtf::RowFormat rowFormat(const QTextTable& table, const std::vector<RowCell>& cells);

// The innermost table cell that holds the whole range, or an invalid cell.
QTextTableCell cellHolding(const QTextDocument& document, int from, int to);

// Walks a document's paragraphs and tables from position from up to to, in
// the order they are written as RTF: the rows a range touches are walked
// whole, a range inside one cell is that cell's paragraphs only. Empty
// spacer blocks are left out.
class DocumentWalk {
public:
    virtual ~DocumentWalk() = default;
    void walk(const QTextDocument& document, int from, int to);

protected:
    // first: the first block walked in its frame (the document, a cell).
    virtual void block(const QTextBlock& block, bool first) = 0;
    virtual void beginRow(const rtf::RowFormat& row) = 0;
    // The cell's last paragraph, if one was begun, ends with the cell; the
    // cells merged into it follow, empty.
    virtual void endCell() = 0;
    virtual void endRow(const rtf::RowFormat& row) = 0;

    int from_ = 0, to_ = 0;  // the range walked now: a whole cell while walking one

private:
    bool inRange(int first, int last) const { return last >= from_ && first <= to_; }
    void items(QTextFrame::iterator it);
    void rows(const QTextTable& table);
};

// The plain text of a document that holds tables, as textOf gives it.
QString textWithTables(const QTextDocument& document, int from, int to);

}  // namespace document
