#include "document/layoutheight.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtGui/private/qtextdocumentlayout_p.h>

#include <algorithm>
#include <unordered_map>

namespace document {

HeightBound& HeightBound::operator+=(const HeightBound& other) {
    fixed += other.fixed;
    area += other.area;
    indent = std::max(indent, other.indent);
    return *this;
}

namespace {

struct Measure {
    double lineHeight = 0;
    double charWidth = 0;
};

// Measures per character format, once per format: a document of millions
// of runs has only a few distinct formats.
class Measurer {
public:
    Measurer(const QTextDocument& document, const QTextCharFormat* modifier)
        : base_(document.defaultFont()), modifier_(modifier) {}

    // The format with this index in the document, merged with the modifier
    // when modified.
    template <typename GetFormat>
    Measure of(int index, GetFormat get, bool modified) {
        auto& cache = modified ? modified_ : plain_;
        const auto [at, fresh] = cache.try_emplace(index);
        if (fresh) {
            QTextCharFormat format = get();
            if (modified)
                format.merge(*modifier_);
            at->second = measure(format);
        }
        return at->second;
    }

private:
    Measure measure(const QTextCharFormat& format) const {
        const QFontMetricsF metrics(format.font().resolve(base_));
        Measure m{metrics.lineSpacing() * 1.25, metrics.height()};
        if (format.isImageFormat()) {
            const QTextImageFormat image = format.toImageFormat();
            m.lineHeight = std::max(m.lineHeight, image.height());
            m.charWidth = std::max(m.charWidth, image.width());
        }
        return m;
    }

    QFont base_;
    const QTextCharFormat* modifier_;
    std::unordered_map<int, Measure> plain_, modified_;
};

double lineHeightOf(const QTextBlockFormat& format, double tallest) {
    switch (format.lineHeightType()) {
    case QTextBlockFormat::FixedHeight: return format.lineHeight();
    case QTextBlockFormat::MinimumHeight: return std::max(format.lineHeight(), tallest);
    case QTextBlockFormat::ProportionalHeight: return tallest * format.lineHeight() / 100;
    case QTextBlockFormat::LineDistanceHeight: return tallest + format.lineHeight();
    default: return tallest;
    }
}

// The width lines wrap at in the table cell that holds the block: 0 for a
// block outside any table, -1 for a cell whose width follows the window's.
double cellWidth(const QTextBlock& block, int* columns) {
    const QTextTable* table = QTextCursor(block).currentTable();
    if (!table)
        return 0;
    const QTextTableCell cell = table->cellAt(block.position());
    const QTextTableFormat format = table->format();
    const QList<QTextLength> widths = format.columnWidthConstraints();
    *columns = table->columns();
    double width = 0;
    for (int c = cell.column(); c < cell.column() + cell.columnSpan(); ++c) {
        if (c >= widths.size() || widths[c].type() != QTextLength::FixedLength)
            return -1;
        width += widths[c].rawValue();
    }
    return std::max(width - 2 * (format.cellPadding() + format.border()), 1.0);
}

HeightBound measureRange(const QTextDocument& document, int from, int to, const QTextCharFormat* modifier) {
    HeightBound bound;
    Measurer measurer(document, modifier);
    const bool tables = !document.rootFrame()->childFrames().isEmpty();
    const QTextBlock last = document.findBlock(std::max(from, to - 1));
    for (QTextBlock block = document.findBlock(from); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        const int start = std::max(from, block.position());
        const int stop = std::min(to, block.position() + block.length() - 1);
        // An empty block is as tall as its font.
        double tallest = measurer
                             .of(
                                 block.charFormatIndex(), [&] { return block.charFormat(); }, false)
                             .lineHeight;
        double area = 0;
        // Positions are counted along (asking a fragment for its own walks
        // the document's tree).
        int position = block.position();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd() && position < stop; ++it) {
            const QTextFragment fragment = it.fragment();
            const int length = fragment.length();
            const int a = std::max(start, position);
            const int b = std::min(stop, position + length);
            position += length;
            if (a >= b)
                continue;
            const Measure m = measurer.of(
                fragment.charFormatIndex(), [&] { return fragment.charFormat(); }, modifier != nullptr);
            tallest = std::max(tallest, m.lineHeight);
            area += (b - a) * m.charWidth;
        }
        const qsizetype breaks =
            start < stop
                ? QStringView(block.text()).mid(start - block.position(), stop - start).count(QChar::LineSeparator)
                : 0;
        const double lineHeight = lineHeightOf(format, tallest);
        const double indent = std::abs(format.leftMargin()) + std::abs(format.rightMargin()) +
                              std::abs(format.textIndent()) + format.indent() * document.indentWidth() +
                              2 * document.documentMargin();
        bound.fixed += format.topMargin() + format.bottomMargin() + lineHeight * double(1 + breaks);
        int columns = 1;
        const double cell = tables ? cellWidth(block, &columns) : 0;
        if (cell > 0) {
            bound.fixed += area * lineHeight / std::max(cell - indent, 1.0);
        } else {
            // A cell that follows the window gets at least its share of it.
            bound.area += area * lineHeight * (cell < 0 ? columns : 1);
            bound.indent = std::max(bound.indent, indent);
        }
        if (block == last)
            break;
    }
    return bound;
}

}  // namespace

namespace {

// Qt's layout, given PageHeight as the page height again each time the text
// control sets the page size with none.
class PagedLayout final : public QTextDocumentLayout {
public:
    using QTextDocumentLayout::QTextDocumentLayout;
    bool paged = false;

protected:
    void documentChanged(int from, int oldLength, int length) override {
        QTextDocument* doc = document();
        const QSizeF page = doc->pageSize();
        if (paged && page.width() > 0 && page.height() < 0) {
            // Lays the whole document out again (what the control's own
            // page size would have done).
            doc->setPageSize(QSizeF(page.width(), PageHeight));
            return;
        }
        QTextDocumentLayout::documentChanged(from, oldLength, length);
    }
};

}  // namespace

void installPagedLayout(QTextDocument& document) {
    document.setDocumentLayout(new PagedLayout(&document));
}

void setPaged(QTextDocument& document, bool paged) {
    auto* layout = dynamic_cast<PagedLayout*>(document.documentLayout());
    if (!layout || layout->paged == paged)
        return;
    layout->paged = paged;
    const QSizeF page = document.pageSize();
    if (page.width() > 0)
        document.setPageSize(QSizeF(page.width(), paged ? PageHeight : -1));
}

HeightBound heightBound(const QTextDocument& document) {
    return measureRange(document, 0, document.characterCount(), nullptr);
}

HeightBound heightOfChange(const QTextDocument& document, int from, int to, const QTextCharFormat* modifier) {
    return measureRange(document, from, to, modifier);
}

}  // namespace document
