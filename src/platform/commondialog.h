// The shared common dialog: one object with the properties and show methods
// the commands use, whose values persist from one use to the next, over Qt's
// file, font and print dialogs.
//
// Property semantics on this platform:
// - DialogTitle is the title of the file and print dialogs (an empty title
//   leaves Qt's own). The font dialog keeps its own title, since no command
//   sets one for it and a title left by a file command would be wrong there.
// - CancelError: when true, Cancel makes the show method raise
//   platform::err::Cancelled (32755); when false the method returns normally.
// - Filter: "description|pattern|description|pattern...", turned into the
//   file dialog's name filters in order, each "description (patterns)"; a
//   pattern may list several globs separated by ';'. "*.*" means every file,
//   as users of such filters expect, so it becomes "*". The dialog shows the
//   descriptions alone, exactly as written.
// - FilterIndex: the selected filter entry, from 1; updated after OK.
// - FileName: offered as the initial name of the next file dialog (its folder
//   is where the dialog opens), and the full path chosen after OK. A
//   cancelled file dialog clears it to "": callers act on any non-empty
//   FileName, so a cancel must never look like a choice of the old file.
// - Flags: read by the dialog shown next. The file dialogs take no option
//   from it: they always ask before overwriting an existing file (save) and
//   insist on an existing file (open). Font: with cdlCFEffects (0x100) the
//   underline and strikethrough choices are offered and read back; without it
//   they are hidden and FontUnderline/FontStrikethru keep their values.
//   Printer: 0x100 leaves a printer handle in hDC, 0x008 disables the page
//   range, 0x001 enables and preselects the Selection range.
// - hDC: a handle from platform/printerhandles.h naming the printer the print
//   dialog configured. The dialog keeps one printer for its lifetime, so the
//   choices made in it (printer, paper, output file) carry over to the next
//   print dialog.
#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace platform {

// Print dialog option bits.
inline constexpr int cdlPDSelection = 0x001;
inline constexpr int cdlPDNoPageNums = 0x008;
inline constexpr int cdlPDReturnDC = 0x100;
// Font dialog option bits.
inline constexpr int cdlCFScreenFonts = 0x001;
inline constexpr int cdlCFPrinterFonts = 0x002;
inline constexpr int cdlCFEffects = 0x100;

// What a dialog was about to show, for tests that answer dialogs through the
// seam. Read from the configured Qt dialog where Qt exposes it.
struct DialogRequest {
    enum class Kind { Open, Save, Printer, Font };
    Kind kind = Kind::Open;
    QString title;  // the window title the dialog would have
    int flags = 0;  // Flags at the time of showing

    // File dialogs.
    QStringList nameFilters;
    QString selectedNameFilter;
    QString initialFileName;  // the name offered in the name field
    QString directory;        // the folder the dialog opens in
    bool confirmsOverwrite = false;
    bool namesMustExist = false;

    // Font dialog.
    QFont font;  // the font it opens with
    bool effectsOffered = false;
    QStringList families;  // the names its font list offers, in order

    // Print dialog.
    bool pageRangeEnabled = false;
    bool selectionEnabled = false;
    bool selectionPreselected = false;
    QString outputFileName;  // the PDF file offered when printing to a file
};

// How the test answers. accepted false is Cancel.
struct DialogAnswer {
    bool accepted = false;
    QString fileName;             // file dialogs: the name typed (relative to the dialog's folder or absolute)
    QFont font;                   // font dialog
    QString outputFileName;       // print dialog: print into this PDF file (empty: keep the printer's choice)
    bool chooseAllPages = false;  // print dialog: the user switched the range to All

    static DialogAnswer cancel() { return {}; }
    static DialogAnswer ok() { return {true, {}, {}, {}, false}; }
    static DialogAnswer file(const QString& name) { return {true, name, {}, {}, false}; }
    static DialogAnswer chooseFont(const QFont& f) { return {true, {}, f, {}, false}; }
    static DialogAnswer printTo(const QString& pdf) { return {true, {}, {}, pdf, false}; }
};

class CommonDialog : public QObject {
    Q_OBJECT
public:
    explicit CommonDialog(QWidget* owner);
    ~CommonDialog() override;

    QString DialogTitle;
    bool CancelError = false;
    QString Filter;
    int FilterIndex = 1;
    QString FileName;
    int Flags = 0;
    int hDC = 0;
    QString FontName;
    double FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontStrikethru = false;
    bool FontUnderline = false;

    void ShowOpen();
    void ShowSave();
    void ShowPrinter();
    void ShowFont();

    // The seam: while a hook is set, every show method configures its Qt
    // dialog as usual, describes it to the hook instead of running it, and
    // takes the hook's answer as the user's. nullptr restores the real
    // dialogs.
    using Hook = std::function<DialogAnswer(const DialogRequest&)>;
    static void setTestHook(Hook hook);

    // "desc|pat|desc|pat" as name filters, "desc (pat)", in order.
    static QStringList nameFiltersFrom(const QString& filter);

    // The PDF file offered when the chosen printer prints to a file and none
    // was chosen before: 文档.pdf in the user's documents folder.
    static QString defaultPdfFileName();

private:
    void showFileDialog(bool save);
    void cancelled();

    QWidget* owner_;
    QString lastDirectory_;              // where the last file dialog ended
    std::shared_ptr<QPrinter> printer_;  // configured by every print dialog
    int issuedHandle_ = 0;               // the handle this object last left in hDC
};

}  // namespace platform
