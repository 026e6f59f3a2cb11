#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

namespace testenv {

namespace {

constexpr std::array<const char*, 3> kVariables = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_STATE_HOME"};

std::unique_ptr<XdgFolders>& processFolders() {
    static std::unique_ptr<XdgFolders> folders;
    return folders;
}

}  // namespace

XdgFolders::XdgFolders(int machineFolders) {
    for (std::size_t i = 0; i < kVariables.size(); ++i) {
        wasSet_[i] = qEnvironmentVariableIsSet(kVariables[i]);
        saved_[i] = qgetenv(kVariables[i]);
    }
    QStringList dirs;
    for (int n = 0; n < machineFolders; ++n)
        dirs << machineDir(n);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dirs.join(u':')));
    qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome()));
}

XdgFolders::~XdgFolders() {
    for (std::size_t i = 0; i < kVariables.size(); ++i) {
        if (wasSet_[i])
            qputenv(kVariables[i], saved_[i]);
        else
            qunsetenv(kVariables[i]);
    }
}

QString XdgFolders::home() const {
    return root_.path() + QStringLiteral("/home");
}
QString XdgFolders::machineDir(int n) const {
    return root_.path() + QStringLiteral("/xdg%1").arg(n + 1);
}
QString XdgFolders::stateHome() const {
    return root_.path() + QStringLiteral("/state");
}

void isolate() {
    processFolders() = std::make_unique<XdgFolders>();
    QDir().mkpath(configHome());
    QDir().mkpath(configDir());
}

QString configHome() {
    return processFolders()->home();
}
QString configDir() {
    return processFolders()->machineDir();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

void makeHivesWritable(const QString& folder) {
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    for (const char* hive : {"/HKEY_CURRENT_USER.reg", "/HKEY_LOCAL_MACHINE.reg"})
        ::chmod(QFile::encodeName(folder + QLatin1String(hive)).constData(), 0644);
}

}  // namespace testenv
