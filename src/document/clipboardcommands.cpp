// Cut, copy and paste. The selection goes on the clipboard as plain text for
// terminals and chats, as RTF for word processors and as HTML for mail and
// web editors; paste takes RTF when it is offered, by this program or
// another, and otherwise the text (RTF markup in it arrives formatted).
// Failures are ignored.
#include "document/activedocument.h"
#include "document/commands.h"
#include "document/richtextbox.h"
#include "platform/clipboard.h"
#include "platform/errors.h"

#include <QMimeData>

namespace document {

void copy(frmDocument* active) {
    platform::resumeNext([active] { platform::clipboardSetData(activeRtfText(active).selectionMimeData()); });
}

void cut(frmDocument* active) {
    // The selection is deleted only once it is on the clipboard: a cut whose
    // copy failed (no clipboard) keeps the text rather than lose it.
    platform::resumeNext([active] {
        RichTextBox& rtf = activeRtfText(active);
        platform::clipboardSetData(rtf.selectionMimeData());
        rtf.setSelText(QString());
    });
}

void paste(frmDocument* active) {
    // One step: when the clipboard cannot be read, nothing is assigned and
    // the document stays as it was. Without a document, the clipboard is
    // read and nothing changes.
    platform::resumeNext([active] {
        const QMimeData* data = platform::clipboardData();
        activeRtfText(active).pasteMimeData(data);
    });
}

}  // namespace document
