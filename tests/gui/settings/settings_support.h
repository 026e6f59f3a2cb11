// Shared by the settings, launcher and About box suites: the two hives of
// this test process, set up and taken down through the registry's own
// writer, and a stand-in program that records how it was started.
#pragma once

#include "platform/registry/hive_store.h"
#include "support/test_env.h"

#include <QColor>
#include <QDir>
#include <QRect>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ostream>
#include <vector>

// Readable failure messages for the Qt values the suites compare.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << '(' << p.x() << ", " << p.y() << ')'; }
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << 'x' << s.height(); }
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.width() << 'x' << r.height() << '+' << r.x() << '+' << r.y();
}
inline void PrintTo(const QColor& c, std::ostream* os) { *os << c.name().toStdString(); }

namespace settingstest {

namespace reg = platform::registry;

inline const QString kSettingsKey = QStringLiteral("Software\\Korvane\\Scrivlet\\Settings");
inline const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString kSysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
inline const QString kUnavailable = QStringLiteral("此时系统信息不可用");

inline QString userFolder() { return testenv::configHome() + QStringLiteral("/scrivlet"); }
inline QString machineFolder() { return testenv::configDir() + QStringLiteral("/scrivlet"); }
inline QString userHive() { return userFolder() + QStringLiteral("/HKEY_CURRENT_USER.reg"); }
inline QString machineHive() { return machineFolder() + QStringLiteral("/HKEY_LOCAL_MACHINE.reg"); }

inline void chmodPath(const QString& path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

// Both hives gone, whatever a test left behind (read-only bits, a file in
// place of the folder).
inline void clearHives() {
    for (const QString& folder : {userFolder(), machineFolder()}) {
        testenv::makeHivesWritable(folder);
        if (QFileInfo(folder).isDir())
            QDir(folder).removeRecursively();
        else
            QFile::remove(folder);
    }
}

inline void putSetting(const QString& name, const reg::Value& value) {
    reg::writeValue(reg::Root::CurrentUser, kSettingsKey, name, value);
}

inline void putMachine(const QString& key, const QString& name, const reg::Value& value) {
    reg::writeValue(reg::Root::LocalMachine, key, name, value);
}

using testenv::fileBytes;
using testenv::writeFile;

// One start of the recording program.
struct StartRecord {
    QString argv0;
    QStringList args;
    QString cwd;
};

// The recording program (tests/gui/settings/record_start.cpp): each start
// appends a record to the file that SCRIVLET_RECORD_START names.
class RecordedStarts {
public:
    explicit RecordedStarts(const QString& recordFile) : file_(recordFile) {
        QFile::remove(file_);
        qputenv("SCRIVLET_RECORD_START", QFile::encodeName(file_));
    }
    ~RecordedStarts() { qunsetenv("SCRIVLET_RECORD_START"); }

    // Puts a copy of the recording program at path (folders created).
    static void install(const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(QStringLiteral(RECORD_START_PATH), path)) << path.toStdString();
        chmodPath(path, 0755);
    }

    // The records so far, after waiting up to timeoutMs for at least
    // `expected` complete ones. A started program has already been executed
    // when the start call returns, so a short wait suffices to see that
    // nothing was started.
    std::vector<StartRecord> wait(std::size_t expected, int timeoutMs = 5000) const {
        QElapsedTimer timer;
        timer.start();
        std::vector<StartRecord> records = read();
        while (records.size() < expected && timer.elapsed() < timeoutMs) {
            QThread::msleep(10);
            records = read();
        }
        return records;
    }
    std::vector<StartRecord> none() const {
        QThread::msleep(150);
        return read();
    }

private:
    std::vector<StartRecord> read() const {
        std::vector<StartRecord> records;
        QFile f(file_);
        if (!f.open(QIODevice::ReadOnly))
            return records;
        StartRecord current;
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.startsWith(QStringLiteral("argv0=")))
                current = {line.mid(6), {}, {}};
            else if (line.startsWith(QStringLiteral("arg=")))
                current.args << line.mid(4);
            else if (line.startsWith(QStringLiteral("cwd=")))
                current.cwd = line.mid(4);
            else if (line == QStringLiteral("end"))
                records.push_back(current);
        }
        return records;
    }

    QString file_;
};

}  // namespace settingstest
