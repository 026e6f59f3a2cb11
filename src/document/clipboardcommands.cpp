// Cut, copy and paste. Formatted text travels through the clipboard's
// plain-text format as RTF markup: copy puts the selection's RTF there, paste
// hands the clipboard's text to the control as RTF. Failures are ignored.
#include "app/frmmain.h"
#include "document/activedocument.h"
#include "document/richtextbox.h"
#include "platform/clipboard.h"
#include "platform/errors.h"

void frmMain::mnuEditCopy_Click() {
    platform::resumeNext([this] { platform::clipboardSetText(activeRtfText(*this).SelRTF()); });
}

void frmMain::mnuEditCut_Click() {
    // The selection is deleted only once it is on the clipboard: a cut whose
    // copy failed (no clipboard) keeps the text rather than lose it.
    platform::resumeNext([this] {
        RichTextBox& rtf = activeRtfText(*this);
        platform::clipboardSetText(rtf.SelRTF());
        rtf.setSelText(QString());
    });
}

void frmMain::mnuEditPaste_Click() {
    // One step: when the clipboard cannot be read, nothing is assigned and
    // the document stays as it was. Without a document, the clipboard is
    // read and nothing changes.
    platform::resumeNext([this] {
        const QString text = platform::clipboardGetText();
        activeRtfText(*this).setSelRTF(text);
    });
}
