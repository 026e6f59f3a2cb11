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
    mnuEditCopy_Click();
    platform::resumeNext([this] { activeRtfText(*this).setSelText(QString()); });
}

void frmMain::mnuEditPaste_Click() {
    QString text;
    platform::resumeNext([&] { text = platform::clipboardGetText(); });
    platform::resumeNext([&] { activeRtfText(*this).setSelRTF(text); });
}
