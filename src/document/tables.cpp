#include "document/tables.h"

#include "document/longblocks.h"
#include "platform/twips.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <map>
#include <cmath>
#include <cstdint>
#include <utility>

namespace document {

namespace {

constexpr char FlattenedRowsName[] = "flattenedTableRows";
// Boundaries of different rows closer than this are one column edge: rows
// written by one program differ by a few twips of rounding.
constexpr int SnapTwips = 20;
constexpr int MinCellTwips = 30;
// A row that defines none of its cells shares this width (6 inches) out.
constexpr int DefaultRowTwips = 8640;
constexpr int ExtraCellTwips = 1440;

}  // namespace

int flattenedTableRows(const QTextDocument& document) {
    return document.property(FlattenedRowsName).toInt();
}

void setFlattenedTableRows(QTextDocument& document, int rows) {
    document.setProperty(FlattenedRowsName, rows);
}

bool isTableSpacer(const QTextBlock& block) {
    return block.length() == 1 && block.blockFormat().boolProperty(TableSpacerProperty);
}

// ---------------------------------------------------------------- reading

namespace {

// The right edges of a row's cells, in twips, always increasing.
std::vector<int> rowEdges(const rtf::RowFormat& row, int cells) {
    std::vector<int> rights;
    int previous = row.cells.empty() ? 0 : row.left;
    const int shared = cells > 0 ? std::max(MinCellTwips, DefaultRowTwips / cells) : 0;
    for (int i = 0; i < cells; ++i) {
        int right;
        if (row.cells.empty())
            right = previous + shared;
        else if (std::size_t(i) < row.cells.size())
            right = row.cells[std::size_t(i)].right;
        else
            right = previous + ExtraCellTwips;
        right = std::max(right, previous + MinCellTwips);
        rights.push_back(right);
        previous = right;
    }
    return rights;
}

// The index of the edge nearest to twips.
int nearestEdge(const std::vector<int>& edges, int twips) {
    const auto it = std::lower_bound(edges.begin(), edges.end(), twips);
    if (it == edges.end())
        return int(edges.size()) - 1;
    if (it != edges.begin() && twips - *(it - 1) < *it - twips)
        return int(it - edges.begin()) - 1;
    return int(it - edges.begin());
}

// Joins vertically merged cells to the cell above them: the first cell of
// the chain open at that column, when it spans as far and reaches the row.
void mergeDown(TableGrid& grid) {
    std::map<int, std::pair<int, PlacedCell*>> chains;  // by column: the chain's first cell and its row
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        auto& row = grid.rows[r];
        for (std::size_t i = 0; i < row.size();) {
            PlacedCell& cell = row[i];
            const auto open = chains.find(cell.column);
            PlacedCell* top = nullptr;
            if (cell.format.vertical == rtf::Merge::Continue && open != chains.end() &&
                open->second.second->span == cell.span && open->second.first + open->second.second->rowSpan == int(r))
                top = open->second.second;
            if (!top) {
                if (cell.format.vertical == rtf::Merge::None)
                    chains.erase(cell.column);
                else
                    chains[cell.column] = {int(r), &cell};
                ++i;
                continue;
            }
            ++top->rowSpan;
            // Content of a merged cell (normally none) goes to the first.
            top->sources.insert(top->sources.end(), cell.sources.begin(), cell.sources.end());
            row.erase(row.begin() + std::ptrdiff_t(i));
        }
    }
}

}  // namespace

TableGrid layTable(const std::vector<rtf::RowFormat>& rows, const std::vector<int>& cells) {
    TableGrid grid;
    std::vector<std::vector<int>> rights;
    std::vector<int> points;
    int left = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        rights.push_back(rowEdges(rows[r], cells[r]));
        points.insert(points.end(), rights.back().begin(), rights.back().end());
        if (!rows[r].cells.empty())
            left = r == 0 ? rows[r].left : std::min(left, rows[r].left);
    }
    std::sort(points.begin(), points.end());
    // Rows of many different edges would make a grid too wide to lay out:
    // then edges closer than a share of the table's width are one.
    int snap = SnapTwips;
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (int(points.size()) > MaxTableColumns)
        snap = std::max(SnapTwips, int((std::int64_t(points.back()) - left) / MaxTableColumns) + 1);
    grid.edges.push_back(left);
    for (int p : points) {
        if (p - grid.edges.back() >= snap)
            grid.edges.push_back(p);
    }
    if (grid.edges.size() < 2)
        grid.edges.push_back(left + DefaultRowTwips);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<PlacedCell> row;
        int column = 0;
        for (std::size_t i = 0; i < rights[r].size(); ++i) {
            int end = std::max(nearestEdge(grid.edges, rights[r][i]), column + 1);
            while (end >= int(grid.edges.size()))
                grid.edges.push_back(grid.edges.back() + ExtraCellTwips);
            const rtf::CellFormat format = i < rows[r].cells.size() ? rows[r].cells[i] : rtf::CellFormat{};
            if (format.horizontal == rtf::Merge::Continue && !row.empty()) {
                row.back().span = end - row.back().column;
                row.back().sources.emplace_back(int(r), int(i));
                ++row.back().merged;
            } else {
                row.push_back({column, end - column, 1, format, {{int(r), int(i)}}, false});
            }
            column = end;
        }
        grid.rows.push_back(std::move(row));
    }
    for (auto& row : grid.rows) {
        const int end = row.empty() ? 0 : row.back().column + row.back().span;
        if (end < grid.columns())
            row.push_back({end, grid.columns() - end, 1, rtf::CellFormat{}, {}, true});
    }
    mergeDown(grid);
    return grid;
}

QTextTableFormat tableFormat(const TableGrid& grid, const rtf::RowFormat& first) {
    QTextTableFormat f;
    f.setBorder(0);
    f.setBorderCollapse(true);
    f.setCellSpacing(0);
    f.setCellPadding(0);
    f.setMargin(0);
    QList<QTextLength> widths;
    QList<int> twips;
    for (std::size_t c = 1; c < grid.edges.size(); ++c) {
        const int w = grid.edges[c] - grid.edges[c - 1];
        twips << w;
        widths << QTextLength(QTextLength::FixedLength, std::max(1, platform::twipsToPixelsX(w)));
    }
    f.setColumnWidthConstraints(widths);
    f.setProperty(TableColumnsProperty, QVariant::fromValue(twips));
    f.setProperty(TableGapProperty, first.gap);
    f.setProperty(TableLeftProperty, grid.edges.front());
    switch (first.alignment) {
    case rtf::Alignment::Centre: f.setAlignment(Qt::AlignHCenter); break;
    case rtf::Alignment::Right: f.setAlignment(Qt::AlignRight); break;
    default:
        f.setAlignment(Qt::AlignLeft);
        // \trleft may be negative: the cells' text then lines up with the
        // page's; a table cannot start left of its frame here.
        if (grid.edges.front() > 0)
            f.setLeftMargin(platform::twipsToPixelsX(grid.edges.front()));
        break;
    }
    return f;
}

QTextTableCellFormat cellFormat(const PlacedCell& cell, int gapTwips) {
    QTextTableCellFormat f;
    const double perPixel = platform::twipsPerPixelX();
    const qreal gap = std::max(0, gapTwips) / perPixel;
    f.setLeftPadding(gap);
    f.setRightPadding(gap);
    static constexpr QTextFrameFormat::BorderStyle kStyles[] = {
        QTextFrameFormat::BorderStyle_None, QTextFrameFormat::BorderStyle_Solid, QTextFrameFormat::BorderStyle_Double,
        QTextFrameFormat::BorderStyle_Dotted, QTextFrameFormat::BorderStyle_Dashed};
    for (int side = 0; side < 4; ++side) {
        const rtf::Border& b = cell.format.borders[side];
        if (b.style == rtf::Border::Style::None)
            continue;
        // A border of no given width is the thinnest line: a pixel.
        const qreal width = b.width > 0 ? b.width / perPixel : 1.0;
        const QBrush brush(b.hasColor ? QColor(QRgb(b.color)) : QColor(Qt::black));
        const auto style = kStyles[static_cast<int>(b.style)];
        switch (side) {
        case 0: f.setTopBorder(width), f.setTopBorderStyle(style), f.setTopBorderBrush(brush); break;
        case 1: f.setLeftBorder(width), f.setLeftBorderStyle(style), f.setLeftBorderBrush(brush); break;
        case 2: f.setBottomBorder(width), f.setBottomBorderStyle(style), f.setBottomBorderBrush(brush); break;
        default: f.setRightBorder(width), f.setRightBorderStyle(style), f.setRightBorderBrush(brush); break;
        }
    }
    if (cell.format.hasShading)
        f.setBackground(QColor(QRgb(cell.format.shading)));
    switch (cell.format.align) {
    case rtf::CellAlign::Centre: f.setVerticalAlignment(QTextCharFormat::AlignMiddle); break;
    case rtf::CellAlign::Bottom: f.setVerticalAlignment(QTextCharFormat::AlignBottom); break;
    default: break;
    }
    if (cell.filler)
        f.setProperty(FillerCellProperty, true);
    if (cell.merged > 1)
        f.setProperty(MergedCellsProperty, cell.merged);
    return f;
}

// ---------------------------------------------------------------- writing

namespace {

bool isEmptyCell(const QTextTableCell& cell) {
    return cell.lastPosition() == cell.firstPosition();
}

rtf::Border borderOf(const QTextTableCellFormat& f, int side) {
    static constexpr QTextFormat::Property kWidths[] = {
        QTextFormat::TableCellTopBorder, QTextFormat::TableCellLeftBorder, QTextFormat::TableCellBottomBorder,
        QTextFormat::TableCellRightBorder};
    static constexpr QTextFormat::Property kStyles[] = {
        QTextFormat::TableCellTopBorderStyle, QTextFormat::TableCellLeftBorderStyle,
        QTextFormat::TableCellBottomBorderStyle, QTextFormat::TableCellRightBorderStyle};
    static constexpr QTextFormat::Property kBrushes[] = {
        QTextFormat::TableCellTopBorderBrush, QTextFormat::TableCellLeftBorderBrush,
        QTextFormat::TableCellBottomBorderBrush, QTextFormat::TableCellRightBorderBrush};
    rtf::Border b;
    const qreal width = f.doubleProperty(kWidths[side]);
    const int style = f.intProperty(kStyles[side]);
    if (width <= 0 || !f.hasProperty(kStyles[side]) || style == QTextFrameFormat::BorderStyle_None)
        return b;
    switch (style) {
    case QTextFrameFormat::BorderStyle_Double: b.style = rtf::Border::Style::Double; break;
    case QTextFrameFormat::BorderStyle_Dotted: b.style = rtf::Border::Style::Dotted; break;
    case QTextFrameFormat::BorderStyle_Dashed: b.style = rtf::Border::Style::Dashed; break;
    default: b.style = rtf::Border::Style::Single; break;
    }
    b.width = int(std::lround(width * platform::twipsPerPixelX()));
    const QColor colour = f.brushProperty(kBrushes[side]).color();
    if (colour != QColor(Qt::black)) {
        b.hasColor = true;
        b.color = colour.rgb() & 0xFFFFFF;
    }
    return b;
}

// Column widths in twips: as read, unless the table changed shape since.
std::vector<int> columnTwips(const QTextTable& table) {
    const QTextTableFormat f = table.format();
    const QList<int> read = f.property(TableColumnsProperty).value<QList<int>>();
    std::vector<int> widths;
    if (read.size() == table.columns()) {
        widths.assign(read.begin(), read.end());
        return widths;
    }
    const QList<QTextLength> constraints = f.columnWidthConstraints();
    for (int c = 0; c < table.columns(); ++c) {
        int w = DefaultRowTwips / std::max(1, table.columns());
        if (c < constraints.size() && constraints[c].type() == QTextLength::FixedLength)
            w = int(std::lround(platform::pixelsToTwipsX(int(constraints[c].rawValue()))));
        widths.push_back(std::max(w, MinCellTwips));
    }
    return widths;
}

}  // namespace

std::vector<RowCell> rowCells(const QTextTable& table, int row) {
    std::vector<RowCell> cells;
    for (int c = 0; c < table.columns();) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (!cell.isValid())
            break;
        const bool filler = cell.format().boolProperty(FillerCellProperty) && isEmptyCell(cell);
        if (!filler)
            cells.push_back({cell, cell.row() != row, std::max(1, cell.format().intProperty(MergedCellsProperty))});
        c = cell.column() + std::max(1, cell.columnSpan());
    }
    return cells;
}

rtf::RowFormat rowFormat(const QTextTable& table, const std::vector<RowCell>& cells) {
    const QTextTableFormat tf = table.format();
    rtf::RowFormat row;
    const std::vector<int> widths = columnTwips(table);
    row.left = tf.hasProperty(TableLeftProperty) ? tf.intProperty(TableLeftProperty)
                                                 : int(std::lround(platform::pixelsToTwipsX(int(tf.leftMargin()))));
    row.gap = tf.intProperty(TableGapProperty);
    if (tf.alignment() & Qt::AlignHCenter)
        row.alignment = rtf::Alignment::Centre;
    else if (tf.alignment() & Qt::AlignRight)
        row.alignment = rtf::Alignment::Right;
    for (const RowCell& rc : cells) {
        const QTextTableCellFormat f = rc.cell.format().toTableCellFormat();
        rtf::CellFormat c;
        for (int side = 0; side < 4; ++side)
            c.borders[side] = borderOf(f, side);
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush) {
            c.hasShading = true;
            c.shading = f.background().color().rgb() & 0xFFFFFF;
        }
        if (f.verticalAlignment() == QTextCharFormat::AlignMiddle)
            c.align = rtf::CellAlign::Centre;
        else if (f.verticalAlignment() == QTextCharFormat::AlignBottom)
            c.align = rtf::CellAlign::Bottom;
        if (rc.continuation)
            c.vertical = rtf::Merge::Continue;
        else if (rc.cell.rowSpan() > 1)
            c.vertical = rtf::Merge::First;
        // The right edge of each cell the Qt cell stands for: the grid's
        // when there is one column per cell, else shared out evenly.
        int left = row.left;
        for (int k = 0; k < rc.cell.column() && k < int(widths.size()); ++k)
            left += widths[std::size_t(k)];
        std::vector<int> rights;
        for (int k = rc.cell.column(); k < rc.cell.column() + rc.cell.columnSpan() && k < int(widths.size()); ++k)
            rights.push_back((rights.empty() ? left : rights.back()) + widths[std::size_t(k)]);
        const int right = rights.empty() ? left + MinCellTwips : rights.back();
        for (int k = 0; k < rc.merged; ++k) {
            if (rc.merged > 1)
                c.horizontal = k == 0 ? rtf::Merge::First : rtf::Merge::Continue;
            c.right = int(rights.size()) == rc.merged ? rights[std::size_t(k)]
                                                      : left + int(std::int64_t(right - left) * (k + 1) / rc.merged);
            row.cells.push_back(c);
        }
    }
    return row;
}

// ---------------------------------------------------------------- walking

void DocumentWalk::walk(const QTextDocument& document, int from, int to) {
    from_ = from;
    to_ = to;
    if (document.rootFrame()->childFrames().isEmpty()) {
        // No tables: the blocks in order, without walking frames.
        bool first = true;
        for (QTextBlock b = document.findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
            block(b, first);
            first = false;
        }
    } else if (const QTextTableCell cell = cellHolding(document, from, to); cell.isValid()) {
        items(cell.begin());
    } else {
        items(document.rootFrame()->begin());
    }
}

void DocumentWalk::items(QTextFrame::iterator it) {
    bool first = true;
    bool afterTable = false;
    for (; !it.atEnd(); ++it) {
        if (const QTextTable* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            if (inRange(table->firstPosition(), table->lastPosition())) {
                rows(*table);
                first = true;
            }
            afterTable = true;
            continue;
        }
        if (const QTextFrame* frame = it.currentFrame()) {
            items(frame->begin());  // a frame of another kind: its paragraphs count as the document's
            continue;
        }
        const QTextBlock b = it.currentBlock();
        // A spacer counts only beside its table: a block made from it by
        // Enter inherits the mark.
        const bool beforeTable = !it.atEnd() && qobject_cast<QTextTable*>((++QTextFrame::iterator(it)).currentFrame());
        const bool spacer = (afterTable || beforeTable) && isTableSpacer(b);
        afterTable = false;
        if (!b.isValid() || spacer || !inRange(b.position(), b.position() + b.length() - 1))
            continue;
        block(b, first);
        first = false;
    }
}

void DocumentWalk::rows(const QTextTable& table) {
    for (int r = 0; r < table.rows(); ++r) {
        const std::vector<RowCell> cells = rowCells(table, r);
        const bool touched = std::any_of(cells.begin(), cells.end(), [this](const RowCell& rc) {
            return inRange(rc.cell.firstPosition(), rc.cell.lastPosition());
        });
        if (!touched)
            continue;
        const rtf::RowFormat row = rowFormat(table, cells);
        beginRow(row);
        for (const RowCell& rc : cells) {
            if (!rc.continuation) {
                const int from = std::exchange(from_, rc.cell.firstPosition());
                const int to = std::exchange(to_, rc.cell.lastPosition());
                items(rc.cell.begin());
                from_ = from;
                to_ = to;
            }
            for (int k = 0; k < rc.merged; ++k)
                endCell();
        }
        endRow(row);
    }
}

// ---------------------------------------------------------------- text

QTextTableCell cellHolding(const QTextDocument& document, int from, int to) {
    QTextCursor at(const_cast<QTextDocument*>(&document));
    at.setPosition(from);
    for (QTextTable* table = at.currentTable(); table; table = qobject_cast<QTextTable*>(table->parentFrame())) {
        const QTextTableCell cell = table->cellAt(from);
        if (cell.isValid() && to <= cell.lastPosition())
            return cell;
    }
    return {};
}

namespace {

// Plain text as the reader's text stream makes it: a tab between a row's
// cells (written only when text follows in the same line), each row one
// line, and a table's rows in reading order with the tables nested in them.
class TableText final : public DocumentWalk {
public:
    QString run(const QTextDocument& document, int from, int to) {
        walk(document, from, to);
        // The last paragraph's end writes the line end a row left pending.
        if (open_)
            paragraphEnd();
        return out_;
    }

private:
    void block(const QTextBlock& block, bool first) override {
        const Continuation joined = first ? Continuation::NewParagraph : continuation(block);
        if (open_ && joined == Continuation::NewParagraph)
            paragraphEnd();
        else if (open_ && joined == Continuation::LineBreak)
            text(QStringLiteral("\n"));
        open_ = true;
        const int start = std::max(from_, block.position());
        const int stop = std::min(to_, block.position() + block.length() - 1);
        if (stop > start)
            text(shownText(block, start, stop));
    }
    void beginRow(const rtf::RowFormat&) override {
        if (open_)
            paragraphEnd();
        open_ = false;
    }
    void endCell() override {
        ++tabs_;
        open_ = false;
    }
    void endRow(const rtf::RowFormat&) override { paragraphEnd(); }

    void text(const QString& s) {
        if (s.isEmpty())
            return;
        if (pendingBreak_)
            out_ += QLatin1Char('\n');
        pendingBreak_ = false;
        out_ += QString(tabs_, QLatin1Char('\t'));
        tabs_ = 0;
        out_ += s;
    }
    void paragraphEnd() {
        if (pendingBreak_)
            out_ += QLatin1Char('\n');
        pendingBreak_ = true;
        tabs_ = 0;
    }

    QString out_;
    int tabs_ = 0;
    bool pendingBreak_ = false;
    bool open_ = false;  // a paragraph was begun and not ended
};

}  // namespace

QString textWithTables(const QTextDocument& document, int from, int to) {
    QString text = TableText().run(document, from, to);
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace document
