#include "platform/registry/hive_location.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace platform::registry {

namespace {

const QString kFolder = QStringLiteral("scrivlet");

QString configHome() {
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!home.isEmpty() && QDir::isAbsolutePath(home))
        return home;
    QString user = qEnvironmentVariable("HOME");
    if (user.isEmpty())
        user = QDir::homePath();
    return user + QStringLiteral("/.config");
}

QStringList configDirs() {
    QStringList dirs;
    for (const QString& dir : qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))  // relative entries are ignored, as the XDG rules say
            dirs.append(dir);
    }
    if (dirs.isEmpty())
        dirs.append(QStringLiteral("/etc/xdg"));
    return dirs;
}

bool inGroup(gid_t group) {
    if (group == getegid())
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<size_t>(i)] == group)
            return true;
    }
    return false;
}

}  // namespace

QString rootName(Root root) {
    return root == Root::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER") : QStringLiteral("HKEY_LOCAL_MACHINE");
}

QString hivePath(Root root) {
    if (root == Root::CurrentUser)
        return configHome() + u'/' + kFolder + QStringLiteral("/HKEY_CURRENT_USER.reg");
    const QString name = u'/' + kFolder + QStringLiteral("/HKEY_LOCAL_MACHINE.reg");
    const QStringList dirs = configDirs();
    for (const QString& dir : dirs) {
        if (QFileInfo(dir + name).isFile())
            return dir + name;
    }
    return dirs.first() + name;
}

bool hiveWritable(const QString& path) {
    QString probe = QFileInfo(path).absoluteFilePath();
    struct stat st {};
    while (::stat(QFile::encodeName(probe).constData(), &st) != 0) {
        const QString parent = QFileInfo(probe).absolutePath();
        if (parent == probe)
            return false;
        probe = parent;
    }
    if (st.st_uid == geteuid())
        return (st.st_mode & S_IWUSR) != 0;
    if (inGroup(st.st_gid))
        return (st.st_mode & S_IWGRP) != 0;
    return (st.st_mode & S_IWOTH) != 0;
}

}  // namespace platform::registry
