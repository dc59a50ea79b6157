#pragma once

#include <QString>
#include <stop_token>

#include "FileLock.h"

// One batch at a time writes into an output folder, from this program or any
// other, on this machine or another that shares the folder: a lock on the
// file .vidmill.lock in the folder, held for the batch's life and let go by
// the kernel when the batch dies however it dies. The file names its holder
// (process, program, machine, when it started) for the messages only.
namespace vm {

class OutputFolderLock {
public:
    enum class Outcome {
        Taken,     // the folder is this batch's
        Busy,      // another batch holds it (worth waiting for)
        Unusable,  // it cannot be made, written or locked, or its disk is full
        Stopped,   // the wait was stopped
    };

    // Takes the folder (made when missing), waiting up to `waitMs` while
    // another batch holds it; a stop ends the wait within a fraction of a
    // second. Anything else fails at once. `message` says why it was not
    // taken, naming the folder (and who holds it, since when); `note` says
    // when a lock left by a batch that is gone was taken over.
    Outcome Take(const QString& folder, int waitMs, std::stop_token stop, QString* message,
                 QString* note = nullptr);
    // Take without a stop: false with the reason.
    bool Claim(const QString& folder, int waitMs, QString* error);
    bool Held() const { return lock_.Held(); }
    // Lets the folder go; the lock file goes with it.
    void Release();

private:
    FileLock lock_;
};

// "process 24411 of vidmill-batch on pod-3, started 3 h 12 min ago" from a
// lock file's content (pid, program, machine and start time, a line each);
// empty when it says none of that.
QString LockHolder(const QByteArray& content, qint64 fileAgeSeconds);

}  // namespace vm
