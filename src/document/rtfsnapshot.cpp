#include "document/rtfsnapshot.h"

#include "document/formatmap.h"
#include "document/keptrtf.h"
#include "document/pictures.h"
#include "document/tables.h"
#include "rtf/writer.h"

#include <QTextBlock>
#include <QTextDocument>

#include <unordered_map>

namespace document {

// Copies each block's runs in the order writeRtf writes them.
class SnapshotWalk final : public DocumentWalk {
public:
    SnapshotWalk(RtfSnapshot& snapshot, const QTextDocument& document) : s_(snapshot), font_(document.defaultFont()) {}

private:
    void block(const QTextBlock& block, bool) override {
        auto para = paraIndex_.find(block.blockFormatIndex());
        if (para == paraIndex_.end()) {
            para = paraIndex_.emplace(block.blockFormatIndex(), int(s_.paraFormats_.size())).first;
            s_.paraFormats_.push_back(fromQt(block.blockFormat()));
        }
        s_.paragraphs_.push_back({para->second, int(s_.runs_.size())});
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            fragment(it.fragment());
    }
    void beginRow(const rtf::RowFormat& row) override { mark(RtfSnapshot::Paragraph::BeginRow, &row); }
    void endCell() override { mark(RtfSnapshot::Paragraph::EndCell, nullptr); }
    void endRow(const rtf::RowFormat& row) override { mark(RtfSnapshot::Paragraph::EndRow, &row); }

    void mark(RtfSnapshot::Paragraph::Kind kind, const rtf::RowFormat* row) {
        if (row)
            s_.rows_.push_back(*row);
        s_.paragraphs_.push_back({int(s_.rows_.size()) - 1, int(s_.runs_.size()), kind});
    }

    void fragment(const QTextFragment& fragment) {
        auto chars = charIndex_.find(fragment.charFormatIndex());
        if (chars == charIndex_.end()) {
            chars = charIndex_.emplace(fragment.charFormatIndex(), int(s_.charFormats_.size())).first;
            s_.charFormats_.push_back(fromQt(fragment.charFormat(), font_));
        }
        int picture = -1;
        int kept = -1;
        if (fragment.charFormat().objectType() == KeptObjectType) {
            auto known = keptIndex_.find(fragment.charFormatIndex());
            if (known == keptIndex_.end()) {
                known = keptIndex_.emplace(fragment.charFormatIndex(), int(s_.kept_.size())).first;
                s_.kept_.push_back(*keptOf(fragment.charFormat()));
            }
            kept = known->second;
        } else if (fragment.charFormat().isImageFormat()) {
            auto known = pictureIndex_.find(fragment.charFormatIndex());
            if (known == pictureIndex_.end()) {
                const auto read = pictureOf(fragment.charFormat());
                known = pictureIndex_.emplace(fragment.charFormatIndex(), read ? int(s_.pictures_.size()) : -1).first;
                if (read)
                    s_.pictures_.push_back(*read);
            }
            if (known->second < 0)
                return;  // an image not read from RTF: written nowhere
            picture = known->second;
        }
        s_.runs_.push_back({fragment.position(), fragment.length(), chars->second, picture, kept});
    }

    RtfSnapshot& s_;
    const QFont font_;
    // Each distinct Qt format is converted once; runs keep only its index.
    std::unordered_map<int, int> charIndex_;
    std::unordered_map<int, int> paraIndex_;
    std::unordered_map<int, int> pictureIndex_;  // by char format index; -1: not one the writer keeps
    std::unordered_map<int, int> keptIndex_;     // by char format index
};

RtfSnapshot::RtfSnapshot(const QTextDocument& document) : text_(document.toRawText()) {
    if (const KeptRtf* kept = KeptRtf::find(document); kept && kept->hasRtf())
        document_ = kept->rtf();
    SnapshotWalk(*this, document).walk(document, 0, document.characterCount() - 1);
}

std::string RtfSnapshot::toRtf() const {
    rtf::Writer writer;
    if (document_)
        writer.keep(*document_, true);
    QByteArray utf8;
    for (std::size_t p = 0; p < paragraphs_.size(); ++p) {
        const std::size_t endRun = p + 1 < paragraphs_.size() ? std::size_t(paragraphs_[p + 1].firstRun) : runs_.size();
        const Paragraph& para = paragraphs_[p];
        // A paragraph stays open until what follows ends it: the next
        // paragraph, a row, or its cell's end.
        switch (para.kind) {
        case Paragraph::BeginRow: writer.beginRow(rows_[std::size_t(para.format)]); continue;
        case Paragraph::EndCell: writer.endCell(); continue;
        case Paragraph::EndRow: writer.endRow(rows_[std::size_t(para.format)]); continue;
        case Paragraph::Text: break;
        }
        writer.beginParagraph(paraFormats_[std::size_t(para.format)]);
        for (std::size_t r = std::size_t(paragraphs_[p].firstRun); r < endRun; ++r) {
            const Run& run = runs_[r];
            if (run.picture >= 0) {
                // One object character per picture.
                for (int i = 0; i < run.length; ++i)
                    writer.picture(pictures_[std::size_t(run.picture)], charFormats_[std::size_t(run.format)]);
                continue;
            }
            if (run.kept >= 0) {
                for (int i = 0; i < run.length; ++i)
                    writer.kept(kept_[std::size_t(run.kept)], charFormats_[std::size_t(run.format)]);
                continue;
            }
            utf8 = QStringView(text_).mid(run.start, run.length).toUtf8();
            writer.text(std::string_view(utf8.constData(), std::size_t(utf8.size())),
                        charFormats_[std::size_t(run.format)]);
        }
    }
    return writer.finish();
}

}  // namespace document
