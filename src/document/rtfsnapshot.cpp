#include "document/rtfsnapshot.h"

#include "document/formatmap.h"
#include "document/keptrtf.h"
#include "document/pictures.h"
#include "rtf/writer.h"

#include <QTextBlock>
#include <QTextDocument>

#include <unordered_map>

namespace document {

RtfSnapshot::RtfSnapshot(const QTextDocument& document) : text_(document.toRawText()) {
    // Each distinct Qt format is converted once; runs keep only its index.
    std::unordered_map<int, int> charIndex;
    std::unordered_map<int, int> paraIndex;
    std::unordered_map<int, int> pictureIndex;  // by char format index; -1: not one the writer keeps
    std::unordered_map<int, int> keptIndex;     // by char format index
    const QFont font = document.defaultFont();
    if (const KeptRtf* kept = KeptRtf::find(document); kept && kept->hasRtf())
        document_ = kept->rtf();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        auto para = paraIndex.find(block.blockFormatIndex());
        if (para == paraIndex.end()) {
            para = paraIndex.emplace(block.blockFormatIndex(), int(paraFormats_.size())).first;
            paraFormats_.push_back(fromQt(block.blockFormat()));
        }
        paragraphs_.push_back({para->second, int(runs_.size())});
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            auto chars = charIndex.find(fragment.charFormatIndex());
            if (chars == charIndex.end()) {
                chars = charIndex.emplace(fragment.charFormatIndex(), int(charFormats_.size())).first;
                charFormats_.push_back(fromQt(fragment.charFormat(), font));
            }
            int picture = -1;
            int kept = -1;
            if (fragment.charFormat().objectType() == KeptObjectType) {
                auto known = keptIndex.find(fragment.charFormatIndex());
                if (known == keptIndex.end()) {
                    known = keptIndex.emplace(fragment.charFormatIndex(), int(kept_.size())).first;
                    kept_.push_back(*keptOf(fragment.charFormat()));
                }
                kept = known->second;
            } else if (fragment.charFormat().isImageFormat()) {
                auto known = pictureIndex.find(fragment.charFormatIndex());
                if (known == pictureIndex.end()) {
                    const auto read = pictureOf(fragment.charFormat());
                    known = pictureIndex.emplace(fragment.charFormatIndex(), read ? int(pictures_.size()) : -1).first;
                    if (read)
                        pictures_.push_back(*read);
                }
                if (known->second < 0)
                    continue;  // an image not read from RTF: written nowhere
                picture = known->second;
            }
            runs_.push_back({fragment.position(), fragment.length(), chars->second, picture, kept});
        }
    }
}

std::string RtfSnapshot::toRtf() const {
    rtf::Writer writer;
    if (document_)
        writer.keep(*document_, true);
    QByteArray utf8;
    for (std::size_t p = 0; p < paragraphs_.size(); ++p) {
        const std::size_t endRun = p + 1 < paragraphs_.size() ? std::size_t(paragraphs_[p + 1].firstRun) : runs_.size();
        writer.beginParagraph(paraFormats_[std::size_t(paragraphs_[p].format)]);
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
        writer.endParagraph();
    }
    return writer.finish();
}

}  // namespace document
