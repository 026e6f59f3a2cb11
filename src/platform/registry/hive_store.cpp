#include "platform/registry/hive_store.h"

#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QSet>
#include <QThread>
#include <QDeadlineTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace platform::registry {

namespace {

constexpr int kLockTimeoutMs = 10000;
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

Error writeError(const QString& text) { return Error(err::RegistryWrite, text); }

// Makes a rename durable: the folder's entry is flushed too.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString setAside(const QString& path) {
    QString target = path + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".bad.%1").arg(n);
    if (!QFile::rename(path, target))
        throw writeError(QStringLiteral("注册表文件“%1”无法解析，也无法移到“%2”；未写入任何值").arg(path, target));
    return target;
}

}  // namespace

HiveDocument readHive(Root root) {
    HiveDocument hive(rootName(root));
    const QString path = hivePath(root);
    QFile file(path);
    if (!file.exists())
        return hive;
    if (!file.open(QIODevice::ReadOnly)) {
        noteUnreadableOnce(path, file.errorString());
        return hive;
    }
    const QByteArray bytes = file.readAll();
    QString problem;
    if (file.error() != QFileDevice::NoError)
        noteUnreadableOnce(path, file.errorString());
    else if (!hive.parse(bytes, &problem))
        noteUnreadableOnce(path, problem);
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
    QString problem;
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly))
            throw writeError(QStringLiteral("无法读取注册表文件“%1”：%2").arg(path, old.errorString()));
        const QByteArray bytes = old.readAll();
        if (old.error() != QFileDevice::NoError)
            throw writeError(QStringLiteral("无法读取注册表文件“%1”：%2").arg(path, old.errorString()));
        old.close();
        if (!hive.parse(bytes, &problem))
            hive = HiveDocument(rootName(root));
    }
    change(hive);

    QString badCopy;
    if (!problem.isEmpty()) {
        badCopy = setAside(path);
        note(QStringLiteral("注册表文件“%1”无法解析（%2），已移到“%3”，并新建注册表文件")
                 .arg(path, problem, badCopy));
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw writeError(QStringLiteral("无法写入注册表文件“%1”：%2").arg(path, file.errorString()));
    const QByteArray bytes = hive.serialize();
    if (file.write(bytes) != bytes.size())
        throw writeError(QStringLiteral("无法写入注册表文件“%1”：%2").arg(path, file.errorString()));
    if (commitHook())
        commitHook()();
    // commit() flushes the temporary file to disk and renames it over the hive.
    if (!file.commit())
        throw writeError(QStringLiteral("无法写入注册表文件“%1”：%2").arg(path, file.errorString()));
    syncFolder(folder);

    if (!badCopy.isEmpty())
        throw writeError(QStringLiteral("注册表文件“%1”无法解析（%2），原文件已移到“%3”；"
                                        "新值已写入新建的注册表文件，原有的值不再生效")
                             .arg(path, problem, badCopy));
}

void writeValue(Root root, const QString& key, const QString& name, const Value& value) {
    const QStringList parts = HiveDocument::splitKeyPath(key);
    updateHive(root, [&](HiveDocument& hive) { hive.setValue(parts, name, value); });
}

namespace hooks {
void setBeforeCommitHook(std::function<void()> hook) { commitHook() = std::move(hook); }
}  // namespace hooks

}  // namespace platform::registry
