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

// While alive, the printer prints on the paper the document's file names
// (its size and orientation), unless Page Setup chose one; then the
// printer's own is back.
class FilePaper {
public:
    FilePaper(QPrinter& printer, const QTextDocument& document) : printer_(printer) {
        const document::KeptRtf* kept = document::KeptRtf::find(document);
        if (!kept || !kept->hasRtf() || !kept->printsFilePage())
            return;
        const rtf::PageSetup& page = kept->rtf().page;
        if (page.width <= 0 || page.height <= 0)
            return;
        saved_ = printer.pageLayout();
        const QSizeF portrait(std::min(page.width, page.height) / 1440.0, std::max(page.width, page.height) / 1440.0);
        printer.setPageSize(QPageSize(portrait, QPageSize::Inch, QString(), QPageSize::FuzzyMatch));
        const bool landscape = page.width > page.height || (page.landscape && page.width == page.height);
        printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    ~FilePaper() {
        if (saved_)
            printer_.setPageLayout(*saved_);
    }
    FilePaper(const FilePaper&) = delete;
    FilePaper& operator=(const FilePaper&) = delete;

private:
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
