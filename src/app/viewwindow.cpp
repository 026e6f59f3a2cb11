// The main window's own commands: the View toggles, the Window arrangements
// and Exit.
#include "app/frmmain.h"
#include "platform/mdiarrange.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"

#include <QAction>
#include <QMdiArea>

namespace {

// Flips the item's check mark, then shows or hides the bar from it. Both
// bars are docked to an edge, so the document area takes or gives back
// their space by itself.
void toggleBar(QAction* item, QWidget* bar) {
    item->setChecked(!item->isChecked());
    bar->setVisible(item->isChecked());
}

}  // namespace

void frmMain::mnViewToolbar_Click() {
    toggleBar(mnViewToolbar, tbToolBar);
}

void frmMain::mnuViewStatusBar_Click() {
    toggleBar(mnuViewStatusBar, sbStatusBar);
}

void frmMain::Arrange(int code) {
    platform::arrange(mdiClient, code);
}

void frmMain::mnuWindowCascade_Click() {
    Arrange(platform::vbCascade);
}

void frmMain::mnuWindowTileHorizontal_Click() {
    Arrange(platform::vbTileHorizontal);
}

void frmMain::mnuWindowTileVertical_Click() {
    Arrange(platform::vbTileVertical);
}

void frmMain::mnuWindowArrangeIcons_Click() {
    Arrange(platform::vbArrangeIcons);
}

void frmMain::mnuFileExit_Click() {
    Unload();
}
