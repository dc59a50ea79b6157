#include "ScratchFolder.h"

#include <stdlib.h>

#include <QDir>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vm {
namespace {

constexpr char kPrefix[] = "vidmill-batch-";
// Locked for the batch's life; it takes this name only once locked, so a
// batch that looks finds it either missing or held.
constexpr char kOwner[] = "/owner.lock";
constexpr char kOwnerBeingMade[] = "/owner.lock.new";

void RemoveTree(const QString& path) {
    std::error_code ec;
    std::filesystem::remove_all(path.toStdString(), ec);
}

}  // namespace

ScratchFolder::~ScratchFolder() {
    if (path_.isEmpty()) return;
    RemoveTree(path_);
    owner_.Release();
}

bool ScratchFolder::Make(const QString& parent, QString* error) {
    QByteArray pattern = (parent + "/" + kPrefix + "XXXXXX").toLocal8Bit();
    if (!mkdtemp(pattern.data())) {
        *error =
            QString("No scratch folder can be made in %1: %2").arg(parent, std::strerror(errno));
        return false;
    }
    path_ = QString::fromLocal8Bit(pattern);
    // On a file system without locks the folder still serves; it is only
    // not removed should this batch be killed.
    if (owner_.Take(path_ + kOwnerBeingMade) == FileLock::Result::Taken &&
        std::rename((path_ + kOwnerBeingMade).toLocal8Bit().constData(),
                    (path_ + kOwner).toLocal8Bit().constData()) != 0)
        owner_.Release(true);
    return true;
}

int RemoveDeadScratchFolders(const QString& parent) {
    int removed = 0;
    const QStringList folders =
        QDir(parent).entryList({QString(kPrefix) + "*"}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : folders) {
        const QString folder = parent + "/" + name;
        FileLock owner;
        // Taken: nobody holds it, so the batch that made the folder is gone.
        if (owner.Take(folder + kOwner, false) != FileLock::Result::Taken) continue;
        RemoveTree(folder);
        ++removed;
    }
    return removed;
}

}  // namespace vm
