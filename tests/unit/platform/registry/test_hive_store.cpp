#include "hive_env.h"

#include "platform/errors.h"
#include "platform/registry/hive_store.h"
#include "support/case_name.h"
#include "support/error_number.h"

#include <QDir>
#include <QLockFile>
#include <QStringList>

#include <csignal>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

using namespace platform::registry;

namespace {

const QByteArray kSettings = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Korvane]\r\n"
                             "; the user's own note\r\n\"Kept\"=dword:00000007\r\n";

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

class HiveStore : public HiveEnv {};

// ---- Where the hives are.

TEST_F(HiveStore, UserHiveFollowsConfigHomeAndFallsBackToHomeConfig) {
    EXPECT_EQ(hivePath(Root::CurrentUser), userHive());
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", "/home/someone");
    EXPECT_EQ(hivePath(Root::CurrentUser), "/home/someone/.config/scrivlet/HKEY_CURRENT_USER.reg");
    qputenv("HOME", home);
}

TEST_F(HiveStore, MachineHiveIsTheFirstConfigDirThatHasOne) {
    EXPECT_EQ(hivePath(Root::LocalMachine), machineHive());  // none yet: the first
    const QString second = machineDir(1) + "/scrivlet/HKEY_LOCAL_MACHINE.reg";
    writeFile(second, "Windows Registry Editor Version 5.00\n");
    EXPECT_EQ(hivePath(Root::LocalMachine), second);
    writeFile(machineHive(), "Windows Registry Editor Version 5.00\n");
    EXPECT_EQ(hivePath(Root::LocalMachine), machineHive());
    qputenv("XDG_CONFIG_DIRS", "::relative");
    EXPECT_EQ(hivePath(Root::LocalMachine), "/etc/xdg/scrivlet/HKEY_LOCAL_MACHINE.reg");
}

// ---- Writing.

TEST_F(HiveStore, FirstWriteCreatesFolderAndFile) {
    writeValue(Root::CurrentUser, "Software\\Korvane\\Scrivlet\\Settings", "MainLeft", Value::dword(1500));
    EXPECT_EQ(fileBytes(userHive()), "Windows Registry Editor Version 5.00\n\n"
                                     "[HKEY_CURRENT_USER\\Software\\Korvane\\Scrivlet\\Settings]\n"
                                     "\"MainLeft\"=dword:000005dc\n");
    EXPECT_EQ(filesIn(home() + "/scrivlet"), QStringList{"HKEY_CURRENT_USER.reg"});  // no lock or temp left
}

TEST_F(HiveStore, WriteKeepsWhatElseTheFileHeld) {
    writeFile(userHive(), kSettings);
    writeValue(Root::CurrentUser, "software\\korvane", "New", Value::string("n"));
    EXPECT_EQ(fileBytes(userHive()), kSettings + "\"New\"=\"n\"\r\n");
}

TEST_F(HiveStore, ReadOnlyHiveIsReadButNeverWritten) {
    writeFile(userHive(), kSettings);
    setMode(userHive(), 0444);
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\Korvane", "kept")->toDword(), 7u);
    EXPECT_EQ(errorNumberOf([] { writeValue(Root::CurrentUser, "A", "x", Value::dword(1)); }),
              platform::err::RegistryWrite);
    EXPECT_EQ(fileBytes(userHive()), kSettings);
}

TEST_F(HiveStore, MissingHiveInAFolderWithoutWriteBitsIsNotCreated) {
    QDir().mkpath(machineDir() + "/scrivlet");
    setMode(machineDir() + "/scrivlet", 0555);
    EXPECT_FALSE(hiveWritable(machineHive()));
    EXPECT_EQ(errorNumberOf([] { writeValue(Root::LocalMachine, "A", "x", Value::dword(1)); }),
              platform::err::RegistryWrite);
    EXPECT_FALSE(QFile::exists(machineHive()));
}

TEST_F(HiveStore, WritabilityFollowsTheBitsForOwnerGroupAndOthers) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs to give the file to another owner";
    writeFile(machineHive(), "Windows Registry Editor Version 5.00\n");
    const QByteArray path = QFile::encodeName(machineHive());
    ASSERT_EQ(::chown(path.constData(), 4242, 4242), 0);
    setMode(machineHive(), 0664);  // owner and group may write, others (we) may not
    EXPECT_FALSE(hiveWritable(machineHive()));
    setMode(machineHive(), 0646);
    EXPECT_TRUE(hiveWritable(machineHive()));
    ASSERT_EQ(::chown(path.constData(), 4242, getegid()), 0);
    setMode(machineHive(), 0604);  // we are in the group, and the group may not
    EXPECT_FALSE(hiveWritable(machineHive()));
}

// ---- Hives that cannot be parsed.

struct BadHive {
    const char* name;
    QByteArray bytes;
};

void PrintTo(const BadHive& c, std::ostream* os) {
    *os << c.name;
}

class HiveStoreBadFile : public HiveEnv, public ::testing::WithParamInterface<BadHive> {};

TEST_P(HiveStoreBadFile, ReadsAsEmptyAndIsMovedAsideWholeOnWrite) {
    writeFile(userHive(), GetParam().bytes);
    EXPECT_FALSE(readValue(Root::CurrentUser, "A", "x").has_value());
    EXPECT_EQ(fileBytes(userHive()), GetParam().bytes);  // reading changes nothing

    ::testing::internal::CaptureStderr();
    const int number = errorNumberOf([] { writeValue(Root::CurrentUser, "A", "x", Value::dword(5)); });
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(number, platform::err::RegistryWrite);
    EXPECT_NE(said.find("HKEY_CURRENT_USER.reg.bad"), std::string::npos) << said;
    EXPECT_EQ(fileBytes(userHive() + ".bad"), GetParam().bytes);
    EXPECT_EQ(readValue(Root::CurrentUser, "A", "x")->toDword(), 5u);
}

INSTANTIATE_TEST_SUITE_P(Files, HiveStoreBadFile,
                         ::testing::Values(BadHive{"NoHeader", "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n"},
                                           BadHive{"InvalidUtf8",
                                                   "Windows Registry Editor Version 5.00\n\"\xFF\xFE\"\n"},
                                           BadHive{"Garbage", QByteArray("\x00\x01\x02garbage\xFF", 11)}),
                         CaseName());

// Files that are not read at all: reading them would block (a FIFO), never
// end (a device) or cost seconds for four numbers (a huge file).
struct HostileHive {
    const char* name;
    const char* reason;  // what the notes and the error say
    std::function<void(const QString& path)> make;
    mode_t type;  // what the moved-aside entry still is
};

void PrintTo(const HostileHive& c, std::ostream* os) {
    *os << c.name;
}

class HiveStoreHostileFile : public HiveEnv, public ::testing::WithParamInterface<HostileHive> {};

TEST_P(HiveStoreHostileFile, ReadsAsEmptyWithoutOpeningItAndIsMovedAsideOnWrite) {
    QDir().mkpath(home() + "/scrivlet");
    GetParam().make(userHive());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(readValue(Root::CurrentUser, "A", "x").has_value());
    const std::string noted = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(noted.find(GetParam().reason), std::string::npos) << noted;

    ::testing::internal::CaptureStderr();
    QString message;
    try {
        writeValue(Root::CurrentUser, "A", "x", Value::dword(5));
    } catch (const platform::Error& e) {
        message = e.description();
    }
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().reason))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("HKEY_CURRENT_USER.reg.bad"))) << message.toStdString();
    struct stat moved {};
    ASSERT_EQ(::lstat(QFile::encodeName(userHive() + ".bad").constData(), &moved), 0);
    EXPECT_EQ(moved.st_mode & S_IFMT, GetParam().type);
    EXPECT_EQ(readValue(Root::CurrentUser, "A", "x")->toDword(), 5u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HiveStoreHostileFile,
    ::testing::Values(
        HostileHive{"Fifo", "不是普通文件",
                    [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0); },
                    S_IFIFO},
        HostileHive{"LinkToDevZero", "不是普通文件",
                    [](const QString& path) { ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path)); }, S_IFLNK},
        HostileHive{"OverOneMegabyte", "超过了 1048576 字节的上限",
                    [](const QString& path) {
                        QByteArray hive = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n";
                        while (hive.size() <= 1024 * 1024)
                            hive += "\"x\"=dword:00000001\n";
                        QFile file(path);
                        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                        file.write(hive);
                    },
                    S_IFREG}),
    CaseName());

TEST_F(HiveStore, ALockAnotherLiveProcessHoldsFailsTheWriteAndLosesNothing) {
    writeFile(userHive(), kSettings);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        QLockFile lock(userHive() + ".lock");
        lock.setStaleLockTime(0);
        const bool locked = lock.tryLock(0);
        (void)!::write(ready[1], locked ? "1" : "0", 1);
        ::pause();  // holds the lock until killed
        _exit(0);
    }
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, '1');
    const int number = errorNumberOf([] { writeValue(Root::CurrentUser, "A", "x", Value::dword(1)); });
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(number, platform::err::RegistryWrite);
    EXPECT_EQ(fileBytes(userHive()), kSettings);
    writeValue(Root::CurrentUser, "A", "x", Value::dword(1));  // the dead holder's lock is taken over
    EXPECT_EQ(readValue(Root::CurrentUser, "A", "x")->toDword(), 1u);
}

TEST_F(HiveStore, ReadsInABatchReadTheFileOnceUntilAWriteChangesIt) {
    writeFile(userHive(), kSettings);
    {
        const ReadBatch batch;
        EXPECT_EQ(readValue(Root::CurrentUser, "Software\\Korvane", "Kept")->toDword(), 7u);
        writeFile(userHive(), "Windows Registry Editor Version 5.00\n");  // another program's change
        EXPECT_EQ(readValue(Root::CurrentUser, "Software\\Korvane", "Kept")->toDword(), 7u);
        writeValue(Root::CurrentUser, "A", "x", Value::dword(3));
        EXPECT_FALSE(readValue(Root::CurrentUser, "Software\\Korvane", "Kept").has_value());
        EXPECT_EQ(readValue(Root::CurrentUser, "A", "x")->toDword(), 3u);
    }
    writeFile(userHive(), kSettings);
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\Korvane", "Kept")->toDword(), 7u);
}

TEST_F(HiveStore, ASecondBadFileDoesNotReplaceTheFirstCopy) {
    writeFile(userHive() + ".bad", "first");
    writeFile(userHive(), "second");
    errorNumberOf([] { writeValue(Root::CurrentUser, "A", "x", Value::dword(5)); });
    EXPECT_EQ(fileBytes(userHive() + ".bad"), "first");
    EXPECT_EQ(fileBytes(userHive() + ".bad.1"), "second");
}

// ---- Crashes and a second instance.

TEST_F(HiveStore, WriteThatFailsBeforeTheRenameLeavesTheOldFileAndNoLeftovers) {
    writeFile(userHive(), kSettings);
    hooks::setBeforeCommitHook([] { throw platform::Error(platform::err::Unexpected, "crash"); });
    EXPECT_EQ(errorNumberOf([] { writeValue(Root::CurrentUser, "A", "x", Value::dword(1)); }),
              platform::err::Unexpected);
    hooks::setBeforeCommitHook({});
    EXPECT_EQ(fileBytes(userHive()), kSettings);
    EXPECT_EQ(filesIn(home() + "/scrivlet"), QStringList{"HKEY_CURRENT_USER.reg"});
}

TEST_F(HiveStore, ProcessKilledMidWriteLeavesTheOldFileAndItsLockIsRecovered) {
    writeFile(userHive(), kSettings);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        hooks::setBeforeCommitHook([] { _exit(3); });  // dies holding the lock, temp file written
        writeValue(Root::CurrentUser, "A", "x", Value::dword(1));
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(fileBytes(userHive()), kSettings);

    writeValue(Root::CurrentUser, "A", "y", Value::dword(2));
    EXPECT_EQ(readValue(Root::CurrentUser, "Software\\Korvane", "Kept")->toDword(), 7u);
    EXPECT_EQ(readValue(Root::CurrentUser, "A", "y")->toDword(), 2u);
    EXPECT_FALSE(readValue(Root::CurrentUser, "A", "x").has_value());
    EXPECT_EQ(filesIn(home() + "/scrivlet"), QStringList{"HKEY_CURRENT_USER.reg"});  // its temp file removed
}

TEST_F(HiveStore, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kEach = 25;
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int status = 0;
            for (int i = 0; i < kEach; ++i) {
                try {
                    writeValue(Root::CurrentUser, QStringLiteral("W%1").arg(writer), QString::number(i),
                               Value::dword(quint32(writer * 1000 + i)));
                } catch (...) {
                    status = 1;
                }
            }
            _exit(status);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    const HiveDocument hive = readHive(Root::CurrentUser);
    for (int writer = 0; writer < 2; ++writer) {
        const QStringList key = {QStringLiteral("W%1").arg(writer)};
        ASSERT_EQ(hive.values(key).size(), kEach);
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(hive.value(key, QString::number(i))->toDword(), quint32(writer * 1000 + i));
    }
}

TEST_F(HiveStore, ThreadsWritingAtOnceLoseNothing) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 12; ++i)
                writeValue(Root::CurrentUser, "T", QStringLiteral("%1-%2").arg(t).arg(i), Value::dword(quint32(i)));
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(readHive(Root::CurrentUser).values({"T"}).size(), 36);
}

}  // namespace
