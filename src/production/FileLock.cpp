#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vm {
namespace {

// Reads the whole (small) file from its start.
QByteArray ReadAll(int fd) {
    QByteArray content;
    char buffer[4096];
    for (off_t at = 0; content.size() < (1 << 16);) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        content.append(buffer, n);
        at += n;
    }
    return content;
}

}  // namespace

FileLock::~FileLock() {
    Release();
}

FileLock::Result FileLock::Take(const QString& path, bool create) {
    Release();
    const QByteArray name = path.toLocal8Bit();
    // A holder removes the file before it lets go: whoever was waiting on the
    // old file then finds it gone and tries the new one. A few rounds are
    // enough; more means the file is being churned by others.
    for (int round = 0; round < 8; ++round) {
        const int fd = open(name.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
        if (fd < 0) {
            error_ = errno;
            return Result::Failed;
        }
        struct flock whole = {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (fcntl(fd, F_OFD_SETLK, &whole) != 0) {
            const int why = errno;
            close(fd);
            if (why == EAGAIN || why == EACCES) return Result::Held;
            error_ = why;
            return Result::Failed;
        }
        // flock too, which programs built on QLockFile (this one's older
        // versions among them) take; a file system without it keeps the
        // lock above.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            close(fd);
            return Result::Held;
        }
        struct stat opened = {}, named = {};
        if (fstat(fd, &opened) == 0 && stat(name.constData(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            fd_ = fd;
            path_ = path;
            found_ = ReadAll(fd);
            return Result::Taken;
        }
        close(fd);  // the file we locked was removed meanwhile
        if (!create) return Result::Held;
    }
    return Result::Held;
}

bool FileLock::Write(const QByteArray& content) {
    if (fd_ < 0) return false;
    if (ftruncate(fd_, 0) != 0) {
        error_ = errno;
        return false;
    }
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t n = pwrite(fd_, content.constData() + written,
                                 size_t(content.size() - written), off_t(written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        written += n;
    }
    if (fdatasync(fd_) != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

void FileLock::Release(bool remove) {
    if (fd_ < 0) return;
    if (remove) unlink(path_.toLocal8Bit().constData());
    close(fd_);  // the lock goes with the last descriptor of its open file
    fd_ = -1;
    found_.clear();
}

QByteArray ReadLockFile(const QString& path) {
    const int fd = open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    QByteArray content = ReadAll(fd);
    close(fd);
    return content;
}

}  // namespace vm
