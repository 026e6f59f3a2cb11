// Open, Save and Save As: moving a document between its window and a file.
// The window caption is the document's only name ("文档 N" while untitled).
// A document opened from a file is saved back in the format it was read in;
// a new name chooses by its extension. Open asks before it replaces a
// changed document. Errors go to the caller (the top-level report, from the
// menu and the toolbar alike), and what was done before them stands.
#include "document/activedocument.h"
#include "document/formatloss.h"
#include "document/keptrtf.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "files/documents.h"
#include "files/recovery.h"
#include "platform/commondialog.h"
#include "platform/longwork.h"
#include "platform/messagebox.h"
#include "platform/statusbar.h"

#include <QFileInfo>
#include <QPointer>

namespace {

const QString kFileFilter = QStringLiteral("RTF 格式|*.rtf|文本文件(*.txt)|*.txt|所有文件|*.*");

// Control file types.
constexpr int rtfRTF = 0;
constexpr int rtfText = 1;

// Sets up the shared dialog for a file command and runs it; returns the
// chosen path, or "" when nothing was chosen.
QString askForFile(platform::CommonDialog& dlg, const QString& title, bool save) {
    dlg.DialogTitle = title;
    dlg.CancelError = false;
    dlg.Filter = kFileFilter;
    if (save)
        dlg.ShowSave();
    else
        dlg.ShowOpen();
    return dlg.FileName;
}

// The format a new name is saved in: ".rtf" and ".txt" in any case decide;
// with neither, a document read as plain text stays plain text and any
// other gets RTF (rather than not being saved at all).
int fileTypeFor(const QString& path, const RichTextBox& box) {
    if (path.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive))
        return rtfRTF;
    if (path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
        return rtfText;
    return box.FileType() == rtfText ? rtfText : rtfRTF;
}

// Plain text drops bold, fonts, colours and alignment: the user agrees
// first. False when the answer was no.
bool mayDropFormatting(const RichTextBox& box, int type) {
    if (type != rtfText || !document::losesFormattingAsPlainText(*box.document()))
        return true;
    return platform::question(QStringLiteral("以纯文本格式保存将丢失所有格式。是否继续？"),
                              {QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")}) == platform::vbYes;
}

// What the file held that saving as RTF cannot write back as it was: said
// once per document, before the first such save writes.
void tellWhatChanges(const RichTextBox& box, int type) {
    if (type != rtfRTF)
        return;
    document::KeptRtf& kept = document::KeptRtf::of(*box.document());
    const QStringList losses = kept.losses();
    if (losses.isEmpty() || kept.noticeShown())
        return;
    kept.setNoticeShown();
    QString text = QStringLiteral("此文档中有些内容无法按原样保存：\n");
    for (const QString& loss : losses)
        text += QStringLiteral("\n• ") + loss;
    text += QStringLiteral("\n\n其余内容将按原样保存。");
    platform::messageBox(text, platform::MsgStyle::Information);
}

// An untitled document's caption starts with "文档".
bool isUntitled(const frmDocument& form) {
    return form.Caption().left(2) == QStringLiteral("文档");
}

}  // namespace

namespace files {

// Writes the document, with the feedback a long save gets; its recovery
// copy is not needed any more. No copy is taken while a long save reads
// the document on another thread; a failed save keeps the copy and takes
// the next one as after a change.
void Documents::write(frmDocument& form, const QString& path, int type) {
    RichTextBox& box = *form.rtfText;
    recovery_->pause(&box);
    try {
        platform::LongWork work(status_->panelLabel(1),
                                QStringLiteral("正在保存“%1”…").arg(QFileInfo(path).fileName()));
        box.SaveFile(path, type);
    } catch (...) {
        recovery_->changed(&box);
        throw;
    }
    recovery_->forget(&box);
}

void Documents::openCommand() {
    if (!active())
        create();
    else if (!confirmDiscard(document::activeDocument(active())))
        return;  // asked before the dialog; the document stays as it is
    const QString path = askForFile(*dlg_, QStringLiteral("打开"), false);
    if (path.isEmpty())
        return;  // a window made above stays, empty and untitled
    open(path);
}

void Documents::open(const QString& path) {
    // A long load keeps the window running: the user may make another
    // document active meanwhile, and the file's name must still go to the
    // window that took its content, or a later Save would write that other
    // document over the file.
    const QPointer<frmDocument> form = &document::activeDocument(active());
    {
        RichTextBox& box = *form->rtfText;
        platform::LongWork work(status_->panelLabel(1), QStringLiteral("正在打开“%1”…").arg(QFileInfo(path).fileName()),
                                &box.loadProgress());
        box.LoadFile(path);  // the whole content is replaced
    }
    if (!form)
        return;
    form->setCaption(path);  // only after a successful load
    recovery_->forget(form->rtfText);
}

bool Documents::save(frmDocument& form) {
    RichTextBox& box = *form.rtfText;
    QString path;
    int type = rtfRTF;
    if (isUntitled(form)) {
        // The caption stays untitled: the next Save asks for a name again.
        path = askForFile(*dlg_, QStringLiteral("保存"), true);
        if (path.isEmpty())
            return false;
        type = fileTypeFor(path, box);
    } else {
        // A file goes back in the format it was read in, whatever its name.
        path = form.Caption();
        type = box.FileType() >= 0 ? box.FileType() : fileTypeFor(path, box);
    }
    if (!mayDropFormatting(box, type))
        return false;
    tellWhatChanges(box, type);
    write(form, path, type);
    return true;
}

void Documents::saveCommand() {
    if (!active())
        return;
    save(*active());
}

void Documents::saveAsCommand() {
    if (!active())
        return;
    const QString path = askForFile(*dlg_, QStringLiteral("另存为"), true);
    if (path.isEmpty())
        return;
    frmDocument& form = document::activeDocument(active());
    RichTextBox& box = *form.rtfText;
    const int type = fileTypeFor(path, box);
    if (!mayDropFormatting(box, type))
        return;  // nothing written, nothing changed
    // The caption and the format change before writing, and stay if
    // writing fails: the next Save tries the same file again.
    form.setCaption(path);
    box.setFileType(type);
    tellWhatChanges(box, type);
    write(form, path, type);
}

}  // namespace files
