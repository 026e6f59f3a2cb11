// Saves under real faults, through the converter (the control's own LoadFile
// and SaveFile in a process of its own): a file-size limit, a full disk, a
// read-only folder as a user without rights, and SIGKILL in the middle of a
// large save. The old file is intact every time, the reason is said, and no
// temporary file outlives the next successful save.
#include "support/test_env.h"
#include "support/case_name.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

// An RTF document of about `paragraphs` × 60 bytes.
QByteArray largeRtf(int paragraphs) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\n";
    for (int i = 0; i < paragraphs; ++i)
        rtf += "\\pard " + QByteArray::number(i) + " {\\b bold} words \\u20013? that fill a line\\par\n";
    return rtf + "}";
}

struct Outcome {
    int exitCode = -1;
    QString errors;
};

// Runs `scrivlet-rtf convert in out`; prepare runs in the child before it
// starts (limits, another user).
Outcome convert(const QString& in, const QString& out, std::function<void()> prepare = {}) {
    QProcess p;
    if (prepare)
        p.setChildProcessModifier(prepare);
    p.start(QStringLiteral(SCRIVLET_RTF_CONVERTER), {QStringLiteral("convert"), in, out});
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

// A tmpfs of a few kilobytes mounted on a folder, where this process may
// mount one (root, outside most containers' limits).
class SmallDisk {
public:
    explicit SmallDisk(const QString& at) : at_(QFile::encodeName(at)) {
        mounted_ = ::mount("tmpfs", at_.constData(), "tmpfs", 0, "size=16k,mode=0755") == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount(at_.constData());
    }
    bool mounted() const { return mounted_; }

private:
    QByteArray at_;
    bool mounted_ = false;
};

struct Fault {
    const char* name;
    const char* reason;  // what the message says
    bool existing;       // an old file is there to keep
};

void PrintTo(const Fault& f, std::ostream* os) {
    *os << f.name;
}

class SaveFault : public ::testing::TestWithParam<Fault> {};

TEST_P(SaveFault, IsReportedWithItsReasonAndTheOldFileStays) {
    const Fault& fault = GetParam();
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString in = scratch.filePath(QStringLiteral("in.rtf"));
    testenv::writeFile(in, largeRtf(2000));
    const QString folder = scratch.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    std::function<void()> prepare;
    std::optional<SmallDisk> disk;
    const std::string name = fault.name;
    if (name == "FullDisk") {
        disk.emplace(folder);
        if (!disk->mounted())
            GTEST_SKIP() << "no tmpfs can be mounted here; the file-size limit stands in for a full disk";
    }
    const QString out = folder + QStringLiteral("/out.rtf");
    if (fault.existing)
        testenv::writeFile(out, "{\\rtf1 old}");
    if (name.starts_with("FileSizeLimit")) {
        // The limit is set in the child, whose SIGXFSZ is left at its default.
        prepare = [] {
            const rlimit small{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &small);
        };
    } else if (name == "ReadOnlyFolder") {
        ASSERT_TRUE(QFile::setPermissions(scratch.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                              QFile::ReadOther | QFile::ExeOther));
        ASSERT_TRUE(QFile::setPermissions(in, QFile::ReadOwner | QFile::ReadOther));
        ASSERT_TRUE(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        // The superuser writes anywhere: the save runs as a user without rights.
        if (::geteuid() == 0)
            prepare = [] {
                if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                    _exit(99);
            };
    }

    const Outcome run = convert(in, out, prepare);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QString::fromUtf8(fault.reason))) << run.errors.toStdString();
    EXPECT_EQ(run.errors.contains(QStringLiteral("原文件未改动")), fault.existing) << run.errors.toStdString();
    EXPECT_EQ(entries(folder), fault.existing ? QStringList{"out.rtf"} : QStringList{});
    if (fault.existing) {
        EXPECT_EQ(testenv::fileBytes(out), QByteArray("{\\rtf1 old}"));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, SaveFault,
                         ::testing::Values(Fault{"FileSizeLimit", "文件超过了允许的最大大小", true},
                                           Fault{"FileSizeLimitNewFile", "文件超过了允许的最大大小", false},
                                           Fault{"FullDisk", "磁盘空间不足", true},
                                           Fault{"ReadOnlyFolder", "权限不够", true}),
                         CaseName());

TEST(SaveKill, KilledAtRandomMomentsTheOldFileStaysWholeAndTheNextSaveLeavesNoTemporaryFile) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString in = scratch.filePath(QStringLiteral("in.rtf"));
    testenv::writeFile(in, largeRtf(10000));
    const QString folder = scratch.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/out.rtf");
    const QString reference = scratch.filePath(QStringLiteral("reference.rtf"));
    ASSERT_EQ(convert(in, reference).exitCode, 0);
    const QByteArray fresh = testenv::fileBytes(reference);
    const QByteArray old = "{\\rtf1 old}";
    testenv::writeFile(out, old);

    // Each run is killed a random few milliseconds after its temporary file
    // appears, while the new content is being written, flushed or renamed.
    int killedWhileWriting = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QStringList before = entries(folder);
        const auto newTempFile = [&] {
            const QStringList now = entries(folder);
            return std::any_of(now.begin(), now.end(), [&](const QString& e) { return !before.contains(e); });
        };
        QProcess p;
        p.start(QStringLiteral(SCRIVLET_RTF_CONVERTER), {QStringLiteral("convert"), in, out});
        ASSERT_TRUE(p.waitForStarted());
        while (!newTempFile() && !p.waitForFinished(1)) {
        }
        QThread::usleep(QRandomGenerator::global()->bounded(8000));
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished();
        const QByteArray now = testenv::fileBytes(out);
        EXPECT_TRUE(now == old || now == fresh) << "attempt " << attempt << ": " << now.size() << " bytes";
        if (entries(folder).size() > 1)
            ++killedWhileWriting;  // its temporary file is left for the next save to remove
        testenv::writeFile(out, old);
    }
    std::printf("killed with the temporary file in place: %d of 20\n", killedWhileWriting);
    EXPECT_GT(killedWhileWriting, 0) << "no kill came while the new content was written";
    ASSERT_EQ(convert(in, out).exitCode, 0);
    EXPECT_EQ(testenv::fileBytes(out), fresh);
    EXPECT_EQ(entries(folder), QStringList{"out.rtf"}) << "temporary files of killed saves are left";
}

}  // namespace
