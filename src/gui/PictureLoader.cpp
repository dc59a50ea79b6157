#include "PictureLoader.h"

#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QtDebug>
#include <algorithm>

#include "ClipSource.h"
#include "ImageFiles.h"
#include "MediaLength.h"

// Where workers post what they read. The loader leaves it as it goes, under
// the lock, so a worker that finishes later posts nothing to a loader that is
// no longer there.
struct PictureLoader::Mailbox {
    QMutex mutex;
    PictureLoader* owner = nullptr;
};

namespace {

double ClipSeconds(const QString& path) {
    const std::string file = path.toStdString();
    if (!vm::IsClipFile(file)) return -1;
    std::string error;
    return std::max(0.0, vm::MediaLengthSeconds(file, &error));
}

}  // namespace

PictureLoader::PictureLoader(QObject* parent)
    : QObject(parent), pool_(new QThreadPool), mailbox_(std::make_shared<Mailbox>()) {
    mailbox_->owner = this;
    // One core stays with the window (and the renders, during a batch).
    pool_->setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 4));
}

PictureLoader::~PictureLoader() {
    {
        QMutexLocker lock(&mailbox_->mutex);
        mailbox_->owner = nullptr;
    }
    for (const Flag& cancelled : pending_) *cancelled = true;
    pool_->clear();
    if (pool_->waitForDone(kCloseBoundMs)) {
        delete pool_;
        return;
    }
    // A picture on a stalled disk: its worker finishes on its own and posts
    // nothing; the pool is left to it rather than waited for without end.
    qWarning("Vid Mill: a picture still being read after %d ms is left to finish on its own",
             kCloseBoundMs);
}

QString PictureLoader::Key(const QString& path, const QSize& box) {
    return QString("%1x%2 %3").arg(box.width()).arg(box.height()).arg(path);
}

void PictureLoader::Request(const QString& path, const QSize& box, int priority) {
    const QString key = Key(path, box);
    if (pending_.contains(key)) return;
    Flag cancelled = std::make_shared<std::atomic_bool>(false);
    pending_.insert(key, cancelled);
    pool_->start(
        [mailbox = mailbox_, key, cancelled, path, box] {
            if (*cancelled) return;
            const LoadedPicture picture{path, box, vm::LoadPreviewImage(path, box),
                                        ClipSeconds(path)};
            QMutexLocker lock(&mailbox->mutex);
            PictureLoader* owner = mailbox->owner;
            if (!owner || *cancelled) return;
            QMetaObject::invokeMethod(
                owner,
                [owner, key, cancelled, picture] { owner->Deliver(key, cancelled, picture); },
                Qt::QueuedConnection);
        },
        priority);
}

void PictureLoader::Cancel(const QString& path, const QSize& box) {
    const auto found = pending_.find(Key(path, box));
    if (found == pending_.end()) return;
    *found.value() = true;
    pending_.erase(found);
    if (pending_.isEmpty()) emit idle();
}

void PictureLoader::Deliver(const QString& key, const Flag& cancelled,
                            const LoadedPicture& picture) {
    // Cancelled, or cancelled and asked for again (the new request delivers).
    const auto found = pending_.find(key);
    if (found == pending_.end() || found.value() != cancelled) return;
    pending_.erase(found);
    emit loaded(picture);
    if (pending_.isEmpty()) emit idle();
}
