#include "OutputRecord.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vm {
namespace {

constexpr char kFolder[] = "/.vidmill";
constexpr char kFile[] = "/made.jsonl";

QByteArray Line(const QString& video, const OutputRecord::Entry& entry) {
    QJsonObject line{{"video", video},
                     {"state", entry.made ? "made" : "naming"},
                     {"files", QJsonArray::fromStringList(entry.files)}};
    if (entry.made) line["fingerprint"] = QString::fromLatin1(entry.fingerprint);
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += n;
    }
    return true;
}

bool Stopped(QString* error) {
    *error = "stopped";
    return false;
}

}  // namespace

OutputRecord::~OutputRecord() {
    if (fd_ >= 0) close(fd_);
}

QString OutputRecord::FileIn(const QString& folder) {
    return folder + kFolder + kFile;
}

bool OutputRecord::Load(const QString& folder, std::stop_token stop, QString* error) {
    std::lock_guard lock(mutex_);
    folder_ = folder;
    entries_.clear();
    lines_ = 0;
    cutShort_ = false;
    QFile file(FileIn(folder));
    if (!file.exists()) return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = "The record of the videos made in " + folder + " (" + file.fileName() +
                 ") cannot be read: " + file.errorString();
        return false;
    }
    const QByteArray all = file.readAll();
    // Whole lines only: a line a kill cut short says nothing.
    const qsizetype whole = all.lastIndexOf('\n') + 1;
    cutShort_ = whole < all.size();
    const qsizetype count = std::count(all.begin(), all.begin() + whole, '\n');
    entries_.reserve(count);
    auto apply = [&](const QJsonObject& line) {
        const QString video = line.value("video").toString();
        if (video.isEmpty()) return;
        const QString state = line.value("state").toString();
        if (state == "forgotten") {
            entries_.remove(video);
            return;
        }
        Entry& entry = entries_[video];  // a video's last line says all
        entry.made = state == "made";
        entry.fingerprint = line.value("fingerprint").toString().toLatin1();
        entry.files.clear();
        for (const QJsonValue& name : line.value("files").toArray()) entry.files << name.toString();
    };
    for (qsizetype at = 0; at < whole; ++lines_) {
        if ((lines_ & 4095) == 0 && stop.stop_requested()) return Stopped(error);
        const qsizetype end = all.indexOf('\n', at);
        apply(QJsonDocument::fromJson(QByteArray::fromRawData(all.constData() + at, end - at))
                  .object());
        at = end + 1;
    }
    return true;
}

bool OutputRecord::Tidy(QString* error) {
    std::lock_guard lock(mutex_);
    if (!cutShort_ && lines_ <= 2 * int(entries_.size()) + 1000) return true;
    return Compact(error);
}

std::optional<OutputRecord::Entry> OutputRecord::Find(const QString& video) const {
    std::lock_guard lock(mutex_);
    const auto found = entries_.constFind(video);
    if (found == entries_.constEnd()) return std::nullopt;
    return *found;
}

bool OutputRecord::Ours(const QString& video, const QString& file) const {
    std::lock_guard lock(mutex_);
    const auto found = entries_.constFind(video);
    return found != entries_.constEnd() && found->files.contains(file);
}

bool OutputRecord::Compact(QString* error) {
    // Written beside it and renamed over it: a kill leaves one or the other.
    QDir().mkpath(folder_ + kFolder);
    QFile fresh(FileIn(folder_) + ".new");
    QByteArray all;
    for (auto it = entries_.constBegin(); it != entries_.constEnd(); ++it)
        all += Line(it.key(), it.value());
    if (!fresh.open(QIODevice::WriteOnly | QIODevice::Truncate) || fresh.write(all) != all.size() ||
        !fresh.flush() || fdatasync(fresh.handle()) != 0) {
        *error = "The record of the videos made in " + folder_ +
                 " cannot be written: " + fresh.errorString();
        fresh.remove();
        return false;
    }
    fresh.close();
    if (std::rename(fresh.fileName().toLocal8Bit().constData(),
                    FileIn(folder_).toLocal8Bit().constData()) != 0) {
        *error = "The record of the videos made in " + folder_ +
                 " cannot be written: " + std::strerror(errno);
        return false;
    }
    lines_ = int(entries_.size());
    cutShort_ = false;
    return true;
}

bool OutputRecord::Append(const QString& video, Entry entry, bool join, bool sync, QString* error) {
    std::lock_guard lock(mutex_);
    // Files written for the video before stay this program's.
    if (const auto found = entries_.constFind(video); join && found != entries_.constEnd())
        for (const QString& file : found->files)
            if (!entry.files.contains(file)) entry.files << file;
    auto failed = [&](int why) {
        *error = "The record of the videos made in " + folder_ +
                 " cannot be written: " + std::strerror(why);
        return false;
    };
    if (fd_ < 0) {
        if (!QDir().mkpath(folder_ + kFolder)) return failed(errno ? errno : EACCES);
        fd_ = open(FileIn(folder_).toLocal8Bit().constData(),
                   O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) return failed(errno);
    }
    const QByteArray line =
        entry.files.isEmpty() && !entry.made
            ? QJsonDocument(QJsonObject{{"video", video}, {"state", "forgotten"}})
                      .toJson(QJsonDocument::Compact) +
                  '\n'
            : Line(video, entry);
    if (!WriteAll(fd_, line)) return failed(errno ? errno : ENOSPC);
    if (sync && fdatasync(fd_) != 0) return failed(errno);
    if (entry.files.isEmpty() && !entry.made)
        entries_.remove(video);
    else
        entries_[video] = entry;
    ++lines_;
    return true;
}

bool OutputRecord::Naming(const QString& video, const QStringList& files, QString* error) {
    return Append(video, Entry{false, {}, files}, true, true, error);
}

bool OutputRecord::Made(const QString& video, const QStringList& files,
                        const QByteArray& fingerprint, QString* error) {
    return Append(video, Entry{true, fingerprint, files}, true, false, error);
}

bool OutputRecord::Restore(const QString& video, const std::optional<Entry>& entry,
                           QString* error) {
    return Append(video, entry.value_or(Entry{}), false, false, error);
}

}  // namespace vm
