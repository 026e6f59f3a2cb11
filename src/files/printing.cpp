// Print and Page Setup. Both ignore every error: each step runs on its own
// and a failing one is skipped. Print tests the last error for a cancelled
// dialog (32755) before printing, and reports a print that failed (a PDF
// that could not be written, a job the printer refused): the user must not
// go looking for pages that never came.
#include "app/frmmain.h"
#include "document/activedocument.h"
#include "document/richtextbox.h"
#include "files/commondialog.h"
#include "platform/errors.h"

namespace {

// Runs steps with errors ignored, remembering the number of the most recent
// failure (0 until one fails), as the handlers test it.
class ResumeNext {
public:
    void operator()(const std::function<void()>& step) {
        if (const int number = platform::resumeNext(step))
            lastError_ = number;
    }
    int lastError() const { return lastError_; }

private:
    int lastError_ = 0;
};

}  // namespace

void frmMain::mnuFilePrint_Click() {
    if (!ActiveForm())
        return;  // no dialog, nothing printed
    ResumeNext step;
    step([this] {
        dlg->DialogTitle = QStringLiteral("Print");
        dlg->CancelError = true;
        dlg->Flags = files::cdlPDReturnDC | files::cdlPDNoPageNums;
    });
    // With a selection the dialog preselects the Selection range; the range
    // finally chosen is never read: SelPrint prints the selection if any.
    step([this] {
        if (activeRtfText(*this).SelLength() != 0)
            dlg->Flags = files::cdlPDReturnDC | files::cdlPDNoPageNums | files::cdlPDSelection;
    });
    step([this] { dlg->ShowPrinter(); });
    if (step.lastError() != platform::err::Cancelled)
        platform::dispatch([this] { activeRtfText(*this).SelPrint(dlg->hDC); });
}

void frmMain::mnuFilePageSetup_Click() {
    // The print dialog under another title, with the Flags the last dialog
    // command left; its choices stay with the dialog's printer (paper,
    // orientation, printer), and the program reads nothing back.
    ResumeNext step;
    step([this] {
        dlg->DialogTitle = QStringLiteral("页面设置");
        dlg->CancelError = true;
    });
    step([this] { dlg->ShowPrinter(); });
}
