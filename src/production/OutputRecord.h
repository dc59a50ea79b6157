#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <mutex>
#include <optional>
#include <stop_token>

// What this program made in an output folder, so that it never replaces a
// file it did not make, and a rerun tells a finished video from a half-named
// set and from one made of other settings, pictures or music.
//
// The record is one file, .vidmill/made.jsonl in the output folder: a line of
// JSON per event, appended by the one batch that holds the folder. Before a
// video's files take their names a "naming" line lists them (and is forced to
// the disk); once all have, a "made" line lists them again with the video's
// fingerprint. A video's last line says all about it (the files it lists
// include those written for it before); a line cut short by a kill is
// ignored. Read once when a batch starts (one file, however many
// videos: quick on a shared volume too) and written back whole when old
// lines outnumber the videos.
namespace vm {

class OutputRecord {
public:
    struct Entry {
        // Every file named and the fingerprint written; false while (or
        // when a kill stopped) the files were taking their names.
        bool made = false;
        QByteArray fingerprint;
        // The names (no folder) of every file this program wrote for the
        // video, the video's own first.
        QStringList files;
    };

    OutputRecord() = default;
    ~OutputRecord();
    OutputRecord(const OutputRecord&) = delete;
    OutputRecord& operator=(const OutputRecord&) = delete;

    // Reads the record of `folder` (none yet: empty). False with the reason
    // when it cannot be read or was stopped.
    bool Load(const QString& folder, std::stop_token stop, QString* error);
    // Writes the record back whole when old lines far outnumber the videos
    // or the last line was cut short. Only by the batch that holds the folder.
    bool Tidy(QString* error);
    // The entry of a video by its file name; none when this program made
    // no file of that name.
    std::optional<Entry> Find(const QString& video) const;
    // Whether this program wrote `file` for `video`.
    bool Ours(const QString& video, const QString& file) const;
    int Videos() const { return int(entries_.size()); }

    // Appends a line; from any thread. Naming returns once the line is on
    // the disk.
    bool Naming(const QString& video, const QStringList& files, QString* error);
    bool Made(const QString& video, const QStringList& files, const QByteArray& fingerprint,
              QString* error);
    // Writes `entry` back as the video's last line (a render that failed
    // before any file was named leaves the video as it was); none: the video
    // is forgotten.
    bool Restore(const QString& video, const std::optional<Entry>& entry, QString* error);

    // The record's file in `folder`.
    static QString FileIn(const QString& folder);

private:
    // `join`: the files the video had stay in its entry.
    bool Append(const QString& video, Entry entry, bool join, bool sync, QString* error);
    bool Compact(QString* error);

    QString folder_;
    QHash<QString, Entry> entries_;
    int lines_ = 0;
    bool cutShort_ = false;  // the last line was cut short by a kill
    int fd_ = -1;
    mutable std::mutex mutex_;
};

}  // namespace vm
