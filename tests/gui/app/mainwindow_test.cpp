// The main window as designed: caption, menus, toolbar, boxes, status bar.
#include "app/sortedcombobox.h"
#include "document/frmdocument.h"
#include "platform/errors.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "support/app_fixture.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

namespace {

struct ItemRow {
    QString caption;  // "-" for a separator
    QString shortcut;
    bool visible;
    bool checked;
};

std::vector<ItemRow> itemsOf(QMenu* menu) {
    std::vector<ItemRow> rows;
    for (QAction* a : menu->actions()) {
        if (a->property("windowList").toBool())
            continue;
        rows.push_back({a->isSeparator() ? QStringLiteral("-") : a->text(), a->shortcut().toString(), a->isVisible(),
                        a->isChecked()});
    }
    return rows;
}

void expectItems(QMenu* menu, const std::vector<ItemRow>& expected) {
    const std::vector<ItemRow> actual = itemsOf(menu);
    ASSERT_EQ(actual.size(), expected.size()) << menu->title().toStdString();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].caption.toStdString());
        EXPECT_EQ(actual[i].caption, expected[i].caption);
        EXPECT_EQ(actual[i].shortcut, expected[i].shortcut);
        EXPECT_EQ(actual[i].visible, expected[i].visible);
        EXPECT_EQ(actual[i].checked, expected[i].checked);
    }
}

}  // namespace

class MainWindowTest : public AppTest {};

TEST_F(MainWindowTest, CaptionAndDesignClientArea) {
    start();
    EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("Pelm简易文本编辑器"));
    // First run: no saved geometry, the document area is 10005 x 6360 twips.
    EXPECT_EQ(MainForm->mdiClient->size(), QSize(667, 424));
}

TEST_F(MainWindowTest, MenuBarHasTheSixMenusInOrder) {
    start();
    QStringList titles;
    for (QAction* a : MainForm->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"文件(&F)", "编辑(&E)", "视图(&V)", "格式(&O)", "窗口(&W)", "帮助(&H)"}));
}

TEST_F(MainWindowTest, EveryMenuItemWithCaptionShortcutAndState) {
    start();
    expectItems(MainForm->mnFile, {{"新建(&N)", "Ctrl+N", true, false},
                                   {"打开(&O)...", "Ctrl+O", true, false},
                                   {"-", "", true, false},
                                   {"保存(&S)", "Ctrl+S", true, false},
                                   {"另存为(&A)...", "", true, false},
                                   {"-", "", true, false},
                                   {"页面设置(&U)...", "", true, false},
                                   {"打印(&P)...", "Ctrl+P", true, false},
                                   {"-", "", true, false},
                                   {"", "", false, false},
                                   {"", "", false, false},
                                   {"", "", false, false},
                                   {"-", "", false, false},
                                   {"退出(&X)", "", true, false}});
    expectItems(MainForm->mnEdit, {{"剪切(&T)", "Ctrl+X", true, false},
                                   {"复制(&C)", "Ctrl+C", true, false},
                                   {"粘贴(&P)", "Ctrl+V", true, false}});
    expectItems(MainForm->mnView, {{"工具栏(&T)", "", true, true}, {"状态栏(&B)", "", true, true}});
    expectItems(MainForm->mnFormatItem, {{"选择字体(&Z)...", "", true, false}});
    expectItems(MainForm->mnWindow, {{"新建窗口(&N)", "", true, false},
                                     {"-", "", true, false},
                                     {"层叠(&C)", "", true, false},
                                     {"横向平铺(&H)", "", true, false},
                                     {"纵向平铺(&V)", "", true, false},
                                     {"排列图标(&A)", "", true, false}});
    expectItems(MainForm->mnHelpItem, {{"关于(&A)...", "", true, false}});
}

TEST_F(MainWindowTest, ItemsAreReachableByTheirNamesAndAllEnabled) {
    start();
    EXPECT_EQ(MainForm->mnuFileMRU[1]->objectName(), QStringLiteral("mnuFileMRU1"));
    EXPECT_EQ(MainForm->mnuFileMRU[3]->objectName(), QStringLiteral("mnuFileMRU3"));
    EXPECT_EQ(MainForm->mnViewToolbar->objectName(), QStringLiteral("mnViewToolbar"));
    EXPECT_EQ(MainForm->mnuWindowArrangeIcons->text(), QStringLiteral("排列图标(&A)"));
    // With no document window open, every visible item stays enabled.
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    for (QMenu* m : {MainForm->mnFile, MainForm->mnEdit, MainForm->mnView, MainForm->mnFormatItem, MainForm->mnWindow,
                     MainForm->mnHelpItem})
        for (QAction* a : m->actions()) {
            if (a->isVisible()) {
                EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
            }
        }
}

TEST_F(MainWindowTest, VisibleFileMenuHasThreeSeparatorsAndExitFollowsTheThird) {
    start();
    QList<QAction*> visible;
    for (QAction* a : MainForm->mnFile->actions())
        if (a->isVisible())
            visible << a;
    ASSERT_EQ(visible.size(), 10);
    EXPECT_TRUE(visible[2]->isSeparator());  // after Open
    EXPECT_TRUE(visible[5]->isSeparator());  // after Save As
    EXPECT_TRUE(visible[8]->isSeparator());  // after Print
    EXPECT_EQ(visible[9], MainForm->mnuFileExit);
}

TEST_F(MainWindowTest, WindowMenuListsDocumentsWithTheActiveOneChecked) {
    start();
    MainForm->CreateDocumentWindow();
    MainForm->CreateDocumentWindow();
    emit MainForm->mnWindow->aboutToShow();
    QStringList entries;
    QString checked;
    QAction* first = nullptr;
    bool afterItems = false;
    for (QAction* a : MainForm->mnWindow->actions()) {
        if (a == MainForm->mnuWindowArrangeIcons) {
            afterItems = true;
            continue;
        }
        if (!afterItems || a->isSeparator())
            continue;
        entries << a->text();
        if (!first)
            first = a;
        if (a->isChecked())
            checked = a->text();
    }
    EXPECT_EQ(entries, (QStringList{"&1 文档 1", "&2 文档 2", "&3 文档 3"}));
    EXPECT_EQ(checked, QStringLiteral("&3 文档 3"));
    // Choosing an entry activates that window.
    first->trigger();
    EXPECT_EQ(MainForm->ActiveForm()->Caption(), QStringLiteral("文档 1"));
}

TEST_F(MainWindowTest, WindowMenuShowsAnAmpersandInACaptionAsItself) {
    start();
    MainForm->ActiveForm()->setCaption(QStringLiteral("/home/用户/Q&A.rtf"));
    emit MainForm->mnWindow->aboutToShow();
    QStringList entries;
    for (QAction* a : MainForm->mnWindow->actions()) {
        if (a->property("windowList").toBool() && !a->isSeparator())
            entries << a->text();
    }
    // "&&" is a literal '&' in a menu; a single one would underline the "A".
    EXPECT_EQ(entries, QStringList{QStringLiteral("&1 /home/用户/Q&&A.rtf")});
}

struct ButtonRow {
    int style;
    const char* key;
    const char* tooltip;
    const char* description;
    const char* image;
    int width;
};

TEST_F(MainWindowTest, ToolbarHasTheNineteenButtonsInOrder) {
    start();
    const ButtonRow expected[] = {
        {0, "新建", "新建", "新建", "New", 0},
        {0, "打开", "打开", "打开", "Open", 0},
        {0, "保存", "保存", "保存", "Save", 0},
        {3, "", "", "分隔符", "", 0},
        {0, "打印", "打印", "打印", "Print", 0},
        {3, "", "", "分隔符", "", 0},
        {0, "剪切", "剪切", "剪切", "Cut", 0},
        {0, "复制", "复制", "复制", "Copy", 0},
        {0, "粘贴", "粘贴", "粘贴", "Paste", 0},
        {3, "", "", "分隔符", "", 0},
        {4, "", "", "字体", "", 2000},
        {4, "", "", "字号", "", 800},
        {1, "粗体", "粗体", "粗体", "Bold", 0},
        {1, "斜体", "斜体", "斜体", "Italic", 0},
        {1, "下划线", "下划线", "下划线", "Underline", 0},
        {3, "", "", "分隔符", "", 0},
        {2, "左对齐", "左对齐", "左对齐", "AlignLeft", 0},
        {2, "置中", "置中", "居中", "AlignCentre", 0},
        {2, "右对齐", "右对齐", "右对齐", "AlignRight", 0},
    };
    platform::Buttons& buttons = MainForm->tbToolBar->buttons();
    ASSERT_EQ(buttons.Count(), 19);
    for (int i = 1; i <= 19; ++i) {
        const ButtonRow& row = expected[i - 1];
        const platform::Button& b = buttons[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(b.Style(), row.style);
        EXPECT_EQ(b.Key(), QString::fromUtf8(row.key));
        EXPECT_EQ(b.ToolTipText(), QString::fromUtf8(row.tooltip));
        EXPECT_EQ(b.Description(), QString::fromUtf8(row.description));
        EXPECT_EQ(b.ImageKey(), QString::fromUtf8(row.image));
        EXPECT_EQ(b.Width(), row.width);
        EXPECT_EQ(b.Value(), 0);
        if (row.style <= 2) {
            auto* tb = qobject_cast<QToolButton*>(b.widget());
            ASSERT_NE(tb, nullptr);
            EXPECT_EQ(tb->toolTip(), QString::fromUtf8(row.tooltip));
            EXPECT_TRUE(tb->text().isEmpty() || tb->toolButtonStyle() == Qt::ToolButtonIconOnly);
            EXPECT_FALSE(tb->icon().isNull());
            EXPECT_EQ(tb->accessibleName(), QString::fromUtf8(row.tooltip));
        }
    }
    EXPECT_EQ(&buttons[QStringLiteral("置中")], &buttons[18]);
}

TEST_F(MainWindowTest, CheckButtonsFlipAndTheGroupPressesOneBeforeTheClickEvent) {
    start();
    MainForm->mdiClient->closeAllSubWindows();  // nothing may reset the buttons afterwards
    QApplication::processEvents();
    platform::Buttons& b = MainForm->tbToolBar->buttons();
    std::vector<std::pair<QString, int>> seen;
    QObject::connect(MainForm->tbToolBar, &platform::Toolbar::ButtonClick, MainForm,
                     [&](platform::Button* button) { seen.emplace_back(button->Key(), button->Value()); });

    MainForm->tbToolBar->click(b[QStringLiteral("粗体")]);
    MainForm->tbToolBar->click(b[QStringLiteral("斜体")]);
    MainForm->tbToolBar->click(b[QStringLiteral("斜体")]);
    MainForm->tbToolBar->click(b[QStringLiteral("置中")]);
    MainForm->tbToolBar->click(b[QStringLiteral("右对齐")]);
    MainForm->tbToolBar->click(b[QStringLiteral("新建")]);

    const std::vector<std::pair<QString, int>> expected = {{"粗体", 1}, {"斜体", 1},   {"斜体", 0},
                                                           {"置中", 1}, {"右对齐", 1}, {"新建", 0}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(b[QStringLiteral("左对齐")].Value(), 0);
    EXPECT_EQ(b[QStringLiteral("置中")].Value(), 0);
    EXPECT_EQ(b[QStringLiteral("右对齐")].Value(), 1);
    EXPECT_EQ(b[QStringLiteral("粗体")].Value(), 1);
    // The tool button shows the Value.
    EXPECT_TRUE(qobject_cast<QToolButton*>(b[QStringLiteral("右对齐")].widget())->isChecked());
    EXPECT_FALSE(qobject_cast<QToolButton*>(b[QStringLiteral("置中")].widget())->isChecked());
}

TEST_F(MainWindowTest, RealMouseClickOnACheckButtonRaisesOneEventWithTheFlippedValue) {
    start();
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    platform::Button& bold = MainForm->tbToolBar->buttons()[QStringLiteral("粗体")];
    int events = 0;
    QObject::connect(MainForm->tbToolBar, &platform::Toolbar::ButtonClick, MainForm,
                     [&](platform::Button*) { ++events; });
    QTest::mouseClick(bold.widget(), Qt::LeftButton);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(bold.Value(), 1);
    QTest::mouseClick(bold.widget(), Qt::LeftButton);
    EXPECT_EQ(events, 2);
    EXPECT_EQ(bold.Value(), 0);
}

TEST_F(MainWindowTest, UnknownKeyOrIndexRaisesAnError) {
    start();
    platform::Buttons& b = MainForm->tbToolBar->buttons();
    EXPECT_THROW(b[QStringLiteral("居中")], platform::Error);  // the description, not the key
    EXPECT_THROW(b[0], platform::Error);
    EXPECT_THROW(b[20], platform::Error);
}

TEST_F(MainWindowTest, FontBoxIsEditableSortedAndEmpty) {
    start();
    SortedComboBox* box = MainForm->cboFont;
    EXPECT_TRUE(box->isEditable());
    EXPECT_TRUE(box->currentText().isEmpty());
    EXPECT_GT(box->count(), 0);  // the screen's fonts
    // Whatever the order of insertion, the list stays sorted as the zh_CN
    // collation sorts: Chinese names by pinyin (fang song, hei ti, kai ti,
    // song ti, wei ruan), then Latin names alphabetically whatever their case.
    SortedComboBox fresh;
    for (const char* name : {"宋体", "zzz Last", "黑体", "微软雅黑", "aaa First", "仿宋", "mmm middle", "楷体", "BBB"})
        fresh.AddItem(QString::fromUtf8(name));
    QStringList items;
    for (int i = 0; i < fresh.count(); ++i)
        items << fresh.itemText(i);
    EXPECT_EQ(items,
              (QStringList{"仿宋", "黑体", "楷体", "宋体", "微软雅黑", "aaa First", "BBB", "mmm middle", "zzz Last"}));
    EXPECT_TRUE(fresh.currentText().isEmpty());
}

TEST_F(MainWindowTest, SizeBoxHoldsTheTwentyNineSizesInOrderAndNoText) {
    start();
    QComboBox* box = MainForm->cboSize;
    EXPECT_TRUE(box->isEditable());
    EXPECT_TRUE(box->currentText().isEmpty());
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
        EXPECT_EQ(box->itemData(i).toInt(), 0);
    }
    EXPECT_EQ(items,
              (QStringList{"6",  "6.5", "7",  "7.5", "8",  "8.5", "9",  "9.5", "10", "11", "12", "14", "16", "18", "20",
                           "22", "24",  "26", "28",  "30", "32",  "36", "40",  "44", "48", "54", "60", "66", "72"}));
}

TEST_F(MainWindowTest, BoxesSitOnTheirPlaceholdersInTabOrder) {
    start();
    platform::Buttons& b = MainForm->tbToolBar->buttons();
    EXPECT_EQ(MainForm->cboFont->parentWidget(), b[11].widget());
    EXPECT_EQ(MainForm->cboSize->parentWidget(), b[12].widget());
    EXPECT_EQ(b[11].widget()->width(), 133);  // 2000 twips
    EXPECT_EQ(b[12].widget()->width(), 53);   // 800 twips
    EXPECT_EQ(MainForm->cboFont->nextInFocusChain(), MainForm->cboFont->lineEdit());
    EXPECT_LT(MainForm->cboFont->mapTo(MainForm, QPoint()).x(), MainForm->cboSize->mapTo(MainForm, QPoint()).x());
}

TEST_F(MainWindowTest, StatusBarShowsStatusDateAndTime) {
    start();
    platform::StatusBar* sb = MainForm->sbStatusBar;
    ASSERT_EQ(sb->panelCount(), 3);
    EXPECT_EQ(sb->panelText(1), QStringLiteral("状态"));
    EXPECT_EQ(sb->panelText(2), platform::StatusBar::currentDateText());
    EXPECT_EQ(sb->panelText(3).left(2), platform::StatusBar::currentTimeText().left(2));
    EXPECT_EQ(sb->panelLabel(2)->accessibleName(), QStringLiteral("日期"));
    // The first panel is the spring: it is the widest.
    MainForm->resize(900, 600);
    QApplication::processEvents();
    EXPECT_GT(sb->panelLabel(1)->width(), sb->panelLabel(2)->width());
}

TEST_F(MainWindowTest, StatusPanelOneStaysStatusAfterCommands) {
    start();
    MainForm->CreateDocumentWindow();
    MainForm->tbToolBar->click(MainForm->tbToolBar->buttons()[QStringLiteral("粗体")]);
    EXPECT_EQ(MainForm->sbStatusBar->panelText(1), QStringLiteral("状态"));
}

TEST_F(MainWindowTest, ActiveDocumentStaysActiveWhenTheWindowLosesFocus) {
    start();
    MainForm->CreateDocumentWindow();
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    ASSERT_NE(MainForm->ActiveForm(), nullptr);
    EXPECT_EQ(MainForm->ActiveForm()->Caption(), QStringLiteral("文档 2"));
}

TEST_F(MainWindowTest, ScreenReadersCanNameEveryControl) {
    start();
    auto name = [](QObject* o) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
        return a ? a->text(QAccessible::Name) : QString();
    };
    // Each toolbar button by its tooltip text.
    platform::Buttons& b = MainForm->tbToolBar->buttons();
    for (int i = 1; i <= b.Count(); ++i) {
        if (b[i].Style() <= platform::tbrButtonGroup) {
            EXPECT_EQ(name(b[i].widget()), b[i].ToolTipText()) << i;
        }
    }
    // Each box and panel by what it holds.
    EXPECT_EQ(name(MainForm->cboFont), QStringLiteral("字体"));
    EXPECT_EQ(name(MainForm->cboSize), QStringLiteral("字号"));
    EXPECT_EQ(name(MainForm->sbStatusBar->panelLabel(1)), QStringLiteral("状态"));
    EXPECT_EQ(name(MainForm->sbStatusBar->panelLabel(2)), QStringLiteral("日期"));
    EXPECT_EQ(name(MainForm->sbStatusBar->panelLabel(3)), QStringLiteral("时间"));
    EXPECT_EQ(name(MainForm), QStringLiteral("Pelm简易文本编辑器"));
}
