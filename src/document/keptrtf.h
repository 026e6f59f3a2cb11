// What a document read from RTF holds that the editor does not show, kept
// so that saving writes it back: document-wide (KeptRtf, owned by the
// document) and in the text (one object character per kept item, which
// survives typing around it, copy and paste, and Undo like any character).
#pragma once

#include "rtf/format.h"

#include <QObject>
#include <QStringList>
#include <QTextCharFormat>

#include <optional>

class QTextDocument;

namespace document {

// A kept item in the text: an object character of this type carrying the
// item. Its text (a list label, a footnote's number) is drawn in its place;
// hidden text and groups without text take no room.
inline constexpr int KeptObjectType = QTextFormat::UserObject + 1;
inline constexpr int KeptRtfProperty = QTextFormat::UserProperty + 14;     // QByteArray: the RTF as read
inline constexpr int KeptTextProperty = QTextFormat::UserProperty + 15;    // QString: what stands for it
inline constexpr int KeptHiddenProperty = QTextFormat::UserProperty + 16;  // bool: the text is hidden text
// A hash of the kept RTF (int). Qt hashes a QByteArray property by its type
// alone, so without it every kept item's format would hash alike, and each
// new one would be compared with all the others: quadratic in the number of
// bookmarks, footnotes and the like.
inline constexpr int KeptHashProperty = QTextFormat::UserProperty + 19;

// The format of the object character for a kept item, in the text's format.
QTextCharFormat keptFormat(const rtf::Kept& kept, const QTextCharFormat& around);
// The item an object character carries; none for other formats.
std::optional<rtf::Kept> keptOf(const QTextFormat& format);
// What a kept item shows in plain text: its text, unless hidden.
QString keptText(const QTextFormat& format);

// Lets the document's layout size and draw kept items. Without it they take
// no room and show nothing.
void showKeptItems(QTextDocument& document);

// The document-wide part, a child of the document it belongs to.
class KeptRtf : public QObject {
    Q_OBJECT
public:
    // The one of a document, made when first asked for (then holding no RTF).
    static KeptRtf& of(QTextDocument& document);
    // The one of a document, or null.
    static const KeptRtf* find(const QTextDocument& document);

    // The RTF the document was read from: written back around its text.
    bool hasRtf() const { return hasRtf_; }
    const rtf::KeptDocument& rtf() const { return rtf_; }
    void setRtf(const rtf::KeptDocument& kept);

    // What saving cannot write back as the file had it, one line each, as
    // the save notice lists it: what the reader noted (KeptDocument::losses),
    // tables nested too deep to stay tables, and what was added here.
    QStringList losses() const;
    void addLoss(const QString& what);

    // Printing uses the paper the file names, unless Page Setup chose one.
    bool printsFilePage() const { return printsFilePage_; }
    void setPrintsFilePage(bool yes) { printsFilePage_ = yes; }

    // The save notice is shown once per document.
    bool noticeShown() const { return noticeShown_; }
    void setNoticeShown() { noticeShown_ = true; }

private:
    explicit KeptRtf(QTextDocument& document);

    bool hasRtf_ = false;
    rtf::KeptDocument rtf_;
    QStringList losses_;
    bool noticeShown_ = false;
    bool printsFilePage_ = true;
};

}  // namespace document
