// Start-up: splash first, one pass of messages, settings access, the main
// window with document 1, then the splash goes.
#include "document/frmdocument.h"
#include "info/frmsplash.h"
#include "platform/appversion.h"
#include "support/app_fixture.h"
#include "support/case_name.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

namespace {

QPointer<frmSplash> findSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<frmSplash*>(w); s && s->isVisible())
            return s;
    return nullptr;
}

struct ProbeRecord {
    bool splashVisible = false;
    bool mainFormExisted = true;
    bool settingsKeySet = true;
};
ProbeRecord record;

}  // namespace

class StartupTest : public AppTest {
protected:
    void TearDown() override {
        setStartupProbe(nullptr);
        AppTest::TearDown();
    }
};

TEST_F(StartupTest, SplashIsUpBeforeTheMainWindowExistsAndGoneAfter) {
    record = {};
    setStartupProbe([] {
        record.splashVisible = findSplash() != nullptr;
        record.mainFormExisted = MainForm != nullptr;
        record.settingsKeySet = !SettingsKey.isEmpty() && RegistryShell != nullptr;
    });
    SettingsKey.clear();
    start();
    EXPECT_TRUE(record.splashVisible);
    EXPECT_FALSE(record.mainFormExisted);
    EXPECT_FALSE(record.settingsKeySet);
    QApplication::processEvents();
    EXPECT_EQ(findSplash(), nullptr);
}

TEST_F(StartupTest, SettingsKeyIsBuiltFromItsThreePieces) {
    start();
    EXPECT_EQ(SettingsKey, QStringLiteral("HKCU\\Software\\Korvane\\Scrivlet\\Settings\\"));
    EXPECT_NE(RegistryShell, nullptr);
}

TEST_F(StartupTest, MainWindowIsVisibleWithExactlyDocumentOne) {
    start();
    EXPECT_TRUE(MainForm->isVisible());
    const QList<QMdiSubWindow*> windows = MainForm->mdiClient->subWindowList();
    ASSERT_EQ(windows.size(), 1);
    ASSERT_NE(MainForm->ActiveForm(), nullptr);
    EXPECT_EQ(MainForm->ActiveForm()->Caption(), QStringLiteral("文档 1"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(StartupTest, KeyPressedOnTheSplashClosesItEarlyAndStartUpCompletes) {
    // The key is queued before start-up's one pass of messages handles it.
    setStartupProbe([] { record.splashVisible = findSplash() != nullptr; });
    QTimer::singleShot(0, [] {
        if (QPointer<frmSplash> s = findSplash())
            QTest::keyClick(s.data(), Qt::Key_Escape);
    });
    start();
    EXPECT_FALSE(record.splashVisible);
    EXPECT_TRUE(MainForm->isVisible());
    EXPECT_EQ(MainForm->ActiveForm()->Caption(), QStringLiteral("文档 1"));
    EXPECT_TRUE(messages.empty());
}

// The splash screen on its own.

TEST(VersionText, IsVersionSpaceAndUnpaddedDecimalNumbers) {
    EXPECT_EQ(platform::versionText(), QStringLiteral("版本 1.0.2"));
    EXPECT_EQ(platform::versionText(1, 0, 2), QStringLiteral("版本 1.0.2"));
    EXPECT_EQ(platform::versionText(2, 0, 0), QStringLiteral("版本 2.0.0"));
    EXPECT_EQ(platform::versionText(1, 3, 12), QStringLiteral("版本 1.3.12"));
}

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override {
        splash = new frmSplash;
        splash->Show();
        QApplication::processEvents();
    }
    void TearDown() override {
        if (splash)
            splash->Unload();
        QApplication::processEvents();
    }
    bool closedBy(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(splash.data(), key, mods);
        QApplication::processEvents();
        return splash.isNull();
    }
    QPointer<frmSplash> splash;
};

TEST_F(SplashTest, ShowsTheVersionLineAndDesignTexts) {
    EXPECT_EQ(splash->lblVersion->text(), QStringLiteral("版本 1.0.2"));
    EXPECT_EQ(splash->lblPlatform->text(), QStringLiteral("平台: Windows 4.X-5.X"));
    EXPECT_EQ(splash->lblProductName->text(), QStringLiteral("Pelm RTF文本编辑器"));
    EXPECT_EQ(splash->lblLicenseTo->text(), QStringLiteral("授权"));
    EXPECT_TRUE(splash->windowTitle().isEmpty());
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    // The version and platform lines end flush, right-aligned, at 6750 twips.
    EXPECT_EQ(splash->lblVersion->geometry().right(), splash->lblPlatform->geometry().right());
    EXPECT_EQ(splash->lblVersion->geometry().right() + 1, 450);
    EXPECT_EQ(splash->lblVersion->font().family(), QStringLiteral("宋体"));
    EXPECT_EQ(splash->lblVersion->font().pointSize(), 12);
    EXPECT_TRUE(splash->lblVersion->font().bold());
    // 27.75 pt, or a little less where the face measures wider than the
    // frame allows: the whole name stays inside the frame.
    EXPECT_LE(splash->lblProductName->font().pointSizeF(), 27.75);
    EXPECT_GE(splash->lblProductName->font().pointSizeF(), 20.0);
    for (QLabel* l : splash->Frame1->findChildren<QLabel*>())
        EXPECT_LE(l->geometry().right(), splash->Frame1->contentsRect().right()) << l->objectName().toStdString();
    EXPECT_FALSE(splash->imgLogo->pixmap().isNull());
    EXPECT_TRUE(splash->imgLogo->hasScaledContents());
}

TEST_F(SplashTest, IsCentredOnTheScreen) {
    const QRect screen = splash->screen()->availableGeometry();
    EXPECT_LE(std::abs(splash->geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(splash->geometry().center().y() - screen.center().y()), 1);
}

struct KeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    bool closes;
};

class SplashKeyTest : public SplashTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SplashKeyTest, OnlyKeysThatProduceACharacterCloseIt) {
    EXPECT_EQ(closedBy(GetParam().key, GetParam().mods), GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(Keys, SplashKeyTest,
                         ::testing::Values(KeyCase{"Escape", Qt::Key_Escape, Qt::NoModifier, true},
                                           KeyCase{"Enter", Qt::Key_Return, Qt::NoModifier, true},
                                           KeyCase{"Letter", Qt::Key_A, Qt::NoModifier, true},
                                           KeyCase{"Digit", Qt::Key_7, Qt::NoModifier, true},
                                           KeyCase{"Space", Qt::Key_Space, Qt::NoModifier, true},
                                           KeyCase{"Backspace", Qt::Key_Backspace, Qt::NoModifier, true},
                                           KeyCase{"CtrlLetter", Qt::Key_C, Qt::ControlModifier, true},
                                           KeyCase{"F1", Qt::Key_F1, Qt::NoModifier, false},
                                           KeyCase{"Arrow", Qt::Key_Left, Qt::NoModifier, false},
                                           KeyCase{"ShiftAlone", Qt::Key_Shift, Qt::NoModifier, false},
                                           KeyCase{"CtrlAlone", Qt::Key_Control, Qt::NoModifier, false}),
                         CaseName());

TEST_F(SplashTest, MouseClicksLeaveItOpen) {
    QTest::mouseClick(splash->imgLogo, Qt::LeftButton);
    QTest::mouseClick(splash->lblProductName, Qt::LeftButton);
    QTest::mouseClick(splash->Frame1, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(splash.isNull());
}
