#include "OutputFolderLock.h"

#include <QDir>
#include <QLockFile>
#include <algorithm>

namespace vm {

OutputFolderLock::OutputFolderLock() = default;
OutputFolderLock::~OutputFolderLock() = default;

bool OutputFolderLock::Claim(const QString& folder, int waitMs, QString* error) {
    if (lock_) return true;
    if (!QDir().mkpath(folder)) {
        if (error) *error = "The output folder " + folder + " cannot be created.";
        return false;
    }
    auto lock = std::make_unique<QLockFile>(folder + "/.vidmill.lock");
    // Held for as long as a batch runs: only a dead holder makes it stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(std::max(0, waitMs))) {
        lock_ = std::move(lock);
        return true;
    }
    if (error) {
        qint64 pid = 0;
        QString host, program;
        if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, &host, &program))
            *error = QString(
                         "The output folder %1 is in use by another batch (%2, process %3 on "
                         "%4).")
                         .arg(folder, program.isEmpty() ? QString("a program") : program)
                         .arg(pid)
                         .arg(host);
        else
            *error = "The output folder " + folder + " cannot be locked: it is not writable.";
    }
    return false;
}

void OutputFolderLock::Release() {
    lock_.reset();
}

}  // namespace vm
