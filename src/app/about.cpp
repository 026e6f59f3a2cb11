#include "app/frmmain.h"
#include "info/frmabout.h"

void frmMain::mnuHelpAbout_Click() {
    // Loaded afresh for each showing, modal, owned by and centred on the
    // main window; unloaded when it closes.
    auto* about = new frmAbout(this);
    // The box's frame is not known before it is shown; it gets the same
    // decorations as this window, so its outer size is estimated from ours
    // and that outer rectangle is centred on our outer rectangle.
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QSize boxOuter = about->size() + QSize(outer.width() - inner.width(), outer.height() - inner.height());
    about->move(outer.center() - QRect(QPoint(0, 0), boxOuter).center());
    about->exec();
}
