// The codec's run and paragraph formats mapped to Qt's text formats and back.
// Lengths: the codec speaks twips, QTextBlockFormat pixels (screen DPI).
#pragma once

#include "rtf/format.h"

#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <cstddef>
#include <unordered_map>

namespace document {

// The \fcharset of a run's font travels with the run as this property, so
// that a document read and written again keeps the character set its fonts
// were declared in; -1 (or no property) leaves the choice to the writer.
inline constexpr int FontCharsetProperty = QTextFormat::UserProperty + 1;

// Text that is the result of a field carries the field's instruction
// (QString), so that the field is written back around it. A hyperlink is
// shown underlined in the link colour; what the file did not set itself is
// marked in LinkLookProperty (1 underline, 2 colour) and not written back.
inline constexpr int FieldProperty = QTextFormat::UserProperty + 5;
inline constexpr int LinkLookProperty = QTextFormat::UserProperty + 6;

// A paragraph of a list in the file it was read from: \ls and \ilvl, kept
// in its block format so that an edited paragraph stays in its list.
inline constexpr int ListProperty = QTextFormat::UserProperty + 12;
inline constexpr int ListLevelProperty = QTextFormat::UserProperty + 13;
// A paragraph's style (\s) in the style sheet kept from its file, in its
// block format like the list.
inline constexpr int ParaStyleProperty = QTextFormat::UserProperty + 17;
// A paragraph's line spacing and tab stops as the file gave them (QString:
// "\slN\slmultM", the tab words), so that they are written back exactly;
// the block format shows them too.
inline constexpr int LineSpacingProperty = QTextFormat::UserProperty + 18;
inline constexpr int TabStopsProperty = QTextFormat::UserProperty + 8;

// The target of a HYPERLINK field instruction ("#name" for a place in the
// document, \l); empty for other fields.
QString hyperlinkTarget(const QString& instruction);

// A complete QTextCharFormat for a run: every property the codec knows is
// set explicitly, so inserted text never inherits the caret's formatting. An
// empty font name leaves the family unset (the document's default applies).
QTextCharFormat toQt(const rtf::CharFormat& format);
QTextBlockFormat toQt(const rtf::ParaFormat& format);

// Back to the codec. Properties a format does not set come from the
// document's default font, so text typed into a new document is written as
// the font it is shown in.
rtf::CharFormat fromQt(const QTextCharFormat& format, const QFont& defaultFont);
rtf::ParaFormat fromQt(const QTextBlockFormat& format);

// The font family a format names, or an empty string when it names none.
QString familyOf(const QTextCharFormat& format);

// Qt's alignment flags to the control's code: 0 left, 1 right, 2 centre; -1
// for justified text, which has no code.
int alignmentCode(Qt::Alignment alignment);

struct CharFormatHash {
    std::size_t operator()(const rtf::CharFormat& f) const noexcept;
};
struct ParaFormatHash {
    std::size_t operator()(const rtf::ParaFormat& f) const noexcept;
};

// Loading meets the same few formats again and again. Building a
// QTextCharFormat once per distinct format and reusing the object lets
// QTextDocument find its format index from a hash it computed already.
class FormatCache {
public:
    const QTextCharFormat& charFormat(const rtf::CharFormat& format);
    const QTextBlockFormat& blockFormat(const rtf::ParaFormat& format);

private:
    std::unordered_map<rtf::CharFormat, QTextCharFormat, CharFormatHash> chars_;
    std::unordered_map<rtf::ParaFormat, QTextBlockFormat, ParaFormatHash> blocks_;
    const rtf::CharFormat* lastKey_ = nullptr;
    const QTextCharFormat* lastChar_ = nullptr;
};

}  // namespace document
