#include "document/rtfexport.h"

#include "document/formatmap.h"
#include "document/keptrtf.h"
#include "document/longblocks.h"
#include "document/pictures.h"
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

std::string writeRtf(const QTextDocument& document, int from, int to) {
    const int end = document.characterCount() - 1;  // the last block's separator is not text
    from = std::clamp(from, 0, end);
    to = std::clamp(to, from, end);

    rtf::Writer writer;
    // A document read from RTF is written back with what it was read with;
    // a part of it with the tables its kept items refer to.
    if (const KeptRtf* kept = KeptRtf::find(document); kept && kept->hasRtf())
        writer.keep(kept->rtf(), from == 0 && to == end);
    FormatLookup formats(document);
    QByteArray utf8;
    const QTextBlock first = document.findBlock(from);
    bool open = false;
    for (QTextBlock block = first; block.isValid() && block.position() <= to; block = block.next()) {
        // A paragraph held as several blocks is written as the one it is.
        const Continuation joined = block == first ? Continuation::NewParagraph : continuation(block);
        if (joined == Continuation::NewParagraph) {
            if (open)
                writer.endParagraph();
            writer.beginParagraph(formats.paraFormat(block));
            open = true;
        } else if (joined == Continuation::LineBreak) {
            writer.text("\u2028", fromQt(block.charFormat(), document.defaultFont()));
        }
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(fragment.position(), from);
            const int stop = std::min(fragment.position() + fragment.length(), to);
            if (start >= stop)
                continue;
            if (const auto kept = keptOf(fragment.charFormat())) {
                for (int i = start; i < stop; ++i)
                    writer.kept(*kept, formats.charFormat(fragment));
                continue;
            }
            if (fragment.charFormat().isImageFormat()) {
                // One object character per image; images not read from RTF
                // (none can be made yet) are left out.
                if (const auto picture = pictureOf(fragment.charFormat()))
                    for (int i = start; i < stop; ++i)
                        writer.picture(*picture, formats.charFormat(fragment));
                continue;
            }
            QString text = fragment.text();
            if (start != fragment.position() || stop != fragment.position() + fragment.length())
                text = text.mid(start - fragment.position(), stop - start);
            utf8 = text.toUtf8();
            writer.text(std::string_view(utf8.constData(), std::size_t(utf8.size())), formats.charFormat(fragment));
        }
    }
    if (open)
        writer.endParagraph();
    return writer.finish();
}

std::string writeRtf(const QTextDocument& document) {
    return writeRtf(document, 0, document.characterCount() - 1);
}

QString plainText(const QTextDocument& document) {
    return plainText(document, 0, document.characterCount() - 1);
}

QString plainText(const QTextDocument& document, int from, int to) {
    const QString text = textOf(document, from, to);
    if (!text.contains(QChar::ObjectReplacementCharacter))
        return text;
    // The object characters of the range, in document order, are the ones
    // the text holds.
    QStringList shown;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString item = keptText(fragment.charFormat());
            const QString chars = fragment.text();
            for (qsizetype i = 0; i < chars.size(); ++i) {
                const int at = fragment.position() + int(i);
                if (at >= from && at < to && chars.at(i) == QChar::ObjectReplacementCharacter)
                    shown.append(item);
            }
        }
    }
    QString out;
    out.reserve(text.size());
    qsizetype next = 0;
    for (QChar c : text) {
        if (c != QChar::ObjectReplacementCharacter)
            out.append(c);
        else if (next < shown.size())
            out.append(shown.at(next++));
    }
    return out;
}

}  // namespace document
