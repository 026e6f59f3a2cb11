// A stand-in program that records how it was started, for the launcher and
// About box suites: record_start.cpp, found through RECORD_START_PATH.
#pragma once

#include "support/settings_support.h"

#include <QElapsedTimer>
#include <QThread>

namespace settingstest {

// One start of the recording program.
struct StartRecord {
    QString argv0;
    QStringList args;
    QString cwd;
};

// The recording program (record_start.cpp): each start
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
