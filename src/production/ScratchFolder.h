#pragma once

#include <QString>

#include "FileLock.h"

// A batch's own scratch folder for narrations and prepared music:
// vidmill-batch-XXXXXX in the temporary folder ($TMPDIR), removed when the
// batch ends. It holds a file that stays locked for the batch's life, so a
// later batch can prove the one that made it dead (killed) and remove it.
namespace vm {

class ScratchFolder {
public:
    ScratchFolder() = default;
    ~ScratchFolder();  // removes the folder
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Makes the folder in `parent`; false with the reason.
    bool Make(const QString& parent, QString* error);
    const QString& Path() const { return path_; }

private:
    QString path_;
    FileLock owner_;
};

// Removes the scratch folders in `parent` of batches that are gone: those
// whose lock file can be taken. A folder without one (a batch that had only
// just begun, or an older program's) is left alone. Returns how many went.
int RemoveDeadScratchFolders(const QString& parent);

}  // namespace vm
