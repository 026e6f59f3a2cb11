// Loading and unloading the main window: the saved geometry in the user's
// hive (twips, 15 to the pixel here), the font box, and what a failing
// write at exit does.
#include "app/sortedcombobox.h"
#include "support/settings_support.h"
#include "platform/errors.h"
#include "platform/registry/hive_store.h"
#include "platform/registry/value.h"
#include "support/app_fixture.h"
#include "support/case_name.h"

#include <QCollator>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QMdiArea>
#include <QRegularExpression>

#include <functional>
#include <memory>
#include <optional>

using namespace settingstest;
using reg::Value;

namespace {

class LifecycleTest : public AppTest {
protected:
    void SetUp() override {
        clearHives();
        AppTest::SetUp();
    }
    void TearDown() override {
        reg::hooks::setBeforeCommitHook({});
        AppTest::TearDown();
        clearHives();
    }

    // Starts the program and lets the window system show and frame the
    // main window.
    void run() {
        start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    // Ends the program as File Exit does.
    void exitProgram() { shutDown(); }

    static QRect outer() { return MainForm->frameGeometry(); }

    // The outer rectangle of the main window when nothing is stored: this
    // platform's default position and the design-time size.
    QRect defaultOuter() {
        clearHives();
        run();
        const QRect r = outer();
        exitProgram();
        clearHives();
        return r;
    }

    static std::optional<Value> saved(const QString& name) {
        return reg::readValue(reg::Root::CurrentUser, kSettingsKey, name);
    }
    // The four values as stored, in twips; nullopt for a missing one.
    static std::vector<std::optional<qint32>> savedGeometry() {
        std::vector<std::optional<qint32>> result;
        for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
            const std::optional<Value> v = saved(QString::fromLatin1(name));
            if (v && v->type == reg::RegDword)
                result.push_back(qint32(v->toDword()));
            else
                result.push_back(std::nullopt);
        }
        return result;
    }
    static std::vector<std::optional<qint32>> twips(const QRect& r) {
        return {r.x() * 15, r.y() * 15, r.width() * 15, r.height() * 15};
    }
    static void putGeometry(qint32 left, qint32 top, qint32 width, qint32 height) {
        putSetting(QStringLiteral("MainLeft"), Value::dword(quint32(left)));
        putSetting(QStringLiteral("MainTop"), Value::dword(quint32(top)));
        putSetting(QStringLiteral("MainWidth"), Value::dword(quint32(width)));
        putSetting(QStringLiteral("MainHeight"), Value::dword(quint32(height)));
    }
};

TEST_F(LifecycleTest, FirstRunOpensTheDesignClientAreaAtTheDefaultPosition) {
    // Given no hive at all
    // When the program starts
    run();
    // Then the document area is 10005 x 6360 twips, the window sits where
    // the window system put it (the origin on this platform), document 1 is
    // open, nothing is reported and nothing is written yet
    EXPECT_EQ(MainForm->mdiClient->size(), QSize(667, 424));
    EXPECT_EQ(outer().topLeft(), QPoint(0, 0));
    EXPECT_EQ(MainForm->WindowState(), 0);
    ASSERT_EQ(MainForm->documents().size(), 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFileInfo::exists(userHive()));
}

// ---------------------------------------------------------------------------
// Each stored value on its own: missing, not a number, or refused, it leaves
// that one property as it was.

struct Stored {
    const char* name;
    std::optional<Value> left, top, width, height;
    // The expected outer rectangle; a negative field means "as by default".
    QRect expected;
};

void PrintTo(const Stored& s, std::ostream* os) {
    *os << s.name;
}

Value text(const char* t) {
    return Value::string(QString::fromUtf8(t));
}
Value dw(qint32 n) {
    return Value::dword(quint32(n));
}
constexpr int kDefault = -1;
constexpr int kDesktop = -2;  // as large as the desktop

class RestoreTest : public LifecycleTest, public ::testing::WithParamInterface<Stored> {};

TEST_P(RestoreTest, RestoresEachValueOnItsOwn) {
    const Stored& c = GetParam();
    const QRect def = defaultOuter();
    // Given the stored values of the row
    if (c.left)
        putSetting(QStringLiteral("MainLeft"), *c.left);
    if (c.top)
        putSetting(QStringLiteral("MainTop"), *c.top);
    if (c.width)
        putSetting(QStringLiteral("MainWidth"), *c.width);
    if (c.height)
        putSetting(QStringLiteral("MainHeight"), *c.height);
    // When the program starts
    run();
    // Then the window has the stored geometry where it could be read, the
    // default elsewhere, and nothing was reported
    const QRect e = c.expected;
    EXPECT_EQ(outer().x(), e.x() == kDefault ? def.x() : e.x());
    EXPECT_EQ(outer().y(), e.y() == kDefault ? def.y() : e.y());
    const QSize desktop = QGuiApplication::primaryScreen()->virtualSize();
    EXPECT_EQ(outer().width(), e.width() == kDefault   ? def.width()
                               : e.width() == kDesktop ? desktop.width()
                                                       : e.width());
    EXPECT_EQ(outer().height(), e.height() == kDefault   ? def.height()
                                : e.height() == kDesktop ? desktop.height()
                                                         : e.height());
    EXPECT_EQ(MainForm->WindowState(), 0);
    EXPECT_EQ(MainForm->documents().size(), 1);
    EXPECT_TRUE(messages.empty());
}

QRect r(int x, int y, int w, int h) {
    QRect rect;
    rect.setRect(x, y, w, h);
    return rect;
}

// clang-format off
const Stored kStored[] = {
    {"AllFour",                 dw(1500), dw(750),  dw(9000), dw(6000), r(100, 50, 600, 400)},
    {"OnlyWidthAndHeight",      {},       {},       dw(9000), dw(6000), r(kDefault, kDefault, 600, 400)},
    {"OnlyTop",                 {},       dw(750),  {},       {},       r(kDefault, 50, kDefault, kDefault)},
    {"OnlyHeight",              {},       {},       {},       dw(6000), r(kDefault, kDefault, kDefault, 400)},
    {"LeftNotANumber",          text("abc"), dw(750), dw(9000), dw(6000), r(kDefault, 50, 600, 400)},
    {"LeftNumericText",         text("1500"), dw(750), dw(9000), dw(6000), r(100, 50, 600, 400)},
    {"LeftNumericTextSpacedWithExponent", text(" 1.5e3 "), dw(750), dw(9000), dw(6000), r(100, 50, 600, 400)},
    {"LeftEmptyText",           text(""), dw(750),  dw(9000), dw(6000), r(kDefault, 50, 600, 400)},
    {"LeftBinaryDigits",        Value::binary("1500"), dw(750), dw(9000), dw(6000), r(kDefault, 50, 600, 400)},
    {"LeftMultiString",         Value::multiString({"1500"}), dw(750), dw(9000), dw(6000), r(kDefault, 50, 600, 400)},
    {"WidthNotANumber",         dw(1500), dw(750),  text("wide"), dw(6000), r(100, 50, kDefault, 400)},
    {"NegativeWidthIsRefused",  dw(1500), dw(750),  dw(-9000), dw(6000), r(100, 50, kDefault, 400)},
    {"NegativeHeightIsRefused", dw(1500), dw(750),  dw(9000), dw(-1), r(100, 50, 600, kDefault)},
    // Never larger than the desktop, however large the stored size.
    {"HugeSize",                dw(0),    dw(0),    dw(0x7FFFFFFF), dw(0x7FFFFFFF), r(0, 0, kDesktop, kDesktop)},
    {"SizeLargerThanTheDesktop", dw(0),   dw(0),    dw(30000), dw(24000), r(0, 0, kDesktop, kDesktop)},
    {"LeftTextBeyond32Bits",    text("1e30"), dw(750), dw(9000), dw(6000), r(kDefault, 50, 600, 400)},
    {"WidthTextNotANumber",     dw(1500), dw(750),  text("nan"), dw(6000), r(100, 50, kDefault, 400)},
    {"HeightTextInfinite",      dw(1500), dw(750),  dw(9000), text("inf"), r(100, 50, 600, kDefault)},
    {"PositionOutsideEveryScreen", dw(150000), dw(90000), dw(9000), dw(6000), r(10000, 6000, 600, 400)},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Values, RestoreTest, ::testing::ValuesIn(kStored), CaseName());

// ---------------------------------------------------------------------------
// Unloading.

TEST_F(LifecycleTest, FirstNormalExitWritesExactlyFourDwordsAndTheNextRunRestoresThem) {
    // Given a first run, with the window moved and resized by the user
    run();
    MainForm->move(33, 44);
    MainForm->resize(500, 300);
    QCoreApplication::processEvents();
    const QRect before = outer();
    ASSERT_EQ(before.topLeft(), QPoint(33, 44));

    // When the program ends
    exitProgram();

    // Then the key holds exactly the four values, each a REG_DWORD of the
    // outer geometry in twips, written in their order, and nothing else
    const reg::HiveDocument hive = reg::readHive(reg::Root::CurrentUser);
    const QStringList key = reg::HiveDocument::splitKeyPath(kSettingsKey);
    const QMap<QString, Value> values = hive.values(key);
    EXPECT_EQ(values.keys(), (QStringList{"mainheight", "mainleft", "maintop", "mainwidth"}));
    for (const Value& v : values)
        EXPECT_EQ(v.type, reg::RegDword);
    EXPECT_EQ(savedGeometry(), twips(before));
    EXPECT_EQ(savedGeometry()[0], 495);
    EXPECT_EQ(savedGeometry()[1], 660);
    for (int depth = 0; depth < 3; ++depth)
        EXPECT_TRUE(hive.values(key.mid(0, depth)).isEmpty()) << depth;
    const QString file = QString::fromUtf8(fileBytes(userHive()));
    const QRegularExpression order(
        QStringLiteral("\"MainLeft\"=dword:000001ef\\r?\\n\"MainTop\"=dword:00000294\\r?\\n"
                       "\"MainWidth\"=dword:[0-9a-f]{8}\\r?\\n\"MainHeight\"=dword:[0-9a-f]{8}\\r?\\n"));
    EXPECT_TRUE(order.match(file).hasMatch()) << file.toStdString();

    // And the next run comes up with the same outer geometry, at every run
    for (int i = 0; i < 2; ++i) {
        run();
        EXPECT_EQ(outer(), before) << "run " << i;
        exitProgram();
    }
    EXPECT_EQ(savedGeometry(), twips(before));
    EXPECT_TRUE(messages.empty());
}

// Negative positions are stored in two's complement. (This platform keeps a
// window's client area from starting left of or above the screen by more
// than its frame, so the exact way back is checked in a real display by the
// end-to-end test.)
TEST_F(LifecycleTest, NegativePositionsAreStoredInTwosComplement) {
    run();
    MainForm->move(-100, -7);
    QCoreApplication::processEvents();
    const QRect before = outer();
    ASSERT_LT(before.x(), 0);
    ASSERT_LT(before.y(), 0);
    exitProgram();

    const quint32 left = quint32(before.x() * 15);
    const quint32 top = quint32(before.y() * 15);
    EXPECT_GE(left, 0xFFFFF000u);
    EXPECT_EQ(saved(QStringLiteral("MainLeft")), Value::dword(left));
    EXPECT_EQ(saved(QStringLiteral("MainTop")), Value::dword(top));
    EXPECT_TRUE(fileBytes(userHive()).contains("\"MainLeft\"=dword:" + QByteArray::number(left, 16)));
    // Read back as signed numbers through the settings object.
    run();
    EXPECT_EQ(RegistryShell->RegRead(SettingsKey + "MainLeft"), QVariant(qint32(before.x() * 15)));
    EXPECT_LT(outer().x(), 0);
    EXPECT_LT(outer().y(), 0);
}

TEST_F(LifecycleTest, MinimisedAtExitWritesNothingAndTheNextRunRestoresTheEarlierValues) {
    putGeometry(1500, 750, 9000, 6000);
    const QByteArray hiveBefore = fileBytes(userHive());
    run();
    MainForm->move(200, 200);
    MainForm->showMinimized();
    QCoreApplication::processEvents();
    ASSERT_EQ(MainForm->WindowState(), 1);

    exitProgram();

    EXPECT_EQ(fileBytes(userHive()), hiveBefore);
    run();
    EXPECT_EQ(outer(), QRect(100, 50, 600, 400));
    EXPECT_TRUE(messages.empty());
}

TEST_F(LifecycleTest, MinimisedAtTheFirstExitLeavesNoHive) {
    run();
    MainForm->showMinimized();
    QCoreApplication::processEvents();
    exitProgram();
    EXPECT_FALSE(QFileInfo::exists(userHive()));
    EXPECT_FALSE(reg::keyExists(reg::Root::CurrentUser, kSettingsKey));
}

TEST_F(LifecycleTest, MaximisedAtExitWritesTheMaximisedBoundsAndTheNextRunIsNormal) {
    putGeometry(1500, 750, 9000, 6000);
    run();
    MainForm->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_EQ(MainForm->WindowState(), 2);
    const QRect maximised = outer();
    ASSERT_NE(maximised, QRect(100, 50, 600, 400));

    exitProgram();

    EXPECT_EQ(savedGeometry(), twips(maximised));
    run();
    EXPECT_EQ(MainForm->WindowState(), 0);
    EXPECT_FALSE(MainForm->isMaximized());
    EXPECT_EQ(outer(), maximised);
}

// ---------------------------------------------------------------------------
// A write that fails at exit: the first failing write ends the handler, the
// failure goes to the top-level report, and the window still closes.

struct WriteFailure {
    const char* name;
    std::function<void()> arrange;  // run after start-up, before the exit
    int failingWrite;               // values written before the failure
};

void PrintTo(const WriteFailure& f, std::ostream* os) {
    *os << f.name;
}

class WriteFailureTest : public LifecycleTest, public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(WriteFailureTest, IsReportedOnceAndTheProgramStillEnds) {
    const WriteFailure& c = GetParam();
    // Given stored values and a window moved away from them
    putGeometry(1500, 750, 9000, 6000);
    run();
    MainForm->move(20, 30);
    QCoreApplication::processEvents();
    const QRect now = outer();
    c.arrange();
    const std::vector<std::optional<qint32>> old = savedGeometry();

    // When the program ends
    MainForm->Unload();

    // Then one report with the registry's error number; the window and its
    // documents are closed all the same
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("运行时错误 '%1':").arg(platform::err::RegistryWrite)))
        << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].title, QStringLiteral("Scrivlet"));
    EXPECT_EQ(messages[0].style, platform::MsgStyle::Critical);
    EXPECT_FALSE(MainForm->isVisible());
    EXPECT_TRUE(MainForm->mdiClient->subWindowList().isEmpty());

    // And the values before the failing one were written, the rest kept
    // what they held
    std::vector<std::optional<qint32>> expected = old;
    const std::vector<std::optional<qint32>> current = twips(now);
    for (int k = 0; k < c.failingWrite; ++k)
        expected[std::size_t(k)] = current[std::size_t(k)];
    EXPECT_EQ(savedGeometry(), expected);
}

const WriteFailure kWriteFailures[] = {
    {"HiveFolderCannotBeCreated",
     [] {
         clearHives();
         writeFile(userFolder(), "a file where the hive folder belongs\n");
     },
     0},
    {"HiveFileReadOnly", [] { chmodPath(userHive(), 0444); }, 0},
    {"SecondWriteFails",
     [] {
         auto count = std::make_shared<int>(0);
         reg::hooks::setBeforeCommitHook([count] {
             if (++*count == 2)
                 platform::raise(platform::err::RegistryWrite, QStringLiteral("磁盘已满"));
         });
     },
     1},
};

INSTANTIATE_TEST_SUITE_P(Ways, WriteFailureTest, ::testing::ValuesIn(kWriteFailures), CaseName());

// ---------------------------------------------------------------------------
// The boxes.

TEST_F(LifecycleTest, FontBoxListsEveryScreenFontSortedWithNoText) {
    run();
    QStringList expected = QFontDatabase::families();
    ASSERT_FALSE(expected.isEmpty());
    QStringList listed;
    for (int i = 0; i < MainForm->cboFont->count(); ++i)
        listed << MainForm->cboFont->itemText(i);
    // In the zh_CN collation's order (pinyin for Chinese names, alphabetical
    // for Latin ones).
    const QCollator zh(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    for (int i = 1; i < listed.size(); ++i)
        EXPECT_LE(zh.compare(listed[i - 1], listed[i]), 0) << i;
    auto canonical = [](QStringList l) {
        l.sort();
        return l;
    };
    EXPECT_EQ(canonical(listed), canonical(expected));
    EXPECT_EQ(MainForm->cboFont->currentText(), QString());
    EXPECT_EQ(MainForm->cboFont->currentIndex(), -1);
    EXPECT_EQ(MainForm->cboSize->count(), 29);
    EXPECT_EQ(MainForm->cboSize->currentText(), QString());
}

}  // namespace
