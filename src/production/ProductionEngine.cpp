#include "ProductionEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "OutputFolderLock.h"
#include "OutputPlan.h"
#include "OutputRecord.h"
#include "RenderCap.h"
#include "ScratchFolder.h"
#include "SpVoice.h"
#include "SpeechPool.h"

namespace vm {
namespace {

using Clock = std::chrono::steady_clock;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The voice of one preparing worker: it speaks through the batch's helpers
// when the helper program is there (a crashing engine takes only its helper
// with it), else in this process.
std::unique_ptr<SpVoice> WorkerVoice(const std::shared_ptr<speech::SpeechPool>& helpers,
                                     const VoiceToken& token, double speechRate) {
    auto voice = helpers ? std::make_unique<SpVoice>(speech::HelperEngines(helpers))
                         : std::make_unique<SpVoice>();
    voice->setVoice(token);
    voice->setSpeechRate(speechRate);
    return voice;
}

}  // namespace

const char* StatusName(VideoReport::Status status) {
    switch (status) {
        case VideoReport::Status::Made:
            return "made";
        case VideoReport::Status::Failed:
            return "failed";
        case VideoReport::Status::Skipped:
            return "skipped";
        case VideoReport::Status::Stopped:
            return "stopped";
    }
    return "stopped";
}

struct ProductionEngine::Impl {
    BatchSettings settings;
    std::vector<VideoTask> tasks;
    BatchOptions options;
    std::stop_source stop;
    std::atomic<int> silenceMs{120000};
    // The speech helpers of the whole batch, one per processor core: every
    // preparing worker speaks through them, a narration several lines at
    // once, and speech never wants more cores than there are.
    std::shared_ptr<speech::SpeechPool> speechHelpers;
    // This batch's own scratch folder: narrations and prepared music, under
    // names no other run can share.
    ScratchFolder scratch;
    OutputFolderLock folderLock;
    // What this program made in the output folder, and what the batch will
    // do there (skips, repeats, leftovers), worked out before the first video.
    OutputRecord record;
    QByteArray fingerprint;
    OutputPlan plan;
    bool checked = false;
    std::unique_ptr<VideoPipeline> pipeline;

    // Events and reports: one listener call at a time.
    std::mutex eventMutex;
    ProductionListener* listener = nullptr;
    std::vector<VideoReport> reports;
    std::vector<bool> ended;

    // Prepared videos waiting for a renderer.
    std::mutex queueMutex;
    std::condition_variable_any queueChanged;
    std::deque<PreparedVideo> ready;
    int preparing = 0;  // preparers still at work
    std::atomic<int> next{0};

    // Renders in flight, watched for silence.
    struct Render {
        std::atomic<int64_t> beatMs{0};
        std::stop_source* stop = nullptr;  // set while a render runs
        bool silent = false;
    };
    std::mutex watchMutex;
    std::condition_variable watchChanged;
    std::vector<std::unique_ptr<Render>> renders;
    int workers = 0;

    void Emit(const VideoEvent& event);
    void Prepare();
    void RenderLoop(int slot);
    void RenderOne(PreparedVideo video, Render& watch);
    // Every video fails for one reason (the batch could not start).
    void FailAll(const QString& stage, const QString& message);
    // Every video not ended yet is reported stopped.
    void EndUnended();
    // Where the video of task `index` goes.
    QString PathOf(int index) const;
    void WorkerDone();
    void Watch();
};

void ProductionEngine::Impl::Emit(const VideoEvent& event) {
    std::lock_guard lock(eventMutex);
    VideoReport& r = reports[event.index];
    if (ended[event.index] && event.kind != VideoEvent::Kind::Note) return;
    if (r.path.isEmpty()) r.path = event.path;
    switch (event.kind) {
        case VideoEvent::Kind::Rendering:
            r.plannedSeconds = double(event.totalFrames) / kFramesPerSecond;
            break;
        case VideoEvent::Kind::Made:
            r.status = VideoReport::Status::Made;
            r.actualSeconds = event.length;
            r.companions = event.companions;
            break;
        case VideoEvent::Kind::Failed:
            r.status = VideoReport::Status::Failed;
            r.stage = event.stage;
            r.message = event.message;
            break;
        case VideoEvent::Kind::Skipped:
            r.status = VideoReport::Status::Skipped;
            r.message = event.message;
            break;
        case VideoEvent::Kind::Stopped:
            r.status = VideoReport::Status::Stopped;
            break;
        case VideoEvent::Kind::Note:
            r.message = r.message.isEmpty() ? event.message : r.message + " " + event.message;
            break;
        default:
            break;
    }
    if (event.EndsVideo()) {
        ended[event.index] = true;
        r.secondsTaken = event.taken;
    }
    if (listener) listener->OnVideoEvent(event);
}

void ProductionEngine::Impl::EndUnended() {
    // Videos the batch never came to: a stop early in a long list sends
    // many, so one event is reused, and their paths are left out (the
    // listeners need none to tell a video stopped; the report's file puts
    // them in).
    VideoEvent e;
    e.kind = VideoEvent::Kind::Stopped;
    for (int i = 0; i < int(tasks.size()); ++i) {
        {
            std::lock_guard lock(eventMutex);
            if (ended[i]) continue;
        }
        e.index = i;
        e.position = tasks[i].position;
        e.keyword = tasks[i].keyword;
        Emit(e);
    }
}

QString ProductionEngine::Impl::PathOf(int index) const {
    return settings.outputFolder + "/" + VideoName(settings, tasks[index]);
}

void ProductionEngine::Impl::FailAll(const QString& stage, const QString& message) {
    for (int i = 0; i < int(tasks.size()); ++i) {
        VideoEvent e;
        e.kind = VideoEvent::Kind::Failed;
        e.index = i;
        e.position = tasks[i].position;
        e.keyword = tasks[i].keyword;
        e.path = PathOf(i);
        e.stage = stage;
        e.message = message;
        Emit(e);
    }
}

void ProductionEngine::Impl::Prepare() {
    const std::unique_ptr<SpVoice> voice =
        WorkerVoice(speechHelpers, settings.voice, settings.Get(setting::speechRate));
    // A table's rows may each speak with a voice or at a rate of their own.
    QString voiceNow = settings.voice.GetDescription();
    double rateNow = settings.Get(setting::speechRate);
    for (;;) {
        if (stop.stop_requested()) break;
        const int index = next++;
        if (index >= int(tasks.size())) break;
        const VideoTask& task = tasks[index];
        if (plan.repeats[index] >= 0) {
            VideoEvent skip;
            skip.kind = VideoEvent::Kind::Skipped;
            skip.index = index;
            skip.position = task.position;
            skip.keyword = task.keyword;
            skip.path = PathOf(index);
            const VideoTask& first = tasks[plan.repeats[index]];
            skip.message = QString("it repeats keyword %1 (\"%2\"), whose video is %3")
                               .arg(first.position + 1)
                               .arg(first.keyword, QFileInfo(skip.path).fileName());
            Emit(skip);
            continue;
        }
        PreparedVideo video;
        if (!pipeline->Begin(index, task, plan.alreadyMade[index] != 0, &video)) continue;
        const BatchSettings& own = SettingsOf(settings, task);
        if (own.voice.GetDescription() != voiceNow) {
            voice->setVoice(own.voice);
            voiceNow = own.voice.GetDescription();
        }
        if (own.Get(setting::speechRate) != rateNow) {
            rateNow = own.Get(setting::speechRate);
            voice->setSpeechRate(rateNow);
        }
        VideoEvent& e = video.event;
        VideoEvent failure;
        if (!pipeline->Prepare(task, *voice, &video, &failure)) {
            VideoPipeline::Discard(video);
            if (stop.stop_requested()) {
                e.kind = VideoEvent::Kind::Stopped;
                e.taken = SecondsSince(video.started);
                Emit(e);
            } else {
                failure.taken = SecondsSince(video.started);
                Emit(failure);
            }
            continue;
        }
        std::unique_lock lock(queueMutex);
        // At most one prepared video per job waits: enough to keep the
        // renderers busy, few narration files at a time.
        queueChanged.wait(lock, stop.get_token(),
                          [&] { return int(ready.size()) < std::max(1, options.jobs); });
        if (stop.stop_requested()) {
            lock.unlock();
            VideoPipeline::Discard(video);
            e.kind = VideoEvent::Kind::Stopped;
            Emit(e);
            break;
        }
        ready.push_back(std::move(video));
        queueChanged.notify_all();
    }
    {
        std::lock_guard lock(queueMutex);
        --preparing;
    }
    queueChanged.notify_all();
}

void ProductionEngine::Impl::RenderOne(PreparedVideo video, Render& watch) {
    std::stop_source renderStop;
    std::stop_callback forward(stop.get_token(), [&] { renderStop.request_stop(); });
    {
        std::lock_guard lock(watchMutex);
        watch.beatMs = NowMs();
        watch.silent = false;
        watch.stop = &renderStop;
    }
    watchChanged.notify_all();
    auto beat = [&watch] { watch.beatMs = NowMs(); };
    // Asked once the render has ended: the watch lets go of it first.
    auto stopReason = [&] {
        std::lock_guard lock(watchMutex);
        watch.stop = nullptr;
        return watch.silent ? QString("the render reported nothing for %1 seconds and was stopped.")
                                  .arg(silenceMs.load() / 1000)
                            : QString();
    };
    pipeline->Render(std::move(video), renderStop.get_token(), beat, stopReason);
}

void ProductionEngine::Impl::RenderLoop(int slot) {
    Render& watch = *renders[slot];
    for (;;) {
        std::unique_lock lock(queueMutex);
        queueChanged.wait(lock, stop.get_token(), [&] { return !ready.empty() || preparing == 0; });
        if (stop.stop_requested() || ready.empty()) break;
        PreparedVideo video = std::move(ready.front());
        ready.pop_front();
        lock.unlock();
        queueChanged.notify_all();
        RenderOne(std::move(video), watch);
    }
    // Prepared videos nobody will render now.
    std::unique_lock lock(queueMutex);
    while (!ready.empty()) {
        PreparedVideo video = std::move(ready.front());
        ready.pop_front();
        lock.unlock();
        VideoPipeline::Discard(video);
        VideoEvent e = video.event;
        e.kind = VideoEvent::Kind::Stopped;
        Emit(e);
        lock.lock();
    }
}

void ProductionEngine::Impl::WorkerDone() {
    {
        std::lock_guard lock(watchMutex);
        --workers;
    }
    watchChanged.notify_all();
}

// Stops a render that has reported nothing for the silence bound; waits on
// the nearest deadline, so it costs nothing while renders report.
void ProductionEngine::Impl::Watch() {
    std::unique_lock lock(watchMutex);
    while (workers > 0) {
        const int64_t bound = silenceMs.load();
        int64_t nearest = INT64_MAX;
        const int64_t now = NowMs();
        for (const auto& render : renders) {
            if (!render->stop || render->silent) continue;
            const int64_t due = render->beatMs.load() + bound;
            if (due <= now) {
                render->silent = true;
                render->stop->request_stop();
            } else {
                nearest = std::min(nearest, due);
            }
        }
        if (nearest == INT64_MAX)
            watchChanged.wait(lock);
        else
            watchChanged.wait_for(lock, std::chrono::milliseconds(nearest - now));
    }
}

ProductionEngine::ProductionEngine(BatchSettings settings, std::vector<VideoTask> tasks,
                                   BatchOptions options)
    : d(std::make_unique<Impl>()) {
    d->settings = std::move(settings);
    d->tasks = std::move(tasks);
    d->options = options;
    // The largest frame of the batch (a table's row may have its own) sets
    // how many renders fit.
    int width = d->settings.width;
    int height = d->settings.height;
    for (const VideoTask& task : d->tasks)
        if (task.settings && task.settings->width * task.settings->height > width * height) {
            width = task.settings->width;
            height = task.settings->height;
        }
    d->options.jobs = std::clamp(options.jobs, 1, RenderCapHere(width, height).jobs);
    d->silenceMs = options.renderSilenceMs;
}

ProductionEngine::~ProductionEngine() = default;

OutputFolderLock::Outcome ProductionEngine::TakeOutputFolder(int waitMs, QString* message,
                                                             QString* note) {
    return d->folderLock.Take(d->settings.outputFolder, waitMs, d->stop.get_token(), message, note);
}

bool ProductionEngine::ClaimOutputFolder(int waitMs, QString* error) {
    return TakeOutputFolder(waitMs, error) == OutputFolderLock::Outcome::Taken;
}

bool ProductionEngine::CheckOutputFolder(QStringList* clashes, QString* error) {
    Impl& s = *d;
    if (!s.folderLock.Held() && !ClaimOutputFolder(0, error)) return false;
    const std::stop_token stop = s.stop.get_token();
    if (!s.checked) {
        s.fingerprint = BatchFingerprint(s.settings, stop);
        if (stop.stop_requested()) {
            *error = "stopped";
            return false;
        }
        if (!s.record.Load(s.settings.outputFolder, stop, error) || !s.record.Tidy(error) ||
            !PlanOutput(s.settings, s.tasks, s.options.skipExisting, s.record, s.fingerprint, stop,
                        &s.plan, error))
            return false;
        s.checked = true;
    }
    if (clashes) *clashes = s.plan.clashes;
    if (!s.plan.clashes.isEmpty() && !s.options.replace) {
        *error = ClashMessage(s.settings.outputFolder, s.plan.clashes);
        return false;
    }
    return true;
}

int ProductionEngine::Jobs() const {
    return d->options.jobs;
}

void ProductionEngine::Stop() {
    d->stop.request_stop();
    d->queueChanged.notify_all();
    d->watchChanged.notify_all();
}

bool ProductionEngine::StopRequested() const {
    return d->stop.stop_requested();
}

void ProductionEngine::SetRenderSilenceMs(int milliseconds) {
    d->silenceMs = milliseconds;
    d->watchChanged.notify_all();
}

std::vector<VideoReport> ProductionEngine::Run(ProductionListener* listener) {
    Impl& s = *d;
    const int count = int(s.tasks.size());
    s.listener = listener;
    s.reports.assign(count, VideoReport{});
    s.ended.assign(count, false);
    // A video's path goes into its report with its events: the first video
    // of a long list starts without waiting for every name.
    for (int i = 0; i < count; ++i) {
        s.reports[i].keyword = s.tasks[i].keyword;
        s.reports[i].position = s.tasks[i].position;
        if (s.tasks[i].row > 0) {
            // A table's rows are few and named each their own way.
            s.reports[i].row = s.tasks[i].row;
            s.reports[i].id = s.tasks[i].id;
            s.reports[i].path = s.PathOf(i);
        }
    }
    const QString helperProgram =
        s.options.speechHelper.isEmpty() ? SpVoice::HelperProgram() : s.options.speechHelper;
    if (!helperProgram.isEmpty())
        s.speechHelpers = std::make_shared<speech::SpeechPool>(
            helperProgram.toStdString(), RenderCapHere(s.settings.width, s.settings.height).cores);
    // A stop ends the speech in flight at once.
    std::stop_callback abortSpeech(s.stop.get_token(), [&s] {
        if (s.speechHelpers) s.speechHelpers->Abort();
    });
    auto end = [&] {
        s.EndUnended();
        s.listener = nullptr;
        s.folderLock.Release();
        return std::move(s.reports);
    };
    QString problem;
    if (!s.folderLock.Held() && !ClaimOutputFolder(0, &problem)) {
        s.FailAll("output", problem);
        return end();
    }
    if (!CheckOutputFolder(nullptr, &problem)) {
        // Stopped while the folder was read: nothing was made.
        if (!s.stop.stop_requested()) s.FailAll("output", problem);
        return end();
    }
    // Scratch folders of batches that were killed go; this batch gets its own.
    RemoveDeadScratchFolders(QDir::tempPath());
    if (!s.scratch.Make(QDir::tempPath(), &problem)) {
        s.FailAll("output", problem);
        return end();
    }
    s.pipeline = std::make_unique<VideoPipeline>(
        s.settings, s.options.seed, s.scratch.Path(), s.stop.get_token(),
        [&s](const VideoEvent& e) { s.Emit(e); }, &s.record, s.fingerprint, s.options.fileNamed);
    // With the folder ours, unfinished files of these videos are left over
    // from a run that was killed.
    for (const QString& leftover : s.plan.unfinished) QFile::remove(leftover);

    const int jobs = std::min(s.options.jobs, std::max(1, count));
    s.preparing = jobs;
    s.workers = 2 * jobs;
    for (int i = 0; i < jobs; ++i) s.renders.push_back(std::make_unique<Impl::Render>());
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < jobs; ++i) {
            threads.emplace_back([&s] {
                s.Prepare();
                s.WorkerDone();
            });
            threads.emplace_back([&s, i] {
                s.RenderLoop(i);
                s.WorkerDone();
            });
        }
        s.Watch();
    }
    return end();  // the folder is free for the next batch
}

}  // namespace vm
