#include "document/richtextbox.h"

#include "document/documentfile.h"
#include "document/firstscreen.h"
#include "document/formatmap.h"
#include "document/keptrtf.h"
#include "document/layoutpacer.h"
#include "document/longblocks.h"
#include "text/plaintext.h"
#include "rtf/reader.h"
#include "document/rtfexport.h"
#include "document/rtfimport.h"
#include "platform/background.h"
#include "platform/errors.h"
#include "platform/twips.h"
#include "text/utf16.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>
#include <QMimeData>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>

using platform::err::InvalidArgument;
using platform::err::InvalidFileFormat;
using platform::err::InvalidProperty;
using platform::err::TypeMismatch;

namespace {

std::string_view viewOf(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}

bool isBold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::DemiBold;
}

// RTF travels through the program as text. Markup is ASCII; should a
// character outside ASCII appear in it anyway (RTF typed or pasted as text),
// it becomes a \uN escape in a group of its own, so the reader takes it as
// that character instead of as bytes of the document's code page.
QByteArray rtfBytes(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i).unicode() < 0x80) {
            out += char(text.at(i).unicode());
            ++i;
            continue;
        }
        out += "{\\uc0";
        for (; i < text.size() && text.at(i).unicode() >= 0x80; ++i) {
            // Each half of a surrogate pair is written on its own.
            text::appendUnicodeEscape(out, text.at(i).unicode());
        }
        out += '}';
    }
    return out;
}

QString sizeText(double points) {
    return QString::number(points, 'g', 6);
}

}  // namespace

// Holds SelChange back while a member changes the document or the cursor in
// several steps; one SelChange follows when the caret or selection ended up
// somewhere else.
class RichTextBox::SelChangeBatch {
public:
    explicit SelChangeBatch(RichTextBox& box) : box_(box) { ++box_.selChangeHold_; }
    ~SelChangeBatch() {
        if (--box_.selChangeHold_ == 0)
            box_.noteSelectionChange();
    }
    SelChangeBatch(const SelChangeBatch&) = delete;
    SelChangeBatch& operator=(const SelChangeBatch&) = delete;

private:
    RichTextBox& box_;
};

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent), pacer_(new document::LayoutPacer(this)) {
    document::installPagedLayout(*document());
    pacer_->watch(document()->documentLayout());
    document::showKeptItems(*document());
    watchHeight();
    // Only what the codec can keep enters the document: pasted or dropped
    // HTML would bring tables and images the files cannot hold.
    setAcceptRichText(false);
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    setFont(font);
    document()->setDefaultFont(font);

    // QTextEdit reports one caret or selection change through one or both
    // of these signals; noteSelectionChange turns them into one SelChange.
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::noteSelectionChange);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::noteSelectionChange);
}

void RichTextBox::noteSelectionChange() {
    if (selChangeHold_ > 0)
        return;
    const QTextCursor cursor = textCursor();
    if (!selChangePending_ && cursor.position() == lastPosition_ && cursor.anchor() == lastAnchor_)
        return;
    selChangePending_ = false;
    lastPosition_ = cursor.position();
    lastAnchor_ = cursor.anchor();
    emit SelChange();
}

// ---- character formatting --------------------------------------------------

template <typename T, typename Get>
std::optional<T> RichTextBox::uniformCharValue(Get get) const {
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return get(currentCharFormat());
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    std::optional<T> value;
    int lastIndex = -1;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() >= to)
                break;
            if (fragment.position() + fragment.length() <= from || fragment.charFormatIndex() == lastIndex)
                continue;
            lastIndex = fragment.charFormatIndex();
            T v = get(fragment.charFormat());
            if (!value)
                value = std::move(v);
            else if (*value != v)
                return std::nullopt;
        }
    }
    // A selection of paragraph ends only holds no text: report the caret's.
    return value ? value : std::optional<T>(get(currentCharFormat()));
}

void RichTextBox::refuseTooTall(const document::HeightBound& added) {
    document::HeightBound after = height_;
    after += added;
    if (!after.fits()) {
        // Text taken out is still counted in the bound: measure again
        // before refusing.
        height_ = document::heightBound(*document());
        after = height_;
        after += added;
    }
    if (!after.fits())
        platform::raise(InvalidProperty,
                        QStringLiteral("这样改动后文档太高，超出了本程序能显示的范围：文档没有改动。"));
}

document::HeightBound RichTextBox::heightOfInsert(const std::function<void(QTextCursor&)>& insert) const {
    QTextDocument scratch;
    scratch.setDefaultFont(document()->defaultFont());
    QTextCursor cursor(&scratch);
    const QTextCursor at = textCursor();
    cursor.setBlockFormat(at.blockFormat());
    cursor.setCharFormat(at.charFormat());
    insert(cursor);
    return document::heightBound(scratch);
}

void RichTextBox::mergeFormat(const QTextCharFormat& modifier) {
    // A larger font on much text could make the document too tall.
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        refuseTooTall(document::heightOfChange(*document(), cursor.selectionStart(), cursor.selectionEnd(), &modifier));
    SelChangeBatch batch(*this);
    mergeCurrentCharFormat(modifier);
}

std::optional<bool> RichTextBox::SelBold() const {
    return uniformCharValue<bool>(isBold);
}
std::optional<bool> RichTextBox::SelItalic() const {
    return uniformCharValue<bool>([](const QTextCharFormat& f) { return f.fontItalic(); });
}
std::optional<bool> RichTextBox::SelUnderline() const {
    return uniformCharValue<bool>([](const QTextCharFormat& f) { return f.fontUnderline(); });
}
std::optional<bool> RichTextBox::SelStrikeThru() const {
    return uniformCharValue<bool>([](const QTextCharFormat& f) { return f.fontStrikeOut(); });
}

void RichTextBox::setSelBold(bool on) {
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeFormat(f);
}
void RichTextBox::setSelItalic(bool on) {
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeFormat(f);
}
void RichTextBox::setSelUnderline(bool on) {
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeFormat(f);
}
void RichTextBox::setSelStrikeThru(bool on) {
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeFormat(f);
}

std::optional<QString> RichTextBox::SelFontName() const {
    const QString fallback = document()->defaultFont().family();
    return uniformCharValue<QString>([&](const QTextCharFormat& f) {
        const QString family = document::familyOf(f);
        return family.isEmpty() ? fallback : family;
    });
}

void RichTextBox::setSelFontName(const QString& name) {
    if (name.isEmpty())
        platform::raise(InvalidProperty, QStringLiteral("字体名称不能为空。"));
    QTextCharFormat f;
    f.setFontFamilies(QStringList{name});
    // The character set recorded for the old font does not describe this one.
    f.setProperty(document::FontCharsetProperty, -1);
    mergeFormat(f);
}

std::optional<double> RichTextBox::SelFontSize() const {
    const double fallback = document()->defaultFont().pointSizeF();
    return uniformCharValue<double>([&](const QTextCharFormat& f) {
        return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : fallback;
    });
}

void RichTextBox::setSelFontSize(double points) {
    if (!(points >= MinFontSize && points <= MaxFontSize))
        platform::raise(InvalidProperty, QStringLiteral("字号 %1 超出范围：只能是 %2 到 %3 磅。")
                                             .arg(sizeText(points), sizeText(MinFontSize), sizeText(MaxFontSize)));
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeFormat(f);
}

void RichTextBox::setSelFontSize(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*([0-9]+(\\.[0-9]*)?|\\.[0-9]+)\\s*$"));
    // Full-width digits, point and spaces (as a Chinese input method types
    // them) read as their ASCII forms.
    const QRegularExpressionMatch m = number.match(text.normalized(QString::NormalizationForm_KC));
    if (!m.hasMatch())
        platform::raise(TypeMismatch, text.trimmed().isEmpty() ? QStringLiteral("没有给出字号。")
                                                               : QStringLiteral("字号“%1”不是数字。").arg(text));
    setSelFontSize(m.captured(1).toDouble());
}

// ---- paragraph formatting ----------------------------------------------------

std::optional<int> RichTextBox::SelAlignment() const {
    const QTextCursor cursor = textCursor();
    const QTextBlock last = document()->findBlock(cursor.selectionEnd());
    std::optional<int> value;
    for (QTextBlock block = document()->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        const int code = document::alignmentCode(block.blockFormat().alignment());
        if (code < 0 || (value && *value != code))
            return std::nullopt;
        value = code;
        if (block == last)
            break;
    }
    return value;
}

void RichTextBox::setSelAlignment(int code) {
    static constexpr Qt::Alignment byCode[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    if (code < 0 || code > 2)
        platform::raise(InvalidProperty,
                        QStringLiteral("对齐方式 %1 无效：只能是 0（左对齐）、1（右对齐）或 2（居中）。").arg(code));
    QTextBlockFormat f;
    f.setAlignment(byCode[code]);
    SelChangeBatch batch(*this);
    QTextCursor paragraphs = textCursor();
    document::selectWholeParagraphs(paragraphs);
    paragraphs.mergeBlockFormat(f);
}

// ---- selection content -------------------------------------------------------

QString RichTextBox::SelRTF() const {
    const QTextCursor cursor = textCursor();
    const std::string rtf = document::writeRtf(*document(), cursor.selectionStart(), cursor.selectionEnd());
    return QString::fromUtf8(rtf.data(), qsizetype(rtf.size()));
}

void RichTextBox::setSelRTF(const QString& rtf) {
    SelChangeBatch batch(*this);
    QTextCursor cursor = textCursor();
    const QByteArray bytes = rtfBytes(rtf);
    if (rtf::looksLikeRtf(viewOf(bytes))) {
        try {
            refuseTooTall(heightOfInsert([&](QTextCursor& c) { document::insertRtf(viewOf(bytes), c); }));
            document::insertRtf(viewOf(bytes), cursor);
            setTextCursor(cursor);
            return;
        } catch (const rtf::ParseError&) {
            // Not RTF after all: it goes in as the text it is.
        }
    }
    setSelText(rtf);
}

QString RichTextBox::SelText() const {
    const QTextCursor cursor = textCursor();
    return document::textOf(*document(), cursor.selectionStart(), cursor.selectionEnd());
}

void RichTextBox::setSelText(const QString& text) {
    refuseTooTall(heightOfInsert([&](QTextCursor& c) { c.insertText(text); }));
    SelChangeBatch batch(*this);
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

int RichTextBox::SelLength() const {
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

// ---- geometry ----------------------------------------------------------------

double RichTextBox::Width() const {
    return platform::pixelsToTwipsX(width());
}

namespace {
// Lengths far beyond any screen (or not numbers at all) are held to a range
// that converts to pixels safely.
double saneTwips(double twips) {
    constexpr double Limit = 1e8;
    return std::isfinite(twips) ? std::clamp(twips, -Limit, Limit) : 0.0;
}
}  // namespace

void RichTextBox::Move(double left, double top, double width, double height) {
    // A minimised window reports a client area of zero or less.
    setGeometry(platform::twipsToPixelsX(saneTwips(left)), platform::twipsToPixelsY(saneTwips(top)),
                std::max(0, platform::twipsToPixelsX(saneTwips(width))),
                std::max(0, platform::twipsToPixelsY(saneTwips(height))));
}

double RichTextBox::RightMargin() const {
    return rightMargin_;
}

void RichTextBox::setRightMargin(double twips) {
    rightMargin_ = std::max(0.0, saneTwips(twips));
    applyWrap();
}

bool RichTextBox::applyWrap() {
    const int margin = rightMargin_ > 0 ? platform::twipsToPixelsX(rightMargin_) : 0;
    // The text area starts inside the frame; the margin counts from the
    // control's own left edge. 0: wrap at the window.
    const int textLeft = viewport()->x();
    const int textRight = textLeft + viewport()->width();
    int wrap = margin <= 0 || (margin >= textRight && margin <= width()) ? 0 : std::max(1, margin - textLeft);
    // Never so narrow that the document grows taller than Qt can lay out:
    // then lines wrap wider and the window scrolls sideways.
    const double tallest = height_.at(wrap > 0 ? wrap : viewport()->width());
    if (tallest >= document::MaxLayoutHeight)
        wrap = int(std::ceil(std::min(height_.narrowestWidth(), document::MaxWrapWidth)));
    if (wrap == 0) {
        setLineWrapMode(QTextEdit::WidgetWidth);
    } else {
        setLineWrapMode(QTextEdit::FixedPixelWidth);
        if (lineWrapColumnOrWidth() != wrap)
            setLineWrapColumnOrWidth(wrap);
    }
    const bool paged = tallest >= document::PagedFrom;
    document::setPaged(*document(), paged);
    return paged;
}

void RichTextBox::watchHeight() {
    connect(document(), &QTextDocument::contentsChange, this, &RichTextBox::noteContentsChange);
}

// Qt lays a change out right after reporting it: the wrap width is made
// safe first. The bound only grows with edits (text taken out stays
// counted), unless a change is large enough to measure the whole document
// again.
void RichTextBox::noteContentsChange(int position, int, int added) {
    if (added == 0)
        return;  // only text taken out
    const QTextDocument& doc = *document();
    if (added > 4096 && added > doc.characterCount() / 4)
        height_ = document::heightBound(doc);
    else
        height_ += document::heightOfChange(doc, position, position + added);
    applyWrap();
}

void RichTextBox::resizeEvent(QResizeEvent* e) {
    QTextEdit::resizeEvent(e);
    applyWrap();
}

// ---- clipboard and drag and drop ------------------------------------------------

namespace {
// The names other programs give RTF: word processors on X11 and Wayland
// offer "text/rtf", some "application/rtf", older ones "text/richtext".
const QString RtfFormats[] = {QStringLiteral("text/rtf"), QStringLiteral("application/rtf"),
                              QStringLiteral("text/richtext")};

bool offersRtf(const QMimeData* source) {
    return std::any_of(std::begin(RtfFormats), std::end(RtfFormats),
                       [&](const QString& f) { return source->hasFormat(f); });
}

// Local files dragged from a file manager: the window opens them instead of
// the control inserting their names.
bool carriesFiles(const QMimeData* source) {
    const QList<QUrl> urls = source->urls();
    return !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}
}  // namespace

namespace {

// The selection's HTML is made only when a program asks for it: on X11
// every selection also goes to the primary selection, and turning a large
// one into HTML each time would stall the editor. The fragment is the
// selection as it was when copied.
class SelectionMimeData : public QMimeData {
public:
    explicit SelectionMimeData(const QTextCursor& selection) : fragment_(selection) {}

    QStringList formats() const override { return QMimeData::formats() << HtmlFormat; }
    bool hasFormat(const QString& format) const override {
        return format == HtmlFormat || QMimeData::hasFormat(format);
    }

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override {
        if (format != HtmlFormat)
            return QMimeData::retrieveData(format, type);
        const QString html = fragment_.toHtml();
        return type.id() == QMetaType::QString ? QVariant(html) : QVariant(html.toUtf8());
    }

private:
    inline static const QString HtmlFormat = QStringLiteral("text/html");
    QTextDocumentFragment fragment_;
};

}  // namespace

std::unique_ptr<QMimeData> RichTextBox::selectionMimeData() const {
    auto data = std::make_unique<SelectionMimeData>(textCursor());
    // Pictures travel in the RTF and HTML; the plain text has none, a list
    // label its text.
    const QTextCursor cursor = textCursor();
    data->setText(document::plainText(*document(), cursor.selectionStart(), cursor.selectionEnd()));
    const QByteArray rtf = SelRTF().toUtf8();  // the writer's markup is ASCII
    data->setData(RtfFormats[0], rtf);
    data->setData(RtfFormats[1], rtf);
    return data;
}

void RichTextBox::pasteMimeData(const QMimeData* source) {
    if (source) {
        for (const QString& format : RtfFormats) {
            if (!source->hasFormat(format))
                continue;
            const QByteArray bytes = source->data(format);
            SelChangeBatch batch(*this);
            QTextCursor cursor = textCursor();
            try {
                refuseTooTall(heightOfInsert([&](QTextCursor& c) { document::insertRtf(viewOf(bytes), c); }));
                document::insertRtf(viewOf(bytes), cursor);
            } catch (const rtf::ParseError&) {
                break;  // offered as RTF and is not: take the text instead
            }
            setTextCursor(cursor);
            return;
        }
    }
    setSelRTF(source && source->hasText() ? source->text() : QString());
}

QMimeData* RichTextBox::createMimeDataFromSelection() const {
    return selectionMimeData().release();
}

bool RichTextBox::canInsertFromMimeData(const QMimeData* source) const {
    if (carriesFiles(source))
        return false;
    return offersRtf(source) || QTextEdit::canInsertFromMimeData(source);
}

void RichTextBox::insertFromMimeData(const QMimeData* source) {
    if (offersRtf(source) || source->hasText())
        platform::dispatch([&] { pasteMimeData(source); });
    else
        QTextEdit::insertFromMimeData(source);
}

// ---- keys --------------------------------------------------------------------

namespace {
bool isCtrlY(const QKeyEvent* e) {
    return e->key() == Qt::Key_Y && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}
}  // namespace

bool RichTextBox::event(QEvent* e) {
    // Ctrl+Y is redo here as in every editing control, whatever the desktop's
    // key theme says; claim it before a window shortcut can.
    if (e->type() == QEvent::ShortcutOverride && isCtrlY(static_cast<QKeyEvent*>(e))) {
        e->accept();
        return true;
    }
    return QTextEdit::event(e);
}

void RichTextBox::keyPressEvent(QKeyEvent* e) {
    if (isCtrlY(e)) {
        if (!isReadOnly())
            redo();
        e->accept();
        return;
    }
    QTextEdit::keyPressEvent(e);
}

// ---- files -------------------------------------------------------------------

namespace {

// Files from this size on are read and built on a thread of their own, so
// that the window keeps repainting meanwhile, and their first screens are
// shaped in slices before they are shown; smaller ones take too little time
// for either to matter. At 1 MB, a load on the GUI thread held the window
// for 130 ms.
constexpr qint64 BackgroundLoadBytes = 256 << 10;
// Documents from this many characters on are written on a thread of their own.
constexpr int BackgroundSaveChars = 1 << 20;

struct LoadedDocument {
    std::unique_ptr<QTextDocument> document;
    text::TextEncoding encoding = text::TextEncoding::Utf8;
    text::LineEnd lineEnd = text::LineEnd::Lf;
    int fileType = 0;           // 0 RTF, 1 plain text
    QByteArray plainTextBytes;  // the file's bytes when it was read as plain text
    document::HeightBound height;
};

// Reads the file into a new document, built apart from any view, without
// undo and layout, and handed to `owner` (the control's thread) when done.
// Plain text into an empty document. Many lines are grouped into blocks,
// and a line too long to lay out in one piece is held as several (see
// longblocks.h). The text goes in a hundredth at a time, so that `progress`
// shows how far it got; the parts never split a surrogate pair.
void setPlainText(QTextDocument& document, QString text, std::atomic<int>& progress) {
    const bool grouped = document::groupLines(text);
    qsizetype longest = grouped ? document::BlockSplitter::SoftLimit : 0;
    for (qsizetype start = 0; start < text.size() && longest < document::BlockSplitter::SoftLimit;) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    const bool split = longest >= document::BlockSplitter::SoftLimit;
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    document::BlockSplitter splitter;
    const qsizetype step = std::max<qsizetype>(text.size() / 100, 1 << 16);
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = std::min(start + step, text.size());
        if (end < text.size() && text.at(end).isLowSurrogate())
            ++end;
        const QString part = text.mid(start, end - start);
        if (split)
            splitter.insertText(cursor, part, QTextCharFormat());
        else
            cursor.insertText(part);
        start = end;
        progress.store(int(std::min<qsizetype>(99, start * 100 / text.size())), std::memory_order_relaxed);
    }
    cursor.endEditBlock();
}

LoadedDocument buildDocument(const QString& path, const QFont& font, QThread* owner, std::atomic<int>& progress) {
    const QByteArray bytes = document::readFileBytes(path);
    LoadedDocument loaded;
    loaded.document = std::make_unique<QTextDocument>();
    QTextDocument& fresh = *loaded.document;
    document::installPagedLayout(fresh);
    // Nothing is laid out until the control gives the document its width.
    fresh.setPageSize(QSizeF(0, 0));
    fresh.setUndoRedoEnabled(false);
    fresh.setDefaultFont(font);
    if (rtf::looksLikeRtf(viewOf(bytes))) {
        try {
            document::readRtfDocument(viewOf(bytes), fresh, &progress);
        } catch (const rtf::ParseError& e) {
            platform::raise(InvalidFileFormat,
                            QStringLiteral("无法读取文件“%1”：不是有效的 RTF 文档（第 %2 字节：%3）。")
                                .arg(path)
                                .arg(qulonglong(e.offset()))
                                .arg(QString::fromUtf8(e.what())));
        }
    } else {
        const text::DecodedText decoded = text::decodePlainText(viewOf(bytes));
        setPlainText(fresh, document::fromUtf8(decoded.utf8), progress);
        loaded.encoding = decoded.encoding;
        loaded.lineEnd = decoded.lineEnd;
        loaded.fileType = 1;
        loaded.plainTextBytes = bytes;
    }
    if (const qsizetype lines = document::lineCount(fresh); lines > document::MaxLines)
        platform::raise(InvalidFileFormat, QStringLiteral("无法打开文件“%1”：它有 %2 行，超过了本程序能显示的 %3 行。")
                                               .arg(path)
                                               .arg(lines)
                                               .arg(document::MaxLines));
    loaded.height = document::heightBound(fresh);
    if (!loaded.height.fits())
        platform::raise(InvalidFileFormat,
                        QStringLiteral("无法打开文件“%1”：它排版后太高，超出了本程序能显示的范围。").arg(path));
    fresh.setUndoRedoEnabled(true);
    fresh.setModified(false);
    fresh.moveToThread(owner);
    return loaded;
}

}  // namespace

void RichTextBox::LoadFile(const QString& path) {
    // A file that fails to load leaves the old content: the new document is
    // only put in place when complete.
    const QFont base = font();
    loadProgress_ = -1;
    LoadedDocument loaded;
    if (QFileInfo(path).size() >= BackgroundLoadBytes) {
        loaded = platform::runInBackground(
            [&](QThread* caller) { return buildDocument(path, base, caller, loadProgress_); });
        document::shapeFirstScreen(*loaded.document, viewport()->width(), viewport()->height());
    } else {
        loaded = buildDocument(path, base, thread(), loadProgress_);
    }
    height_ = loaded.height;
    installDocument(loaded.document.release());
    textEncoding_ = loaded.encoding;
    lineEnd_ = loaded.lineEnd;
    fileType_ = loaded.fileType;
    keepUnchangedText(loaded.plainTextBytes);
}

void RichTextBox::keepUnchangedText(const QByteArray& bytes) {
    unchangedText_ = bytes;
    unchangedTextOf_ = bytes.isNull() ? nullptr : document();
    if (unchangedTextOf_)
        connect(
            document(), &QTextDocument::contentsChanged, this, [this] { unchangedText_.clear(); },
            Qt::SingleShotConnection);
}

void RichTextBox::installDocument(QTextDocument* fresh) {
    SelChangeBatch batch(*this);
    // QTextEdit deletes a replaced document only when its internal text
    // control owns it (the one it started with); the ones loaded here belong
    // to the control and are deleted here when replaced.
    const QPointer<QTextDocument> old = document();  // null once QTextEdit deleted its own
    fresh->setParent(this);
    // No layout until the control gives the document its width: by default
    // the first steps would be laid out unwrapped, only to be done again.
    fresh->setPageSize(QSizeF(0, 0));
    // The new document is laid out as soon as it is in place.
    document::setPaged(*fresh, applyWrap());
    setDocument(fresh);
    pacer_->watch(fresh->documentLayout());
    document::showKeptItems(*fresh);
    watchHeight();
    if (old && old->parent() == this)
        delete old;
    moveCursor(QTextCursor::Start);
    // The content under the caret changed even if the caret did not move.
    selChangePending_ = true;
}

void RichTextBox::SaveFile(const QString& path, int type) {
    if (type != 0 && type != 1)
        platform::raise(InvalidArgument, QStringLiteral("文件类型 %1 无效：只能是 0（RTF）或 1（纯文本）。").arg(type));
    const QTextDocument& doc = *document();
    const text::TextEncoding encoding = textEncoding_;
    const text::LineEnd lineEnd = lineEnd_;
    const QByteArray unchanged = unchangedTextOf_ == document() ? unchangedText_ : QByteArray();
    auto write = [&](QThread*) {
        if (type == 1 && !unchanged.isNull()) {
            document::writeFileBytes(path, unchanged);
            return true;
        }
        std::string bytes;
        if (type == 0) {
            bytes = document::writeRtf(doc);
        } else {
            const QByteArray utf8 = document::plainText(doc).toUtf8();
            bytes = text::encodePlainText(viewOf(utf8), encoding, lineEnd);
        }
        // Written straight from the string: a large document is not copied again.
        document::writeFileBytes(path, QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
        return true;
    };
    if (doc.characterCount() < BackgroundSaveChars) {
        write(nullptr);
    } else {
        // The document is only read meanwhile: no input reaches it, and the
        // background layout waits.
        const document::LayoutPacer::Hold hold(*pacer_);
        platform::runInBackground(write);
    }
    fileType_ = type;
    document()->setModified(false);
}

std::function<void(const QUrl&)>& RichTextBox::linkOpener() {
    static std::function<void(const QUrl&)> opener = [](const QUrl& url) {
        static const QStringList safe{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ftp"),
                                      QStringLiteral("mailto")};
        if (safe.contains(url.scheme().toLower()))
            QDesktopServices::openUrl(url);
    };
    return opener;
}

void RichTextBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier)) {
        const QString target = anchorAt(e->position().toPoint());
        if (!target.isEmpty()) {
            // A place in this document (\l) has nowhere to go: its bookmark
            // is not kept.
            if (!target.startsWith(u'#') && linkOpener())
                linkOpener()(QUrl(target));
            e->accept();
            return;
        }
    }
    QTextEdit::mousePressEvent(e);
}
