// Replacing a file's content crash-safely, for documents and settings alike.
//
// The bytes go to a temporary file beside the target, named
// "<name>.scrivlet-XXXXXX", which is flushed to disk and then renamed over
// the target, so that the target always holds either its old or its new
// content whole. While it is written the temporary file is locked (flock);
// a process that dies before the rename leaves it behind unlocked, and the
// next write of the same target deletes such leftovers of its own.
//
// QtCore only: no QObject, nothing of the GUI.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace platform {

struct WriteResult {
    bool ok = true;
    QString reason;              // why it failed, in the user's words ("磁盘空间不足")
    bool targetExisted = false;  // a file was there before: it is left as it was
};

// Writes bytes to path as described above. A symbolic link to an existing
// file is followed: its target gets the content, the link stays. An existing
// file keeps its permission bits; a file that may not be written (read-only
// for us) is refused, as is a folder. beforeCommit, when given, runs after
// the temporary file is complete and before it replaces the target (tests
// end the process there); an exception from it removes the temporary file
// and propagates.
//
// A write beyond the process's file-size limit fails with a reason instead of
// ending the program: SIGXFSZ is ignored from the first call on, unless the
// program already handles it.
WriteResult replaceFileContent(const QString& path, QByteArrayView bytes,
                               const std::function<void()>& beforeCommit = {});

}  // namespace platform
