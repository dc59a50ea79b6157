#include "OutputFolderLock.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace vm {
namespace {

constexpr char kLockName[] = "/.vidmill.lock";
// How often a waiting batch tries the lock again: a lock held on another
// machine sends no word when it goes.
constexpr int kRetryMs = 500;

QString Age(qint64 seconds) {
    seconds = std::max<qint64>(0, seconds);
    if (seconds < 60) return QString("%1 s").arg(seconds);
    if (seconds < 3600) return QString("%1 min").arg(seconds / 60);
    if (seconds < 86400) return QString("%1 h %2 min").arg(seconds / 3600).arg(seconds / 60 % 60);
    return QString("%1 days %2 h").arg(seconds / 86400).arg(seconds / 3600 % 24);
}

// What this batch writes into the lock file: who holds the folder, for the
// messages of batches that find it held.
QByteArray HolderLines() {
    const QString program =
        QCoreApplication::instance() ? QCoreApplication::applicationName() : QString("vidmill");
    return QString("%1\n%2\n%3\n%4\n")
        .arg(getpid())
        .arg(program, QSysInfo::machineHostName())
        .arg(QDateTime::currentSecsSinceEpoch())
        .toUtf8();
}

qint64 FileAge(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().secsTo(QDateTime::currentDateTime()) : 0;
}

bool DiskFull(const QString& folder) {
    struct statvfs disk = {};
    if (statvfs(folder.toLocal8Bit().constData(), &disk) != 0) return false;
    const auto blocks = geteuid() == 0 ? disk.f_bfree : disk.f_bavail;
    return blocks == 0;
}

// Sleeps up to `ms`; false when stopped first.
bool WaitUnlessStopped(int ms, const std::stop_token& stop) {
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    return !woken.wait_for(lock, stop, std::chrono::milliseconds(ms), [] { return false; }) &&
           !stop.stop_requested();
}

}  // namespace

QString LockHolder(const QByteArray& content, qint64 fileAgeSeconds) {
    const QStringList lines = QString::fromUtf8(content).split('\n');
    bool pidOk = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&pidOk);
    if (!pidOk || pid <= 0 || lines.size() < 3) return {};
    const QString program = lines.value(1).trimmed();
    const QString host = lines.value(2).trimmed();
    bool startOk = false;
    const qint64 started = lines.value(3).trimmed().toLongLong(&startOk);
    const qint64 age = startOk && started > 1000000000
                           ? QDateTime::currentSecsSinceEpoch() - started
                           : fileAgeSeconds;
    return QString("%1, process %2 on %3, started %4 ago")
        .arg(program.isEmpty() ? QString("a program") : program)
        .arg(pid)
        .arg(host.isEmpty() ? QString("a machine that did not say") : host, Age(age));
}

OutputFolderLock::Outcome OutputFolderLock::Take(const QString& folder, int waitMs,
                                                 std::stop_token stop, QString* message,
                                                 QString* note) {
    if (lock_.Held()) return Outcome::Taken;
    auto unusable = [&](const QString& why) {
        if (message) *message = "The output folder " + folder + " " + why;
        return Outcome::Unusable;
    };
    auto writeProblem = [&](int error) {
        if (error == EROFS) return unusable("cannot be written: it is on a read-only file system.");
        if (error == EACCES || error == EPERM)
            return unusable("cannot be written: permission denied.");
        if (error == ENOSPC || error == EDQUOT)
            return unusable("cannot be written: its disk is full.");
        return unusable(QString("cannot be locked: %1.").arg(std::strerror(error)));
    };
    std::error_code ec;
    std::filesystem::create_directories(folder.toStdString(), ec);
    if (ec || !QFileInfo(folder).isDir())
        return unusable("cannot be created: " +
                        QString::fromStdString(ec ? ec.message() : "it is not a folder") + ".");

    const QString path = folder + kLockName;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, waitMs));
    for (;;) {
        const bool existed = QFileInfo::exists(path);
        switch (lock_.Take(path)) {
            case FileLock::Result::Taken: {
                // A file that was there, with no holder: left by a batch that
                // is gone (killed, or on a machine since gone).
                const QByteArray left = lock_.Found();
                if (existed && note) {
                    const QString holder = LockHolder(left, FileAge(path));
                    *note = holder.isEmpty()
                                ? "The lock file " + path +
                                      " could not be read (a batch was killed while writing "
                                      "it); it is stale and was taken over."
                                : "The lock file " + path + " was left by " + holder +
                                      ", which is gone; it was taken over.";
                }
                if (!lock_.Write(HolderLines())) {
                    const int error = lock_.Error();
                    lock_.Release(true);
                    return writeProblem(error);
                }
                if (DiskFull(folder)) {
                    lock_.Release(true);
                    return writeProblem(ENOSPC);
                }
                return Outcome::Taken;
            }
            case FileLock::Result::Failed:
                return writeProblem(lock_.Error());
            case FileLock::Result::Held:
                break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            if (message) {
                const QString holder = LockHolder(ReadLockFile(path), FileAge(path));
                *message = "The output folder " + folder + " is in use by another batch (" +
                           (holder.isEmpty() ? QString("it has not said which") : holder) + ").";
            }
            return Outcome::Busy;
        }
        if (!WaitUnlessStopped(int(std::min<qint64>(left, kRetryMs)), stop)) {
            if (message) *message = "Waiting for the output folder " + folder + " was stopped.";
            return Outcome::Stopped;
        }
    }
}

bool OutputFolderLock::Claim(const QString& folder, int waitMs, QString* error) {
    return Take(folder, waitMs, {}, error) == Outcome::Taken;
}

void OutputFolderLock::Release() {
    lock_.Release(true);
}

}  // namespace vm
