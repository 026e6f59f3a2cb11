#include "platform/filewrite.h"

#include "platform/oserror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const QString kTempMarker = QStringLiteral(".scrivlet-");
constexpr int kTempRandomLength = 6;

// A write past the file-size limit (ulimit -f) raises SIGXFSZ, whose default
// action ends the process in the middle of a save without a word. Ignored,
// the write fails with EFBIG instead, which is reported like a full disk.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGXFSZ, SIG_IGN);
    });
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

bool isOurTempName(const QString& entry, const QString& base) {
    const qsizetype prefix = base.size() + kTempMarker.size();
    if (entry.size() != prefix + kTempRandomLength || !entry.startsWith(base + kTempMarker))
        return false;
    for (qsizetype i = prefix; i < entry.size(); ++i) {
        if (!entry[i].isLetterOrNumber() || entry[i].unicode() > 0x7F)
            return false;
    }
    return true;
}

// Deletes temporary files a killed writer of this target left: ours by name,
// owned by us, regular, and unlocked (a live writer holds its lock until the
// rename, so another instance's save in progress is never touched).
void removeStaleTemps(const QString& folder, const QString& base) {
    const QStringList entries = QDir(folder).entryList({base + kTempMarker + u'*'},
                                                       QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (!isOurTempName(entry, base))
            continue;
        const QByteArray name = encoded(folder + u'/' + entry);
        const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(name.constData());
        ::close(fd);
    }
}

// Writes all of the bytes, going on after short writes and interruptions.
bool writeAll(int fd, QByteArrayView bytes) {
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(std::min<qsizetype>(left, qsizetype(1) << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The temporary file being written; removed unless released after the rename.
class TempFile {
public:
    ~TempFile() {
        if (fd_ >= 0) {
            if (!committed_)
                ::unlink(name_.constData());
            ::close(fd_);
        }
    }
    // Creates "<target>.scrivlet-XXXXXX" exclusively and locks it. Returns
    // false with errno set when the folder does not allow it.
    bool create(const QString& target, mode_t mode) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            QString suffix;
            for (int i = 0; i < kTempRandomLength; ++i)
                suffix += QChar(u"abcdefghijklmnopqrstuvwxyz0123456789"[QRandomGenerator::system()->bounded(36)]);
            name_ = encoded(target + kTempMarker + suffix);
            fd_ = ::open(name_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd_ < 0) {
                if (errno == EEXIST)
                    continue;
                return false;
            }
            // Another writer's clean-up may have taken the file between the
            // open and the lock: only a file still at its name is ours.
            struct stat mine {
            }, named{};
            if (::flock(fd_, LOCK_EX) == 0 && ::fstat(fd_, &mine) == 0 && ::stat(name_.constData(), &named) == 0 &&
                mine.st_ino == named.st_ino && mine.st_dev == named.st_dev)
                return true;
            ::close(fd_);
            fd_ = -1;
        }
        errno = EEXIST;
        return false;
    }
    int fd() const { return fd_; }
    const QByteArray& name() const { return name_; }
    void markCommitted() { committed_ = true; }

private:
    QByteArray name_;
    int fd_ = -1;
    bool committed_ = false;
};

WriteResult failure(int error, bool existed) {
    return {false, reasonText(error), existed};
}

}  // namespace

WriteResult replaceFileContent(const QString& path, QByteArrayView bytes, const std::function<void()>& beforeCommit) {
    ignoreFileSizeSignal();
    QString target = QFileInfo(path).absoluteFilePath();
    struct stat old {};
    bool existed = ::stat(encoded(target).constData(), &old) == 0;
    if (existed && QFileInfo(target).isSymLink())
        target = QFileInfo(target).canonicalFilePath();
    if (existed && S_ISDIR(old.st_mode))
        return failure(EISDIR, false);
    if (existed && ::access(encoded(target).constData(), W_OK) != 0)
        return failure(errno, true);

    const QString folder = QFileInfo(target).absolutePath();
    const QString base = QFileInfo(target).fileName();
    removeStaleTemps(folder, base);

    TempFile temp;
    if (!temp.create(target, existed ? (old.st_mode & 07777) : 0666))
        return failure(errno, existed);
    if (existed) {
        // The new file takes the old one's place: same owner (when we may give
        // it) and the same permissions, which the umask narrowed at creation.
        if (::fchown(temp.fd(), old.st_uid, old.st_gid) != 0) {
            // Not ours to give: the file becomes ours, as any new file would.
        }
        ::fchmod(temp.fd(), old.st_mode & 07777);
    }
    if (!writeAll(temp.fd(), bytes) || ::fsync(temp.fd()) != 0)
        return failure(errno, existed);
    if (beforeCommit)
        beforeCommit();
    if (::rename(temp.name().constData(), encoded(target).constData()) != 0)
        return failure(errno, existed);
    temp.markCommitted();
    syncFolder(encoded(folder));
    return {true, {}, existed};
}

}  // namespace platform
