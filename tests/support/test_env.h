// A private environment for tests: the registry hives and every other
// per-user file live in temporary folders, so tests never touch the user's
// real settings and never see each other's. Also the file reading and
// writing the suites share. QtCore and GoogleTest only.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <array>

namespace testenv {

// Configuration and state folders of their own for as long as the object
// lives: XDG_CONFIG_HOME, XDG_CONFIG_DIRS (machineFolders folders) and
// XDG_STATE_HOME point into a fresh temporary folder, and are put back after.
// The folders themselves are not made.
class XdgFolders {
public:
    explicit XdgFolders(int machineFolders = 1);
    ~XdgFolders();
    XdgFolders(const XdgFolders&) = delete;
    XdgFolders& operator=(const XdgFolders&) = delete;

    bool isValid() const { return root_.isValid(); }
    QString home() const;                 // $XDG_CONFIG_HOME
    QString machineDir(int n = 0) const;  // the n-th folder of $XDG_CONFIG_DIRS
    QString stateHome() const;            // $XDG_STATE_HOME

private:
    QTemporaryDir root_;
    std::array<QByteArray, 3> saved_;
    std::array<bool, 3> wasSet_{};
};

// Gives the whole test process its own folders (made, with one machine
// folder). Called by the test main before anything else.
void isolate();

QString configHome();  // $XDG_CONFIG_HOME after isolate()
QString configDir();   // the one directory in $XDG_CONFIG_DIRS after isolate()

// The file's bytes, or "<missing>" when it cannot be read, so that a
// comparison with it fails readably.
QByteArray fileBytes(const QString& path);

// Writes bytes to path, making its folders; a failure fails the test.
void writeFile(const QString& path, const QByteArray& bytes);

// Gives a hive folder and both hive files in it their usual permissions
// back, whatever a test took away, so that they can be removed.
void makeHivesWritable(const QString& folder);

}  // namespace testenv
