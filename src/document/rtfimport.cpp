#include "document/rtfimport.h"

#include "document/formatmap.h"
#include "document/keptrtf.h"
#include "document/longblocks.h"
#include "document/pictures.h"
#include "rtf/reader.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cctype>
#include <variant>
#include <vector>

namespace document {

QString documentText(std::string_view utf8) {
    QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    // QTextDocument reserves these two noncharacters for frame boundaries;
    // inserted as text they would break the document's structure.
    for (QChar& c : text) {
        if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

namespace {

// Writes the stream at a cursor. A paragraph's end is only acted on when the
// next paragraph starts, so that the last paragraph of the input never adds
// a block of its own.
class Inserter final : public rtf::Sink {
public:
    enum class Mode { WholeDocument, Fragment };

    Inserter(QTextCursor& cursor, Mode mode) : cursor_(cursor), mode_(mode) {
        tailFormat_ = cursor_.blockFormat();
        lastChar_ = cursor_.charFormat();
        paragraphStart_ = cursor_.block().position();
    }

    void text(std::string_view utf8, const rtf::CharFormat& format) override {
        if (pendingBreak_)
            breakParagraph();
        lastChar_ = formats_.charFormat(format);
        splitter_.insertText(cursor_, documentText(utf8), lastChar_);
    }

    void paragraphEnd(const rtf::ParaFormat& format) override {
        if (pendingBreak_)
            breakParagraph();
        pendingPara_ = format;
        pendingBreak_ = true;
    }

    void picture(const rtf::Picture& picture, const rtf::CharFormat& format) override {
        if (pendingBreak_)
            breakParagraph();
        QTextImageFormat image = pictureFormat(picture, *cursor_.document());
        // The picture keeps the text's formatting, so that typing after it
        // goes on in that format.
        QTextCharFormat merged = formats_.charFormat(format);
        merged.merge(image);
        cursor_.insertImage(merged.toImageFormat());
        splitter_.insertedObject();
    }

    void kept(const rtf::Kept& kept, const rtf::CharFormat& format) override {
        const QTextCharFormat object = keptFormat(kept, formats_.charFormat(format));
        // An item that shows nothing waits for the next paragraph to start:
        // after the document's last paragraph it must not start one.
        if (pendingBreak_ && (kept.kind == rtf::Kept::Kind::Hidden || kept.text.empty())) {
            deferred_.push_back(object);
            return;
        }
        if (pendingBreak_)
            breakParagraph();
        insertKept(object);
    }

    void document(const rtf::KeptDocument& document) override {
        if (mode_ == Mode::WholeDocument)
            KeptRtf::of(*cursor_.document()).setRtf(document);
    }

    void finish() {
        // The last paragraph of a whole document keeps its format; the last
        // paragraph of a fragment takes the format of the text it runs into.
        if (pendingBreak_ && mode_ == Mode::WholeDocument && pendingPara_ != currentPara_)
            setParagraphFormat();
        insertDeferred();
    }

private:
    void breakParagraph() {
        pendingBreak_ = false;
        if (mode_ == Mode::WholeDocument) {
            // New blocks start with the previous paragraph's format, which
            // is usually the right one already.
            if (pendingPara_ != currentPara_)
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
    FormatCache formats_;
    QTextBlockFormat tailFormat_;
    QTextCharFormat lastChar_;
    rtf::ParaFormat pendingPara_;
    rtf::ParaFormat currentPara_;  // the format the current block has (whole document)
    bool pendingBreak_ = false;
    BlockSplitter splitter_;
    int paragraphStart_ = 0;                 // where the current paragraph's first block starts
    std::vector<QTextCharFormat> deferred_;  // kept items met after a paragraph's end
};

// Keeps the parsed stream so that a fragment is inserted only once the
// whole input has been read: input that fails to parse changes nothing.
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
    struct Item {
        rtf::Kept kept;
        rtf::CharFormat format;
    };
    using Event = std::variant<Run, rtf::ParaFormat, Pict, Item>;

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

    void replay(rtf::Sink& sink) const {
        for (const Event& e : events_) {
            if (const Run* run = std::get_if<Run>(&e))
                sink.text(run->text, run->format);
            else if (const Pict* pict = std::get_if<Pict>(&e))
                sink.picture(pict->picture, pict->format);
            else if (const Item* item = std::get_if<Item>(&e))
                sink.kept(item->kept, item->format);
            else
                sink.paragraphEnd(std::get<rtf::ParaFormat>(e));
        }
    }

private:
    std::vector<Event> events_;
};

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
