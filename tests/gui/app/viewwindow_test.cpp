// The main window's own commands: the two View toggles, the four Window
// arrangements and File Exit.
#include "app/sortedcombobox.h"
#include "support/commandtestutil.h"
#include "platform/errors.h"
#include "platform/mdiarrange.h"
#include "platform/registry/registry_shell.h"
#include "platform/statusbar.h"
#include "support/app_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QContextMenuEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

using namespace cmdtest;

class ViewCommandsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        start();
        // A fixed frame size, whatever geometry earlier tests saved.
        MainForm->resize(760, 620);
        settle();
    }
    static QRect area() { return MainForm->mdiClient->geometry(); }
    static void settle() {
        // The frame lays out again on later passes of the event loop: wait
        // until the document area stops moving.
        QRect last;
        for (int i = 0; i < 10; ++i) {
            QApplication::processEvents();
            if (i > 1 && area() == last)
                break;
            last = area();
        }
    }
};

TEST_F(ViewCommandsTest, HidingTheToolbarHidesTheBoxesAndGivesItsHeightToTheDocumentArea) {
    const QRect before = area();
    const int barHeight = MainForm->tbToolBar->height();
    MainForm->cboFont->setEditText(QStringLiteral("宋体"));
    MainForm->cboSize->setEditText(QStringLiteral("14"));

    MainForm->mnViewToolbar->trigger();
    settle();
    EXPECT_FALSE(MainForm->mnViewToolbar->isChecked());
    EXPECT_FALSE(MainForm->tbToolBar->isVisible());
    EXPECT_FALSE(MainForm->cboFont->isVisible());
    EXPECT_FALSE(MainForm->cboSize->isVisible());
    EXPECT_EQ(area().top(), before.top() - barHeight);
    EXPECT_EQ(area().bottom(), before.bottom());
    EXPECT_EQ(area().height(), before.height() + barHeight);
    EXPECT_TRUE(MainForm->sbStatusBar->isVisible());

    MainForm->mnViewToolbar->trigger();
    settle();
    EXPECT_TRUE(MainForm->mnViewToolbar->isChecked());
    EXPECT_TRUE(MainForm->tbToolBar->isVisible());
    EXPECT_TRUE(MainForm->cboFont->isVisible());
    EXPECT_TRUE(MainForm->cboSize->isVisible());
    EXPECT_EQ(MainForm->cboFont->currentText(), QStringLiteral("宋体"));
    EXPECT_EQ(MainForm->cboSize->currentText(), QStringLiteral("14"));
    EXPECT_EQ(area(), before);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ViewCommandsTest, HidingTheStatusBarLetsTheDocumentAreaGrowDownward) {
    const QRect before = area();
    const int barHeight = MainForm->sbStatusBar->height();

    MainForm->mnuViewStatusBar->trigger();
    settle();
    EXPECT_FALSE(MainForm->mnuViewStatusBar->isChecked());
    EXPECT_FALSE(MainForm->sbStatusBar->isVisible());
    EXPECT_EQ(area().top(), before.top());
    EXPECT_EQ(area().height(), before.height() + barHeight);
    EXPECT_TRUE(MainForm->tbToolBar->isVisible());
    EXPECT_TRUE(MainForm->mnViewToolbar->isChecked());

    MainForm->mnuViewStatusBar->trigger();
    settle();
    EXPECT_TRUE(MainForm->mnuViewStatusBar->isChecked());
    EXPECT_TRUE(MainForm->sbStatusBar->isVisible());
    EXPECT_EQ(area(), before);
}

TEST_F(ViewCommandsTest, ThreeTogglesLeaveTheBarHiddenAndTheCheckMarkOff) {
    for (int i = 1; i <= 3; ++i) {
        MainForm->mnViewToolbar_Click();
        MainForm->mnuViewStatusBar_Click();
        EXPECT_EQ(MainForm->mnViewToolbar->isChecked(), i % 2 == 0) << i;
        EXPECT_EQ(MainForm->tbToolBar->isVisible(), i % 2 == 0) << i;
        EXPECT_EQ(MainForm->mnuViewStatusBar->isChecked(), i % 2 == 0) << i;
        EXPECT_EQ(MainForm->sbStatusBar->isVisible(), i % 2 == 0) << i;
    }
}

TEST_F(ViewCommandsTest, BothBarsHiddenAreShownAgainAfterARestart) {
    MainForm->mnViewToolbar->trigger();
    MainForm->mnuViewStatusBar->trigger();
    shutDown();
    start();
    settle();
    EXPECT_TRUE(MainForm->mnViewToolbar->isChecked());
    EXPECT_TRUE(MainForm->mnuViewStatusBar->isChecked());
    EXPECT_TRUE(MainForm->tbToolBar->isVisible());
    EXPECT_TRUE(MainForm->sbStatusBar->isVisible());
}

// ---- Window: arrangements ---------------------------------------------------

struct ArrangeCase {
    int code;
    int windows;                 // document windows, in creation order
    std::vector<int> minimised;  // their indexes (0-based)
};

void PrintTo(const ArrangeCase& c, std::ostream* os) {
    *os << "code " << c.code << ", " << c.windows << " windows, " << c.minimised.size() << " minimised";
}

std::string arrangeCaseName(const ::testing::TestParamInfo<ArrangeCase>& info) {
    const char* names[] = {"Cascade", "TileHorizontal", "TileVertical", "ArrangeIcons"};
    std::string name = std::string(names[info.param.code]) + std::to_string(info.param.windows) + "Windows";
    if (!info.param.minimised.empty()) {
        name += "Minimised";
        for (int i : info.param.minimised)
            name += std::to_string(i + 1);
    }
    return name;
}

class ArrangeTest : public ViewCommandsTest, public ::testing::WithParamInterface<ArrangeCase> {
protected:
    void SetUp() override {
        ViewCommandsTest::SetUp();
        for (int i = 1; i < GetParam().windows; ++i)
            MainForm->CreateDocumentWindow();
        subs = MainForm->mdiClient->subWindowList(QMdiArea::CreationOrder);
        ASSERT_EQ(subs.size(), GetParam().windows);
        // Scatter the windows so that no arrangement holds by chance.
        for (int i = 0; i < int(subs.size()); ++i)
            subs[i]->setGeometry(37 + 23 * i, 19 + 11 * i, 250 + 10 * i, 170 - 10 * i);
        for (int i : GetParam().minimised)
            subs[i]->showMinimized();
        settle();
        // Minimised windows away from the bottom row, for arrange icons to fix.
        for (int i : GetParam().minimised)
            subs[i]->move(60 + 30 * i, 40);
        for (QMdiSubWindow* w : subs)
            before.append(w->geometry());
    }

    bool isMinimised(int i) const {
        const std::vector<int>& m = GetParam().minimised;
        return std::find(m.begin(), m.end(), i) != m.end();
    }

    QList<QMdiSubWindow*> subs;
    QList<QRect> before;
};

TEST_P(ArrangeTest, LaysOutTheWindowsItShouldAndLeavesTheOthers) {
    const ArrangeCase& c = GetParam();
    QAction* items[] = {MainForm->mnuWindowCascade, MainForm->mnuWindowTileHorizontal, MainForm->mnuWindowTileVertical,
                        MainForm->mnuWindowArrangeIcons};
    items[c.code]->trigger();
    settle();
    EXPECT_TRUE(messages.empty());

    const QSize client = MainForm->mdiClient->viewport()->size();
    QList<int> normal, icons;
    for (int i = 0; i < int(subs.size()); ++i)
        (isMinimised(i) ? icons : normal).append(i);
    for (int i : icons)
        EXPECT_TRUE(subs[i]->isMinimized()) << i;
    for (int i : normal)
        EXPECT_FALSE(subs[i]->isMinimized() || subs[i]->isMaximized()) << i;
    // Tiles leave a row free at the bottom for minimised windows.
    const int iconRow = icons.isEmpty() ? 0 : subs[icons.first()]->height();

    if (c.code == platform::vbArrangeIcons) {
        for (int i : normal)
            EXPECT_EQ(subs[i]->geometry(), before[i]) << i;
        int x = 0;
        for (int i : icons) {
            SCOPED_TRACE(i);
            EXPECT_EQ(subs[i]->geometry().topLeft(), QPoint(x, client.height() - subs[i]->height()));
            EXPECT_EQ(subs[i]->size(), before[i].size());
            x += subs[i]->width();
        }
        return;
    }
    for (int i : icons)
        EXPECT_EQ(subs[i]->geometry(), before[i]) << i;
    if (normal.isEmpty())
        return;

    if (c.code == platform::vbCascade) {
        // In creation order, the active window last; each one title bar down
        // and right of the one before, all the same size, above the icon row.
        QList<int> order = normal;
        const int active = int(subs.indexOf(MainForm->mdiClient->currentSubWindow()));
        if (order.removeOne(active))
            order.append(active);
        // The title bar: everything above the window's client area.
        const int titleBar = subs[order.first()]->widget()->geometry().top();
        ASSERT_GT(titleBar, 10);
        EXPECT_EQ(subs[order.first()]->pos(), QPoint(0, 0));
        for (int k = 1; k < order.size(); ++k) {
            SCOPED_TRACE(k);
            const QRect prev = subs[order[k - 1]]->geometry(), cur = subs[order[k]]->geometry();
            EXPECT_EQ(cur.topLeft(), prev.topLeft() + QPoint(titleBar, titleBar));
            EXPECT_EQ(cur.size(), prev.size());
        }
        const QRect usable(0, 0, client.width(), client.height() - iconRow);
        for (int i : normal)
            EXPECT_TRUE(usable.contains(subs[i]->geometry())) << i;
        // The last one reaches the bottom of the usable area.
        EXPECT_EQ(subs[order.last()]->geometry().bottom(), usable.bottom());
        return;
    }

    const bool horizontal = c.code == platform::vbTileHorizontal;
    int offset = 0;
    int smallest = INT_MAX, largest = 0;
    for (int i : normal) {
        SCOPED_TRACE(i);
        const QRect g = subs[i]->geometry();
        if (horizontal) {
            // One above the other, each the full width.
            EXPECT_EQ(g.topLeft(), QPoint(0, offset));
            EXPECT_EQ(g.width(), client.width());
            offset += g.height();
            smallest = std::min(smallest, g.height());
            largest = std::max(largest, g.height());
        } else {
            // Side by side, each the full height above the icon row.
            EXPECT_EQ(g.topLeft(), QPoint(offset, 0));
            EXPECT_EQ(g.height(), client.height() - iconRow);
            offset += g.width();
            smallest = std::min(smallest, g.width());
            largest = std::max(largest, g.width());
        }
    }
    // Equal shares, but for the pixels that do not divide, and together they
    // cover the area.
    EXPECT_LE(largest - smallest, 1);
    EXPECT_EQ(offset, horizontal ? client.height() - iconRow : client.width());
}

std::vector<ArrangeCase> arrangeCases() {
    std::vector<ArrangeCase> cases;
    for (int code = 0; code <= 3; ++code) {
        cases.push_back({code, 1, {}});
        cases.push_back({code, 2, {}});
        cases.push_back({code, 3, {}});
        cases.push_back({code, 2, {0}});
        cases.push_back({code, 3, {1}});
        cases.push_back({code, 3, {0, 2}});
        cases.push_back({code, 2, {0, 1}});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Window, ArrangeTest, ::testing::ValuesIn(arrangeCases()), arrangeCaseName);

TEST_F(ViewCommandsTest, CascadePutsTheActiveWindowLastAndOnTopSoEveryTitleBarShows) {
    // Regression: the active window was raised over the cascade wherever it
    // stood in it, so with 文档 1 active the title bars of 文档 2 and 3 lay
    // under its body.
    MainForm->CreateDocumentWindow();
    MainForm->CreateDocumentWindow();
    QList<QMdiSubWindow*> subs = MainForm->mdiClient->subWindowList(QMdiArea::CreationOrder);
    MainForm->mdiClient->setActiveSubWindow(subs[0]);
    MainForm->mnuWindowCascade->trigger();
    settle();
    const int titleBar = subs[0]->widget()->geometry().top();
    EXPECT_EQ(subs[1]->pos(), QPoint(0, 0));
    EXPECT_EQ(subs[2]->pos(), QPoint(titleBar, titleBar));
    EXPECT_EQ(subs[0]->pos(), QPoint(2 * titleBar, 2 * titleBar));
    EXPECT_EQ(MainForm->mdiClient->subWindowList(QMdiArea::StackingOrder),
              (QList<QMdiSubWindow*>{subs[1], subs[2], subs[0]}));
    EXPECT_EQ(MainForm->ActiveForm()->Caption(), QStringLiteral("文档 1"));
}

TEST_F(ViewCommandsTest, TilingRestoresAMaximisedWindowFirst) {
    MainForm->CreateDocumentWindow();
    QMdiSubWindow* active = MainForm->mdiClient->currentSubWindow();
    active->showMaximized();
    settle();
    MainForm->mnuWindowTileVertical->trigger();
    settle();
    const QSize client = MainForm->mdiClient->viewport()->size();
    const QList<QMdiSubWindow*> subs = MainForm->mdiClient->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* w : subs)
        EXPECT_FALSE(w->isMaximized());
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, client.width() / 2, client.height()));
    EXPECT_EQ(subs[1]->geometry(), QRect(client.width() / 2, 0, client.width() - client.width() / 2, client.height()));
}

TEST_F(ViewCommandsTest, ManyMinimisedWindowsLineUpInRowsAndTilesKeepAboveAllOfThem) {
    // Six windows: five minimised (196 px wide each, three to a row in the
    // 667 px area), one to tile above the two rows of icons.
    for (int i = 0; i < 5; ++i)
        MainForm->CreateDocumentWindow();
    const QList<QMdiSubWindow*> subs = MainForm->mdiClient->subWindowList(QMdiArea::CreationOrder);
    for (int i = 0; i < 5; ++i)
        subs[i]->showMinimized();
    settle();
    for (int i = 0; i < 5; ++i)
        subs[i]->move(10 * i, 10 * i);
    MainForm->mnuWindowArrangeIcons->trigger();
    settle();
    const QSize client = MainForm->mdiClient->viewport()->size();
    const int w = subs[0]->width(), h = subs[0]->height();
    const int perRow = client.width() / w;
    ASSERT_EQ(perRow, 3);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(subs[i]->pos(), QPoint(i % perRow * w, client.height() - h * (i / perRow + 1))) << i;

    MainForm->mnuWindowTileHorizontal->trigger();
    settle();
    EXPECT_EQ(subs[5]->geometry(), QRect(0, 0, client.width(), client.height() - 2 * h));
    MainForm->mnuWindowCascade->trigger();
    settle();
    EXPECT_EQ(subs[5]->geometry(), QRect(0, 0, client.width(), client.height() - 2 * h));
}

TEST_F(ViewCommandsTest, TheToolbarOffersNoMenuThatWouldHideItBehindTheCheckMark) {
    // Regression: right-clicking the toolbar opened the frame's own menu of
    // bars, whose entry hid the toolbar and left 工具栏 checked.
    QWidget* popup = nullptr;
    QTimer::singleShot(300, [&] {
        popup = QApplication::activePopupWidget();
        if (popup)
            popup->close();
    });
    QWidget* slot = MainForm->tbToolBar->buttons()[12].widget();
    const QPoint at = slot->mapTo(MainForm->tbToolBar, QPoint(slot->width() - 2, 2));
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, MainForm->tbToolBar->mapToGlobal(at));
    QApplication::sendEvent(MainForm->tbToolBar, &event);
    QTest::qWait(400);
    EXPECT_EQ(popup, nullptr);
    EXPECT_TRUE(MainForm->tbToolBar->isVisible());
    EXPECT_TRUE(MainForm->mnViewToolbar->isChecked());
}

TEST_F(ViewCommandsTest, ArrangingWithNoWindowDoesNothingAndReportsNothing) {
    MainForm->mdiClient->closeAllSubWindows();
    settle();
    const QRect before = area();
    for (QAction* item : {MainForm->mnuWindowCascade, MainForm->mnuWindowTileHorizontal,
                          MainForm->mnuWindowTileVertical, MainForm->mnuWindowArrangeIcons})
        item->trigger();
    settle();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(MainForm->documents().isEmpty());
    EXPECT_EQ(area(), before);
}

TEST_F(ViewCommandsTest, AnArrangementCodeOutsideZeroToThreeIsAnInvalidArgument) {
    for (int code : {-1, 4}) {
        try {
            MainForm->Arrange(code);
            ADD_FAILURE() << "no error for " << code;
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
}

// ---- File: Exit ------------------------------------------------------------

TEST_F(ViewCommandsTest, ExitGivingUpEveryEditedDocumentClosesThemAndSavesTheGeometry) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString report = dir.filePath(QStringLiteral("windows.txt"));
    qputenv("SCRIVLET_WINDOW_REPORT", report.toUtf8());
    MainForm->CreateDocumentWindow();
    MainForm->CreateDocumentWindow();
    for (frmDocument* d : MainForm->documents())
        QTest::keyClicks(d->rtfText, QStringLiteral("never saved"));
    MainForm->mdiClient->subWindowList().first()->showMinimized();
    MainForm->resize(700, 500);
    settle();
    const int width = int(MainForm->Width()), height = int(MainForm->Height());
    QList<QPointer<QMdiSubWindow>> subs;
    for (QMdiSubWindow* w : MainForm->mdiClient->subWindowList())
        subs.append(w);

    answers = {platform::vbNo, platform::vbNo, platform::vbNo};  // 不保存, each time
    MainForm->mnuFileExit->trigger();
    settle();
    qunsetenv("SCRIVLET_WINDOW_REPORT");

    EXPECT_EQ(messages.size(), 3u);
    EXPECT_TRUE(answers.empty());
    EXPECT_FALSE(MainForm->isVisible());
    for (const QPointer<QMdiSubWindow>& w : subs)
        EXPECT_TRUE(w.isNull());  // closed and destroyed
    // The unload handler ran: the geometry is in the registry.
    EXPECT_EQ(RegistryShell->RegRead(SettingsKey + "MainWidth").toInt(), width);
    EXPECT_EQ(RegistryShell->RegRead(SettingsKey + "MainHeight").toInt(), height);
    // The windows open at exit were listed, with what they held.
    QFile f(report);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^document\t"))),
              (QStringList{"document\t文档 1", "document\t文档 2", "document\t文档 3"}));
    EXPECT_TRUE(lines.contains(QStringLiteral("content\t文档 2\t0\t0\tnever saved")));
}

TEST_F(ViewCommandsTest, TheWindowReportShowsFirstCharacterBoldAndFirstParagraphAlignment) {
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("windows.txt"));
    qputenv("SCRIVLET_WINDOW_REPORT", report.toUtf8());
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("Bo"), bold());
    append(box, QStringLiteral("ld\tand\nsecond"));
    setAlignment(box, 0, Qt::AlignHCenter);
    MainForm->mdiClient->currentSubWindow()->setGeometry(10, 20, 300, 200);
    answers.push_back(platform::vbNo);
    MainForm->mnuFileExit_Click();
    qunsetenv("SCRIVLET_WINDOW_REPORT");
    QFile f(report);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("content\t文档 1\t1\t2\tBold\\tand\\nsecond")))
        << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("window\t文档 1\t10\t20\t300\t200\t0"))) << lines.join('|').toStdString();
}
