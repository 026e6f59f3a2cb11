// Print and Page Setup. Both ignore every error: each step runs on its own
// and a failing one is skipped. Print tests the last error for a cancelled
// dialog (32755) before printing, and reports a print that failed (a PDF
// that could not be written, a job the printer refused): the user must not
// go looking for pages that never came.
#include "document/activedocument.h"
#include "document/keptrtf.h"
#include "document/richtextbox.h"
#include "files/documents.h"
#include "platform/commondialog.h"
#include "platform/errors.h"
#include "platform/longwork.h"
#include "platform/statusbar.h"

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

namespace files {

void Documents::print() {
    if (!active())
        return;  // no dialog, nothing printed
    platform::CommonDialog* dlg = dlg_;
    ResumeNext step;
    step([dlg] {
        dlg->DialogTitle = QStringLiteral("Print");
        dlg->CancelError = true;
        dlg->Flags = platform::cdlPDReturnDC | platform::cdlPDNoPageNums;
    });
    // With a selection the dialog preselects the Selection range; the range
    // finally chosen is never read: SelPrint prints the selection if any.
    step([this, dlg] {
        if (document::activeRtfText(active()).SelLength() != 0)
            dlg->Flags = platform::cdlPDReturnDC | platform::cdlPDNoPageNums | platform::cdlPDSelection;
    });
    step([dlg] { dlg->ShowPrinter(); });
    if (step.lastError() != platform::err::Cancelled)
        platform::dispatch([this, dlg] {
            QTextDocument& printed = *document::activeRtfText(active()).document();
            document::KeptRtf::of(printed).setPrintsFilePage(!pageSetupChosen_);
            platform::LongWork work(status_->panelLabel(1), QStringLiteral("正在打印…"));
            document::activeRtfText(active()).SelPrint(dlg->hDC);
        });
}

void Documents::pageSetup() {
    // The print dialog under another title, with the Flags the last dialog
    // command left; its choices stay with the dialog's printer (paper,
    // orientation, printer), and the program reads nothing back.
    platform::CommonDialog* dlg = dlg_;
    ResumeNext step;
    step([dlg] {
        dlg->DialogTitle = QStringLiteral("页面设置");
        dlg->CancelError = true;
    });
    step([dlg] { dlg->ShowPrinter(); });
    if (step.lastError() == 0)
        pageSetupChosen_ = true;
}

}  // namespace files
