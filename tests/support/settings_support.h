// Shared by the settings, launcher and About box suites: the two hives of
// this test process, set up and taken down through the registry's own
// writer, and readable failure messages for Qt values.
#pragma once

#include "platform/registry/hive_store.h"
#include "support/test_env.h"

#include <QColor>
#include <QDir>
#include <QRect>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ostream>
#include <vector>

// Readable failure messages for the Qt values the suites compare.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QPoint& p, std::ostream* os) {
    *os << '(' << p.x() << ", " << p.y() << ')';
}
inline void PrintTo(const QSize& s, std::ostream* os) {
    *os << s.width() << 'x' << s.height();
}
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.width() << 'x' << r.height() << '+' << r.x() << '+' << r.y();
}
inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << c.name().toStdString();
}

namespace settingstest {

namespace reg = platform::registry;

inline const QString kSettingsKey = QStringLiteral("Software\\Korvane\\Scrivlet\\Settings");
inline const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString kSysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
inline const QString kUnavailable = QStringLiteral("此时系统信息不可用");

inline QString userFolder() {
    return testenv::configHome() + QStringLiteral("/scrivlet");
}
inline QString machineFolder() {
    return testenv::configDir() + QStringLiteral("/scrivlet");
}
inline QString userHive() {
    return userFolder() + QStringLiteral("/HKEY_CURRENT_USER.reg");
}
inline QString machineHive() {
    return machineFolder() + QStringLiteral("/HKEY_LOCAL_MACHINE.reg");
}

inline void chmodPath(const QString& path, mode_t mode) {
    ::chmod(QFile::encodeName(path).constData(), mode);
}

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

}  // namespace settingstest
