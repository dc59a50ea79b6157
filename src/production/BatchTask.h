#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "BatchProgress.h"
#include "ProductionEngine.h"

// A batch as a task the window observes: the production engine runs on a
// thread of its own, and what happens reaches the task's owner as signals on
// the owner's thread. Stop() returns at once; finished() follows once every
// render has stopped and its unfinished file is gone.
namespace vm {

class BatchTask : public QObject {
    Q_OBJECT
public:
    BatchTask(BatchSettings settings, std::vector<VideoTask> tasks, BatchOptions options,
              QObject* parent = nullptr);
    // Stops a running batch and waits for it (bounded: kStopBoundMs).
    ~BatchTask() override;

    // Takes the output folder for this batch; false with the reason when
    // another batch holds it.
    bool ClaimOutputFolder(QString* error);
    // With the folder taken: false with the reason when the batch would
    // replace files this program did not make (named in `clashes`), unless
    // BatchOptions::replace says to, or the folder cannot be read.
    bool CheckOutputFolder(QStringList* clashes, QString* error);
    // Starts the batch; once only.
    void Start();
    // From the owner's thread, any time: no further video starts, renders in
    // flight stop.
    void Stop();
    // Waits up to `ms` for the batch's thread to end; false when it has not.
    // finished() is still delivered through the event loop.
    bool Wait(int ms);

    bool IsRunning() const { return running_; }
    bool StopRequested() const { return stopRequested_; }
    int Videos() const { return int(tasks_); }
    const BatchProgress& Progress() const { return progress_; }
    // What became of each video, once finished() was sent.
    const std::vector<VideoReport>& Reports() const { return reports_; }
    const BatchSettings& Settings() const { return settings_; }
    // How long a render may report nothing before it fails; also during a run.
    void SetRenderSilenceMs(int milliseconds);

    // How long a stopped batch may take to end its renders and remove their files.
    static constexpr int kStopBoundMs = 10000;

signals:
    void started();
    // Every event of every video, in the order the engine sent them.
    void videoEvent(const vm::VideoEvent& event);
    // The batch's share done, 0..100, sent when the whole percent changes.
    void progress(int percent);
    void videoMade(const vm::VideoEvent& event);
    void videoFailed(const vm::VideoEvent& event);
    // The engine has ended: every video made, failed, skipped or stopped.
    void finished(bool stopped);

private:
    void Deliver(const VideoEvent& event);
    void End(std::vector<VideoReport> reports);

    struct Runner;
    BatchSettings settings_;
    size_t tasks_ = 0;
    std::unique_ptr<ProductionEngine> engine_;
    std::unique_ptr<Runner> runner_;
    BatchProgress progress_;
    std::vector<VideoReport> reports_;
    int lastPercent_ = -1;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace vm
