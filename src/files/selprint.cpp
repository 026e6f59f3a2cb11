// Printing from the rich-text control: the selection, or the whole document
// when nothing is selected, laid out in pages on the printer that a device
// handle names. Defined here, with printing, rather than with the control.
#include "document/richtextbox.h"
#include "files/pdftext.h"
#include "files/printerhandles.h"
#include "platform/errors.h"

#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>

void RichTextBox::SelPrint(int hDC) {
    QPrinter& printer = files::printerOrRaise(hDC);
    // QTextDocument::print paginates a copy of the document for the page
    // (2 cm margins), keeping every font and format.
    std::unique_ptr<QTextDocument> selection;
    const QTextDocument* source = document();
    if (SelLength() != 0) {
        selection = std::make_unique<QTextDocument>();
        selection->setDefaultFont(document()->defaultFont());
        selection->setDefaultTextOption(document()->defaultTextOption());
        QTextCursor(selection.get()).insertFragment(textCursor().selection());
        source = selection.get();
    }
    source->print(&printer);
    if (printer.printerState() == QPrinter::Error) {
        const QString where = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                              : printer.printerName();
        platform::raise(platform::err::FileAccess, QStringLiteral("无法打印到“%1”。").arg(where));
    }
    if (printer.outputFormat() == QPrinter::PdfFormat)
        files::fixPdfTextMapping(printer.outputFileName());
}
