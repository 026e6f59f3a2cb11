#include "platform/commondialog.h"

#include "platform/printerhandles.h"
#include "platform/errors.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QListView>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

namespace platform {

namespace {

CommonDialog::Hook& hook() {
    static CommonDialog::Hook h;
    return h;
}

// "*.rtf;*.doc" -> "*.rtf *.doc"; "*.*" means every file.
QString patternsOf(const QString& pattern) {
    QStringList globs;
    for (const QString& glob : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString g = glob.trimmed();
        globs << (g == QStringLiteral("*.*") ? QStringLiteral("*") : g);
    }
    return globs.join(u' ');
}

// Qt's font dialog has no option to leave out its effects group (underline,
// strikeout); it is the one group box holding check boxes.
QGroupBox* effectsGroup(QFontDialog& dialog) {
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>())
        if (!box->findChildren<QCheckBox*>().isEmpty())
            return box;
    return nullptr;
}

// The filter Qt reports as selected is shown without its patterns when the
// dialog hides them; find the entry it came from.
qsizetype filterIndexOf(const QStringList& filters, const QString& shown) {
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (filters[i] == shown || filters[i].startsWith(shown + QStringLiteral(" (")))
            return i;
    return -1;
}

QString existingFolderOr(const QString& folder, const QString& fallback) {
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

}  // namespace

CommonDialog::CommonDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

CommonDialog::~CommonDialog() {
    releasePrinter(issuedHandle_);
}

void CommonDialog::setTestHook(Hook h) {
    hook() = std::move(h);
}

QStringList CommonDialog::nameFiltersFrom(const QString& filter) {
    const QStringList items = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(items[i], patternsOf(items[i + 1]));
    return filters;
}

QString CommonDialog::defaultPdfFileName() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(existingFolderOr(documents, QDir::homePath())).filePath(QStringLiteral("文档.pdf"));
}

void CommonDialog::cancelled() {
    if (CancelError)
        platform::raise(platform::err::Cancelled, QStringLiteral("选定了“取消”。"));
}

void CommonDialog::ShowOpen() {
    showFileDialog(false);
}

void CommonDialog::ShowSave() {
    showFileDialog(true);
}

void CommonDialog::showFileDialog(bool save) {
    QFileDialog dialog(owner_);
    if (!DialogTitle.isEmpty())
        dialog.setWindowTitle(DialogTitle);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The descriptions as the program wrote them; the patterns still filter.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = nameFiltersFrom(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[std::clamp<qsizetype>(FilterIndex, 1, filters.size()) - 1]);
    }
    // The last name chosen is offered again, in its folder; with none, the
    // folder of the last dialog, or the user's documents.
    QString initialName;
    QString folder = existingFolderOr(
        lastDirectory_,
        existingFolderOr(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath()));
    if (!FileName.isEmpty()) {
        const QFileInfo offered(FileName);
        folder = existingFolderOr(offered.absolutePath(), folder);
        initialName = offered.fileName();
    }
    dialog.setDirectory(folder);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);

    QString chosen;
    if (hook()) {
        DialogRequest request;
        request.kind = save ? DialogRequest::Kind::Save : DialogRequest::Kind::Open;
        request.title = dialog.windowTitle();
        request.flags = Flags;
        request.nameFilters = dialog.nameFilters();
        request.selectedNameFilter = filters.value(filterIndexOf(filters, dialog.selectedNameFilter()));
        request.initialFileName = initialName;
        request.directory = dialog.directory().absolutePath();
        request.confirmsOverwrite = save && !dialog.testOption(QFileDialog::DontConfirmOverwrite);
        request.namesMustExist = dialog.fileMode() == QFileDialog::ExistingFile;
        const DialogAnswer answer = hook()(request);
        if (answer.accepted && !answer.fileName.isEmpty())
            chosen = dialog.directory().absoluteFilePath(answer.fileName);
    } else if (dialog.exec() == QDialog::Accepted) {
        chosen = dialog.selectedFiles().value(0);
        const qsizetype index = filterIndexOf(filters, dialog.selectedNameFilter());
        if (index >= 0)
            FilterIndex = int(index) + 1;
    }
    if (chosen.isEmpty()) {
        // Nothing was chosen: an empty name, never the previous one.
        FileName.clear();
        cancelled();
        return;
    }
    FileName = QDir::cleanPath(QFileInfo(chosen).absoluteFilePath());
    lastDirectory_ = QFileInfo(FileName).absolutePath();
}

void CommonDialog::ShowFont() {
    const bool effects = (Flags & cdlCFEffects) != 0;
    // It opens with the font it returned last; the first time with the
    // documents' own default, 宋体 9 points.
    QFont initial(FontName.isEmpty() ? QStringLiteral("宋体") : FontName);
    initial.setPointSizeF(FontSize > 0 ? FontSize : 9.0);
    initial.setBold(FontBold);
    initial.setItalic(FontItalic);
    if (effects) {
        initial.setUnderline(FontUnderline);
        initial.setStrikeOut(FontStrikethru);
    }
    // A name that is not installed (SimSun on this platform) is shown as the
    // face that stands in for it, not as whatever the list starts with. The
    // Chinese names (宋体 ...) are in the list by their own names.
    if (!QFontDatabase::hasFamily(initial.family()))
        initial.setFamily(QFontInfo(initial).family());
    QFontDialog dialog(owner_);
    dialog.setOption(QFontDialog::DontUseNativeDialog);  // a native one could not hide the effects
    dialog.setCurrentFont(initial);
    QGroupBox* effectsBox = effectsGroup(dialog);
    if (!effects && effectsBox) {
        // The sample beside the group would shrink to a line without it.
        for (QGroupBox* box : dialog.findChildren<QGroupBox*>())
            if (box != effectsBox)
                box->setMinimumHeight(effectsBox->sizeHint().height());
        effectsBox->hide();
        dialog.resize(dialog.width(), dialog.height() + effectsBox->sizeHint().height() / 2);
    }

    QFont chosen;
    if (hook()) {
        DialogRequest request;
        request.kind = DialogRequest::Kind::Font;
        request.title = dialog.windowTitle();
        request.flags = Flags;
        request.font = initial;
        request.effectsOffered = !effectsBox || !effectsBox->isHidden();
        // The first of its lists is the font names'.
        if (const auto lists = dialog.findChildren<QListView*>(); !lists.isEmpty())
            for (int row = 0; row < lists.first()->model()->rowCount(); ++row)
                request.families << lists.first()->model()->index(row, 0).data().toString();
        const DialogAnswer answer = hook()(request);
        if (!answer.accepted)
            return cancelled();
        chosen = answer.font;
    } else {
        if (dialog.exec() != QDialog::Accepted)
            return cancelled();
        chosen = dialog.selectedFont();
    }
    FontName = chosen.family();
    if (chosen.pointSizeF() > 0)
        FontSize = chosen.pointSizeF();
    FontBold = chosen.bold();
    FontItalic = chosen.italic();
    if (effects) {
        FontUnderline = chosen.underline();
        FontStrikethru = chosen.strikeOut();
    }
}

void CommonDialog::ShowPrinter() {
    if (!printer_) {
        printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
        printer_->setDocName(QStringLiteral("文档"));
    }
    // With no printer installed Qt prints to a PDF file; offer one in the
    // user's documents rather than an empty field.
    if (printer_->outputFormat() == QPrinter::PdfFormat && printer_->outputFileName().isEmpty())
        printer_->setOutputFileName(defaultPdfFileName());

    QPrintDialog dialog(printer_.get(), owner_);
    if (!DialogTitle.isEmpty())
        dialog.setWindowTitle(DialogTitle);
    const bool selection = (Flags & cdlPDSelection) != 0;
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintShowPageSize, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, (Flags & cdlPDNoPageNums) == 0);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
    dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);

    if (hook()) {
        DialogRequest request;
        request.kind = DialogRequest::Kind::Printer;
        request.title = dialog.windowTitle();
        request.flags = Flags;
        request.pageRangeEnabled = dialog.testOption(QAbstractPrintDialog::PrintPageRange);
        request.selectionEnabled = dialog.testOption(QAbstractPrintDialog::PrintSelection);
        request.selectionPreselected = dialog.printRange() == QAbstractPrintDialog::Selection;
        request.outputFileName = printer_->outputFileName();
        const DialogAnswer answer = hook()(request);
        if (!answer.accepted)
            return cancelled();
        if (!answer.outputFileName.isEmpty()) {
            printer_->setOutputFormat(QPrinter::PdfFormat);
            printer_->setOutputFileName(answer.outputFileName);
        }
        if (answer.chooseAllPages)
            printer_->setPrintRange(QPrinter::AllPages);
    } else if (dialog.exec() != QDialog::Accepted) {
        return cancelled();
    }

    if (Flags & cdlPDReturnDC) {
        releasePrinter(issuedHandle_);
        issuedHandle_ = registerPrinter(printer_);
        hDC = issuedHandle_;
    }
}

}  // namespace platform
