#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "BatchSettings.h"
#include "OutputFolderLock.h"
#include "TimingPlan.h"
#include "VideoPipeline.h"

// The production engine: makes the videos of a batch from a copy of the
// project's settings, one per keyword. Each video goes through its pipeline
// (VideoPipeline.h): prepared, then rendered; while one video renders the
// next one is prepared, and with several jobs several videos render at once. It knows no window: it reports what happens to every video
// through a listener, and stops on request. The window and vidmill-batch are
// two front ends over it.
namespace vm {

class ProductionListener {
public:
    virtual ~ProductionListener() = default;
    // Called from the engine's threads, one call at a time.
    virtual void OnVideoEvent(const VideoEvent& event) = 0;
};

// What became of one video, for the report at the end.
struct VideoReport {
    enum class Status { Made, Failed, Skipped, Stopped };
    QString keyword;
    int position = 0;
    int row = 0;  // a table's row: its number in the file, and its id
    QString id;
    Status status = Status::Stopped;
    QString path;               // empty for a video the batch never came to
    double plannedSeconds = 0;  // 0 until the plan is known
    double actualSeconds = 0;   // the made video's length
    QString stage;              // failed: the step that failed
    QString message;            // failed, skipped: why; made: a warning, if any
    double secondsTaken = 0;
    QStringList companions;  // made: captions, cover, title and description files
};

const char* StatusName(VideoReport::Status status);

struct BatchOptions {
    uint64_t seed = 0;
    // Videos made at once, at most: fewer when this machine has fewer cores
    // or less memory than that many renders need (RenderCap.h).
    int jobs = 1;
    // Leave a keyword alone when its files are already there, made from the
    // same settings, pictures, music and program version.
    bool skipExisting = false;
    // Replace files in the output folder that this program did not make
    // (else such a file refuses the batch).
    bool replace = false;
    // A render that reports nothing for this long is stopped and fails.
    int renderSilenceMs = 120000;
    // The speech helper program; empty: vidmill-speak beside this program.
    QString speechHelper;
    // Called as each file of a video takes its final name (tests stop a
    // batch there to see what a kill between the renames leaves).
    std::function<void(const QString& file)> fileNamed;
};

class ProductionEngine {
public:
    ProductionEngine(BatchSettings settings, std::vector<VideoTask> tasks, BatchOptions options);
    ~ProductionEngine();

    // Takes the output folder for this batch (a lock file in it), so no
    // other batch writes there meanwhile; waits up to `waitMs` for a batch
    // that has it (Stop ends the wait). The outcome, with the reason (naming
    // the folder, who holds it and since when) in `message`; `note` says
    // when a lock left by a batch that is gone was taken over. Run takes the
    // folder itself when it is not taken yet.
    OutputFolderLock::Outcome TakeOutputFolder(int waitMs, QString* message,
                                               QString* note = nullptr);
    bool ClaimOutputFolder(int waitMs, QString* error);

    // Before the first video, with the folder taken (taken here when it is
    // not): reads the folder and the record of what this program made there
    // and works out which videos are already made, which repeat another and
    // what killed runs left. False when the folder cannot be read, the batch
    // was stopped, or it would replace files this program did not make
    // (named in `clashes`; see BatchOptions::replace). Run does it itself
    // when it was not done.
    bool CheckOutputFolder(QStringList* clashes, QString* error);

    // Videos that render at once: the jobs asked for, within this machine's cap.
    int Jobs() const;

    // Makes every video and returns when all are finished, failed, skipped
    // or stopped: one report per task, in task order. Call once. When the
    // output folder is in use or cannot be used every video fails at the
    // stage "output".
    std::vector<VideoReport> Run(ProductionListener* listener);

    // From any thread: renders in flight stop and their unfinished files go,
    // speech and music in flight end, and no further video starts.
    void Stop();
    bool StopRequested() const;

    // From any thread, also during a run.
    void SetRenderSilenceMs(int milliseconds);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace vm
