// A fixture that gives each test its own hive folders: XDG_CONFIG_HOME and
// XDG_CONFIG_DIRS (two folders) point into a fresh temporary folder, and are
// put back after.
#pragma once

#include "support/test_env.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using testenv::fileBytes;
using testenv::writeFile;

class HiveEnv : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folders_.isValid()); }
    void TearDown() override {
        // Give back write permission so that the folder can be removed.
        for (const QString& dir : {home() + "/scrivlet", machineDir() + "/scrivlet"})
            testenv::makeHivesWritable(dir);
    }

    QString home() const { return folders_.home(); }
    QString machineDir(int n = 0) const { return folders_.machineDir(n); }
    QString userHive() const { return home() + "/scrivlet/HKEY_CURRENT_USER.reg"; }
    QString machineHive() const { return machineDir() + "/scrivlet/HKEY_LOCAL_MACHINE.reg"; }

    static void setMode(const QString& path, mode_t mode) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    }

private:
    testenv::XdgFolders folders_{2};
};
