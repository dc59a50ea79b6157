#include "BatchTask.h"

#include <QMetaObject>
#include <QPointer>
#include <future>
#include <thread>

namespace vm {

// The thread the engine runs on, and the listener that hands its events to
// the task's thread.
struct BatchTask::Runner : ProductionListener {
    QPointer<BatchTask> task;
    std::future<void> done;
    std::thread thread;

    void OnVideoEvent(const VideoEvent& event) override {
        QMetaObject::invokeMethod(
            task.data(), [t = task, event] { if (t) t->Deliver(event); },
            Qt::QueuedConnection);
    }
};

BatchTask::BatchTask(BatchSettings settings, std::vector<VideoTask> tasks, BatchOptions options,
                     QObject* parent)
    : QObject(parent), settings_(settings), tasks_(tasks.size()), progress_(int(tasks.size())) {
    qRegisterMetaType<vm::VideoEvent>("vm::VideoEvent");
    engine_ = std::make_unique<ProductionEngine>(std::move(settings), std::move(tasks), options);
}

BatchTask::~BatchTask() {
    if (!runner_ || !runner_->thread.joinable()) return;
    engine_->Stop();
    if (Wait(kStopBoundMs)) {
        runner_->thread.join();
        return;
    }
    // The engine ends its renders well within the bound. Should one hang, its
    // thread keeps the engine and the listener (never this task) to itself,
    // and the program is not held up waiting for it.
    runner_->thread.detach();
    (void)engine_.release();
    (void)runner_.release();
}

bool BatchTask::ClaimOutputFolder(QString* error) {
    return engine_->ClaimOutputFolder(0, error);
}

bool BatchTask::CheckOutputFolder(QStringList* clashes, QString* error) {
    return engine_->CheckOutputFolder(clashes, error);
}

void BatchTask::Start() {
    if (runner_) return;
    runner_ = std::make_unique<Runner>();
    runner_->task = this;
    running_ = true;
    emit started();
    std::promise<void> done;
    runner_->done = done.get_future();
    runner_->thread = std::thread([engine = engine_.get(), runner = runner_.get(),
                                   done = std::move(done)]() mutable {
        std::vector<VideoReport> reports = engine->Run(runner);
        done.set_value();
        QMetaObject::invokeMethod(
            runner->task.data(),
            [t = runner->task, reports = std::move(reports)]() mutable {
                if (t) t->End(std::move(reports));
            },
            Qt::QueuedConnection);
    });
}

void BatchTask::Stop() {
    if (!running_ || stopRequested_) return;
    stopRequested_ = true;
    engine_->Stop();
}

bool BatchTask::Wait(int ms) {
    if (!runner_) return true;
    return runner_->done.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
}

void BatchTask::SetRenderSilenceMs(int milliseconds) {
    engine_->SetRenderSilenceMs(milliseconds);
}

void BatchTask::Deliver(const VideoEvent& event) {
    if (!running_) return;
    progress_.Add(event);
    emit videoEvent(event);
    if (event.kind == VideoEvent::Kind::Made) emit videoMade(event);
    if (event.kind == VideoEvent::Kind::Failed) emit videoFailed(event);
    if (progress_.Percent() != lastPercent_) {
        lastPercent_ = progress_.Percent();
        emit progress(lastPercent_);
    }
}

void BatchTask::End(std::vector<VideoReport> reports) {
    if (!running_) return;
    // Every event was queued before this: they have all been delivered.
    reports_ = std::move(reports);
    running_ = false;
    if (runner_->thread.joinable()) runner_->thread.join();
    emit finished(stopRequested_);
}

}  // namespace vm
