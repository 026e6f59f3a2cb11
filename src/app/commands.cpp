// The main window's commands whose work belongs to other subsystems: the
// documents (files/), the active document (document/) and the shared dialog.
// Each forwards to the subsystem with what it acts on.
#include "app/frmmain.h"
#include "app/sortedcombobox.h"
#include "document/commands.h"
#include "files/documents.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>

frmDocument* frmMain::ActiveForm() const {
    return documents_->active();
}
QList<frmDocument*> frmMain::documents() const {
    return documents_->all();
}
int frmMain::documentCounter() const {
    return documents_->counter();
}

void frmMain::CreateDocumentWindow() {
    documents_->create();
}
void frmMain::OpenFiles(const QStringList& paths, bool firstIntoActive) {
    documents_->openFiles(paths, firstIntoActive);
}
void frmMain::openDocument(const QString& path) {
    documents_->open(path);
}
bool frmMain::saveDocument(frmDocument& form) {
    return documents_->save(form);
}
bool frmMain::confirmDiscard(frmDocument& form) {
    return documents_->confirmDiscard(form);
}
bool frmMain::confirmDiscardAll() {
    return documents_->confirmDiscardAll();
}
bool frmMain::queryEndSession(bool mayAsk) {
    return documents_->queryEndSession(mayAsk);
}
void frmMain::offerRecovery() {
    documents_->offerRecovery();
}

void frmMain::mnuFileNew_Click() {
    documents_->create();
}
void frmMain::mnuWindowNewWindow_Click() {
    documents_->create();
}
void frmMain::mnuFileOpen_Click() {
    documents_->openCommand();
}
void frmMain::mnuFileSave_Click() {
    documents_->saveCommand();
}
void frmMain::mnuFileSaveAs_Click() {
    documents_->saveAsCommand();
}
void frmMain::mnuFilePrint_Click() {
    documents_->print();
}
void frmMain::mnuFilePageSetup_Click() {
    documents_->pageSetup();
}

void frmMain::mnuEditCut_Click() {
    document::cut(ActiveForm());
}
void frmMain::mnuEditCopy_Click() {
    document::copy(ActiveForm());
}
void frmMain::mnuEditPaste_Click() {
    document::paste(ActiveForm());
}
void frmMain::mnFormatFont_Click() {
    document::chooseFont(*dlg, ActiveForm());
}
void frmMain::cboFont_Change() {
    document::setFontName(ActiveForm(), cboFont->currentText());
}
void frmMain::cboSize_Change() {
    document::setFontSize(ActiveForm(), cboSize->currentText());
}

// Files dropped from a file manager open in new document windows.
void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!files::localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QStringList paths = files::localFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    OpenFiles(paths, false);
}
