// Crash recovery: while a document has unsaved changes, an RTF copy of it is
// kept in this instance's folder under $XDG_STATE_HOME/scrivlet/recovery
// (default ~/.local/state), so that a crash, a kill or a power cut loses
// nothing. The copy is written about 2 s after typing pauses, and at least
// every 30 s while it goes on. Taking the copy costs the user's thread one
// quick snapshot; encoding and writing happen on a worker thread, in order.
//
// Folder layout:
//   recovery/<pid>-<ms>/lock      held with flock() while the instance runs
//   recovery/<pid>-<ms>/pid       the process id, for people looking
//   recovery/<pid>-<ms>/doc-N.rtf the copy of document N (written atomically)
//   recovery/<pid>-<ms>/doc-N.meta the file it belongs to and its format
// Folders are 0700 and files 0600. A folder whose lock nobody holds belongs
// to an instance that is gone; a folder whose lock is held is never touched.
#pragma once

#include "text/plaintext.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QTimer;
class RichTextBox;

namespace files {

// $XDG_STATE_HOME/scrivlet/recovery, or ~/.local/state/scrivlet/recovery.
QString recoveryRoot();

// One document found in the folder of an instance that is gone.
struct RecoveredDocument {
    QString copyPath;   // the RTF copy
    QString filePath;   // the file the document belonged to; empty when untitled
    int fileType = -1;  // RichTextBox::FileType() of the document
    text::TextEncoding encoding = text::TextEncoding::Utf8;
    text::LineEnd lineEnd = text::LineEnd::Lf;
};

// The folders of instances that are gone, locked for this instance while it
// decides what to do with them, so that no other instance takes them too.
class AbandonedCopies {
public:
    AbandonedCopies() = default;
    ~AbandonedCopies();  // releases the locks, leaving the folders
    AbandonedCopies(const AbandonedCopies&) = delete;
    AbandonedCopies& operator=(const AbandonedCopies&) = delete;
    AbandonedCopies(AbandonedCopies&&) = default;

    std::vector<RecoveredDocument> documents;
    // Deletes the copies and their folders.
    void discard();

private:
    friend class Recovery;
    struct Folder {
        QString path;
        int lockFd = -1;
    };
    std::vector<Folder> folders_;
};

class Recovery : public QObject {
    Q_OBJECT
public:
    // The delays: after the last change, and at most from the first change
    // not yet copied.
    static constexpr int IdleDelayMs = 2000;
    static constexpr int LongestDelayMs = 30000;

    explicit Recovery(QObject* parent = nullptr);
    // Waits for the writes in progress, then removes this instance's folder.
    ~Recovery() override;

    // Keeps copies of the document in the box while it has unsaved changes.
    // fileName gives the file the document belongs to ("" while untitled).
    void watch(RichTextBox* box, std::function<QString()> fileName);
    // The copy is not needed any more: saved, discarded, replaced or closed.
    void forget(RichTextBox* box);
    // The document changed in a way that did not come from typing (a
    // restored copy), or a save that paused the copies failed: a copy is due
    // as after any change.
    void changed(RichTextBox* box);
    // No copy is taken until changed() or forget(): the document is being
    // saved, read by another thread meanwhile. The copy it has stays.
    void pause(RichTextBox* box);

    // Copies every document with unsaved changes now and waits until every
    // write is done (the session ends, tests).
    void flush();
    // A normal exit: no more copies, and this instance's folder goes.
    void finish();

    // This instance's folder ("" until the first copy was written).
    QString instanceFolder() const;

    // The copies left by instances that are gone, locked for this one.
    static AbandonedCopies findAbandoned();
    // After the documents were restored and copied again here: the old
    // folders go (in order after the copies, which must be written first).
    void adopt(AbandonedCopies copies);

    // Writes a copy of this document now, without waiting for the write.
    void writeCopy(RichTextBox* box);
    // Waits until every write queued so far is done.
    void waitForWrites();

private:
    struct Watched;
    class Worker;

    void onChanged(RichTextBox* box);
    void reportFailure(const QString& message);

    std::unique_ptr<Worker> worker_;
    QHash<RichTextBox*, std::shared_ptr<Watched>> watched_;
    int nextId_ = 1;
    bool told_ = false;
    bool finished_ = false;
};

}  // namespace files
