// The system-information launcher and the registry value reader, through the
// real machine hive of this test process and a stand-in program that
// records how it was started.
#include "recorded_starts.h"
#include "info/frmabout.h"
#include "platform/errors.h"
#include "platform/messagebox.h"
#include "platform/registry/code_page.h"
#include "platform/registry/narrow_api.h"
#include "platform/registry/value.h"
#include "support/case_name.h"

#include <QApplication>
#include <QTemporaryDir>

#include <functional>
#include <memory>

using namespace settingstest;
using reg::Value;

namespace {

// Registry data as a row of a table can give it; "<tmp>" in text stands for
// the test's temporary folder.
struct RegData {
    enum Kind { Absent, Sz, ExpandSz, Dword, RawSz } kind = Absent;
    QString text;
    quint32 number = 0;
};
RegData absent() {
    return {};
}
RegData sz(const char* text) {
    return {RegData::Sz, QString::fromUtf8(text), 0};
}
RegData expandSz(const char* text) {
    return {RegData::ExpandSz, QString::fromUtf8(text), 0};
}
RegData dword(quint32 n) {
    return {RegData::Dword, {}, n};
}
// REG_SZ data of n letters and no terminating NUL.
RegData unterminated(int n) {
    return {RegData::RawSz, QString(n, u'a'), 0};
}
RegData longText(int n) {
    return {RegData::Sz, QString(n, u'a'), 0};
}

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        clearHives();
        platform::setMessageBoxHook([this](const platform::MessageBoxRequest& r) {
            messages.push_back(r);
            return 1;
        });
        starts_ = std::make_unique<RecordedStarts>(tmp_.path() + QStringLiteral("/starts.txt"));
        savedCwd_ = QDir::currentPath();
        ASSERT_TRUE(QDir().mkpath(work()));
        // Relative names (a number text, an injected command) land here.
        QDir::setCurrent(work());
        about = std::make_unique<frmAbout>(nullptr);
    }
    void TearDown() override {
        about.reset();
        QDir::setCurrent(savedCwd_);
        starts_.reset();
        platform::setMessageBoxHook(nullptr);
        clearHives();
    }

    QString work() const { return tmp_.path() + QStringLiteral("/work"); }
    QString expand(QString text) const { return text.replace(QStringLiteral("<tmp>"), work()); }

    void put(const QString& key, const QString& name, const RegData& data) {
        switch (data.kind) {
        case RegData::Absent: return;
        case RegData::Sz: return putMachine(key, name, Value::string(expand(data.text)));
        case RegData::ExpandSz: return putMachine(key, name, Value::string(expand(data.text), reg::RegExpandSz));
        case RegData::Dword: return putMachine(key, name, Value::dword(data.number));
        case RegData::RawSz: return putMachine(key, name, Value{reg::RegSz, reg::utf16leBytes(data.text)});
        }
    }

    void expectOneUnavailableMessage() {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, kUnavailable);
        EXPECT_EQ(messages[0].style, 0);
        EXPECT_EQ(messages[0].title, QStringLiteral("Scrivlet"));
    }

    QTemporaryDir tmp_;
    std::unique_ptr<RecordedStarts> starts_;
    QString savedCwd_;
    std::unique_ptr<frmAbout> about;
    std::vector<platform::MessageBoxRequest> messages;
};

// ---------------------------------------------------------------------------
// Which program is started.

struct StartCase {
    const char* name;
    RegData path;                     // first location: ...\MSINFO, "PATH"
    RegData folder;                   // second location: ...\Shared Tools Location, "MSINFO"
    const char* program;              // where the recording program is put ("<tmp>/...")
    const char* started;              // the program expected to start; null: none, one message
    const char* extraFile = nullptr;  // another copy, which must not be started
};

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.name;
}

class StartSysInfoTest : public LauncherTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartSysInfoTest, StartsTheProgramTheRegistryNamesOrSaysOnceThatItCannot) {
    const StartCase& c = GetParam();
    // Given the registry entries and the program files of the row
    QDir().mkpath(work());
    if (c.program)
        RecordedStarts::install(expand(QString::fromUtf8(c.program)));
    if (c.extraFile)
        RecordedStarts::install(expand(QString::fromUtf8(c.extraFile)));
    put(kSysInfoKey, QStringLiteral("PATH"), c.path);
    put(kSysInfoLocationKey, QStringLiteral("MSINFO"), c.folder);

    // When the launcher runs
    about->StartSysInfo();

    // Then exactly that program starts, as the whole program name with no
    // arguments, or one message says it cannot
    if (c.started) {
        const std::vector<StartRecord> records = starts_->wait(1);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].argv0, expand(QString::fromUtf8(c.started)));
        EXPECT_EQ(records[0].args, QStringList());
        EXPECT_EQ(records[0].cwd, work());
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(starts_->none().size(), 1u);  // and only once
    } else {
        expectOneUnavailableMessage();
        EXPECT_TRUE(starts_->none().empty());
    }
    // No shell ever saw the text: nothing it would have run happened.
    EXPECT_FALSE(QFileInfo::exists(work() + QStringLiteral("/INJECTED")));
}

// clang-format off
const StartCase kStartCases[] = {
    // The first location's text is started exactly as read.
    {"PathWithSpaces", sz("<tmp>/My Tools/sys info"), absent(), "<tmp>/My Tools/sys info", "<tmp>/My Tools/sys info"},
    {"PathWithShellMetacharacters", sz("<tmp>/sys;touch INJECTED $(touch INJECTED) `touch INJECTED`"), absent(),
     "<tmp>/sys;touch INJECTED $(touch INJECTED) `touch INJECTED`",
     "<tmp>/sys;touch INJECTED $(touch INJECTED) `touch INJECTED`"},
    {"PathInChineseFolder", sz("<tmp>/系统 工具/信息"), absent(), "<tmp>/系统 工具/信息", "<tmp>/系统 工具/信息"},
    {"PathWinsOverAnExistingSecondLocation", sz("<tmp>/first"), sz("<tmp>/tools"), "<tmp>/first", "<tmp>/first",
     "<tmp>/tools\\MSINFO32.EXE"},
    // The second location's folder text followed by \MSINFO32.EXE, as it is.
    {"FolderJoinedWithBackslash", absent(), sz("<tmp>/tools"), "<tmp>/tools\\MSINFO32.EXE",
     "<tmp>/tools\\MSINFO32.EXE"},
    {"FolderEndingInBackslashGivesTwo", absent(), sz("<tmp>/tools\\"), "<tmp>/tools\\\\MSINFO32.EXE",
     "<tmp>/tools\\\\MSINFO32.EXE"},
    {"FolderWithSpaces", absent(), sz("<tmp>/Program Files/Shared"), "<tmp>/Program Files/Shared\\MSINFO32.EXE",
     "<tmp>/Program Files/Shared\\MSINFO32.EXE"},
    {"PathLongerThanTheBufferFallsBackToFolder", longText(1500), sz("<tmp>/tools"), "<tmp>/tools\\MSINFO32.EXE",
     "<tmp>/tools\\MSINFO32.EXE"},
    // A relative name means the same file to the existence test and to the
    // start: the one in the current folder.
    {"RelativePathInTheCurrentFolder", sz("sys info"), absent(), "<tmp>/sys info", "<tmp>/sys info"},
    {"RelativeFolderInTheCurrentFolder", absent(), sz("tools"), "<tmp>/tools\\MSINFO32.EXE",
     "<tmp>/tools\\MSINFO32.EXE"},
    // Failures: one message, nothing started.
    {"NeitherLocation", absent(), absent(), "<tmp>/tools\\MSINFO32.EXE", nullptr},
    {"PathNamesNoFileAndFolderIsNotTried", sz("<tmp>/missing"), sz("<tmp>/tools"), "<tmp>/tools\\MSINFO32.EXE", nullptr},
    {"PathEmptyText", sz(""), sz("<tmp>/tools"), "<tmp>/tools\\MSINFO32.EXE", nullptr},
    {"PathExpandStringLeavesThePathEmpty", expandSz("<tmp>/first"), sz("<tmp>/tools"), "<tmp>/first", nullptr,
     "<tmp>/tools\\MSINFO32.EXE"},
    {"PathDwordGivesANumberText", dword(1), sz("<tmp>/tools"), "<tmp>/tools\\MSINFO32.EXE", nullptr},
    {"PathFillsTheBufferWithoutNul", unterminated(1024), sz("<tmp>/tools"), "<tmp>/tools\\MSINFO32.EXE", nullptr},
    {"PathIsAFolder", sz("<tmp>"), absent(), nullptr, nullptr},
    {"FolderWithoutTheProgram", absent(), sz("<tmp>/tools"), "<tmp>/tools/other", nullptr},
    {"FolderHoldingTheProgramBehindASlash", absent(), sz("<tmp>/tools"), "<tmp>/tools/MSINFO32.EXE", nullptr},
    {"FolderJoinIsAHiddenFile", absent(), sz("<tmp>/.tools"), "<tmp>/.tools\\MSINFO32.EXE", nullptr},
    {"FolderIsADword", absent(), dword(16), "<tmp>/tools\\MSINFO32.EXE", nullptr},
    {"FolderIsAnExpandString", absent(), expandSz("<tmp>/tools"), "<tmp>/tools\\MSINFO32.EXE", nullptr},
    {"FolderFillsTheBufferWithoutNul", absent(), unterminated(1024), "<tmp>/tools\\MSINFO32.EXE", nullptr},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Locations, StartSysInfoTest, ::testing::ValuesIn(kStartCases), CaseName());

// A file that is not a program is not started, executable bit or not, and
// no shell is asked to run it as a script instead.
TEST_F(LauncherTest, FileThatIsNoProgramIsNotStarted) {
    for (const mode_t mode : {mode_t(0644), mode_t(0755)}) {
        SCOPED_TRACE(mode);
        messages.clear();
        const QString path = work() + QStringLiteral("/notes.txt");
        writeFile(path, "touch INJECTED\n");
        chmodPath(path, mode);
        putMachine(kSysInfoKey, QStringLiteral("PATH"), Value::string(path));

        about->StartSysInfo();

        expectOneUnavailableMessage();
        QThread::msleep(150);
        EXPECT_FALSE(QFileInfo::exists(work() + QStringLiteral("/INJECTED")));
    }
}

// A path that fills the buffer but for its NUL: 1023 bytes in code page 936,
// two of them per Chinese character.
TEST_F(LauncherTest, PathOf1023BytesIsStartedWhole) {
    QString path = work() + QStringLiteral("/");
    while (reg::toCodePage936(path).size() < 1023 - 101)
        path += QString(60, u'系') + QStringLiteral("/");
    path += QString(1023 - 1 - int(reg::toCodePage936(path).size()), u'x') + QStringLiteral("y");
    ASSERT_EQ(reg::toCodePage936(path).size(), 1023);
    RecordedStarts::install(path);
    putMachine(kSysInfoKey, QStringLiteral("PATH"), Value::string(path));

    about->StartSysInfo();

    const std::vector<StartRecord> records = starts_->wait(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].argv0, path);
    EXPECT_TRUE(messages.empty());
}

// The machine hive may not be written by this user: the keys are opened for
// reading only, so the program is still found. (With write rights in the
// mask the registry refuses the same key: permission bits decide, for the
// superuser too.)
TEST_F(LauncherTest, ReadOnlyMachineHiveStillStartsTheProgram) {
    RecordedStarts::install(work() + QStringLiteral("/sys info"));
    putMachine(kSysInfoKey, QStringLiteral("PATH"), Value::string(work() + QStringLiteral("/sys info")));
    chmodPath(machineHive(), 0444);
    const QByteArray before = fileBytes(machineHive());

    reg::HKEY key = 0;
    EXPECT_EQ(
        reg::RegOpenKeyExA(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", 0, 0x2003F, &key),
        reg::ERROR_ACCESS_DENIED);

    about->StartSysInfo();

    const std::vector<StartRecord> records = starts_->wait(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].argv0, work() + QStringLiteral("/sys info"));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(fileBytes(machineHive()), before);
}

// Each call reads the registry afresh: a location added after a failed
// attempt is found by the next one.
TEST_F(LauncherTest, EachCallReadsTheRegistryAfresh) {
    RecordedStarts::install(work() + QStringLiteral("/tools\\MSINFO32.EXE"));
    about->StartSysInfo();
    expectOneUnavailableMessage();

    putMachine(kSysInfoLocationKey, QStringLiteral("MSINFO"), Value::string(work() + QStringLiteral("/tools")));
    about->StartSysInfo();

    const std::vector<StartRecord> records = starts_->wait(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].argv0, work() + QStringLiteral("/tools\\MSINFO32.EXE"));
    EXPECT_EQ(messages.size(), 1u);
}

// ---------------------------------------------------------------------------
// GetKeyValue on its own.

struct ReadCase {
    const char* name;
    Value value;
    bool result;
    QString text;  // KeyVal afterwards; it starts as "before"
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class GetKeyValueTest : public LauncherTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(GetKeyValueTest, ReturnsTheValueAsText) {
    const ReadCase& c = GetParam();
    putMachine(QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Value"), c.value);
    QString keyVal = QStringLiteral("before");

    const bool result = about->GetKeyValue(reg::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"),
                                           QStringLiteral("Value"), keyVal);

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(keyVal, c.text);
    EXPECT_TRUE(messages.empty());
}

Value rawSz(const QByteArray& utf16le) {
    return Value{reg::RegSz, utf16le};
}

// clang-format off
const ReadCase kReadCases[] = {
    {"StringWithoutItsNul", Value::string(QStringLiteral("C:\\Tools\\msinfo32.exe")), true, QStringLiteral("C:\\Tools\\msinfo32.exe")},
    {"ChineseString", Value::string(QStringLiteral("系统信息 程序")), true, QStringLiteral("系统信息 程序")},
    {"EmptyString", Value::string(QString()), true, QString()},
    {"StringCutAtItsFirstNul", Value::string(QStringLiteral("abc") + QChar(0) + QStringLiteral("def")), true, QStringLiteral("abc")},
    {"StringStoredWithoutNul", rawSz(reg::utf16leBytes(QStringLiteral("plain"))), true, QStringLiteral("plain")},
    {"String1023BytesFits", Value::string(QString(1023, u'a')), true, QString(1023, u'a')},
    {"ChineseString1022BytesFits", Value::string(QString(511, u'信')), true, QString(511, u'信')},
    {"String1024BytesAndNulIsTooLong", Value::string(QString(1024, u'a')), false, QString()},
    {"ChineseString1024BytesAndNulIsTooLong", Value::string(QString(512, u'信')), false, QString()},
    {"DwordOne", Value::dword(1), true, QStringLiteral("&h1")},
    {"Dword256UsesTheSecondByte", Value::dword(256), true, QStringLiteral("&h100")},
    {"DwordZero", Value::dword(0), true, QStringLiteral("&h0")},
    {"Dword4096", Value::dword(4096), true, QStringLiteral("&h1000")},
    {"DwordHighByteOnly", Value::dword(0x01000000), true, QStringLiteral("&h1000000")},
    {"DwordUpperCaseDigits", Value::dword(0xABCDEF01), true, QStringLiteral("&hABCDEF01")},
    {"DwordAllOnes", Value::dword(0xFFFFFFFF), true, QStringLiteral("&hFFFFFFFF")},
    {"ExpandStringLeftUnchanged", Value::string(QStringLiteral("%SystemRoot%"), reg::RegExpandSz), true, QStringLiteral("before")},
    {"BinaryLeftUnchanged", Value::binary(QByteArray("\x01\x02\x03", 3)), true, QStringLiteral("before")},
    {"MultiStringLeftUnchanged", Value::multiString({QStringLiteral("a"), QStringLiteral("b")}), true, QStringLiteral("before")},
    {"QwordLeftUnchanged", Value::qword(0x100000000ull), true, QStringLiteral("before")},
    {"BinaryOver1024BytesIsTooLong", Value::binary(QByteArray(1025, '\x01')), false, QString()},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Types, GetKeyValueTest, ::testing::ValuesIn(kReadCases), CaseName());

TEST_F(LauncherTest, MissingKeyOrValueGivesFalseAndEmptyText) {
    putMachine(QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Other"), Value::string(QStringLiteral("x")));
    QString keyVal = QStringLiteral("before");
    EXPECT_FALSE(about->GetKeyValue(reg::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Missing"),
                                    QStringLiteral("Other"), keyVal));
    EXPECT_EQ(keyVal, QString());
    keyVal = QStringLiteral("before");
    EXPECT_FALSE(
        about->GetKeyValue(reg::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Value"), keyVal));
    EXPECT_EQ(keyVal, QString());
    // Names compare without regard to case, in the key path and the value name.
    EXPECT_TRUE(
        about->GetKeyValue(reg::HKEY_LOCAL_MACHINE, QStringLiteral("software\\TEST"), QStringLiteral("oTHER"), keyVal));
    EXPECT_EQ(keyVal, QStringLiteral("x"));
}

TEST_F(LauncherTest, ReadsUnderTheRootItIsGiven) {
    reg::writeValue(reg::Root::CurrentUser, QStringLiteral("Software\\Test"), QStringLiteral("Value"),
                    Value::string(QStringLiteral("user")));
    putMachine(QStringLiteral("Software\\Test"), QStringLiteral("Value"), Value::string(QStringLiteral("machine")));
    QString keyVal;
    EXPECT_TRUE(
        about->GetKeyValue(reg::HKEY_CURRENT_USER, QStringLiteral("Software\\Test"), QStringLiteral("Value"), keyVal));
    EXPECT_EQ(keyVal, QStringLiteral("user"));
    EXPECT_TRUE(
        about->GetKeyValue(reg::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test"), QStringLiteral("Value"), keyVal));
    EXPECT_EQ(keyVal, QStringLiteral("machine"));
}

// Data that fills all 1024 bytes without a zero byte is an invalid argument,
// whatever its type.
TEST_F(LauncherTest, FullBufferWithoutNulRaisesInvalidArgument) {
    for (const Value& v : {rawSz(reg::utf16leBytes(QString(1024, u'a'))), rawSz(reg::utf16leBytes(QString(512, u'信'))),
                           Value::binary(QByteArray(1024, '\x7f'))}) {
        SCOPED_TRACE(v.type);
        putMachine(QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Value"), v);
        QString keyVal = QStringLiteral("before");
        try {
            about->GetKeyValue(reg::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Value"),
                               keyVal);
            ADD_FAILURE() << "no error raised";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::err::InvalidArgument);
        }
        EXPECT_EQ(keyVal, QStringLiteral("before"));
    }
}

}  // namespace
