#pragma once

#include <QByteArray>
#include <QString>

// A lock on a file that the kernel lets go of when its holder dies, on this
// machine or on any other that shares the file system (an open file
// description lock, fcntl F_OFD_SETLK; NFS and most cluster volumes honour
// it), with flock beside it for programs that only know that one. Held from
// Take until Release or destruction; the descriptor is not
// passed to child processes, so a helper that outlives us never holds it.
namespace vm {

class FileLock {
public:
    enum class Result {
        Taken,   // the lock is ours
        Held,    // someone else holds it
        Failed,  // the file cannot be opened or locked: Error() says why
    };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens `path` (created when `create` and missing) and takes its lock
    // without waiting. A file removed by the holder that let it go (see
    // Release) is opened again, so two takers never hold two files.
    Result Take(const QString& path, bool create = true);

    bool Held() const { return fd_ >= 0; }
    // The errno of the last Failed take.
    int Error() const { return error_; }
    // The file's content as it was when the lock was taken (what an earlier
    // holder left in it).
    const QByteArray& Found() const { return found_; }
    // Replaces the file's content; false with errno in Error().
    bool Write(const QByteArray& content);

    // Lets go; with `remove` the file goes first, while still held.
    void Release(bool remove = false);

private:
    int fd_ = -1;
    int error_ = 0;
    QString path_;
    QByteArray found_;
};

// The content of a lock file that another process holds or left behind, read
// without taking the lock; empty when it cannot be read.
QByteArray ReadLockFile(const QString& path);

}  // namespace vm
