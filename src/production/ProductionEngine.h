#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "BatchSettings.h"
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
    Status status = Status::Stopped;
    QString path;
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
    int jobs = 1;
    // Leave a keyword alone when its finished video is already there.
    bool skipExisting = false;
    // A render that reports nothing for this long is stopped and fails.
    int renderSilenceMs = 120000;
    // The speech helper program; empty: vidmill-speak beside this program.
    QString speechHelper;
};

class ProductionEngine {
public:
    ProductionEngine(BatchSettings settings, std::vector<VideoTask> tasks, BatchOptions options);
    ~ProductionEngine();

    // Takes the output folder for this batch (a lock file in it), so no
    // other batch writes there meanwhile; waits up to `waitMs` for a batch
    // that has it. False with the reason (naming the folder and who holds
    // it). Run takes it itself when it is not taken yet.
    bool ClaimOutputFolder(int waitMs, QString* error);

    // Makes every video and returns when all are finished, failed, skipped
    // or stopped: one report per task, in task order. Call once. When the
    // output folder is in use every video fails at the stage "output".
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
