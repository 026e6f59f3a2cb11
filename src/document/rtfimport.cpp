#include "document/rtfimport.h"

#include "document/formatmap.h"
#include "document/keptrtf.h"
#include "document/longblocks.h"
#include "document/pictures.h"
#include "document/tables.h"
#include "rtf/reader.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <cctype>
#include <memory>
#include <variant>
#include <vector>

namespace document {

QString fromUtf8(std::string_view utf8) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    qsizetype marks = 0;
    while (utf8.substr(0, mark.size()) == mark) {
        utf8.remove_prefix(mark.size());
        ++marks;
    }
    QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    if (marks > 0)
        text.prepend(QString(marks, QChar(0xFEFF)));
    return text;
}

QString documentText(std::string_view utf8) {
    QString text = fromUtf8(utf8);
    // QTextDocument reserves these two noncharacters for frame boundaries;
    // inserted as text they would break the document's structure.
    for (QChar& c : text) {
        if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

namespace {

// Keeps the parsed stream: a fragment is inserted only once the whole input
// has been read (input that fails to parse changes nothing), and a table's
// cells only once its rows are known.
class Recorder final : public rtf::Sink {
public:
    struct Run {
        std::string text;
        rtf::CharFormat format;
    };
    struct Pict {
        rtf::Picture picture;
        rtf::CharFormat format;
    };
    struct Depth {
        int depth;
    };
    struct CellEnd {
        rtf::ParaFormat format;
    };
    struct Item {
        rtf::Kept kept;
        rtf::CharFormat format;
    };
    using Event = std::variant<Run, rtf::ParaFormat, Pict, Depth, CellEnd, rtf::RowFormat, Item>;

    bool tables() const override { return true; }
    void text(std::string_view utf8, const rtf::CharFormat& format) override {
        events_.emplace_back(Run{std::string(utf8), format});
    }
    void paragraphEnd(const rtf::ParaFormat& format) override { events_.emplace_back(format); }
    void picture(const rtf::Picture& picture, const rtf::CharFormat& format) override {
        events_.emplace_back(Pict{picture, format});
    }
    void kept(const rtf::Kept& kept, const rtf::CharFormat& format) override {
        events_.emplace_back(Item{kept, format});
    }
    void tableDepth(int depth) override { events_.emplace_back(Depth{depth}); }
    void cellEnd(const rtf::ParaFormat& format) override { events_.emplace_back(CellEnd{format}); }
    void rowEnd(const rtf::RowFormat& row) override { events_.emplace_back(row); }

    bool empty() const { return events_.empty(); }
    // Text, a picture or a table: more than empty paragraphs.
    bool hasContent() const {
        return std::any_of(events_.begin(), events_.end(), [](const Event& e) {
            return std::holds_alternative<Run>(e) || std::holds_alternative<Pict>(e) ||
                   std::holds_alternative<Depth>(e) || std::holds_alternative<Item>(e);
        });
    }
    bool startsWithTable() const { return !events_.empty() && std::holds_alternative<Depth>(events_.front()); }

    void replay(rtf::Sink& sink) const {
        for (const Event& e : events_) {
            if (const Run* run = std::get_if<Run>(&e))
                sink.text(run->text, run->format);
            else if (const Pict* pict = std::get_if<Pict>(&e))
                sink.picture(pict->picture, pict->format);
            else if (const auto* para = std::get_if<rtf::ParaFormat>(&e))
                sink.paragraphEnd(*para);
            else if (const Depth* depth = std::get_if<Depth>(&e))
                sink.tableDepth(depth->depth);
            else if (const CellEnd* cell = std::get_if<CellEnd>(&e))
                sink.cellEnd(cell->format);
            else if (const Item* item = std::get_if<Item>(&e))
                sink.kept(item->kept, item->format);
            else
                sink.rowEnd(std::get<rtf::RowFormat>(e));
        }
    }

private:
    std::vector<Event> events_;
};

// A table being read: its rows, each cell's content kept until the table
// ends and its grid is known.
struct TableContent {
    struct Row {
        rtf::RowFormat format;
        std::vector<Recorder> cells;
    };
    std::vector<Row> rows;
    std::vector<Recorder> cells;  // of the row being read
    Recorder cell;                // the cell being read
    bool spacerBefore = false;    // nothing precedes the table in its frame
};

// Writes the stream at a cursor. A paragraph's end is only acted on when the
// next paragraph starts, so that the last paragraph of the input never adds
// a block of its own. An Inserter fills the document or a fragment at depth
// 0, or one table cell at the cell's depth (base); a table met is kept whole
// in a TableContent and built once it ends, each cell by an Inserter of its
// own.
class Inserter final : public rtf::Sink {
public:
    enum class Mode { WholeDocument, Fragment };

    Inserter(QTextCursor& cursor, Mode mode, FormatCache* formats = nullptr, int base = 0)
        : cursor_(cursor), mode_(mode), formats_(formats ? *formats : ownFormats_), base_(base), depth_(base) {
        tailFormat_ = cursor_.blockFormat();
        lastChar_ = cursor_.charFormat();
        paragraphStart_ = cursor_.position();
        // A cell's block has whatever format Qt gave it.
        formatKnown_ = base == 0;
    }

    bool tables() const override { return true; }

    void text(std::string_view utf8, const rtf::CharFormat& format) override {
        if (table_) {
            table_->cell.text(utf8, format);
            return;
        }
        if (pendingBreak_)
            breakParagraph();
        lastChar_ = formats_.charFormat(format);
        writeFlatTabs();
        splitter_.insertText(cursor_, documentText(utf8), lastChar_);
    }

    void paragraphEnd(const rtf::ParaFormat& format) override {
        if (table_) {
            table_->cell.paragraphEnd(format);
            return;
        }
        if (pendingBreak_)
            breakParagraph();
        pendingPara_ = format;
        pendingBreak_ = true;
        flatTabs_ = 0;
    }

    void picture(const rtf::Picture& picture, const rtf::CharFormat& format) override {
        if (table_) {
            table_->cell.picture(picture, format);
            return;
        }
        if (pendingBreak_)
            breakParagraph();
        writeFlatTabs();
        QTextImageFormat image = pictureFormat(picture, *cursor_.document());
        // The picture keeps the text's formatting, so that typing after it
        // goes on in that format.
        QTextCharFormat merged = formats_.charFormat(format);
        merged.merge(image);
        cursor_.insertImage(merged.toImageFormat());
        splitter_.insertedObject();
    }

    void kept(const rtf::Kept& kept, const rtf::CharFormat& format) override {
        if (table_) {
            table_->cell.kept(kept, format);
            return;
        }
        const QTextCharFormat object = keptFormat(kept, formats_.charFormat(format));
        // An item that shows nothing waits for the next paragraph to start:
        // after the document's last paragraph it must not start one.
        if (pendingBreak_ && (kept.kind == rtf::Kept::Kind::Hidden || kept.text.empty())) {
            deferred_.push_back(object);
            return;
        }
        if (pendingBreak_)
            breakParagraph();
        writeFlatTabs();
        insertKept(object);
    }

    void document(const rtf::KeptDocument& document) override {
        if (mode_ == Mode::WholeDocument && base_ == 0)
            KeptRtf::of(*cursor_.document()).setRtf(document);
    }

    void tableDepth(int depth) override;
    void cellEnd(const rtf::ParaFormat& format) override;
    void rowEnd(const rtf::RowFormat& row) override;

    void finish() {
        if (table_)
            finishTable();
        // The last paragraph of a whole document keeps its format; the last
        // paragraph of a fragment takes the format of the text it runs into.
        if (pendingBreak_ && mode_ == Mode::WholeDocument && (!formatKnown_ || pendingPara_ != currentPara_))
            setParagraphFormat();
        insertDeferred();
    }

private:
    // Tables nested past the limit are read as text, as a reader without
    // tables shows them: a tab between cells, a paragraph per row.
    bool flattens() const { return base_ >= MaxTableNesting && depth_ > base_; }
    void writeFlatTabs() {
        if (flatTabs_ > 0)
            splitter_.insertText(cursor_, QString(flatTabs_, QLatin1Char('\t')), lastChar_);
        flatTabs_ = 0;
    }

    void startTable();
    void finishTable();
    QTextTable* insertRows(const TableGrid& grid, std::size_t first, std::size_t end,
                           const std::vector<rtf::RowFormat>& formats, TableContent& content);
    void insertInline(const Recorder& content);
    void fillCell(QTextTableCell cell, const PlacedCell& placed, TableContent& content, int gap);

    void breakParagraph() {
        pendingBreak_ = false;
        if (mode_ == Mode::WholeDocument) {
            // New blocks start with the previous paragraph's format, which
            // is usually the right one already.
            if (!formatKnown_ || pendingPara_ != currentPara_)
                setParagraphFormat();
            currentPara_ = pendingPara_;
            cursor_.insertBlock(formats_.blockFormat(pendingPara_), lastChar_);
        } else {
            setParagraphFormat();
            cursor_.insertBlock(tailFormat_, lastChar_);
        }
        paragraphStart_ = cursor_.position();
        splitter_.paragraphStarted();
        insertDeferred();
    }

    void insertKept(const QTextCharFormat& object) {
        cursor_.insertText(QString(QChar::ObjectReplacementCharacter), object);
        splitter_.insertedObject();
    }

    void insertDeferred() {
        for (const QTextCharFormat& object : deferred_)
            insertKept(object);
        deferred_.clear();
    }

    // The ended paragraph's format, on every block it was split into.
    void setParagraphFormat() {
        formatKnown_ = true;
        if (!splitter_.splitParagraph()) {
            cursor_.setBlockFormat(formats_.blockFormat(pendingPara_));
            return;
        }
        QTextCursor paragraph(cursor_.document());
        paragraph.setPosition(paragraphStart_);
        paragraph.setPosition(cursor_.position(), QTextCursor::KeepAnchor);
        paragraph.setBlockFormat(formats_.blockFormat(pendingPara_));
    }

    QTextCursor& cursor_;
    Mode mode_;
    FormatCache ownFormats_;
    FormatCache& formats_;
    QTextBlockFormat tailFormat_;
    QTextCharFormat lastChar_;
    rtf::ParaFormat pendingPara_;
    rtf::ParaFormat currentPara_;  // the format the current block has (whole document)
    bool formatKnown_ = true;      // currentPara_ is the current block's format
    bool pendingBreak_ = false;
    BlockSplitter splitter_;
    int paragraphStart_ = 0;                 // where the current paragraph's first block starts
    std::vector<QTextCharFormat> deferred_;  // kept items met after a paragraph's end

    int base_;   // the depth of the cells this fills: 0 for the document
    int depth_;  // the depth the reader last told
    std::unique_ptr<TableContent> table_;
    int flatTabs_ = 0;  // cells ended in a flattened row, tabs not yet written
    rtf::ParaFormat flatPara_;
};

void Inserter::tableDepth(int depth) {
    const int was = depth_;
    depth_ = depth;
    if (base_ >= MaxTableNesting)
        return;
    if (table_) {
        // Depths past this table's are nested tables: its cells' business.
        if (depth > base_ + 1 || (depth == base_ + 1 && was > base_ + 1))
            table_->cell.tableDepth(depth);
        else if (depth <= base_)
            finishTable();
        return;
    }
    if (depth > base_) {
        startTable();
        if (depth > base_ + 1)
            table_->cell.tableDepth(depth);
    }
}

void Inserter::cellEnd(const rtf::ParaFormat& format) {
    if (flattens()) {
        flatTabs_ = std::min(flatTabs_ + 1, 4096);
        flatPara_ = format;
        return;
    }
    if (!table_) {
        // A cell outside any table (a broken file): its text is a paragraph.
        paragraphEnd(format);
        return;
    }
    if (depth_ > base_ + 1) {
        table_->cell.cellEnd(format);
        return;
    }
    table_->cell.paragraphEnd(format);
    if (table_->cells.size() + 1 >= std::size_t(MaxTableColumns))
        return;  // the row's last cell takes the rest
    table_->cells.push_back(std::move(table_->cell));
    table_->cell = Recorder();
}

void Inserter::rowEnd(const rtf::RowFormat& row) {
    if (flattens()) {
        paragraphEnd(flatPara_);
        QTextDocument& doc = *cursor_.document();
        setFlattenedTableRows(doc, flattenedTableRows(doc) + 1);
        return;
    }
    if (!table_)
        return;
    if (depth_ > base_ + 1) {
        table_->cell.rowEnd(row);
        return;
    }
    // Text after the last cell end is one more cell.
    if (!table_->cell.empty()) {
        table_->cells.push_back(std::move(table_->cell));
        table_->cell = Recorder();
    }
    if (!table_->cells.empty())
        table_->rows.push_back({row, std::move(table_->cells)});
    table_->cells.clear();
}

void Inserter::startTable() {
    table_ = std::make_unique<TableContent>();
    if (pendingBreak_) {
        // The table follows the paragraph that ended: it goes at the end of
        // that paragraph's block, which Qt ends there.
        pendingBreak_ = false;
        if (mode_ == Mode::Fragment || !formatKnown_ || pendingPara_ != currentPara_)
            setParagraphFormat();
        currentPara_ = pendingPara_;
    } else if (cursor_.atBlockStart()) {
        // Qt keeps the text before the table in a block of its own, empty
        // here: it is marked as no paragraph.
        table_->spacerBefore = true;
    }
}

void Inserter::finishTable() {
    const std::unique_ptr<TableContent> content = std::move(table_);
    // Rows the input left open: their cells make one last row. A level the
    // input ended no cell of (a nested table's depth skipping one) is no
    // table: its content goes here.
    if (!content->cell.empty() && (!content->cells.empty() || !content->rows.empty()))
        content->cells.push_back(std::move(content->cell));
    if (!content->cells.empty())
        content->rows.push_back(
            {content->rows.empty() ? rtf::RowFormat{} : content->rows.back().format, std::move(content->cells)});
    if (content->rows.empty()) {
        insertInline(content->cell);
        return;
    }
    std::vector<rtf::RowFormat> formats;
    std::vector<int> counts;
    for (const TableContent::Row& row : content->rows) {
        formats.push_back(row.format);
        counts.push_back(int(row.cells.size()));
    }
    const TableGrid grid = layTable(formats, counts);
    QTextDocument& doc = *cursor_.document();
    // Qt lays a table out whole, at once: a long one is built as tables of
    // a few hundred rows, one after the other (cut where no cell spans the
    // cut), so that the window shows the first rows while laying out the
    // rest. Between them, Qt's block is a spacer of no height.
    QTextTable* table = nullptr;
    for (std::size_t first = 0; first < grid.rows.size();) {
        std::size_t end = first;
        for (int reach = 0; end < grid.rows.size() && (end - first < TableBuildRows || int(end) < reach); ++end) {
            for (const PlacedCell& placed : grid.rows[end])
                reach = std::max(reach, int(end) + placed.rowSpan);
        }
        if (table) {
            cursor_.setPosition(table->lastPosition() + 1);
            QTextBlockFormat f;
            f.setProperty(TableSpacerProperty, true);
            f.setLineHeight(0, QTextBlockFormat::FixedHeight);
            cursor_.setBlockFormat(f);
        }
        table = insertRows(grid, first, end, formats, *content);
        if (first == 0 && content->spacerBefore) {
            QTextCursor before(doc.findBlock(table->firstPosition() - 1));
            QTextBlockFormat f = before.blockFormat();
            f.setProperty(TableSpacerProperty, true);
            before.setBlockFormat(f);
        }
        first = end;
    }
    // The block after the table: a fragment's tail, else a block no
    // paragraph of the input has claimed yet.
    cursor_.setPosition(table->lastPosition() + 1);
    if (mode_ == Mode::Fragment) {
        cursor_.setBlockFormat(tailFormat_);
    } else {
        QTextBlockFormat f = formats_.blockFormat(rtf::ParaFormat{});
        f.setProperty(TableSpacerProperty, true);
        cursor_.setBlockFormat(f);
        formatKnown_ = false;
    }
    paragraphStart_ = cursor_.position();
    splitter_.paragraphStarted();
}

// Rows [first, end) of the grid as one QTextTable at the cursor.
QTextTable* Inserter::insertRows(const TableGrid& grid, std::size_t first, std::size_t end,
                                 const std::vector<rtf::RowFormat>& formats, TableContent& content) {
    QTextTable* table = cursor_.insertTable(int(end - first), grid.columns(), tableFormat(grid, formats.front()));
    for (std::size_t r = first; r < end; ++r) {
        for (const PlacedCell& placed : grid.rows[r]) {
            if (placed.span > 1 || placed.rowSpan > 1)
                table->mergeCells(int(r - first), placed.column, placed.rowSpan, placed.span);
        }
    }
    for (std::size_t r = first; r < end; ++r) {
        for (const PlacedCell& placed : grid.rows[r])
            fillCell(table->cellAt(int(r - first), placed.column), placed, content, formats[r].gap);
    }
    return table;
}

void Inserter::insertInline(const Recorder& content) {
    if (!content.startsWithTable())
        cursor_.insertBlock(formats_.blockFormat(rtf::ParaFormat{}), lastChar_);
    Inserter inner(cursor_, mode_, &formats_, base_ + 1);
    inner.formatKnown_ = false;
    content.replay(inner);
    inner.finish();
    pendingBreak_ = inner.pendingBreak_;
    pendingPara_ = inner.pendingPara_;
    formatKnown_ = false;
    paragraphStart_ = cursor_.position();
    splitter_.paragraphStarted();
}

void Inserter::fillCell(QTextTableCell cell, const PlacedCell& placed, TableContent& content, int gap) {
    cell.setFormat(cellFormat(placed, gap));
    QTextCursor at = cell.firstCursorPosition();
    Inserter inner(at, Mode::WholeDocument, &formats_, base_ + 1);
    // Cells merged into this one add their content, when they have any.
    for (std::size_t k = 0; k < placed.sources.size(); ++k) {
        const auto [row, index] = placed.sources[k];
        const Recorder& source = content.rows[std::size_t(row)].cells[std::size_t(index)];
        if (k == 0 || source.hasContent())
            source.replay(inner);
    }
    inner.finish();
}

}  // namespace

namespace {

// The paragraph marks (\par, not \pard) in RTF input: a cheap estimate of
// the paragraphs the reader will report.
std::size_t countParagraphMarks(std::string_view bytes) {
    std::size_t count = 0;
    for (std::size_t at = bytes.find("\\par"); at != std::string_view::npos; at = bytes.find("\\par", at + 4)) {
        const std::size_t next = at + 4;
        if (next >= bytes.size() || !std::isalpha(static_cast<unsigned char>(bytes[next])))
            ++count;
    }
    return count;
}

// Passes the stream on and keeps a progress figure from the paragraphs seen.
class ProgressSink final : public rtf::Sink {
public:
    ProgressSink(rtf::Sink& next, std::size_t expected, std::atomic<int>& progress)
        : next_(next), expected_(std::max<std::size_t>(expected, 1)), progress_(progress) {}
    bool tables() const override { return next_.tables(); }
    void tableDepth(int depth) override { next_.tableDepth(depth); }
    void cellEnd(const rtf::ParaFormat& format) override { next_.cellEnd(format); }
    void rowEnd(const rtf::RowFormat& row) override { next_.rowEnd(row); }
    void text(std::string_view utf8, const rtf::CharFormat& format) override { next_.text(utf8, format); }
    void picture(const rtf::Picture& picture, const rtf::CharFormat& format) override {
        next_.picture(picture, format);
    }
    void kept(const rtf::Kept& kept, const rtf::CharFormat& format) override { next_.kept(kept, format); }
    void document(const rtf::KeptDocument& document) override { next_.document(document); }
    void paragraphEnd(const rtf::ParaFormat& format) override {
        next_.paragraphEnd(format);
        progress_.store(int(std::min<std::size_t>(99, ++seen_ * 100 / expected_)), std::memory_order_relaxed);
    }

private:
    rtf::Sink& next_;
    std::size_t expected_;
    std::atomic<int>& progress_;
    std::size_t seen_ = 0;
};

}  // namespace

void readRtfDocument(std::string_view bytes, QTextDocument& document, std::atomic<int>* progress) {
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    Inserter inserter(cursor, Inserter::Mode::WholeDocument);
    try {
        if (progress) {
            ProgressSink counted(inserter, countParagraphMarks(bytes), *progress);
            rtf::read(bytes, counted);
        } else {
            rtf::read(bytes, inserter);
        }
    } catch (...) {
        cursor.endEditBlock();
        throw;
    }
    inserter.finish();
    cursor.endEditBlock();
}

void insertRtf(std::string_view bytes, QTextCursor& cursor) {
    Recorder recorded;
    rtf::read(bytes, recorded);

    cursor.beginEditBlock();
    cursor.removeSelectedText();
    Inserter inserter(cursor, Inserter::Mode::Fragment);
    recorded.replay(inserter);
    inserter.finish();
    cursor.endEditBlock();
}

}  // namespace document
