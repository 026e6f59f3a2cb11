#include "files/recovery.h"

#include "document/richtextbox.h"
#include "document/rtfsnapshot.h"
#include "platform/messagebox.h"
#include "platform/oserror.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}
QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Creates one folder readable by its owner alone; an existing folder is
// taken as it is.
bool makePrivateFolder(const QString& path) {
    if (::mkdir(encoded(path).constData(), 0700) == 0)
        return true;
    struct stat st {};
    if (errno == EEXIST && ::stat(encoded(path).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    if (errno == EEXIST)
        errno = ENOTDIR;
    return false;
}

// Creates the folder and any missing parents, each private.
bool makePrivatePath(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    qsizetype from = 1;
    for (;;) {
        const qsizetype slash = clean.indexOf(QLatin1Char('/'), from);
        const QString part = slash < 0 ? clean : clean.left(slash);
        if (!part.isEmpty() && !makePrivateFolder(part))
            return false;
        if (slash < 0)
            return true;
        from = slash + 1;
    }
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

void syncFolder(const QString& folder) {
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes the file whole or not at all: a temporary file beside it, flushed
// to the disk, then renamed over it. Returns errno, 0 on success.
int writeAtomically(const QString& path, const char* data, std::size_t size) {
    const QByteArray temp = encoded(path + QStringLiteral(".tmp"));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int error = 0;
    if (!writeAll(fd, data, size) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.constData(), encoded(path).constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temp.constData());
    return error == 0 ? 0 : error;
}

// Removes the folder's files and the folder; a file that cannot go keeps
// the folder. Only plain files are expected in it.
void removeFolder(const QString& path) {
    QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
    ::rmdir(encoded(path).constData());
}

QString copyName(int id) {
    return QStringLiteral("doc-%1.rtf").arg(id);
}
QString metaName(int id) {
    return QStringLiteral("doc-%1.meta").arg(id);
}

// The file a copy belongs to and its format, one "key=value" a line; the
// path is percent-encoded, since a file name may hold a line end.
QByteArray metaText(const QString& filePath, const RichTextBox& box) {
    const auto [encoding, lineEnd] = box.PlainTextForm();
    return "path=" + QUrl::toPercentEncoding(filePath) + "\ntype=" + QByteArray::number(box.FileType()) +
           "\nencoding=" + QByteArray::number(int(encoding)) + "\nlineend=" + QByteArray::number(int(lineEnd)) + "\n";
}

void readMeta(const QString& path, RecoveredDocument& doc) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;  // the copy alone: an untitled document
    for (const QByteArray& line : f.read(64 * 1024).split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        bool ok = false;
        const int number = value.toInt(&ok);
        if (key == "path")
            doc.filePath = QUrl::fromPercentEncoding(value);
        else if (key == "type" && ok && number >= -1 && number <= 1)
            doc.fileType = number;
        else if (key == "encoding" && ok && number >= 0 && number <= int(text::TextEncoding::Windows1252))
            doc.encoding = text::TextEncoding(number);
        else if (key == "lineend" && ok && number >= 0 && number <= int(text::LineEnd::Cr))
            doc.lineEnd = text::LineEnd(number);
    }
}

// Takes the folder's lock if nobody holds it: the instance that made it is
// gone. Returns the locked descriptor, or -1.
int lockIfAbandoned(const QString& folder) {
    const int fd = ::open(encoded(folder + QStringLiteral("/lock")).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;  // no lock: not a folder an instance made
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;  // held: that instance is running
    }
    return fd;
}

QString failureText(const QString& path, int error) {
    return QStringLiteral("无法写入恢复副本“%1”：%2。").arg(shown(path), platform::reasonText(error));
}

}  // namespace

QString recoveryRoot() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/scrivlet/recovery");
}

// ---- the worker thread -------------------------------------------------------

// Runs jobs one after another on a thread of its own. A job returns "" or
// the message that says why it failed.
class Recovery::Worker {
public:
    using Job = std::function<QString(Worker&)>;

    explicit Worker(Recovery* owner) : owner_(owner), thread_([this] { run(); }) {}
    ~Worker() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
        if (lockFd_ >= 0)
            ::close(lockFd_);
    }

    void post(Job job) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_all();
    }

    void waitIdle() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
    }

    // Worker thread only, from here on.
    QString folder() const { return folder_; }
    int failures() const { return failures_; }

    // This instance's folder, made on first use: set up under a hidden name
    // with its lock taken, then renamed into place, so that another
    // instance never sees it without a lock.
    QString ensureFolder() {
        if (!folder_.isEmpty())
            return {};
        const QString root = recoveryRoot();
        if (!makePrivatePath(root))
            return QStringLiteral("无法创建恢复文件夹“%1”：%2。").arg(shown(root), platform::reasonText(errno));
        ::chmod(encoded(root).constData(), 0700);  // made earlier by someone less careful
        const QString name =
            QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QDateTime::currentMSecsSinceEpoch());
        const QString staging = root + QStringLiteral("/.") + name + QStringLiteral(".new");
        const QString target = root + QLatin1Char('/') + name;
        int error = 0;
        int fd = -1;
        if (::mkdir(encoded(staging).constData(), 0700) != 0) {
            error = errno;
        } else {
            fd = ::open(encoded(staging + QStringLiteral("/lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
                error = errno;
            const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
            if (error == 0)
                error = writeAtomically(staging + QStringLiteral("/pid"), pid.constData(), std::size_t(pid.size()));
            if (error == 0 && ::rename(encoded(staging).constData(), encoded(target).constData()) != 0)
                error = errno;
        }
        if (error != 0) {
            if (fd >= 0)
                ::close(fd);
            removeFolder(staging);
            return QStringLiteral("无法创建恢复文件夹“%1”：%2。").arg(shown(target), platform::reasonText(error));
        }
        lockFd_ = fd;
        folder_ = target;
        publishedFolder_ = target;
        return {};
    }

    // Forgets the folder after it was removed at a normal exit.
    void dropFolder() {
        if (lockFd_ >= 0)
            ::close(lockFd_);
        lockFd_ = -1;
        folder_.clear();
        std::lock_guard lock(mutex_);
        publishedFolder_.clear();
    }

    QString publishedFolder() {
        std::lock_guard lock(mutex_);
        return publishedFolder_;
    }

private:
    void run() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty()) {
                    if (stopping_)
                        return;
                    continue;
                }
                job = std::move(jobs_.front());
                jobs_.pop_front();
                busy_ = true;
            }
            const QString failure = job(*this);
            if (!failure.isEmpty()) {
                ++failures_;
                Recovery* owner = owner_;
                QMetaObject::invokeMethod(
                    owner, [owner, failure] { owner->reportFailure(failure); }, Qt::QueuedConnection);
            }
            {
                std::lock_guard lock(mutex_);
                busy_ = false;
            }
            idle_.notify_all();
        }
    }

    Recovery* owner_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    QString folder_;
    QString publishedFolder_;  // folder_, readable from the user's thread
    int lockFd_ = -1;
    int failures_ = 0;
    std::thread thread_;  // last: starts once everything above exists
};

// ---- documents watched -----------------------------------------------------

// The newest snapshot of a document waiting for the worker.
struct Pending {
    std::mutex mutex;
    std::shared_ptr<const document::RtfSnapshot> snapshot;
    QByteArray meta;
    bool queued = false;
    int generation = 0;  // moves on when the copy is forgotten
};

struct Recovery::Watched {
    QPointer<RichTextBox> box;
    std::shared_ptr<Pending> pending = std::make_shared<Pending>();
    int id = 0;
    std::function<QString()> fileName;
    QTimer* idle = nullptr;
    QTimer* longest = nullptr;
    bool hasCopy = false;

    void stopTimers() const {
        idle->stop();
        longest->stop();
    }
};

Recovery::Recovery(QObject* parent) : QObject(parent), worker_(std::make_unique<Worker>(this)) {}

Recovery::~Recovery() {
    if (!finished_)
        finish();
    worker_.reset();  // joins the thread before this object goes
}

void Recovery::watch(RichTextBox* box, std::function<QString()> fileName) {
    auto w = std::make_shared<Watched>();
    w->box = box;
    w->id = nextId_++;
    w->fileName = std::move(fileName);
    w->idle = new QTimer(this);
    w->idle->setSingleShot(true);
    w->longest = new QTimer(this);
    w->longest->setSingleShot(true);
    connect(w->idle, &QTimer::timeout, this, [this, box] { writeCopy(box); });
    connect(w->longest, &QTimer::timeout, this, [this, box] { writeCopy(box); });
    // textChanged follows the control's document, also after LoadFile
    // replaced it; formatting changes count too.
    connect(box, &QTextEdit::textChanged, this, [this, box] { onChanged(box); });
    connect(box, &QObject::destroyed, this, [this, box] {
        forget(box);
        if (const auto w = watched_.take(box)) {
            delete w->idle;
            delete w->longest;
        }
    });
    watched_.insert(box, w);
}

void Recovery::onChanged(RichTextBox* box) {
    const auto w = watched_.value(box);
    if (!w || finished_)
        return;
    if (!box->document()->isModified()) {
        forget(box);  // undone back to the saved state
        return;
    }
    w->idle->start(IdleDelayMs);
    if (!w->longest->isActive())
        w->longest->start(LongestDelayMs);
}

void Recovery::changed(RichTextBox* box) {
    onChanged(box);
}

void Recovery::pause(RichTextBox* box) {
    if (const auto w = watched_.value(box))
        w->stopTimers();
}

void Recovery::writeCopy(RichTextBox* box) {
    const auto w = watched_.value(box);
    if (!w || !w->box || finished_)
        return;
    w->stopTimers();
    if (!box->document()->isModified()) {
        forget(box);
        return;
    }
    // The one step on the user's thread: the text and a table of formats.
    // A copy still waiting for the worker takes the newer snapshot instead
    // of queueing a second one, so a slow disk never piles them up.
    auto snapshot = std::make_shared<const document::RtfSnapshot>(*box->document());
    QByteArray meta = metaText(w->fileName ? w->fileName() : QString(), *box);
    w->hasCopy = true;
    const std::shared_ptr<Pending> pending = w->pending;
    {
        std::lock_guard lock(pending->mutex);
        pending->snapshot = std::move(snapshot);
        pending->meta = std::move(meta);
        if (pending->queued)
            return;
        pending->queued = true;
    }
    const int id = w->id;
    const int generation = pending->generation;
    worker_->post([pending, id, generation](Worker& worker) -> QString {
        std::shared_ptr<const document::RtfSnapshot> snapshot;
        QByteArray meta;
        {
            std::lock_guard lock(pending->mutex);
            if (pending->generation != generation)
                return {};  // forgotten while it waited
            snapshot = std::move(pending->snapshot);
            meta = std::move(pending->meta);
            pending->queued = false;
        }
        if (QString failure = worker.ensureFolder(); !failure.isEmpty())
            return failure;
        const QString metaPath = worker.folder() + QLatin1Char('/') + metaName(id);
        if (const int error = writeAtomically(metaPath, meta.constData(), std::size_t(meta.size())))
            return failureText(metaPath, error);
        const std::string rtf = snapshot->toRtf();
        snapshot.reset();  // the text's memory goes back before the disk is waited for
        const QString copyPath = worker.folder() + QLatin1Char('/') + copyName(id);
        if (const int error = writeAtomically(copyPath, rtf.data(), rtf.size()))
            return failureText(copyPath, error);
        syncFolder(worker.folder());
        return {};
    });
}

void Recovery::forget(RichTextBox* box) {
    const auto w = watched_.value(box);
    if (!w)
        return;
    w->stopTimers();
    {
        // A copy still waiting is not written; the next one queues anew,
        // after the removal below.
        std::lock_guard lock(w->pending->mutex);
        w->pending->snapshot.reset();
        w->pending->queued = false;
        ++w->pending->generation;
    }
    if (!w->hasCopy)
        return;
    w->hasCopy = false;
    const int id = w->id;
    worker_->post([id](Worker& worker) -> QString {
        if (!worker.folder().isEmpty()) {
            ::unlink(encoded(worker.folder() + QLatin1Char('/') + copyName(id)).constData());
            ::unlink(encoded(worker.folder() + QLatin1Char('/') + metaName(id)).constData());
        }
        return {};
    });
}

void Recovery::flush() {
    for (const auto& w : std::as_const(watched_))
        if (w->box && w->box->document()->isModified() &&
            (w->idle->isActive() || w->longest->isActive() || !w->hasCopy))
            writeCopy(w->box);
    waitForWrites();
}

void Recovery::waitForWrites() {
    worker_->waitIdle();
}

void Recovery::finish() {
    finished_ = true;
    for (const auto& w : std::as_const(watched_))
        w->stopTimers();
    worker_->post([](Worker& worker) -> QString {
        if (!worker.folder().isEmpty())
            removeFolder(worker.folder());
        worker.dropFolder();
        return {};
    });
    waitForWrites();
}

QString Recovery::instanceFolder() const {
    return worker_->publishedFolder();
}

void Recovery::reportFailure(const QString& message) {
    // Told once: the user goes on typing, and the next failures would only
    // repeat the same news.
    if (told_)
        return;
    told_ = true;
    platform::notify(message + QStringLiteral("\n\n在文档保存之前，如果程序意外退出，最近的更改将无法恢复。"));
}

// ---- copies left by instances that are gone --------------------------------------

AbandonedCopies Recovery::findAbandoned() {
    AbandonedCopies found;
    const QDir root(recoveryRoot());
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        const QString folder = root.filePath(name);
        const int fd = lockIfAbandoned(folder);
        if (fd < 0)
            continue;
        if (name.startsWith(QLatin1Char('.'))) {
            // A folder still being set up when its instance ended: no copies.
            removeFolder(folder);
            ::close(fd);
            continue;
        }
        QDir dir(folder);
        QStringList copies = dir.entryList({QStringLiteral("doc-*.rtf")}, QDir::Files);
        auto number = [](const QString& n) { return n.mid(4, n.size() - 8).toInt(); };
        std::sort(copies.begin(), copies.end(),
                  [&](const QString& a, const QString& b) { return number(a) < number(b); });
        for (const QString& copy : copies) {
            RecoveredDocument doc;
            doc.copyPath = dir.filePath(copy);
            readMeta(dir.filePath(copy.left(copy.size() - 3) + QStringLiteral("meta")), doc);
            found.documents.push_back(doc);
        }
        found.folders_.push_back({folder, fd});
    }
    return found;
}

AbandonedCopies::~AbandonedCopies() {
    for (const Folder& f : folders_)
        if (f.lockFd >= 0)
            ::close(f.lockFd);
}

void AbandonedCopies::discard() {
    for (Folder& f : folders_) {
        removeFolder(f.path);
        ::close(f.lockFd);
        f.lockFd = -1;
    }
    folders_.clear();
    documents.clear();
}

void Recovery::adopt(AbandonedCopies copies) {
    auto held = std::make_shared<AbandonedCopies>(std::move(copies));
    // Queued after the new copies: the old ones go only when every copy of
    // this instance was written; otherwise they stay for the next start.
    worker_->post([held](Worker& worker) mutable -> QString {
        if (worker.failures() == 0) {
            for (const RecoveredDocument& doc : held->documents) {
                QFile::remove(doc.copyPath);
                QFile::remove(doc.copyPath.left(doc.copyPath.size() - 3) + QStringLiteral("meta"));
            }
            for (const AbandonedCopies::Folder& f : held->folders_) {
                QDir dir(f.path);
                dir.remove(QStringLiteral("pid"));
                for (const QString& temp : dir.entryList({QStringLiteral("*.tmp")}, QDir::Files))
                    dir.remove(temp);
                if (dir.entryList(QDir::Files | QDir::Hidden | QDir::System) == QStringList{QStringLiteral("lock")})
                    removeFolder(f.path);
            }
        }
        held.reset();  // the locks go with it
        return {};
    });
}

}  // namespace files
