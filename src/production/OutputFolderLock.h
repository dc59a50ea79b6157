#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One batch at a time writes into an output folder, from this program or any
// other: a lock file (.vidmill.lock) in the folder, held for the batch's life.
namespace vm {

class OutputFolderLock {
public:
    OutputFolderLock();
    ~OutputFolderLock();

    // Takes the folder (made when missing), waiting up to `waitMs` for a
    // batch that holds it. False with the reason, naming the folder and who
    // holds it.
    bool Claim(const QString& folder, int waitMs, QString* error);
    bool Held() const { return lock_ != nullptr; }
    void Release();

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace vm
