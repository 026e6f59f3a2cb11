// The frame window's design: menus, toolbar, boxes, status bar and document
// area, built from tables that follow the window's definition row by row.
#include "app/frmmain.h"

#include "app/sortedcombobox.h"
#include "document/formatmap.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "files/commondialog.h"
#include "files/recovery.h"
#include "platform/errors.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/twips.h"
#include "resources/resources.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The document area: the system's application-workspace colour, and a size
// hint of the design-time client area (10005 x 6360 twips).
class MdiClient : public QMdiArea {
public:
    using QMdiArea::QMdiArea;
    QSize sizeHint() const override {
        return {platform::twipsToPixelsX(10005), platform::twipsToPixelsY(6360)};
    }
};

using Handler = void (frmMain::*)();

struct MenuRow {
    QAction* frmMain::*item;  // nullptr for the control array mnuFileMRU
    const char* name;
    const char* caption;      // "-" is a separator
    const char* shortcut;
    Handler handler;          // nullptr: no command
    bool hidden;
    bool checked;             // a check mark that starts on
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

const std::vector<platform::ButtonDefinition> kToolbarButtons = {
    {platform::tbrDefault,     "新建",   "新建",   "新建",   "New",         0},
    {platform::tbrDefault,     "打开",   "打开",   "打开",   "Open",        0},
    {platform::tbrDefault,     "保存",   "保存",   "保存",   "Save",        0},
    {platform::tbrSeparator,   "",       "",       "分隔符", "",            0},
    {platform::tbrDefault,     "打印",   "打印",   "打印",   "Print",       0},
    {platform::tbrSeparator,   "",       "",       "分隔符", "",            0},
    {platform::tbrDefault,     "剪切",   "剪切",   "剪切",   "Cut",         0},
    {platform::tbrDefault,     "复制",   "复制",   "复制",   "Copy",        0},
    {platform::tbrDefault,     "粘贴",   "粘贴",   "粘贴",   "Paste",       0},
    {platform::tbrSeparator,   "",       "",       "分隔符", "",            0},
    {platform::tbrPlaceholder, "",       "",       "字体",   "",            2000},
    {platform::tbrPlaceholder, "",       "",       "字号",   "",            800},
    {platform::tbrCheck,       "粗体",   "粗体",   "粗体",   "Bold",        0},
    {platform::tbrCheck,       "斜体",   "斜体",   "斜体",   "Italic",      0},
    {platform::tbrCheck,       "下划线", "下划线", "下划线", "Underline",   0},
    {platform::tbrSeparator,   "",       "",       "分隔符", "",            0},
    {platform::tbrButtonGroup, "左对齐", "左对齐", "左对齐", "AlignLeft",   0},
    {platform::tbrButtonGroup, "置中",   "置中",   "居中",   "AlignCentre", 0},
    {platform::tbrButtonGroup, "右对齐", "右对齐", "右对齐", "AlignRight",  0},
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

    dlg = new files::CommonDialog(this);
    recovery = new files::Recovery(this);
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
    tbToolBar = new platform::Toolbar(kToolbarButtons, &resources::toolbarPicture, this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setWindowTitle(QStringLiteral("工具栏"));
    tbToolBar->setAccessibleName(QStringLiteral("工具栏"));
    addToolBar(Qt::TopToolBarArea, tbToolBar);
    connect(tbToolBar, &platform::Toolbar::ButtonClick, this,
            [this](platform::Button* b) { platform::dispatch([this, b] { tbToolBar_ButtonClick(b); }); });

    // The two boxes sit on the placeholders 11 and 12, inside the width each
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
    placeBox(cboFont, 11, 2055, QStringLiteral("字体"));
    cboSize = new QComboBox;
    cboSize->setObjectName(QStringLiteral("cboSize"));
    placeBox(cboSize, 12, 735, QStringLiteral("字号"));
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
    tbToolBar->buttons()[11].widget()->setFixedHeight(h);
    tbToolBar->buttons()[12].widget()->setFixedHeight(h);
}

void frmMain::setupStatusBar() {
    sbStatusBar = new platform::StatusBar(kStatusPanels, this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setAccessibleName(QStringLiteral("状态栏"));
    setStatusBar(sbStatusBar);
}

frmDocument* frmMain::ActiveForm() const {
    QMdiSubWindow* w = mdiClient->currentSubWindow();
    if (!w)
        w = mdiClient->activeSubWindow();
    return w ? qobject_cast<frmDocument*>(w->widget()) : nullptr;
}

QList<frmDocument*> frmMain::documents() const {
    QList<frmDocument*> result;
    for (QMdiSubWindow* w : mdiClient->subWindowList(QMdiArea::CreationOrder))
        if (auto* d = qobject_cast<frmDocument*>(w->widget()))
            result.append(d);
    return result;
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
    writeWindowReport();
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

void frmMain::writeWindowReport() const {
    // For end-to-end tests and diagnostics: when SCRIVLET_WINDOW_REPORT names
    // a file, the windows open at exit are listed there, one per line.
    const QString path = qEnvironmentVariable("SCRIVLET_WINDOW_REPORT");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QString report = QStringLiteral("main\t%1\n").arg(windowTitle());
    for (const frmDocument* d : documents())
        report += QStringLiteral("document\t%1\n").arg(d->Caption());
    // What each document holds (first character bold 1/0, first paragraph's
    // alignment code, the text with \\, tab and line ends escaped) and where
    // its window lies in the document area.
    const QSize area = mdiClient->viewport()->size();
    report += QStringLiteral("area\t%1\t%2\n").arg(area.width()).arg(area.height());
    for (QMdiSubWindow* w : mdiClient->subWindowList(QMdiArea::CreationOrder)) {
        const auto* d = qobject_cast<const frmDocument*>(w->widget());
        if (!d)
            continue;
        QTextDocument* doc = d->rtfText->document();
        QTextCursor first(doc);
        first.setPosition(doc->isEmpty() ? 0 : 1);
        const bool bold = !doc->isEmpty() && first.charFormat().fontWeight() >= QFont::Bold;
        const int align = document::alignmentCode(doc->firstBlock().blockFormat().alignment());
        QString text = doc->toPlainText();
        text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
            .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        report += QStringLiteral("content\t%1\t%2\t%3\t%4\n")
                      .arg(d->Caption(), QString::number(bold ? 1 : 0),
                           align < 0 ? QStringLiteral("-") : QString::number(align), text);
        const QRect g = w->geometry();
        report += QStringLiteral("window\t%1\t%2\t%3\t%4\t%5\t%6\n")
                      .arg(d->Caption(), QString::number(g.x()), QString::number(g.y()),
                           QString::number(g.width()), QString::number(g.height()),
                           QString::number(w->isMinimized() ? 1 : 0));
    }
    if (const frmDocument* d = ActiveForm())
        report += QStringLiteral("active\t%1\n").arg(d->Caption());
    f.write(report.toUtf8());
}
