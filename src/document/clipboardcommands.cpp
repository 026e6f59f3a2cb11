// Cut, copy and paste. The selection goes on the clipboard as plain text for
// terminals and chats, as RTF for word processors and as HTML for mail and
// web editors; paste takes RTF when it is offered, by this program or
// another, and otherwise the text (RTF markup in it arrives formatted).
// Failures are ignored.
#include "app/frmmain.h"
#include "document/activedocument.h"
#include "document/richtextbox.h"
#include "platform/clipboard.h"
#include "platform/errors.h"

#include <QMimeData>

void frmMain::mnuEditCopy_Click() {
    platform::resumeNext([this] { platform::clipboardSetData(activeRtfText(*this).selectionMimeData()); });
}

void frmMain::mnuEditCut_Click() {
    // The selection is deleted only once it is on the clipboard: a cut whose
    // copy failed (no clipboard) keeps the text rather than lose it.
    platform::resumeNext([this] {
        RichTextBox& rtf = activeRtfText(*this);
        platform::clipboardSetData(rtf.selectionMimeData());
        rtf.setSelText(QString());
    });
}

void frmMain::mnuEditPaste_Click() {
    // One step: when the clipboard cannot be read, nothing is assigned and
    // the document stays as it was. Without a document, the clipboard is
    // read and nothing changes.
    platform::resumeNext([this] {
        const QMimeData* data = platform::clipboardData();
        activeRtfText(*this).pasteMimeData(data);
    });
}
