// Creating and naming documents: every new document window comes from
// CreateDocumentWindow, numbered by DocumentCounter, which is never reused.
#include "app/frmmain.h"
#include "document/frmdocument.h"
#include "files/recovery.h"
#include "platform/errors.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <limits>

void frmMain::CreateDocumentWindow() {
    // 1. The next number; past the largest 32-bit value the counter stays
    //    and no window is made.
    if (DocumentCounter == std::numeric_limits<int>::max())
        platform::raise(platform::err::Overflow, QStringLiteral("溢出"));
    ++DocumentCounter;
    // 2. A fresh window, loaded (its control fitted to it).
    auto* form = new frmDocument;
    // 3. The untitled caption.
    form->setCaption(QStringLiteral("文档 %1").arg(DocumentCounter));
    // 4. Shown as a child of the main window, and the active document.
    QMdiSubWindow* sub = mdiClient->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    sub->resize(sub->sizeHint());
    form->show();
    sub->show();
    mdiClient->setActiveSubWindow(sub);
    // While it has unsaved changes, a copy is kept for crash recovery.
    if (recovery)
        recovery->watch(form->rtfText, [form] { return form->Caption().left(2) == QStringLiteral("文档") ? QString() : form->Caption(); });
}

void frmMain::mnuFileNew_Click() {
    CreateDocumentWindow();
}

void frmMain::mnuWindowNewWindow_Click() {
    CreateDocumentWindow();
}
