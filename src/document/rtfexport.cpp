#include "document/rtfexport.h"

#include "document/formatmap.h"
#include "document/keptrtf.h"
#include "document/longblocks.h"
#include "document/pictures.h"
#include "document/tables.h"
#include "rtf/writer.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <unordered_map>

namespace document {

namespace {

// Converts each of the document's formats once, by its index.
class FormatLookup {
public:
    explicit FormatLookup(const QTextDocument& document) : font_(document.defaultFont()) {}

    const rtf::CharFormat& charFormat(const QTextFragment& fragment) {
        const int index = fragment.charFormatIndex();
        auto it = chars_.find(index);
        if (it == chars_.end())
            it = chars_.emplace(index, fromQt(fragment.charFormat(), font_)).first;
        return it->second;
    }

    const rtf::ParaFormat& paraFormat(const QTextBlock& block) {
        const int index = block.blockFormatIndex();
        auto it = paras_.find(index);
        if (it == paras_.end())
            it = paras_.emplace(index, fromQt(block.blockFormat())).first;
        return it->second;
    }

private:
    QFont font_;
    std::unordered_map<int, rtf::CharFormat> chars_;
    std::unordered_map<int, rtf::ParaFormat> paras_;
};

}  // namespace

namespace {

// Writes the document's paragraphs and tables from position from up to to.
class Exporter final : public DocumentWalk {
public:
    explicit Exporter(const QTextDocument& document) : document_(document), formats_(document) {}

    std::string run(int from, int to) {
        // A document read from RTF is written back with what it was read
        // with; a part of it with the tables its kept items refer to.
        if (const KeptRtf* kept = KeptRtf::find(document_); kept && kept->hasRtf())
            writer_.keep(kept->rtf(), from == 0 && to == document_.characterCount() - 1);
        walk(document_, from, to);
        if (open_)
            writer_.endParagraph();
        return writer_.finish();
    }

private:
    void beginRow(const rtf::RowFormat& row) override {
        if (open_)
            writer_.endParagraph();
        open_ = false;
        writer_.beginRow(row);
    }
    void endCell() override {
        writer_.endCell();
        open_ = false;
    }
    void endRow(const rtf::RowFormat& row) override { writer_.endRow(row); }

    void block(const QTextBlock& block, bool first) override {
        // A paragraph held as several blocks is written as the one it is.
        const Continuation joined = first ? Continuation::NewParagraph : continuation(block);
        if (joined == Continuation::NewParagraph) {
            if (open_)
                writer_.endParagraph();
            writer_.beginParagraph(formats_.paraFormat(block));
            open_ = true;
        } else if (joined == Continuation::LineBreak) {
            writer_.text("\u2028", fromQt(block.charFormat(), document_.defaultFont()));
        }
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(fragment.position(), from_);
            const int stop = std::min(fragment.position() + fragment.length(), to_);
            if (start >= stop)
                continue;
            if (const auto kept = keptOf(fragment.charFormat())) {
                for (int i = start; i < stop; ++i)
                    writer_.kept(*kept, formats_.charFormat(fragment));
                continue;
            }
            if (fragment.charFormat().isImageFormat()) {
                // One object character per image; images not read from RTF
                // (none can be made yet) are left out.
                if (const auto picture = pictureOf(fragment.charFormat()))
                    for (int i = start; i < stop; ++i)
                        writer_.picture(*picture, formats_.charFormat(fragment));
                continue;
            }
            QString text = fragment.text();
            if (start != fragment.position() || stop != fragment.position() + fragment.length())
                text = text.mid(start - fragment.position(), stop - start);
            utf8_ = text.toUtf8();
            writer_.text(std::string_view(utf8_.constData(), std::size_t(utf8_.size())), formats_.charFormat(fragment));
        }
    }

    const QTextDocument& document_;
    rtf::Writer writer_;
    FormatLookup formats_;
    QByteArray utf8_;
    bool open_ = false;  // a paragraph is begun and not ended
};

}  // namespace

std::string writeRtf(const QTextDocument& document, int from, int to) {
    const int end = document.characterCount() - 1;  // the last block's separator is not text
    from = std::clamp(from, 0, end);
    to = std::clamp(to, from, end);
    return Exporter(document).run(from, to);
}

std::string writeRtf(const QTextDocument& document) {
    return writeRtf(document, 0, document.characterCount() - 1);
}

QString plainText(const QTextDocument& document) {
    return plainText(document, 0, document.characterCount() - 1);
}

QString plainText(const QTextDocument& document, int from, int to) {
    QString text = textOf(document, from, to);
    text.remove(QChar::ObjectReplacementCharacter);  // pictures have no text
    return text;
}

}  // namespace document
