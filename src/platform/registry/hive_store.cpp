#include "platform/registry/hive_store.h"

#include "platform/errors.h"
#include "platform/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QSet>
#include <QThread>
#include <QDeadlineTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform::registry {

namespace {

// Another instance holds the lock for the few milliseconds of its own write;
// a lock held longer belongs to a process that is stuck, and waiting for it
// would only hang this one (at exit, where the window geometry is written).
constexpr int kLockTimeoutMs = 1000;
// The program keeps four numbers; a hive larger than this is not ours to parse.
constexpr qint64 kMaxHiveBytes = 1024 * 1024;
constexpr int kLockPollMs = 5;

QMutex& writeMutex() {
    static QMutex mutex;
    return mutex;
}

std::function<void()>& commitHook() {
    static std::function<void()> hook;
    return hook;
}

void note(const QString& text) {
    std::fprintf(stderr, "scrivlet: %s\n", text.toUtf8().constData());
    std::fflush(stderr);
}

// Once per file and problem, so that a bad hive read at every start-up step
// does not flood the log.
void noteUnreadableOnce(const QString& path, const QString& problem) {
    static QMutex mutex;
    static QSet<QString> told;
    QMutexLocker locker(&mutex);
    const QString key = path + u'\n' + problem;
    if (told.contains(key))
        return;
    told.insert(key);
    note(QStringLiteral("注册表文件“%1”无法读取（%2），其中的值被忽略").arg(path, problem));
}

Error writeError(const QString& text) {
    return Error(err::RegistryWrite, text);
}

bool entryExists(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Moves the hive's directory entry aside with rename(2): a FIFO or a link to
// a device is moved as it is, never opened.
QString setAside(const QString& path) {
    QString target = path + QStringLiteral(".bad");
    for (int n = 1; entryExists(target); ++n)
        target = path + QStringLiteral(".bad.%1").arg(n);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0)
        throw writeError(QStringLiteral("注册表文件“%1”无法使用，也无法移到“%2”；未写入任何值").arg(path, target));
    return target;
}

// The bytes of a hive file, read only when it is a regular file of at most
// kMaxHiveBytes: a FIFO would block the program until someone writes to it,
// a device such as /dev/zero never ends, and the four numbers the program
// keeps never make a file of that size.
struct HiveBytes {
    enum State { Missing, Read, Unreadable, Refused } state = Missing;
    QByteArray bytes;
    QString problem;
};

HiveBytes readHiveBytes(const QString& path) {
    HiveBytes result;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return result;
        return {HiveBytes::Unreadable, {}, QString::fromLocal8Bit(std::strerror(errno))};
    }
    // O_NONBLOCK: opening a FIFO that appeared since the stat must not wait.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {HiveBytes::Unreadable, {}, QString::fromLocal8Bit(std::strerror(errno))};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {HiveBytes::Refused, {}, QStringLiteral("不是普通文件")};
    }
    const auto tooLarge = [](qint64 size) {
        return QStringLiteral("文件大小 %1 字节，超过了 %2 字节的上限").arg(size).arg(kMaxHiveBytes);
    };
    if (st.st_size > kMaxHiveBytes) {
        ::close(fd);
        return {HiveBytes::Refused, {}, tooLarge(st.st_size)};
    }
    // Never more than the limit, even when the file grows while it is read.
    result.bytes.resize(qsizetype(st.st_size) + 1);
    qsizetype have = 0;
    while (have < result.bytes.size()) {
        const ssize_t n = ::read(fd, result.bytes.data() + have, size_t(result.bytes.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return {HiveBytes::Unreadable, {}, QString::fromLocal8Bit(std::strerror(error))};
        }
        if (n == 0)
            break;
        have += n;
        if (have == result.bytes.size() && have <= kMaxHiveBytes)
            result.bytes.resize(std::min<qsizetype>(have * 2, kMaxHiveBytes + 1));
    }
    ::close(fd);
    if (have > kMaxHiveBytes)
        return {HiveBytes::Refused, {}, tooLarge(have)};
    result.bytes.truncate(have);
    result.state = HiveBytes::Read;
    return result;
}

// The documents a ReadBatch keeps, by hive path; null outside any batch.
thread_local QHash<QString, HiveDocument>* batchCache = nullptr;

}  // namespace

ReadBatch::ReadBatch() : owner_(batchCache == nullptr) {
    if (owner_)
        batchCache = new QHash<QString, HiveDocument>;
}

ReadBatch::~ReadBatch() {
    if (owner_) {
        delete batchCache;
        batchCache = nullptr;
    }
}

HiveDocument readHive(Root root) {
    const QString path = hivePath(root);
    if (batchCache) {
        const auto cached = batchCache->constFind(path);
        if (cached != batchCache->cend())
            return *cached;
    }
    HiveDocument hive(rootName(root));
    const HiveBytes file = readHiveBytes(path);
    QString problem;
    if (file.state == HiveBytes::Unreadable || file.state == HiveBytes::Refused)
        noteUnreadableOnce(path, file.problem);
    else if (file.state == HiveBytes::Read && !hive.parse(file.bytes, &problem))
        noteUnreadableOnce(path, problem);
    if (batchCache)
        batchCache->insert(path, hive);
    return hive;
}

std::optional<Value> readValue(Root root, const QString& key, const QString& name) {
    return readHive(root).value(HiveDocument::splitKeyPath(key), name);
}

bool keyExists(Root root, const QString& key) {
    return readHive(root).keyExists(HiveDocument::splitKeyPath(key));
}

void updateHive(Root root, const std::function<void(HiveDocument&)>& change) {
    // Threads of this process one at a time; other processes through the lock file.
    QMutexLocker guard(&writeMutex());
    const QString path = hivePath(root);
    if (!hiveWritable(path))
        throw writeError(QStringLiteral("注册表文件“%1”是只读的，不能写入").arg(path));
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw writeError(QStringLiteral("无法创建注册表文件夹“%1”").arg(folder));

    // Polled every few milliseconds rather than with QLockFile's own waiting,
    // whose pauses double up to seconds while another instance keeps writing.
    QLockFile lock(path + QStringLiteral(".lock"));
    const QDeadlineTimer deadline(kLockTimeoutMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError)
            throw writeError(QStringLiteral("无法锁定注册表文件“%1”").arg(path));
        if (deadline.hasExpired())
            throw writeError(QStringLiteral("注册表文件“%1”被另一个程序锁定，无法写入").arg(path));
        QThread::msleep(kLockPollMs);
    }

    // Re-read under the lock, so that values another instance wrote since our
    // last read are kept.
    HiveDocument hive(rootName(root));
    const HiveBytes old = readHiveBytes(path);
    if (old.state == HiveBytes::Unreadable)
        throw writeError(QStringLiteral("无法读取注册表文件“%1”：%2").arg(path, old.problem));
    QString problem = old.problem;
    if (old.state == HiveBytes::Read && !hive.parse(old.bytes, &problem))
        hive = HiveDocument(rootName(root));
    change(hive);
    if (batchCache)
        batchCache->remove(path);

    QString badCopy;
    if (!problem.isEmpty()) {
        badCopy = setAside(path);
        note(QStringLiteral("注册表文件“%1”无法使用（%2），已移到“%3”，并新建注册表文件").arg(path, problem, badCopy));
    }

    const WriteResult written = replaceFileContent(path, hive.serialize(), commitHook());
    if (!written.ok)
        throw writeError(QStringLiteral("无法写入注册表文件“%1”：%2").arg(path, written.reason));

    if (!badCopy.isEmpty())
        throw writeError(QStringLiteral("注册表文件“%1”无法使用（%2），原文件已移到“%3”；"
                                        "新值已写入新建的注册表文件，原有的值不再生效")
                             .arg(path, problem, badCopy));
}

void writeValue(Root root, const QString& key, const QString& name, const Value& value) {
    const QStringList parts = HiveDocument::splitKeyPath(key);
    updateHive(root, [&](HiveDocument& hive) { hive.setValue(parts, name, value); });
}

namespace hooks {
void setBeforeCommitHook(std::function<void()> hook) {
    commitHook() = std::move(hook);
}
}  // namespace hooks

}  // namespace platform::registry
