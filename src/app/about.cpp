#include "app/frmmain.h"
#include "info/frmabout.h"

void frmMain::mnuHelpAbout_Click() {
    // Loaded afresh for each showing, modal, owned by and centred on the
    // main window; unloaded when it closes.
    auto* about = new frmAbout(this);
    about->move(frameGeometry().center() - about->rect().center());
    about->exec();
}
