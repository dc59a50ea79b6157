#include "ProductionEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "CoverPicture.h"
#include "MediaLength.h"
#include "NarrationText.h"
#include "RenderEngine.h"
#include "RenderTimeline.h"
#include "SpVoice.h"
#include "SpeechHelper.h"
#include "VideoRandom.h"
#include "VideoSound.h"

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

// A video between its preparation and its render.
struct Prepared {
    VideoEvent event;  // keyword, paths, plan, slides: the base of its later events
    QString narrationFile;
    QString musicFile;
    RenderJob job;
    Clock::time_point started;
    // Files that go beside the video, written under unfinished names (first)
    // and named (second) once the video is made.
    std::vector<std::pair<QString, QString>> companions;
};

// The speech of one preparing worker: a helper process of its own when the
// helper program is there, so workers speak in parallel and a crashing engine
// takes only that helper with it.
struct WorkerVoice {
    std::shared_ptr<speech::SpeechHelper> helper;
    std::unique_ptr<SpVoice> voice;

    WorkerVoice(const QString& helperProgram, const VoiceToken& token, double speechRate) {
        if (!helperProgram.isEmpty()) {
            helper = std::make_shared<speech::SpeechHelper>(helperProgram.toStdString());
            voice = std::make_unique<SpVoice>(speech::HelperEngines(helper));
        } else {
            voice = std::make_unique<SpVoice>();
        }
        voice->setVoice(token);
        voice->setSpeechRate(speechRate);
    }
};

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
    QString helperProgram;
    // This batch's own scratch folder: narrations and prepared music, under
    // names no other run can share.
    QString workFolder;
    std::unique_ptr<QLockFile> folderLock;
    // The earlier video whose file a video would overwrite (-1: none).
    std::vector<int> repeats;

    // Events and reports: one listener call at a time.
    std::mutex eventMutex;
    ProductionListener* listener = nullptr;
    std::vector<VideoReport> reports;
    std::vector<bool> ended;

    // Prepared videos waiting for a renderer.
    std::mutex queueMutex;
    std::condition_variable_any queueChanged;
    std::deque<Prepared> ready;
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
    bool PrepareOne(int index, SpVoice& voice, Prepared* out, VideoEvent* failure);
    bool PrepareCompanions(const VideoTask& task, const std::vector<NarrationWord>& words,
                           Prepared* out, QString* error) const;
    bool NameCompanions(Prepared& video, QString* error) const;
    bool AlreadyMade(const QString& video) const;
    void RenderOne(Prepared video, Render& watch);
    void Discard(const Prepared& video) const;
    // Every video fails for one reason (the batch could not start).
    void FailAll(const QString& stage, const QString& message);
    void WorkerDone();
    void Watch();
};

void ProductionEngine::Impl::Emit(const VideoEvent& event) {
    std::lock_guard lock(eventMutex);
    VideoReport& r = reports[event.index];
    if (ended[event.index] && event.kind != VideoEvent::Kind::Note) return;
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

bool ProductionEngine::Impl::PrepareOne(int index, SpVoice& voice, Prepared* out,
                                        VideoEvent* failure) {
    const VideoTask& task = tasks[index];
    VideoEvent& e = out->event;
    auto fail = [&](const QString& stage, const QString& message) {
        *failure = e;
        failure->kind = VideoEvent::Kind::Failed;
        failure->stage = stage;
        failure->message = message;
        return false;
    };
    VideoRandom random(options.seed, task.position);

    const QStringList pages = settings.Get(setting::adCopies);
    const int copy = PickAdCopy(pages, task.keyword, random);
    e.narrated = copy >= 0;
    std::vector<NarrationWord> words;
    if (!e.narrated &&
        std::any_of(pages.begin(), pages.end(), [](const QString& page) { return !page.isEmpty(); })) {
        // Text with nothing in it to say would be a silent video.
        const QString problem = AdCopyWordsProblem(pages);
        return fail("narration", problem.isEmpty() ? QString("With the keyword \"%1\" put in, no "
                                                             "ad copy has words to speak.")
                                                         .arg(task.keyword)
                                                   : problem);
    }
    if (e.narrated) {
        out->narrationFile = QString("%1/narration-%2.wav").arg(workFolder).arg(index);
        QString error;
        if (!SpeakNarrationFile(voice, NarrationTextFor(pages[copy], task.keyword),
                                out->narrationFile, &e.narrationSeconds, &error, &words))
            return fail("narration", error);
        if (settings.Get(setting::evenLoudness) && !EvenNarrationLoudness(out->narrationFile, &error))
            return fail("narration", error);
    }
    if (stop.stop_requested()) return false;

    TimingInput input;
    input.hasNarration = e.narrated;
    input.narrationSeconds = e.narrationSeconds;
    input.music = settings.Get(setting::music);
    input.secondsPerSlide = settings.Get(setting::secondsPerSlide);
    input.slideCount = int(settings.slides.size());
    input.imageAdjustIndex = settings.Is(setting::whenNarrationIsLonger, "repeatImages") ? 1 : 0;
    input.keywordNotEmpty = !task.keyword.isEmpty();
    input.randomExtra = task.keyword.isEmpty() ? 0 : random.Below(12);
    QString error;
    if (!ComputeTimingPlan(input, e.plan, &error)) return fail("timing", error);
    MusicTrack music;
    e.kind = VideoEvent::Kind::Planned;
    Emit(e);

    if (settings.Get(setting::music) && !settings.musicFile.isEmpty()) {
        e.kind = VideoEvent::Kind::Music;
        Emit(e);
        out->musicFile = QString("%1/music-%2.mp3").arg(workFolder).arg(index);
        auto log = [&](const QString& command) {
            VideoEvent note = e;
            note.kind = VideoEvent::Kind::Command;
            note.message = command;
            Emit(note);
        };
        if (PrepareMusic(settings, e.plan.iVideoLength, out->musicFile, log, stop.get_token(),
                         &music, &error))
            error.clear();
        if (stop.stop_requested()) return false;
        if (!error.isEmpty()) {
            // The video is still made, without music; the problem is reported.
            music = MusicTrack{};
            VideoEvent note = e;
            note.kind = VideoEvent::Kind::Note;
            note.message = "made without background music: " + error;
            Emit(note);
        }
    }

    e.slides = VideoSlides(settings, e.plan, random);
    if (!LayoutVideo(settings, e.slides, e.plan, out->narrationFile, music, random, &out->job,
                     &error))
        return fail("layout", error);
    out->job.container = settings.container;
    out->job.fit = settings.Get(setting::fit).toStdString();
    if (!PrepareCompanions(task, words, out, &error)) return fail("files", error);
    e.musicSeconds = out->job.music.empty() ? 0.0 : out->job.music.front().length;
    e.totalFrames = MakeFramePlan(out->job).totalFrames;
    return true;
}

bool ProductionEngine::Impl::PrepareCompanions(const VideoTask& task,
                                               const std::vector<NarrationWord>& words,
                                               Prepared* out, QString* error) const {
    auto unfinished = [&](const char* extension) {
        const QString final = CompanionFile(out->event.path, extension);
        out->companions.push_back(
            {QString::fromStdString(UnfinishedPath(final.toStdString())), final});
        return out->companions.back().first;
    };
    auto write = [&](const char* extension, const QString& text) {
        QFile file(unfinished(extension));
        const QByteArray bytes = text.toUtf8();
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
            return true;
        *error = QString("%1 cannot be written: %2").arg(file.fileName(), file.errorString());
        return false;
    };
    if (!words.empty() && (settings.captionsFile || settings.captionsBurned)) {
        const std::vector<CaptionCue> cues = MakeCaptionCues(words);
        if (settings.captionsBurned) {
            out->job.captions = BurnedCaptions(cues, words);
            out->job.highlightWords = settings.Get(setting::highlightWords);
        }
        if (settings.captionsFile && !write(".srt", SrtText(cues))) return false;
    }
    const QString text = PublishingText(settings, task.keyword);
    if (!text.isEmpty() && !write(".txt", text)) return false;
    if (settings.Get(setting::cover) && !settings.slides.isEmpty()) {
        const QString slide =
            settings.slides[std::clamp(settings.coverSlide, 0, int(settings.slides.size()) - 1)];
        const QString headline = task.keyword.isEmpty() ? settings.Get(setting::outputName) : task.keyword;
        const RenderResult made =
            MakeCoverPicture(slide.toStdString(), settings.coverWidth, settings.coverHeight,
                             headline.toStdString(), unfinished(".jpg").toStdString());
        if (!made.ok) {
            *error = "The cover picture could not be made: " + QString::fromStdString(made.Text());
            return false;
        }
    }
    return true;
}

bool ProductionEngine::Impl::NameCompanions(Prepared& video, QString* error) const {
    for (const auto& [part, final] : video.companions) {
        video.event.companions << final;
        std::error_code ec;
        std::filesystem::rename(part.toStdString(), final.toStdString(), ec);
        if (ec) {
            *error = QString("%1 cannot be named %2: %3")
                         .arg(part, final, QString::fromStdString(ec.message()));
            return false;
        }
    }
    video.companions.clear();
    return true;
}

void ProductionEngine::Impl::FailAll(const QString& stage, const QString& message) {
    for (int i = 0; i < int(tasks.size()); ++i) {
        VideoEvent e;
        e.kind = VideoEvent::Kind::Failed;
        e.index = i;
        e.position = tasks[i].position;
        e.keyword = tasks[i].keyword;
        e.path = reports[i].path;
        e.stage = stage;
        e.message = message;
        Emit(e);
    }
    listener = nullptr;
}

bool ProductionEngine::Impl::AlreadyMade(const QString& video) const {
    if (!QFileInfo(video).isFile()) return false;
    // Made before without a file this batch adds: made again.
    const bool srt = settings.captionsFile && AdCopyWordsProblem(settings.Get(setting::adCopies)).isEmpty();
    const bool txt = !settings.Get(setting::titleTemplate).isEmpty() || !settings.Get(setting::descriptionTemplate).isEmpty();
    return (!srt || QFileInfo(CompanionFile(video, ".srt")).isFile()) &&
           (!settings.Get(setting::cover) || QFileInfo(CompanionFile(video, ".jpg")).isFile()) &&
           (!txt || QFileInfo(CompanionFile(video, ".txt")).isFile());
}

void ProductionEngine::Impl::Discard(const Prepared& video) const {
    if (!video.narrationFile.isEmpty()) QFile::remove(video.narrationFile);
    if (!video.musicFile.isEmpty()) QFile::remove(video.musicFile);
    for (const auto& companion : video.companions) QFile::remove(companion.first);
}

void ProductionEngine::Impl::Prepare() {
    WorkerVoice speech(helperProgram, settings.voice, settings.Get(setting::speechRate));
    std::stop_callback abortSpeech(stop.get_token(), [&] {
        if (speech.helper) speech.helper->Abort();
    });
    for (;;) {
        if (stop.stop_requested()) break;
        const int index = next++;
        if (index >= int(tasks.size())) break;
        const VideoTask& task = tasks[index];
        Prepared video;
        VideoEvent& e = video.event;
        e.index = index;
        e.position = task.position;
        e.keyword = task.keyword;
        e.path = VideoFileFor(settings, task.keyword);
        video.started = Clock::now();

        if (repeats[index] >= 0) {
            VideoEvent skip = e;
            skip.kind = VideoEvent::Kind::Skipped;
            const VideoTask& first = tasks[repeats[index]];
            skip.message = QString("it repeats keyword %1 (\"%2\"), whose video is %3")
                               .arg(first.position + 1)
                               .arg(first.keyword, QFileInfo(e.path).fileName());
            Emit(skip);
            continue;
        }
        const QString nameProblem = VideoNameProblem(settings, task.keyword);
        if (!nameProblem.isEmpty()) {
            VideoEvent failed = e;
            failed.kind = VideoEvent::Kind::Failed;
            failed.stage = "name";
            failed.message = nameProblem;
            Emit(failed);
            continue;
        }
        if (options.skipExisting && AlreadyMade(e.path)) {
            VideoEvent skip = e;
            skip.kind = VideoEvent::Kind::Skipped;
            skip.message = "its video is already in the output folder";
            Emit(skip);
            continue;
        }
        e.kind = VideoEvent::Kind::Started;
        Emit(e);
        VideoEvent failure;
        if (!PrepareOne(index, *speech.voice, &video, &failure)) {
            Discard(video);
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
            Discard(video);
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

void ProductionEngine::Impl::RenderOne(Prepared video, Render& watch) {
    VideoEvent e = video.event;
    e.kind = VideoEvent::Kind::Rendering;
    e.frame = 0;
    Emit(e);

    std::stop_source renderStop;
    std::stop_callback forward(stop.get_token(), [&] { renderStop.request_stop(); });
    {
        std::lock_guard lock(watchMutex);
        watch.beatMs = NowMs();
        watch.silent = false;
        watch.stop = &renderStop;
    }
    watchChanged.notify_all();
    int lastPercent = -1;
    auto progress = [&](int frame, int total) {
        watch.beatMs = NowMs();
        const int percent = total > 0 ? int(int64_t(frame) * 100 / total) : 100;
        if (percent == lastPercent) return;
        lastPercent = percent;
        VideoEvent step = video.event;
        step.kind = VideoEvent::Kind::Progress;
        step.frame = frame;
        step.totalFrames = total;
        Emit(step);
    };
    QDir().mkpath(QFileInfo(e.path).path());
    const QString missing = MissingImage(video.job);
    const RenderResult result =
        missing.isEmpty()
            ? RenderVideoFile(video.job, e.path.toStdString(), progress, renderStop.get_token())
            : RenderResult::Fail("images", missing.toStdString());
    bool silent = false;
    {
        std::lock_guard lock(watchMutex);
        watch.stop = nullptr;
        silent = watch.silent;
    }
    QString companionError;
    const bool named = result.ok && NameCompanions(video, &companionError);
    e.companions = video.event.companions;
    Discard(video);

    e.taken = SecondsSince(video.started);
    if (result.ok && !named) {
        // A video without the files asked for is not finished: made again
        // next time, also with --skip-existing.
        QFile::remove(e.path);
        e.kind = VideoEvent::Kind::Failed;
        e.stage = "files";
        e.message = companionError;
        Emit(e);
    } else if (result.ok) {
        std::string lengthError;
        e.kind = VideoEvent::Kind::Made;
        e.frame = e.totalFrames;
        e.length = MediaLengthSeconds(e.path.toStdString(), &lengthError);
        Emit(e);
    } else if (stop.stop_requested()) {
        e.kind = VideoEvent::Kind::Stopped;
        Emit(e);
    } else {
        e.kind = VideoEvent::Kind::Failed;
        e.stage = missing.isEmpty() ? "render" : "images";
        e.message = silent ? QString("the render reported nothing for %1 seconds and was stopped.")
                                 .arg(silenceMs.load() / 1000)
                    : missing.isEmpty() ? QString::fromStdString(result.Text())
                                        : missing;
        Emit(e);
    }
}

void ProductionEngine::Impl::RenderLoop(int slot) {
    Render& watch = *renders[slot];
    for (;;) {
        std::unique_lock lock(queueMutex);
        queueChanged.wait(lock, stop.get_token(), [&] { return !ready.empty() || preparing == 0; });
        if (stop.stop_requested() || ready.empty()) break;
        Prepared video = std::move(ready.front());
        ready.pop_front();
        lock.unlock();
        queueChanged.notify_all();
        RenderOne(std::move(video), watch);
    }
    // Prepared videos nobody will render now.
    std::unique_lock lock(queueMutex);
    while (!ready.empty()) {
        Prepared video = std::move(ready.front());
        ready.pop_front();
        lock.unlock();
        Discard(video);
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
    d->options.jobs = std::max(1, options.jobs);
    d->silenceMs = options.renderSilenceMs;
}

ProductionEngine::~ProductionEngine() = default;

bool ProductionEngine::ClaimOutputFolder(int waitMs, QString* error) {
    const QString folder = d->settings.outputFolder;
    if (d->folderLock) return true;
    if (!QDir().mkpath(folder)) {
        if (error) *error = "The output folder " + folder + " cannot be created.";
        return false;
    }
    auto lock = std::make_unique<QLockFile>(folder + "/.vidmill.lock");
    // Held for as long as a batch runs: only a dead holder makes it stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(std::max(0, waitMs))) {
        d->folderLock = std::move(lock);
        return true;
    }
    if (error) {
        qint64 pid = 0;
        QString host, program;
        if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, &host, &program))
            *error = QString(
                         "The output folder %1 is in use by another batch (%2, process %3 on "
                         "%4).")
                         .arg(folder, program.isEmpty() ? QString("a program") : program)
                         .arg(pid)
                         .arg(host);
        else
            *error = "The output folder " + folder + " cannot be locked: it is not writable.";
    }
    return false;
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
    s.repeats.assign(count, -1);
    QHash<QString, int> firstWithPath;
    for (int i = 0; i < count; ++i) {
        s.reports[i].keyword = s.tasks[i].keyword;
        s.reports[i].position = s.tasks[i].position;
        s.reports[i].path = VideoFileFor(s.settings, s.tasks[i].keyword);
        const auto found = firstWithPath.constFind(s.reports[i].path);
        if (found != firstWithPath.constEnd())
            s.repeats[i] = *found;
        else
            firstWithPath.insert(s.reports[i].path, i);
    }
    s.helperProgram =
        s.options.speechHelper.isEmpty() ? SpVoice::HelperProgram() : s.options.speechHelper;
    QString problem;
    if (!s.folderLock && !ClaimOutputFolder(0, &problem)) {
        s.FailAll("output", problem);
        return s.reports;
    }
    QTemporaryDir work(QDir::tempPath() + "/vidmill-batch-XXXXXX");
    if (!work.isValid()) {
        s.FailAll("output", "No scratch folder can be made in " + QDir::tempPath() + ": " +
                                work.errorString());
        return s.reports;
    }
    s.workFolder = work.path();
    // With the folder ours, unfinished files of these videos are left over
    // from a run that was killed.
    for (const VideoReport& r : s.reports) {
        RemoveUnfinishedFiles(r.path.toStdString());
        for (const char* extension : kCompanionExtensions)
            RemoveUnfinishedFiles(CompanionFile(r.path, extension).toStdString());
    }

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
    // Videos the batch never came to.
    for (int i = 0; i < count; ++i) {
        bool open = false;
        {
            std::lock_guard lock(s.eventMutex);
            open = !s.ended[i];
        }
        if (!open) continue;
        VideoEvent e;
        e.kind = VideoEvent::Kind::Stopped;
        e.index = i;
        e.position = s.tasks[i].position;
        e.keyword = s.tasks[i].keyword;
        e.path = s.reports[i].path;
        s.Emit(e);
    }
    s.listener = nullptr;
    s.folderLock.reset();  // the folder is free for the next batch
    return s.reports;
}

}  // namespace vm
