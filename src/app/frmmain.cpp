// The frame window's design: menus, toolbar, boxes, status bar and document
// area, built from tables that follow the window's definition row by row.
#include "app/frmmain.h"

#include "app/sortedcombobox.h"
#include "app/windowreport.h"
#include "document/commands.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "files/documents.h"
#include "files/recovery.h"
#include "platform/commondialog.h"
#include "platform/errors.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "resources/resources.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSessionManager>
#include <QTimer>

#include <algorithm>

namespace {

// The document area: the system's application-workspace colour, and a size
// hint of the design-time client area (10005 x 6360 twips).
class MdiClient : public QMdiArea {
public:
    using QMdiArea::QMdiArea;
    QSize sizeHint() const override { return {platform::twipsToPixelsX(10005), platform::twipsToPixelsY(6360)}; }
};

using Handler = void (frmMain::*)();

struct MenuRow {
    QAction* frmMain::*item;  // nullptr for the control array mnuFileMRU
    const char* name;
    const char* caption;  // "-" is a separator
    const char* shortcut;
    Handler handler;  // nullptr: no command
    bool hidden;
    bool checked;  // a check mark that starts on
};

// clang-format off
const MenuRow kFileMenu[] = {
    {&frmMain::mnuFileNew,       "mnuFileNew",       "新建(&N)",       "Ctrl+N", &frmMain::mnuFileNew_Click,       false, false},
    {&frmMain::mnuFileOpen,      "mnuFileOpen",      "打开(&O)...",    "Ctrl+O", &frmMain::mnuFileOpen_Click,      false, false},
    {&frmMain::mnuFileBar0,      "mnuFileBar0",      "-",              "",       nullptr,                          false, false},
    {&frmMain::mnuFileSave,      "mnuFileSave",      "保存(&S)",       "Ctrl+S", &frmMain::mnuFileSave_Click,      false, false},
    {&frmMain::mnuFileSaveAs,    "mnuFileSaveAs",    "另存为(&A)...",  "",       &frmMain::mnuFileSaveAs_Click,    false, false},
    {&frmMain::mnuFileBar2,      "mnuFileBar2",      "-",              "",       nullptr,                          false, false},
    {&frmMain::mnuFilePageSetup, "mnuFilePageSetup", "页面设置(&U)...", "",      &frmMain::mnuFilePageSetup_Click, false, false},
    {&frmMain::mnuFilePrint,     "mnuFilePrint",     "打印(&P)...",    "Ctrl+P", &frmMain::mnuFilePrint_Click,     false, false},
    {&frmMain::mnuFileBar3,      "mnuFileBar3",      "-",              "",       nullptr,                          false, false},
    {nullptr,                    "mnuFileMRU",       "",               "",       nullptr,                          true,  false},
    {&frmMain::mnuFileBar5,      "mnuFileBar5",      "-",              "",       nullptr,                          true,  false},
    {&frmMain::mnuFileExit,      "mnuFileExit",      "退出(&X)",       "",       &frmMain::mnuFileExit_Click,      false, false},
};
const MenuRow kEditMenu[] = {
    {&frmMain::mnuEditCut,   "mnuEditCut",   "剪切(&T)", "Ctrl+X", &frmMain::mnuEditCut_Click,   false, false},
    {&frmMain::mnuEditCopy,  "mnuEditCopy",  "复制(&C)", "Ctrl+C", &frmMain::mnuEditCopy_Click,  false, false},
    {&frmMain::mnuEditPaste, "mnuEditPaste", "粘贴(&P)", "Ctrl+V", &frmMain::mnuEditPaste_Click, false, false},
};
const MenuRow kViewMenu[] = {
    {&frmMain::mnViewToolbar,    "mnViewToolbar",    "工具栏(&T)", "", &frmMain::mnViewToolbar_Click,    false, true},
    {&frmMain::mnuViewStatusBar, "mnuViewStatusBar", "状态栏(&B)", "", &frmMain::mnuViewStatusBar_Click, false, true},
};
const MenuRow kFormatMenu[] = {
    {&frmMain::mnFormatFont, "mnFormatFont", "选择字体(&Z)...", "", &frmMain::mnFormatFont_Click, false, false},
};
const MenuRow kWindowMenu[] = {
    {&frmMain::mnuWindowNewWindow,      "mnuWindowNewWindow",      "新建窗口(&N)", "", &frmMain::mnuWindowNewWindow_Click,      false, false},
    {&frmMain::mnuWindowBar0,           "mnuWindowBar0",           "-",            "", nullptr,                                 false, false},
    {&frmMain::mnuWindowCascade,        "mnuWindowCascade",        "层叠(&C)",     "", &frmMain::mnuWindowCascade_Click,        false, false},
    {&frmMain::mnuWindowTileHorizontal, "mnuWindowTileHorizontal", "横向平铺(&H)", "", &frmMain::mnuWindowTileHorizontal_Click, false, false},
    {&frmMain::mnuWindowTileVertical,   "mnuWindowTileVertical",   "纵向平铺(&V)", "", &frmMain::mnuWindowTileVertical_Click,   false, false},
    {&frmMain::mnuWindowArrangeIcons,   "mnuWindowArrangeIcons",   "排列图标(&A)", "", &frmMain::mnuWindowArrangeIcons_Click,   false, false},
};
const MenuRow kHelpMenu[] = {
    {&frmMain::mnuHelpAbout, "mnuHelpAbout", "关于(&A)...", "", &frmMain::mnuHelpAbout_Click, false, false},
};

// What a toolbar button does. A click runs the first row with the button's
// key: a main-window command, whose failures are skipped except for Open and
// Save, which report theirs as the menu does (a file that was not read or
// written must never look as if it had been); or a formatting button, which
// also shows the selection's format. The two placeholders hold the boxes.
enum class Box { None, FontName, FontSize };
struct ToolbarRow {
    platform::ButtonDefinition button;
    Handler command = nullptr;
    bool reportsFailure = false;
    document::FormatButton format = {};
    Box box = Box::None;
};

using document::FormatButton;
using RTB = RichTextBox;
const std::vector<ToolbarRow> kToolbar = {
    {{platform::tbrDefault,     "新建",   "新建",   "新建",   "New",         0},    &frmMain::CreateDocumentWindow},
    {{platform::tbrDefault,     "打开",   "打开",   "打开",   "Open",        0},    &frmMain::mnuFileOpen_Click, true},
    {{platform::tbrDefault,     "保存",   "保存",   "保存",   "Save",        0},    &frmMain::mnuFileSave_Click, true},
    {{platform::tbrSeparator,   "",       "",       "分隔符", "",            0}},
    {{platform::tbrDefault,     "打印",   "打印",   "打印",   "Print",       0},    &frmMain::mnuFilePrint_Click},
    {{platform::tbrSeparator,   "",       "",       "分隔符", "",            0}},
    {{platform::tbrDefault,     "剪切",   "剪切",   "剪切",   "Cut",         0},    &frmMain::mnuEditCut_Click},
    {{platform::tbrDefault,     "复制",   "复制",   "复制",   "Copy",        0},    &frmMain::mnuEditCopy_Click},
    {{platform::tbrDefault,     "粘贴",   "粘贴",   "粘贴",   "Paste",       0},    &frmMain::mnuEditPaste_Click},
    {{platform::tbrSeparator,   "",       "",       "分隔符", "",            0}},
    {{platform::tbrPlaceholder, "",       "",       "字体",   "",            2000}, nullptr, false, {}, Box::FontName},
    {{platform::tbrPlaceholder, "",       "",       "字号",   "",            800},  nullptr, false, {}, Box::FontSize},
    {{platform::tbrCheck,       "粗体",   "粗体",   "粗体",   "Bold",        0},    nullptr, false, {&RTB::SelBold, &RTB::setSelBold}},
    {{platform::tbrCheck,       "斜体",   "斜体",   "斜体",   "Italic",      0},    nullptr, false, {&RTB::SelItalic, &RTB::setSelItalic}},
    {{platform::tbrCheck,       "下划线", "下划线", "下划线", "Underline",   0},    nullptr, false, {&RTB::SelUnderline, &RTB::setSelUnderline}},
    {{platform::tbrSeparator,   "",       "",       "分隔符", "",            0}},
    {{platform::tbrButtonGroup, "左对齐", "左对齐", "左对齐", "AlignLeft",   0},    nullptr, false, {nullptr, nullptr, 0}},
    {{platform::tbrButtonGroup, "置中",   "置中",   "居中",   "AlignCentre", 0},    nullptr, false, {nullptr, nullptr, 2}},
    {{platform::tbrButtonGroup, "右对齐", "右对齐", "右对齐", "AlignRight",  0},    nullptr, false, {nullptr, nullptr, 1}},
};

const std::vector<platform::PanelDefinition> kStatusPanels = {
    {platform::sbrText, "状态", platform::sbrSpring,   6810, 1440},
    {platform::sbrDate, "",     platform::sbrContents, 1440, 1440},
    {platform::sbrTime, "",     platform::sbrContents, 1440, 1440},
};

const char* const kSizes[] = {"6",  "6.5", "7",  "7.5", "8",  "8.5", "9",  "9.5", "10", "11",
                              "12", "14",  "16", "18",  "20", "22",  "24", "26",  "28", "30",
                              "32", "36",  "40", "44",  "48", "54",  "60", "66",  "72"};
// clang-format on

std::vector<platform::ButtonDefinition> toolbarButtons() {
    std::vector<platform::ButtonDefinition> buttons;
    for (const ToolbarRow& row : kToolbar)
        buttons.push_back(row.button);
    return buttons;
}

// The toolbar slot (counted from 1) that holds the box.
int slotOf(Box box) {
    const auto row = std::find_if(kToolbar.begin(), kToolbar.end(),
                                  [box](const ToolbarRow& r) { return r.box == box; });
    return int(row - kToolbar.begin()) + 1;
}

}  // namespace

frmMain::frmMain() {
    setWindowTitle(QStringLiteral("Pelm简易文本编辑器"));
    setWindowIcon(resources::appIcon());
    setAccessibleName(windowTitle());
    // The View menu's check marks are the only switches of the bars: no menu
    // of bars on the toolbar that could hide it behind them.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(true);  // files from a file manager

    mdiClient = new MdiClient(this);
    mdiClient->setObjectName(QStringLiteral("mdiClient"));
    mdiClient->setBackground(palette().brush(QPalette::Dark));  // application workspace
    mdiClient->setAccessibleName(QStringLiteral("文档区"));
    setCentralWidget(mdiClient);

    dlg = new platform::CommonDialog(this);
    // A desktop session that logs out asks as Exit does, where the session
    // manager lets the program ask.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        bool stay = false;
        platform::dispatch([&] { stay = !queryEndSession(manager.allowsInteraction()); });
        if (stay)
            manager.cancel();
        manager.release();
    });

    setupMenus();
    setupToolbar();
    setupStatusBar();

    documents_ = new files::Documents(mdiClient, dlg, sbStatusBar, this);
    recovery = documents_->recovery();
    // Every document window keeps the formatting buttons in step with its
    // selection.
    connect(documents_, &files::Documents::created, this, [this](frmDocument* form) {
        connect(form, &frmDocument::SelChange, this, [this, form] { showSelectionFormat(*form); });
    });

    // No window is laid out before it is loaded and shown; size it to the
    // design-time client area now so the geometry applies on top of it.
    resize(sizeHint());
}

frmMain::~frmMain() {
    // Destroying the document area still reports window changes; this half
    // destroyed window must not hear them.
    disconnect(mdiClient, nullptr, this, nullptr);
}

void frmMain::setupMenus() {
    auto build = [this](QMenu* menu, const MenuRow* rows, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const MenuRow& row = rows[i];
            if (!row.item) {
                // The control array mnuFileMRU, indexes 1 to 3: empty and hidden.
                for (int k = 1; k <= 3; ++k) {
                    QAction* a = menu->addAction(QString());
                    a->setObjectName(QStringLiteral("mnuFileMRU%1").arg(k));
                    a->setVisible(false);
                    mnuFileMRU[std::size_t(k)] = a;
                }
                continue;
            }
            QAction* a = QString::fromUtf8(row.caption) == QStringLiteral("-")
                             ? menu->addSeparator()
                             : menu->addAction(QString::fromUtf8(row.caption));
            a->setObjectName(QString::fromLatin1(row.name));
            if (*row.shortcut)
                a->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
            if (row.hidden)
                a->setVisible(false);
            if (row.checked) {
                a->setCheckable(true);
                a->setChecked(true);
            }
            this->*row.item = a;
            if (row.handler) {
                const Handler h = row.handler;
                connect(a, &QAction::triggered, this, [this, a, h](bool) {
                    // A check mark belongs to the handler, which flips it
                    // itself: undo the menu's own flip first.
                    if (a->isCheckable()) {
                        const QSignalBlocker block(a);
                        a->setChecked(!a->isChecked());
                    }
                    platform::dispatch([this, h] { (this->*h)(); });
                });
            }
        }
    };
    mnFile = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    build(mnFile, kFileMenu, std::size(kFileMenu));
    mnEdit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    build(mnEdit, kEditMenu, std::size(kEditMenu));
    mnView = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    build(mnView, kViewMenu, std::size(kViewMenu));
    mnFormatItem = menuBar()->addMenu(QStringLiteral("格式(&O)"));
    build(mnFormatItem, kFormatMenu, std::size(kFormatMenu));
    mnWindow = menuBar()->addMenu(QStringLiteral("窗口(&W)"));
    build(mnWindow, kWindowMenu, std::size(kWindowMenu));
    mnHelpItem = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    build(mnHelpItem, kHelpMenu, std::size(kHelpMenu));

    mnFile->setObjectName(QStringLiteral("mnFile"));
    mnEdit->setObjectName(QStringLiteral("mnEdit"));
    mnView->setObjectName(QStringLiteral("mnView"));
    mnFormatItem->setObjectName(QStringLiteral("mnFormatItem"));
    mnWindow->setObjectName(QStringLiteral("mnWindow"));
    mnHelpItem->setObjectName(QStringLiteral("mnHelpItem"));

    // The window list follows the menu's own items whenever it opens, and
    // whenever the set of windows or the active one changes (so keyboard
    // users and screen readers see it current too).
    connect(mnWindow, &QMenu::aboutToShow, this, &frmMain::rebuildWindowList);
    connect(mdiClient, &QMdiArea::subWindowActivated, this, [this] { rebuildWindowList(); });
}

void frmMain::rebuildWindowList() {
    for (QAction* a : windowListActions_) {
        mnWindow->removeAction(a);
        a->deleteLater();
    }
    windowListActions_.clear();
    const QList<QMdiSubWindow*> windows = mdiClient->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    windowListActions_.append(mnWindow->addSeparator());
    windowListActions_.back()->setProperty("windowList", true);
    QMdiSubWindow* current = mdiClient->currentSubWindow();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        ++n;
        const QString title = w->widget() ? w->widget()->windowTitle() : w->windowTitle();
        // A '&' in a file name is shown as itself, not taken as an access key.
        QString shown = title;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = mnWindow->addAction(n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(shown)
                                                : QStringLiteral("%1 %2").arg(n).arg(shown));
        a->setProperty("windowList", true);
        a->setCheckable(true);
        a->setChecked(w == current);
        a->setData(title);
        connect(a, &QAction::triggered, this, [this, w](bool) {
            if (mdiClient->subWindowList().contains(w)) {
                if (w->isMinimized())
                    w->showNormal();
                mdiClient->setActiveSubWindow(w);
            }
        });
        windowListActions_.append(a);
    }
}

void frmMain::setupToolbar() {
    tbToolBar = new platform::Toolbar(toolbarButtons(), &resources::toolbarPicture, this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setWindowTitle(QStringLiteral("工具栏"));
    tbToolBar->setAccessibleName(QStringLiteral("工具栏"));
    addToolBar(Qt::TopToolBarArea, tbToolBar);
    connect(tbToolBar, &platform::Toolbar::ButtonClick, this,
            [this](platform::Button* b) { platform::dispatch([this, b] { tbToolBar_ButtonClick(b); }); });

    // The two boxes sit on their placeholders, inside the width each
    // reserves (2760/2055 and 4800/735 twips at design time).
    auto placeBox = [this](QComboBox* box, int placeholder, int widthTwips, const QString& name) {
        QWidget* slot = tbToolBar->buttons()[placeholder].widget();
        box->setParent(slot);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);  // Enter adds no entry
        box->setCompleter(nullptr);                 // typing applies exactly what is typed
        box->setFixedWidth(platform::twipsToPixelsX(widthTwips));
        box->move(0, 0);
        box->setAccessibleName(name);
        box->lineEdit()->setAccessibleName(name);
        box->setEditText(QString());
    };
    cboFont = new SortedComboBox;
    cboFont->setObjectName(QStringLiteral("cboFont"));
    placeBox(cboFont, slotOf(Box::FontName), 2055, QStringLiteral("字体"));
    cboSize = new QComboBox;
    cboSize->setObjectName(QStringLiteral("cboSize"));
    placeBox(cboSize, slotOf(Box::FontSize), 735, QStringLiteral("字号"));
    for (const char* s : kSizes)
        cboSize->addItem(QString::fromLatin1(s), 0);
    // No entry selected and no text, in either box.
    cboSize->setCurrentIndex(-1);
    cboFont->setEditText(QString());
    cboSize->setEditText(QString());
    // Only the user's edits of the text reach the handlers: choosing an entry
    // from the list changes the text without an edit and applies nothing.
    connect(cboFont->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString&) { platform::dispatch([this] { cboFont_Change(); }); });
    connect(cboSize->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString&) { platform::dispatch([this] { cboSize_Change(); }); });
    setTabOrder(cboFont, cboSize);
    const int h = std::max(cboFont->sizeHint().height(), tbToolBar->buttons()[1].widget()->height());
    tbToolBar->buttons()[slotOf(Box::FontName)].widget()->setFixedHeight(h);
    tbToolBar->buttons()[slotOf(Box::FontSize)].widget()->setFixedHeight(h);
}

void frmMain::tbToolBar_ButtonClick(platform::Button* Button) {
    const QString key = Button->Key();
    for (const ToolbarRow& row : kToolbar) {
        if (row.button.key.isEmpty() || row.button.key != key)
            continue;
        if (row.format.isFormatting())
            document::clickFormatButton(row.format, ActiveForm(), *Button);
        else if (row.reportsFailure)
            platform::dispatch([&] { (this->*row.command)(); });
        else if (row.command)
            platform::resumeNext([&] { (this->*row.command)(); });
        return;
    }
}

void frmMain::showSelectionFormat(const frmDocument& form) {
    // Each button is set outright from the window's own control.
    platform::Buttons& b = tbToolBar->buttons();
    for (const ToolbarRow& row : kToolbar)
        if (row.format.isFormatting())
            b[row.button.key].setValue(document::formatButtonPressed(row.format, *form.rtfText) ? 1 : 0);
}

void frmMain::setupStatusBar() {
    sbStatusBar = new platform::StatusBar(kStatusPanels, this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setAccessibleName(QStringLiteral("状态栏"));
    setStatusBar(sbStatusBar);
}

void frmMain::Show() {
    const bool first = !loaded_;
    if (!loaded_) {
        loaded_ = true;
        MDIForm_Load();
    }
    show();
    // Once the window is up: documents that a crashed instance left.
    if (first)
        QTimer::singleShot(0, this, [this] { platform::dispatch([this] { offerRecovery(); }); });
}

void frmMain::Unload() {
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (unloaded_) {
        event->accept();
        return;
    }
    // Every changed document asks first; a cancel keeps the program running
    // and writes nothing.
    bool mayClose = false;
    platform::dispatch([&] { mayClose = confirmDiscardAll(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    unloaded_ = true;
    writeWindowReport(*this);
    // The document windows go first; each was saved or given up above.
    for (QMdiSubWindow* w : mdiClient->subWindowList()) {
        if (auto* form = qobject_cast<frmDocument*>(w->widget()))
            form->closeWithoutAsking();
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->close();
    }
    // A normal exit: no copy is needed any more.
    recovery->finish();
    platform::dispatch([this] { MDIForm_Unload(); });
    event->accept();
}
