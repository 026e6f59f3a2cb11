// Printing from the rich-text control: the selection, or the whole document
// when nothing is selected, laid out in pages on the printer that a device
// handle names. Defined here, with printing, rather than with the control.
#include "document/keptrtf.h"
#include "document/pictures.h"
#include "document/richtextbox.h"
#include "platform/background.h"
#include "platform/errors.h"
#include "platform/pdftext.h"
#include "platform/printerhandles.h"

#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// The text to print as a document of its own: the selection, or a copy of
// the whole document.
std::unique_ptr<QTextDocument> printableCopy(const QTextDocument& document, const QTextCursor& selection) {
    std::unique_ptr<QTextDocument> copy;
    if (selection.hasSelection()) {
        copy = std::make_unique<QTextDocument>();
        copy->setDefaultFont(document.defaultFont());
        copy->setDefaultTextOption(document.defaultTextOption());
        QTextCursor(copy.get()).insertFragment(selection.selection());
        document::copyPictureResources(document, *copy);
    } else {
        copy.reset(document.clone());
    }
    // Qt's PDF writer can name the text of a glyph only when the font's
    // character map leads to it. Shaping Latin text may swap in alternate
    // glyphs (the CJK faces do this to digits), whose text then vanishes
    // from the PDF; the simple scripts are therefore laid out unshaped.
    QTextCharFormat unshaped;
    unshaped.setFontStyleStrategy(QFont::PreferNoShaping);
    QTextCursor all(copy.get());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(unshaped);
    QFont font = copy->defaultFont();
    font.setStyleStrategy(QFont::PreferNoShaping);
    copy->setDefaultFont(font);
    return copy;
}

// Margins a file that sets some of them leaves to the defaults of RTF.
constexpr int DefaultSideMarginTwips = 1800;
constexpr int DefaultTopMarginTwips = 1440;
// QTextDocument::print lays the copy out inside the printer's margins with
// 2 cm of its own around it, so the printer is given what exceeds those.
constexpr double LayoutMarginPoints = 2 / 2.54 * 72;

// While alive, the printer prints on the paper the document's file names
// (its size and orientation) with the file's margins, unless Page Setup
// chose the page; then the printer's own is back.
class FilePaper {
public:
    FilePaper(QPrinter& printer, const QTextDocument& document) : printer_(printer) {
        const document::KeptRtf* kept = document::KeptRtf::find(document);
        if (!kept || !kept->hasRtf() || !kept->printsFilePage())
            return;
        const rtf::PageSetup& page = kept->rtf().page;
        const bool paper = page.width > 0 && page.height > 0;
        const bool margins = page.left > 0 || page.right > 0 || page.top > 0 || page.bottom > 0;
        if (!paper && !margins)
            return;
        saved_ = printer.pageLayout();
        if (paper) {
            const QSizeF portrait(std::min(page.width, page.height) / 1440.0,
                                  std::max(page.width, page.height) / 1440.0);
            printer.setPageSize(QPageSize(portrait, QPageSize::Inch, QString(), QPageSize::FuzzyMatch));
            const bool landscape = page.width > page.height || (page.landscape && page.width == page.height);
            printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        }
        if (margins)
            setMargins(page);
    }
    ~FilePaper() {
        if (saved_)
            printer_.setPageLayout(*saved_);
    }
    FilePaper(const FilePaper&) = delete;
    FilePaper& operator=(const FilePaper&) = delete;

private:
    void setMargins(const rtf::PageSetup& page) {
        // A margin narrower than the layout's own prints at the layout's;
        // none at all would make QTextDocument::print add a few millimetres.
        const auto points = [](int twips, int fallback) {
            return std::max((twips > 0 ? twips : fallback) / 20.0 - LayoutMarginPoints, 0.01);
        };
        const QMarginsF wanted(points(page.left, DefaultSideMarginTwips), points(page.top, DefaultTopMarginTwips),
                               points(page.right, DefaultSideMarginTwips), points(page.bottom, DefaultTopMarginTwips));
        printer_.setPageMargins(wanted, QPageLayout::Point);
    }

    QPrinter& printer_;
    std::optional<QPageLayout> saved_;
};

// QTextDocument::print lays the copy out in pages (2 cm margins, page
// numbers at the foot), keeping every font and format.
void printCopy(QTextDocument& copy, QPrinter& printer) {
    // The layout made here, on the thread that prints, draws kept items.
    document::showKeptItems(copy);
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        platform::printPdfSafely(printer, [&] { copy.print(&printer); });
        return;
    }
    copy.print(&printer);
    if (printer.printerState() == QPrinter::Error)
        platform::raise(platform::err::FileAccess,
                        QStringLiteral("无法打印到“%1”：打印机拒绝了打印作业。").arg(printer.printerName()));
}

// From this many characters the copy is printed on a thread of its own, so
// that the window repaints and shows that it is printing meanwhile.
constexpr int BackgroundPrintChars = 100000;

}  // namespace

void RichTextBox::SelPrint(int hDC) {
    QPrinter& printer = platform::printerOrRaise(hDC);
    const FilePaper paper(printer, *document());
    std::unique_ptr<QTextDocument> copy = printableCopy(*document(), textCursor());
    if (copy->characterCount() < BackgroundPrintChars) {
        printCopy(*copy, printer);
        return;
    }
    // The copy belongs to no thread while it is handed over, and is deleted
    // on the worker, where its layout's timers live, whatever the print did.
    copy->moveToThread(nullptr);
    platform::runInBackground([&](QThread*) {
        const std::unique_ptr<QTextDocument> printed = std::move(copy);
        printed->moveToThread(QThread::currentThread());
        printCopy(*printed, printer);
        return true;
    });
}
