// Character formatting from the font dialog and the two toolbar boxes. None
// of them reads the selection's format first.
#include "app/frmmain.h"
#include "app/sortedcombobox.h"
#include "document/activedocument.h"
#include "document/richtextbox.h"
#include "files/commondialog.h"
#include "platform/errors.h"

void frmMain::mnFormatFont_Click() {
    dlg->CancelError = true;
    dlg->Flags = 3;  // screen and printer fonts; no effects section
    // The first failure (Cancel, no document, a value the control refuses)
    // ends the command silently; what was applied before it stays.
    platform::stopSilently([this] {
        dlg->ShowFont();
        RichTextBox& rtf = activeRtfText(*this);
        rtf.setSelFontName(dlg->FontName);
        rtf.setSelFontSize(dlg->FontSize);
        rtf.setSelBold(dlg->FontBold);
        rtf.setSelItalic(dlg->FontItalic);
        // Nothing sets these two, so applying a font removes strikethrough
        // and underline.
        rtf.setSelStrikeThru(dlg->FontStrikethru);
        rtf.setSelUnderline(dlg->FontUnderline);
    });
}

void frmMain::cboFont_Change() {
    // The text goes over exactly as typed; any failure is ignored.
    platform::resumeNext([this] { activeRtfText(*this).setSelFontName(cboFont->currentText()); });
}

void frmMain::cboSize_Change() {
    // No handling: no document, or a text that is not a size the control
    // accepts, goes to the top-level report. The box keeps the text.
    activeRtfText(*this).setSelFontSize(cboSize->currentText());
}
