// Commands whose features are still being built: present in the menus and
// on the toolbar, and doing nothing yet.
#include "app/frmmain.h"

void frmMain::mnuFileOpen_Click() {}
void frmMain::mnuFileSave_Click() {}
void frmMain::mnuFileSaveAs_Click() {}
void frmMain::mnuFilePageSetup_Click() {}
void frmMain::mnuFilePrint_Click() {}
