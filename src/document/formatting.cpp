// Character formatting from the font dialog and the two toolbar boxes. None
// of them reads the selection's format first.
#include "document/activedocument.h"
#include "document/commands.h"
#include "document/richtextbox.h"
#include "platform/commondialog.h"
#include "platform/errors.h"

namespace document {

void chooseFont(platform::CommonDialog& dlg, frmDocument* active) {
    dlg.CancelError = true;
    dlg.Flags = 3;  // screen and printer fonts; no effects section
    // The first failure (Cancel, no document, a value the control refuses)
    // ends the command silently; what was applied before it stays.
    platform::stopSilently([&] {
        dlg.ShowFont();
        RichTextBox& rtf = activeRtfText(active);
        rtf.setSelFontName(dlg.FontName);
        rtf.setSelFontSize(dlg.FontSize);
        rtf.setSelBold(dlg.FontBold);
        rtf.setSelItalic(dlg.FontItalic);
        // Nothing sets these two, so applying a font removes strikethrough
        // and underline.
        rtf.setSelStrikeThru(dlg.FontStrikethru);
        rtf.setSelUnderline(dlg.FontUnderline);
    });
}

void setFontName(frmDocument* active, const QString& name) {
    // The text goes over exactly as typed; any failure is ignored.
    platform::resumeNext([&] { activeRtfText(active).setSelFontName(name); });
}

void setFontSize(frmDocument* active, const QString& size) {
    // No handling: no document, or a text that is not a size the control
    // accepts, goes to the top-level report. The box keeps the text.
    activeRtfText(active).setSelFontSize(size);
}

}  // namespace document
