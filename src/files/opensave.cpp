// Open, Save and Save As: moving a document between its window and a file.
// The window caption is the document's only name ("文档 N" while untitled);
// the file's format on saving follows the name's extension. None of the
// three handles errors: a failing load or save goes to the caller (the
// top-level report from the menu, ignored from the toolbar), and what was
// done before it stands.
#include "app/frmmain.h"
#include "document/activedocument.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "files/commondialog.h"
#include "platform/longwork.h"
#include "platform/statusbar.h"

#include <QFileInfo>

namespace {

const QString kFileFilter = QStringLiteral("RTF 格式|*.rtf|文本文件(*.txt)|*.txt|所有文件|*.*");

// Control file types.
constexpr int rtfRTF = 0;
constexpr int rtfText = 1;

// Sets up the shared dialog for a file command and runs it; returns the
// chosen path, or "" when nothing was chosen.
QString askForFile(files::CommonDialog& dlg, const QString& title, bool save) {
    dlg.DialogTitle = title;
    dlg.CancelError = false;
    dlg.Filter = kFileFilter;
    if (save)
        dlg.ShowSave();
    else
        dlg.ShowOpen();
    return dlg.FileName;
}

// The format a path is saved in: plain text for a name ending in ".txt" in
// any case, otherwise RTF, the control's own format (also for a name with
// neither extension, which would otherwise be silently not saved at all).
int fileTypeFor(const QString& path) {
    return path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) ? rtfText : rtfRTF;
}

// Writes the active document, with the feedback a long save gets.
void saveActive(const frmMain& main, const QString& path) {
    platform::LongWork work(main.sbStatusBar->panelLabel(1),
                            QStringLiteral("正在保存“%1”…").arg(QFileInfo(path).fileName()));
    activeRtfText(main).SaveFile(path, fileTypeFor(path));
}

// An untitled document's caption starts with "文档".
bool isUntitled(const frmDocument& form) {
    return form.Caption().left(2) == QStringLiteral("文档");
}

}  // namespace

void frmMain::mnuFileOpen_Click() {
    if (!ActiveForm())
        CreateDocumentWindow();
    const QString path = askForFile(*dlg, QStringLiteral("打开"), false);
    if (path.isEmpty())
        return;  // a window made above stays, empty and untitled
    openDocument(path);
}

void frmMain::openDocument(const QString& path) {
    RichTextBox& box = activeRtfText(*this);
    platform::LongWork work(sbStatusBar->panelLabel(1),
                            QStringLiteral("正在打开“%1”…").arg(QFileInfo(path).fileName()), &box.loadProgress());
    box.LoadFile(path);  // the whole content is replaced
    activeDocument(*this).setCaption(path);  // only after a successful load
}

void frmMain::mnuFileSave_Click() {
    if (!ActiveForm())
        return;
    if (isUntitled(*ActiveForm())) {
        const QString path = askForFile(*dlg, QStringLiteral("保存"), true);
        if (path.isEmpty())
            return;
        // The caption stays untitled: the next Save asks for a name again.
        saveActive(*this, path);
        return;
    }
    saveActive(*this, activeDocument(*this).Caption());
}

void frmMain::mnuFileSaveAs_Click() {
    if (!ActiveForm())
        return;
    const QString path = askForFile(*dlg, QStringLiteral("另存为"), true);
    if (path.isEmpty())
        return;
    activeDocument(*this).setCaption(path);  // before writing, and kept if writing fails
    saveActive(*this, path);
}
