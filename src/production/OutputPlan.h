#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stop_token>
#include <vector>

#include "BatchSettings.h"
#include "OutputRecord.h"
#include "VideoPipeline.h"

// What a batch will do in its output folder, worked out before the first
// video starts from one listing of the folder and the record of what this
// program made there (OutputRecord.h), with hashed lookups: the time grows
// with the list, never with its square. Which videos are already made and
// unchanged (skipped with --skip-existing), which keywords repeat an earlier
// one, which files of the user's it would replace (a clash: the batch is
// refused unless the user chose to replace them), and what killed runs left
// unfinished.
namespace vm {

// The fingerprint of everything that goes into the videos of a batch: the
// program's version, the settings as a project file writes them (the
// keywords aside), what the batch resolved from them on this machine, and
// the content of every picture and of the music (each file read once).
// Empty when stopped.
QByteArray BatchFingerprint(const BatchSettings& settings, std::stop_token stop = {});
// One video's: the batch's, its keyword and, for a table's row, the row's
// values and the content of its own pictures and music (VideoTask::print).
QByteArray VideoFingerprint(const QByteArray& batch, const VideoTask& task);
// The content of a file as a hex SHA-256 ("unreadable" when it cannot be
// read; empty when stopped).
QByteArray FileContentHash(const QString& path, const std::stop_token& stop = {});

// The file name (no folder) of the video of `keyword`.
QString VideoName(const BatchSettings& settings, const QString& keyword);
// The file name (no folder) of a task's video.
QString VideoName(const BatchSettings& batch, const VideoTask& task);
// The names (no folder) of the files a video is made of: the video's own,
// then its captions, cover and text, when the settings ask for them.
QStringList VideoFiles(const BatchSettings& settings, const QString& videoName);

struct OutputPlan {
    // Per task: its files are there and its fingerprint is unchanged (or it
    // was made before the record was kept).
    std::vector<char> alreadyMade;
    // Per task: the earlier task whose video it would write again, or -1.
    std::vector<int> repeats;
    // Names (no folder) of files in the folder this program did not make
    // that the batch would replace.
    QStringList clashes;
    // Full paths of files killed runs left unfinished for these videos.
    QStringList unfinished;
};

// Works the plan out. False with the reason when the folder cannot be read
// or `stop` was requested (then `error` is "stopped").
bool PlanOutput(const BatchSettings& settings, const std::vector<VideoTask>& tasks,
                bool skipExisting, const OutputRecord& record, const QByteArray& fingerprint,
                std::stop_token stop, OutputPlan* plan, QString* error);

// For the window before it starts a batch (the folder need not be taken):
// the files of the output folder the batch would replace that this program
// did not make. Empty when there are none (or the folder cannot be read:
// the batch says so itself).
QStringList OutputClashes(const BatchSettings& settings, const std::vector<VideoTask>& tasks,
                          bool skipExisting);

// "The output folder X holds 2 files Vid Mill did not make that this batch
// would replace: photo1.jpg, notes.txt." (the first ten named).
QString ClashMessage(const QString& folder, const QStringList& clashes);

}  // namespace vm
