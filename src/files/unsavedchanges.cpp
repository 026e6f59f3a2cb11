// Unsaved changes: the question before a changed document is closed,
// replaced or abandoned at exit or logout, and the offer of the copies that
// a crashed or killed instance left behind.
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "files/documents.h"
#include "files/recovery.h"
#include "platform/errors.h"
#include "platform/messagebox.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTextDocument>

namespace {

bool isChanged(const frmDocument& form) {
    return form.rtfText->document()->isModified();
}

}  // namespace

namespace files {

bool Documents::confirmDiscard(frmDocument& form) {
    if (!isChanged(form))
        return true;
    const int answer = platform::question(
        QStringLiteral("是否保存对“%1”的更改？").arg(form.Caption()),
        {QStringLiteral("保存(&S)"), QStringLiteral("不保存(&N)"), QStringLiteral("取消")});
    // 不保存: the copy goes with the window (or with the content Open
    // replaces), not before: the user may still cancel the Open dialog.
    if (answer == platform::vbNo)
        return true;
    if (answer != platform::vbYes)
        return false;
    // A failed write is reported as from the menu, and the document stays.
    bool saved = false;
    platform::dispatch([&] { saved = save(form); });
    return saved;
}

bool Documents::confirmDiscardAll() {
    QList<QPointer<frmDocument>> order;
    frmDocument* front = active();
    if (front)
        order.append(front);
    for (frmDocument* form : all())
        if (form != front)
            order.append(form);
    for (const QPointer<frmDocument>& form : order) {
        if (!form || !isChanged(*form))
            continue;
        // The document asked about is the one in front.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget()))
            area_->setActiveSubWindow(sub);
        if (!confirmDiscard(*form))
            return false;
    }
    return true;
}

bool Documents::queryEndSession(bool mayAsk) {
    if (mayAsk)
        return confirmDiscardAll();
    // Not allowed to ask: the copies keep the text for the next start.
    recovery_->flush();
    return true;
}

void Documents::offerRecovery() {
    AbandonedCopies found = Recovery::findAbandoned();
    if (found.documents.empty()) {
        found.discard();  // folders without copies
        return;
    }
    const int answer = platform::question(
        QStringLiteral("Scrivlet 上次没有正常退出。是否恢复 %1 个未保存的文档？").arg(found.documents.size()),
        {QStringLiteral("恢复(&R)"), QStringLiteral("放弃(&D)")});
    if (answer == platform::vbNo) {
        found.discard();
        return;
    }
    if (answer != platform::vbYes)
        return;  // closed without an answer: offered again next time
    std::vector<RecoveredDocument> restored;
    for (const RecoveredDocument& doc : found.documents) {
        // Each in a window of its own; one that cannot be read is reported
        // and its copy stays for the next start.
        platform::dispatch([&] {
            create();
            frmDocument& form = *active();
            RichTextBox& box = *form.rtfText;
            try {
                box.LoadFile(doc.copyPath);
            } catch (...) {
                form.closeWithoutAsking();
                form.parentWidget()->close();
                throw;
            }
            box.setFileType(doc.fileType);
            box.setPlainTextForm(doc.encoding, doc.lineEnd);
            if (!doc.filePath.isEmpty())
                form.setCaption(doc.filePath);
            box.document()->setModified(true);  // closing it asks
            recovery_->writeCopy(&box);
            restored.push_back(doc);
        });
    }
    found.documents = restored;
    recovery_->adopt(std::move(found));
}

}  // namespace files
