#include "document/formatloss.h"

#include "document/formatmap.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

#include <unordered_set>

namespace document {

namespace {

// What a run shows beyond its characters, in the codec's terms; the font's
// character set is not shown, so it is left out.
bool showsMoreThanPlain(const rtf::CharFormat& run, const rtf::CharFormat& plain) {
    return run.fontName != plain.fontName || run.sizeHalfPoints != plain.sizeHalfPoints || run.bold || run.italic ||
           run.underline || run.strike || run.hasColor || run.hasBackground ||
           run.verticalAlign != rtf::VerticalAlign::Normal;
}

}  // namespace

bool losesFormattingAsPlainText(const QTextDocument& document) {
    // A table becomes tab-separated lines.
    if (!document.rootFrame()->childFrames().isEmpty())
        return true;
    const QFont font = document.defaultFont();
    const rtf::CharFormat plain = fromQt(QTextCharFormat(), font);
    std::unordered_set<int> seen;  // each format index is judged once
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (alignmentCode(block.blockFormat().alignment()) != 0)
            return true;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            // A picture has no text at all.
            if (seen.insert(fragment.charFormatIndex()).second &&
                (fragment.charFormat().isImageFormat() ||
                 showsMoreThanPlain(fromQt(fragment.charFormat(), font), plain)))
                return true;
        }
    }
    return false;
}

}  // namespace document
