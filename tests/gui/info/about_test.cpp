// The About box: its design in twips, the version line, and how it is shown
// from the Help menu, closed with the keyboard, and starts the
// system-information program.
#include "recorded_starts.h"
#include "info/frmabout.h"
#include "platform/registry/value.h"
#include "support/app_fixture.h"
#include "support/case_name.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using namespace settingstest;

namespace {

// A key pressed as a person would: it goes to the widget with the focus.
void pressKey(frmAbout* box, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : box;
    QTest::keyClick(target, key, modifiers);
}

class AboutTest : public AppTest {
protected:
    void SetUp() override {
        clearHives();
        AppTest::SetUp();
        start();
        MainForm->setGeometry(120, 70, 600, 450);
        QApplication::processEvents();
    }
    void TearDown() override {
        AppTest::TearDown();
        clearHives();
    }

    // Runs the Help menu's About command; inspect runs while the box is up
    // and modal, and must close it. A box still open after five seconds is
    // closed by force and fails the test, so a fault never hangs the suite.
    void showAbout(const std::function<void(frmAbout*)>& inspect) {
        bool inspected = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << "no modal About box";
            ASSERT_TRUE(QTest::qWaitFor([box] { return box->isActiveWindow(); }, 2000)) << "the box is not active";
            inspected = true;
            inspect(box);
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            ADD_FAILURE() << "the About box did not close";
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        guard.start(5000);
        MainForm->mnuHelpAbout->trigger();
        EXPECT_TRUE(inspected);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
};

// One control of the design: its text and its rectangle in pixels (twips / 15).
struct ControlRow {
    const char* name;
    QString text;
    QRect pixels;
};

TEST_F(AboutTest, DesignTextsAndGeometryInPixels) {
    auto* box = new frmAbout(MainForm);
    QPointer<frmAbout> guard(box);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("关于 Pelm简易RTF文本编辑器"));
    // Client area 5865 x 3630 twips, fixed.
    EXPECT_EQ(box->size(), QSize(391, 242));
    EXPECT_EQ(box->minimumSize(), box->maximumSize());
    EXPECT_FALSE(box->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(box->parentWidget(), MainForm);

    const ControlRow rows[] = {
        {"picIcon", QString(), {16, 16, 36, 36}},
        {"cmdOK", QStringLiteral("确定"), {283, 175, 98, 23}},
        {"cmdSysInfo", QStringLiteral("系统信息(&S)..."), {284, 205, 97, 23}},
        {"lbDescription", QString(), {70, 75, 273, 78}},
        {"lbTitle", QStringLiteral("Pelm简易RTF文本编辑器"), {70, 16, 273, 32}},
        {"lbVersion", QStringLiteral("版本 1.0.2"), {70, 52, 273, 15}},
    };
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto* w = box->findChild<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), row.pixels);
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(b->text(), row.text);
        } else if (auto* l = qobject_cast<QLabel*>(w); l && row.name != std::string("picIcon")) {
            EXPECT_EQ(l->text(), row.text);
        }
    }
    EXPECT_EQ(box->lblDisclaimer->geometry(), QRect(17, 175, 258, 55));
    EXPECT_TRUE(box->lblDisclaimer->text().contains(QStringLiteral("著作权")));
    // The warning fits its rectangle whole.
    EXPECT_LE(box->lblDisclaimer->heightForWidth(box->lblDisclaimer->width()), box->lblDisclaimer->height());

    // Every text in the theme's text colour (black in a light theme); the
    // icon on the button face (light grey there).
    for (QLabel* l : {box->lbTitle, box->lbDescription, box->lblDisclaimer, box->lbVersion})
        EXPECT_EQ(l->palette().color(QPalette::WindowText), box->palette().color(QPalette::WindowText))
            << l->objectName().toStdString();
    EXPECT_EQ(box->picIcon->backgroundRole(), QPalette::Button);
    EXPECT_EQ(box->picIcon->pixmap().size(), QSize(32, 32));

    // OK is the default button and comes first in the tab order.
    EXPECT_TRUE(box->cmdOK->isDefault());
    EXPECT_FALSE(box->cmdSysInfo->isDefault());
    QWidget* next = box->cmdOK->nextInFocusChain();
    while (next && next->focusPolicy() == Qt::NoFocus)
        next = next->nextInFocusChain();
    EXPECT_EQ(next, box->cmdSysInfo);
    delete guard.data();
}

// The etched separator: a shadow line at 2430 twips (row 162) with a
// highlight one 15 twips below it (row 163) that does not hide it, in the
// palette's colours (grey and white in a light theme).
TEST_F(AboutTest, EtchedLineIsShadowOverHighlight) {
    auto* box = new frmAbout(MainForm);
    QPointer<frmAbout> guard(box);
    box->show();
    const QImage image = box->grab().toImage();
    // As 8-bit colours, the way they reach the screen.
    const QColor grey(box->palette().color(QPalette::Dark).rgb());
    const QColor white(box->palette().color(QPalette::Light).rgb());
    ASSERT_NE(grey, white);
    ASSERT_NE(grey, box->palette().color(QPalette::Window));
    EXPECT_EQ(QColor(image.pixel(100, 162)), grey);
    EXPECT_EQ(QColor(image.pixel(100, 163)), white);
    EXPECT_EQ(QColor(image.pixel(376, 162)), grey);  // up to 5657 twips, exclusive
    EXPECT_NE(QColor(image.pixel(377, 162)), grey);
    EXPECT_EQ(QColor(image.pixel(376, 164)), white);  // two rows of highlight
    EXPECT_NE(QColor(image.pixel(376, 165)), white);
    EXPECT_EQ(QColor(image.pixel(15, 162)), grey);   // the shadow starts at 225 twips
    EXPECT_NE(QColor(image.pixel(15, 163)), white);  // the highlight only from 240
    EXPECT_EQ(QColor(image.pixel(16, 163)), white);
    EXPECT_NE(QColor(image.pixel(100, 161)), grey);
    delete guard.data();
}

TEST_F(AboutTest, HelpAboutShowsItModalOwnedAndCentredWithOkFocused) {
    const QRect mainBefore = MainForm->frameGeometry();
    const int documentsBefore = int(MainForm->documents().size());
    showAbout([&](frmAbout* box) {
        EXPECT_EQ(box->parentWidget(), MainForm);
        EXPECT_TRUE(box->isModal());
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(box->frameGeometry().center(), MainForm->frameGeometry().center());
        EXPECT_EQ(box->lbVersion->text(), QStringLiteral("版本 1.0.2"));
        EXPECT_EQ(QApplication::focusWidget(), box->cmdOK);
        // The main window's own shortcuts do nothing while the box is up.
        QTest::keyClick(box, Qt::Key_N, Qt::ControlModifier);
        EXPECT_EQ(int(MainForm->documents().size()), documentsBefore);
        box->cmdOK->click();
    });
    EXPECT_EQ(MainForm->frameGeometry(), mainBefore);
    EXPECT_EQ(int(MainForm->documents().size()), documentsBefore);
    EXPECT_TRUE(messages.empty());
}

// Keys that close the box right after it opens (OK has the focus and is both
// the default and the cancel button), and the close box.
struct CloseCase {
    const char* name;
    std::function<void(frmAbout*)> close;
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class AboutCloseTest : public AboutTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(AboutCloseTest, ClosesAndIsDestroyed) {
    QPointer<frmAbout> shown;
    showAbout([&](frmAbout* box) {
        shown = box;
        GetParam().close(box);
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown.isNull());
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, AboutCloseTest,
                         ::testing::Values(CloseCase{"Enter", [](frmAbout* b) { pressKey(b, Qt::Key_Return); }},
                                           CloseCase{"KeypadEnter", [](frmAbout* b) { pressKey(b, Qt::Key_Enter); }},
                                           CloseCase{"Escape", [](frmAbout* b) { pressKey(b, Qt::Key_Escape); }},
                                           CloseCase{"EscapeWithSysInfoFocused",
                                                     [](frmAbout* b) {
                                                         b->cmdSysInfo->setFocus();
                                                         pressKey(b, Qt::Key_Escape);
                                                     }},
                                           CloseCase{"CloseBox", [](frmAbout* b) { b->close(); }}),
                         CaseName());

// Alt+S, a click, or Enter on the focused button runs the launcher; the box
// stays open and modal. Without registry entries it says so once per press.
TEST_F(AboutTest, SysInfoButtonRunsTheLauncherAndTheBoxStaysOpen) {
    showAbout([&](frmAbout* box) {
        // A button's access key clicks it the way a mouse would: pressed
        // now, released (and so clicked) a moment later.
        pressKey(box, Qt::Key_S, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return messages.size() == 1; }, 2000));
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), box);

        box->cmdSysInfo->setFocus();
        pressKey(box, Qt::Key_Return);
        EXPECT_EQ(messages.size(), 2u);
        EXPECT_TRUE(box->isVisible());

        box->cmdSysInfo->click();
        EXPECT_EQ(messages.size(), 3u);
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->lbVersion->text(), QStringLiteral("版本 1.0.2"));
        pressKey(box, Qt::Key_Escape);
    });
    ASSERT_EQ(messages.size(), 3u);
    for (const platform::MessageBoxRequest& m : messages) {
        EXPECT_EQ(m.text, kUnavailable);
        EXPECT_EQ(m.style, 0);
        EXPECT_EQ(m.title, QStringLiteral("Scrivlet"));
    }
}

TEST_F(AboutTest, AltSStartsTheProgramTheRegistryNames) {
    QTemporaryDir tmp;
    RecordedStarts starts(tmp.path() + QStringLiteral("/starts.txt"));
    const QString program = tmp.path() + QStringLiteral("/Shared Tools/sys info");
    RecordedStarts::install(program);
    putMachine(kSysInfoKey, QStringLiteral("PATH"), reg::Value::string(program));

    showAbout([&](frmAbout* box) {
        pressKey(box, Qt::Key_S, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !starts.wait(1, 0).empty(); }, 3000));
        EXPECT_TRUE(box->isVisible());
        pressKey(box, Qt::Key_Escape);
    });

    const std::vector<StartRecord> records = starts.wait(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].argv0, program);
    EXPECT_TRUE(messages.empty());
}

// Every showing is a freshly loaded box: whatever happened to the last one,
// the next one is a new object with the design's content.
TEST_F(AboutTest, ShownAgainIsANewBoxWithTheSameContent) {
    QPointer<frmAbout> first;
    QString firstTitle;
    showAbout([&](frmAbout* box) {
        first = box;
        firstTitle = box->windowTitle();
        box->lbVersion->setText(QStringLiteral("changed"));
        box->move(0, 0);
        pressKey(box, Qt::Key_Return);
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    showAbout([&](frmAbout* box) {
        EXPECT_TRUE(first.isNull());
        EXPECT_EQ(box->windowTitle(), firstTitle);
        EXPECT_EQ(box->lbVersion->text(), QStringLiteral("版本 1.0.2"));
        EXPECT_EQ(box->frameGeometry().center(), MainForm->frameGeometry().center());
        EXPECT_EQ(QApplication::focusWidget(), box->cmdOK);
        pressKey(box, Qt::Key_Escape);
    });
}

}  // namespace
