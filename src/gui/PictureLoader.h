#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <memory>

class QThreadPool;

// A picture read for the window: a thumbnail or the preview.
struct LoadedPicture {
    QString path;
    QSize box;                // what it was asked for
    QImage image;             // null when the file is not a picture or clip that can be read
    double clipSeconds = -1;  // a clip's playing time; -1 for a still picture
};

// Reads pictures for the window on worker threads, at the size they are shown
// (a phone's 5312x2988 JPEG is decoded at an eighth of its size for a
// thumbnail), the right way up, and hands each back on the window's thread.
// The window never waits for a picture: it asks, and shows it when it comes.
class PictureLoader : public QObject {
    Q_OBJECT
public:
    explicit PictureLoader(QObject* parent = nullptr);
    // Drops the requests not started, and waits a bounded time for those
    // being read (their results are not delivered).
    ~PictureLoader() override;

    // Reads `path` within `box` (vm::LoadPreviewImage); `loaded` follows. A
    // request of the same path and box still pending is not made twice.
    // Higher `priority` is read first.
    void Request(const QString& path, const QSize& box, int priority = 0);
    // Forgets a pending request: not read if not started, never delivered.
    void Cancel(const QString& path, const QSize& box);
    // Requests asked for and neither delivered nor cancelled.
    int Pending() const { return int(pending_.size()); }

    // How long the destructor waits for pictures being read.
    static constexpr int kCloseBoundMs = 5000;

signals:
    void loaded(const LoadedPicture& picture);
    // Pending() has come down to 0.
    void idle();

private:
    // A request's own flag: set when it is cancelled, read by its worker.
    using Flag = std::shared_ptr<std::atomic_bool>;
    struct Mailbox;
    static QString Key(const QString& path, const QSize& box);
    void Deliver(const QString& key, const Flag& cancelled, const LoadedPicture& picture);

    QThreadPool* pool_ = nullptr;
    std::shared_ptr<Mailbox> mailbox_;
    QHash<QString, Flag> pending_;
};
