// The documents of the main window's document area: making and naming their
// windows, moving them between windows and files, the question before a
// changed one goes, printing, and the copies kept for crash recovery. The
// main window's commands forward here; errors go to the caller as the
// commands' own handling decides.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QMdiArea;
class QMimeData;
class frmDocument;

namespace platform {
class CommonDialog;
class StatusBar;
}  // namespace platform

namespace files {

class Recovery;

class Documents : public QObject {
    Q_OBJECT
public:
    // The area holds the document windows; the dialog is the shared common
    // dialog; the status bar's first panel shows progress on long work.
    Documents(QMdiArea* area, platform::CommonDialog* dlg, platform::StatusBar* status, QObject* parent);

    // The active document window, or nullptr when none is open. It stays the
    // active document while a dialog is open or another program has the focus.
    frmDocument* active() const;
    // Every open document window, in the order of the window list.
    QList<frmDocument*> all() const;
    // The number of the last untitled document ("文档 N"); never reused.
    int counter() const { return counter_; }
    // Copies of changed documents, for crash recovery.
    Recovery* recovery() const { return recovery_; }

    // Makes a new empty document window "文档 N" and makes it active.
    void create();
    // File › Open: asks about the active document's changes, then for a file.
    void openCommand();
    // The active document window takes the file's content and then its
    // name. A failing load raises and leaves the window as it was.
    void open(const QString& path);
    // Opens each file (absolute paths) as Open would: the first into the
    // active document when firstIntoActive is set, every other one into a
    // new window. A file that cannot be opened is reported and the rest
    // still open.
    void openFiles(const QStringList& paths, bool firstIntoActive);
    // Saves as File › Save does (an untitled document asks for a name);
    // false when nothing was written because the user cancelled. A failed
    // write raises.
    bool save(frmDocument& form);
    void saveCommand();
    void saveAsCommand();

    // Asks whether to save a changed document before it goes; false when it
    // must stay (cancelled, or saving did not succeed, which is reported).
    bool confirmDiscard(frmDocument& form);
    // Asks for every changed document, the active one first, and stops at
    // the first that must stay.
    bool confirmDiscardAll();
    // The desktop session is ending: asks as at Exit when the session
    // manager lets the program ask, else keeps copies of every changed
    // document. False when the user wants to stay.
    bool queryEndSession(bool mayAsk);
    // Offers the documents that instances no longer running left unsaved.
    void offerRecovery();

    // File › Print and File › Page Setup.
    void print();
    void pageSetup();

signals:
    // A new document window is in the area.
    void created(frmDocument* form);

private:
    void write(frmDocument& form, const QString& path, int type);

    QMdiArea* area_;
    platform::CommonDialog* dlg_;
    platform::StatusBar* status_;
    Recovery* recovery_;
    int counter_ = 0;
    // Page Setup was confirmed: its paper wins over the one a file names.
    bool pageSetupChosen_ = false;
};

// The local files a drag carries, or none when it carries anything else.
QStringList localFiles(const QMimeData* data);

}  // namespace files
