#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <utility>
#include <vector>

#include "BatchSettings.h"
#include "RenderJob.h"
#include "TimingPlan.h"

class SpVoice;

// One video of a batch from its keyword to its files: the ad copy and the
// narration, the timing plan, the music, the layout, the files beside the
// video, the render, and the naming of what was made. The production engine
// schedules pipelines on its workers; everything one video goes through is
// here, in order.
namespace vm {

// One video of a batch: its keyword and the keyword's position in the list
// (which seeds its random choices). A video from a table's row (VideoRows.h)
// also has the row's number, its id, its name, settings of its own and the
// print of its values, and is seeded from its id or keyword instead: a row
// put in above it changes nothing about it.
struct VideoTask {
    int position = 0;
    QString keyword;
    int row = 0;  // its number in the table; 0 for a keyword list's
    QString id;
    QString name;  // the file's name without extension; empty: the keyword's
    QString seedName;
    std::shared_ptr<const BatchSettings> settings;  // null: the batch's
    // The row's cells and the content of its own pictures and music: part of
    // the video's fingerprint, so a changed row is made again.
    QByteArray print;
};

// The video of a keyword list's keyword at `position`.
inline VideoTask KeywordTask(int position, const QString& keyword) {
    VideoTask task;
    task.position = position;
    task.keyword = keyword;
    return task;
}

// The settings task `task` is made with.
inline const BatchSettings& SettingsOf(const BatchSettings& batch, const VideoTask& task) {
    return task.settings ? *task.settings : batch;
}
// The file name a task's video is called by, without extension: its own
// name, its keyword, or the output name without one.
QString TaskName(const BatchSettings& batch, const VideoTask& task);

// One task per keyword in list order, or a single one without a keyword when
// the list is empty.
std::vector<VideoTask> BatchTasks(const QStringList& keywords);

// What happens to a video, as the engine reports it.
// Why a video was skipped when --skip-existing found it made already.
inline const char kAlreadyMadeMessage[] = "its video is already in the output folder";

struct VideoEvent {
    enum class Kind {
        Started,    // preparing begins: the narration is spoken
        Planned,    // narration measured, timing plan worked out
        Music,      // the music track is being prepared
        Rendering,  // the render begins; the slides are in the order shown
        Progress,   // frames rendered (sent when the whole percent changes)
        Made,       // finished: `path` holds the video, `length` its length
        Failed,     // `stage` and `message` say where and why
        Skipped,    // not made, `message` says why (already made, repeated keyword)
        Stopped,    // the batch was stopped before this video was finished
        Note,       // a warning (`message`) about a video that is still made
        Command,    // an ffmpeg command line (`message`) run for the music
    };
    Kind kind = Kind::Started;
    int index = 0;     // the video's place in the batch (0-based)
    int position = 0;  // the keyword's place in the keyword list
    QString keyword;
    QString path;  // the video file
    QString stage;
    QString message;
    int frame = 0;  // Progress: frames rendered; Rendering and later: frames in all
    int totalFrames = 0;
    // From Planned on:
    TimingPlan plan;
    bool narrated = false;
    double narrationSeconds = 0;
    double musicSeconds = 0;  // the music track's length, 0 without music
    QStringList slides;       // from Rendering on: the slides in the order shown
    double length = 0;        // Made: the video's length in seconds
    QStringList companions;   // Made: the files made beside the video
    double taken = 0;         // Made, Failed, Stopped: seconds spent on the video

    // Made, Failed, Skipped and Stopped are a video's last event.
    bool EndsVideo() const {
        return kind == Kind::Made || kind == Kind::Failed || kind == Kind::Skipped ||
               kind == Kind::Stopped;
    }
};

// <output>/<name>.avi (or .mp4): the task's name, its keyword, or the
// output name without one.
QString VideoFileFor(const BatchSettings& batch, const VideoTask& task);

// The files that go beside a video for the site it is uploaded to: its
// captions (.srt), its cover picture (.jpg) and its title and description
// (.txt), named like the video.
QString CompanionFile(const QString& videoPath, const char* extension);
inline const char* const kCompanionExtensions[] = {".srt", ".jpg", ".txt"};

// The title, a blank line and the description with the keyword put in;
// empty when the project has neither.
QString PublishingText(const BatchSettings& settings, const QString& keyword);
// How the project's burned captions look, and the cues they show: lines,
// or a few words at a time, in capitals when the style says so.
RenderJob::CaptionLook CaptionLookOf(const Settings& project);
struct NarrationWord;
std::vector<RenderJob::Caption> StyledCaptions(const std::vector<NarrationWord>& words,
                                               const Settings& project);
// The reason the video of `keyword` cannot be named, or empty.
QString VideoNameProblem(const BatchSettings& settings, const QString& keyword);

// A video between its preparation and its render.
struct PreparedVideo {
    VideoEvent event;  // keyword, paths, plan, slides: the base of its later events
    QString narrationFile;
    QString musicFile;
    QByteArray fingerprint;  // what the record keeps of it once made
    RenderJob job;
    std::chrono::steady_clock::time_point started;
    // Files that go beside the video, written under unfinished names (first)
    // and named (second) once the video is made.
    std::vector<std::pair<QString, QString>> companions;
};

class OutputRecord;

class VideoPipeline {
public:
    using EventSink = std::function<void(const VideoEvent&)>;
    // `workFolder` is the batch's scratch folder (narrations, music); `stop`
    // the batch's stop. What is made goes into `record` with its fingerprint
    // (the batch's, see OutputPlan.h). `fileNamed`, when set, is called as
    // each file of a video takes its final name.
    VideoPipeline(const BatchSettings& settings, uint64_t seed, QString workFolder,
                  std::stop_token stop, EventSink send, OutputRecord* record,
                  QByteArray fingerprint, std::function<void(const QString&)> fileNamed = {});

    // The first events of video `index`: the event it starts from, or why it
    // is not made at all (a Skipped or Failed event, sent). `alreadyMade`:
    // its files are in the output folder, made as it would be made now.
    // False when it is not to be made.
    bool Begin(int index, const VideoTask& task, bool alreadyMade, PreparedVideo* video) const;
    // Speaks, plans, prepares the music, lays out the video and writes the
    // files beside it under unfinished names. False when it failed (the
    // Failed event in `failure`) or the batch was stopped.
    bool Prepare(const VideoTask& task, SpVoice& voice, PreparedVideo* video,
                 VideoEvent* failure) const;
    // Renders a prepared video into its file and names the files beside it;
    // sends Rendering, Progress and the video's last event. `beat` is called
    // at every frame; `stopReason` says why `renderStop` was requested when
    // the batch was not stopped (a render that reported nothing).
    void Render(PreparedVideo video, std::stop_token renderStop, const std::function<void()>& beat,
                const std::function<QString()>& stopReason) const;
    // Removes what a video that will not be rendered left in the scratch
    // folder and under unfinished names.
    static void Discard(const PreparedVideo& video);

private:
    bool PrepareCompanions(const VideoTask& task, const std::vector<struct NarrationWord>& words,
                           PreparedVideo* video, QString* error) const;
    bool NameCompanions(PreparedVideo& video, QString* error) const;

    const BatchSettings& settings_;
    uint64_t seed_;
    QString workFolder_;
    std::stop_token stop_;
    EventSink send_;
    OutputRecord* record_;
    QByteArray fingerprint_;
    std::function<void(const QString&)> fileNamed_;
};

}  // namespace vm
