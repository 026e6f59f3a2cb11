// The rich-text control every document window holds: a QTextEdit that
// exposes the members the program's commands use, reads and writes RTF and
// plain-text files through our codec, and reports every caret or selection
// change exactly once (SelChange).
#pragma once

#include "document/layoutheight.h"
#include "text/plaintext.h"

#include <QPointer>
#include <QTextEdit>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace document {
class LayoutPacer;
}

class RichTextBox : public QTextEdit {
    Q_OBJECT

public:
    // The sizes SelFontSize accepts, in points.
    static constexpr double MinFontSize = 1.0;
    static constexpr double MaxFontSize = 1638.0;

    explicit RichTextBox(QWidget* parent = nullptr);

    // Character formatting of the selection, or at the caret (the format of
    // the text typed next) when nothing is selected. No value: the selected
    // text mixes the two states.
    std::optional<bool> SelBold() const;
    void setSelBold(bool on);
    std::optional<bool> SelItalic() const;
    void setSelItalic(bool on);
    std::optional<bool> SelUnderline() const;
    void setSelUnderline(bool on);
    std::optional<bool> SelStrikeThru() const;
    void setSelStrikeThru(bool on);

    // Alignment of the paragraphs the selection touches: 0 left, 1 right,
    // 2 centre. No value for justified paragraphs or when they differ.
    // Writing any other code raises InvalidProperty.
    std::optional<int> SelAlignment() const;
    void setSelAlignment(int code);

    // The font name is kept as written, installed or not; an empty name is
    // refused (InvalidProperty).
    std::optional<QString> SelFontName() const;
    void setSelFontName(const QString& name);

    // Sizes in points, MinFontSize to MaxFontSize (else InvalidProperty).
    // The text form takes what a size box holds: a plain decimal number with
    // '.' as separator, surrounding spaces allowed, full-width forms read as
    // ASCII; any other text raises TypeMismatch. A refused size leaves the
    // document unchanged.
    std::optional<double> SelFontSize() const;
    void setSelFontSize(double points);
    void setSelFontSize(const QString& text);

    // The selection as a complete RTF document (an empty selection gives a
    // document without text). Writing replaces the selection, or inserts at
    // the caret, with the content and its formatting; text that is not RTF
    // is inserted as plain text.
    QString SelRTF() const;
    void setSelRTF(const QString& rtf);

    // The selection as other programs take it: plain text ("text/plain"),
    // RTF ("text/rtf" and "application/rtf") and HTML ("text/html"). The
    // clipboard commands, the control's own copy and dragging all use it.
    std::unique_ptr<QMimeData> selectionMimeData() const;
    // Replaces the selection with what a program offered: its RTF when there
    // is any, else its plain text through SelRTF (markup starting "{\rtf"
    // arrives formatted, other text as it is). Nothing, or neither form,
    // deletes the selection.
    void pasteMimeData(const QMimeData* source);

    // The selection as plain text, paragraphs separated by '\n'. Writing
    // replaces it; the empty string deletes it and leaves the caret there.
    QString SelText() const;
    void setSelText(const QString& text);
    int SelLength() const;

    // Geometry in twips.
    double Width() const;
    void Move(double left, double top, double width, double height);
    // Where lines wrap, measured from the control's left edge; 0 wraps at
    // the window. A margin at or beyond the visible text area wraps at the
    // text area's edge; one beyond the control scrolls sideways.
    double RightMargin() const;
    void setRightMargin(double twips);

    // Replaces the whole content with the file's: RTF when it starts with
    // "{\rtf", else plain text (UTF-8 with or without BOM, or GB18030).
    // Raises FileNotFound, FileAccess or InvalidFileFormat and keeps the old
    // content when the file cannot be read. Clears the undo history. The
    // content arrives in a new QTextDocument (document() changes): connect
    // to the control's signals, not to the old document's.
    void LoadFile(const QString& path);
    // How far the running LoadFile has got, in percent (readable from any
    // thread while it runs); negative while not known.
    const std::atomic<int>& loadProgress() const { return loadProgress_; }
    // Writes the whole content: type 0 RTF, 1 plain text in the encoding and
    // line ends the file was read with (UTF-8 and LF for other documents).
    // Any other type raises InvalidArgument. Raises FileAccess, leaving the
    // existing file untouched, when the file cannot be written.
    // A successful write also marks the content unchanged.
    void SaveFile(const QString& path, int type = 0);

    // The format the content was last read from or written to a file in:
    // 0 RTF, 1 plain text, -1 for a document that never met a file. Save
    // keeps a file in it whatever the file's name.
    int FileType() const { return fileType_; }
    void setFileType(int type) { fileType_ = type; }
    // The encoding and line ends plain text is written back with.
    std::pair<text::TextEncoding, text::LineEnd> PlainTextForm() const { return {textEncoding_, lineEnd_}; }
    void setPlainTextForm(text::TextEncoding encoding, text::LineEnd lineEnd) {
        textEncoding_ = encoding;
        lineEnd_ = lineEnd;
    }

    // Prints the selection, or the whole document when nothing is selected,
    // paginated, onto the printer that the device-context handle names (see
    // platform/printerhandles.h). Defined in selprint.cpp.
    void SelPrint(int hDC);

    // What Ctrl+click on a hyperlink calls with its target; nothing else
    // opens a link. By default web and mail addresses (http, https, ftp,
    // mailto) go to the desktop's handler and anything else, a program or
    // a local file among them, is never started. Tests replace it.
    static std::function<void(const QUrl&)>& linkOpener();

signals:
    // Exactly once for each change of the caret position or the selection,
    // synchronously, whatever made it.
    void SelChange();

protected:
    // The control's own copy, cut, paste and drag paths (context menu,
    // Ctrl+Insert, Shift+Delete, Shift+Insert, middle click) go through
    // selectionMimeData and pasteMimeData as the Edit commands do. Dragged
    // files are left to the window, which opens them.
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    class SelChangeBatch;
    void noteSelectionChange();
    void mergeFormat(const QTextCharFormat& modifier);
    // Refuses a change that would make the document taller than any wrap
    // width lets Qt lay out: Qt lays a change out before control returns,
    // so it is checked before it is made. `added` is what it adds.
    void refuseTooTall(const document::HeightBound& added);
    // What an insertion at the selection adds: `insert` puts it into a
    // scratch document that starts in the selection's formats.
    document::HeightBound heightOfInsert(const std::function<void(QTextCursor&)>& insert) const;
    template <typename T, typename Get>
    std::optional<T> uniformCharValue(Get get) const;
    void installDocument(QTextDocument* fresh);
    void keepUnchangedText(const QByteArray& bytes);
    // Wraps lines where the margin or the window says, but never so narrow
    // that the document outgrows Qt's layout; whether it is laid out in pages.
    bool applyWrap();
    void watchHeight();
    void noteContentsChange(int position, int removed, int added);

    document::LayoutPacer* pacer_;
    std::atomic<int> loadProgress_{-1};
    double rightMargin_ = 0;
    // An upper bound of the document's laid-out height (see layoutheight.h).
    document::HeightBound height_;
    int selChangeHold_ = 0;
    bool selChangePending_ = false;
    int lastPosition_ = 0;
    int lastAnchor_ = 0;
    text::TextEncoding textEncoding_ = text::TextEncoding::Utf8;
    text::LineEnd lineEnd_ = text::LineEnd::Lf;
    int fileType_ = -1;
    // A plain-text file's bytes as loaded, while the document made from them
    // is unchanged: saved as text, they go back as they were. Decoding
    // cannot always be undone: mixed line ends, or U+2028, U+2029, U+FDD0
    // and U+FDD1, which the document takes as line and paragraph breaks.
    QByteArray unchangedText_;
    QPointer<QTextDocument> unchangedTextOf_;
};
