// Creating and naming documents: every new document window comes from
// create(), numbered by the counter, which is never reused.
#include "files/documents.h"

#include "document/frmdocument.h"
#include "files/recovery.h"
#include "platform/errors.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <limits>

namespace files {

Documents::Documents(QMdiArea* area, platform::CommonDialog* dlg, platform::StatusBar* status, QObject* parent)
    : QObject(parent), area_(area), dlg_(dlg), status_(status), recovery_(new Recovery(this)) {}

frmDocument* Documents::active() const {
    QMdiSubWindow* w = area_->currentSubWindow();
    if (!w)
        w = area_->activeSubWindow();
    return w ? qobject_cast<frmDocument*>(w->widget()) : nullptr;
}

QList<frmDocument*> Documents::all() const {
    QList<frmDocument*> result;
    for (QMdiSubWindow* w : area_->subWindowList(QMdiArea::CreationOrder))
        if (auto* d = qobject_cast<frmDocument*>(w->widget()))
            result.append(d);
    return result;
}

void Documents::create() {
    // 1. The next number; past the largest 32-bit value the counter stays
    //    and no window is made.
    if (counter_ == std::numeric_limits<int>::max())
        platform::raise(platform::err::Overflow, QStringLiteral("溢出"));
    ++counter_;
    // 2. A fresh window, loaded (its control fitted to it).
    auto* form = new frmDocument;
    // 3. The untitled caption.
    form->setCaption(QStringLiteral("文档 %1").arg(counter_));
    form->setCloseQuestion([this, form] { return confirmDiscard(*form); });
    // 4. Shown as a child of the main window, and the active document.
    QMdiSubWindow* sub = area_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(area_->window()->windowIcon());
    sub->resize(sub->sizeHint());
    form->show();
    sub->show();
    area_->setActiveSubWindow(sub);
    emit created(form);
    // While it has unsaved changes, a copy is kept for crash recovery.
    recovery_->watch(form->rtfText, [form] {
        return form->Caption().left(2) == QStringLiteral("文档") ? QString() : form->Caption();
    });
}

}  // namespace files
