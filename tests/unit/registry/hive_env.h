// A fixture that gives each test its own hive folders: XDG_CONFIG_HOME and
// XDG_CONFIG_DIRS point into a fresh temporary folder, and are put back after.
#pragma once

#include "platform/registry/hive_location.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

class HiveEnv : public ::testing::Test {
protected:
    void SetUp() override {
        savedHome_ = qgetenv("XDG_CONFIG_HOME");
        savedDirs_ = qgetenv("XDG_CONFIG_DIRS");
        ASSERT_TRUE(tmp_.isValid());
        qputenv("XDG_CONFIG_HOME", home().toUtf8());
        qputenv("XDG_CONFIG_DIRS", (machineDir() + QStringLiteral(":") + tmp_.path() + "/xdg2").toUtf8());
    }
    void TearDown() override {
        // Give back write permission so that the folder can be removed.
        for (const QString& dir : {home() + "/scrivlet", machineDir() + "/scrivlet"}) {
            ::chmod(QFile::encodeName(dir).constData(), 0755);
            ::chmod(QFile::encodeName(dir + "/HKEY_LOCAL_MACHINE.reg").constData(), 0644);
            ::chmod(QFile::encodeName(dir + "/HKEY_CURRENT_USER.reg").constData(), 0644);
        }
        qputenv("XDG_CONFIG_HOME", savedHome_);
        qputenv("XDG_CONFIG_DIRS", savedDirs_);
    }

    QString home() const { return tmp_.path() + "/home"; }
    QString machineDir() const { return tmp_.path() + "/xdg1"; }
    QString userHive() const { return home() + "/scrivlet/HKEY_CURRENT_USER.reg"; }
    QString machineHive() const { return machineDir() + "/scrivlet/HKEY_LOCAL_MACHINE.reg"; }

    static void put(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(path.left(path.lastIndexOf('/')));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static void setMode(const QString& path, mode_t mode) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    }

    QTemporaryDir tmp_;

private:
    QByteArray savedHome_;
    QByteArray savedDirs_;
};
