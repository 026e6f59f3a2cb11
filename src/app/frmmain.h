// The program's one top-level window: the multiple-document frame with the
// menu bar, the toolbar with the font-name and font-size boxes, the status bar
// and the document area. Its controls are members reached by name; its
// behaviour is the set of handlers below, which forward to the subsystems
// that own the work (the documents, the active document, the dialogs).
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>

class QAction;
class QComboBox;
class QMenu;
class QMdiArea;
class frmDocument;
class SortedComboBox;

namespace platform {
class Button;
class CommonDialog;
class StatusBar;
class Toolbar;
}  // namespace platform
namespace files {
class Documents;
class Recovery;
}  // namespace files

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // Controls.
    QMdiArea* mdiClient = nullptr;
    platform::Toolbar* tbToolBar = nullptr;
    SortedComboBox* cboFont = nullptr;
    QComboBox* cboSize = nullptr;
    platform::StatusBar* sbStatusBar = nullptr;
    platform::CommonDialog* dlg = nullptr;

    // Menus and their items.
    QMenu* mnFile = nullptr;
    QAction* mnuFileNew = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileBar0 = nullptr;
    QAction* mnuFileSave = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFileBar2 = nullptr;
    QAction* mnuFilePageSetup = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuFileBar3 = nullptr;
    std::array<QAction*, 4> mnuFileMRU{};  // indexes 1 to 3
    QAction* mnuFileBar5 = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnEdit = nullptr;
    QAction* mnuEditCut = nullptr;
    QAction* mnuEditCopy = nullptr;
    QAction* mnuEditPaste = nullptr;
    QMenu* mnView = nullptr;
    QAction* mnViewToolbar = nullptr;
    QAction* mnuViewStatusBar = nullptr;
    QMenu* mnFormatItem = nullptr;
    QAction* mnFormatFont = nullptr;
    QMenu* mnWindow = nullptr;
    QAction* mnuWindowNewWindow = nullptr;
    QAction* mnuWindowBar0 = nullptr;
    QAction* mnuWindowCascade = nullptr;
    QAction* mnuWindowTileHorizontal = nullptr;
    QAction* mnuWindowTileVertical = nullptr;
    QAction* mnuWindowArrangeIcons = nullptr;
    QMenu* mnHelpItem = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // The active document window, or nullptr when none is open. It stays the
    // active document while a dialog is open or another program has the focus.
    frmDocument* ActiveForm() const;
    // Every open document window, in the order of the window list.
    QList<frmDocument*> documents() const;

    // Loads the window (MDIForm_Load) on the first call, then shows it.
    void Show();
    // Unloads the window: the document windows close without a question, then
    // MDIForm_Unload runs.
    void Unload();

    // Outer geometry in twips and the window state (0 normal, 1 minimised,
    // 2 maximised).
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void setLeft(double twips);
    void setTop(double twips);
    void setWidth(double twips);
    void setHeight(double twips);
    int WindowState() const;

    // Lays out the document windows: 0 cascade, 1 tile horizontally,
    // 2 tile vertically, 3 arrange icons.
    void Arrange(int code);

    // Creates a new empty document window "文档 N" and makes it active.
    void CreateDocumentWindow();
    // Opens each file (absolute paths) as File › Open would: the first into
    // the active document when firstIntoActive is set, every other one into
    // a new document window. A file that cannot be opened is reported and
    // the rest still open.
    void OpenFiles(const QStringList& paths, bool firstIntoActive);
    int documentCounter() const;

    // What Open does once a file is chosen: the active document window takes
    // the file's content and then its name. A failing load raises and leaves
    // the window as it was.
    void openDocument(const QString& path);

    // Unsaved changes. saveDocument saves as File > Save does (an untitled
    // document asks for a name) and returns false when nothing was written
    // because the user cancelled; a failed write raises. confirmDiscard asks
    // whether to save a changed document before it goes, and returns false
    // when it must stay (cancelled, or saving did not succeed, which is
    // reported). confirmDiscardAll asks for every changed document, the
    // active one first, and stops at the first that must stay.
    bool saveDocument(frmDocument& form);
    bool confirmDiscard(frmDocument& form);
    bool confirmDiscardAll();
    // The desktop session is ending: asks as at Exit when the session
    // manager lets the program ask, else keeps copies of every changed
    // document. Returns false when the user wants to stay.
    bool queryEndSession(bool mayAsk);
    // Offers the documents that instances no longer running left unsaved.
    void offerRecovery();
    // Copies of changed documents, for crash recovery.
    files::Recovery* recovery = nullptr;

    // Handlers.
    void MDIForm_Load();
    void MDIForm_Unload();
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFilePageSetup_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnFormatFont_Click();
    void mnuWindowNewWindow_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();
    void mnuHelpAbout_Click();
    void tbToolBar_ButtonClick(platform::Button* Button);
    void cboFont_Change();
    void cboSize_Change();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Files dropped from a file manager open in new document windows.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setupMenus();
    void setupToolbar();
    void setupStatusBar();
    void rebuildWindowList();
    // Shows the form's selection format on the formatting buttons.
    void showSelectionFormat(const frmDocument& form);

    files::Documents* documents_ = nullptr;
    bool loaded_ = false;
    bool unloaded_ = false;
    QList<QAction*> windowListActions_;
};
