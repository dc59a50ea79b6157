#include "VideoPipeline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>

#include "CoverPicture.h"
#include "KeywordRules.h"
#include "MediaLength.h"
#include "Narration.h"
#include "NarrationText.h"
#include "OutputPlan.h"
#include "OutputRecord.h"
#include "RenderEngine.h"
#include "RenderTimeline.h"
#include "SpVoice.h"
#include "VideoLayout.h"
#include "VideoRandom.h"
#include "VideoSound.h"

namespace vm {
namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

std::vector<VideoTask> BatchTasks(const QStringList& keywords) {
    std::vector<VideoTask> tasks;
    tasks.reserve(size_t(std::max<qsizetype>(1, keywords.size())));
    for (int i = 0; i < keywords.size(); ++i) tasks.push_back(KeywordTask(i, keywords[i]));
    if (tasks.empty()) tasks.push_back(KeywordTask(0, QString()));
    return tasks;
}

QString TaskName(const BatchSettings& batch, const VideoTask& task) {
    if (!task.name.isEmpty()) return task.name;
    return task.keyword.isEmpty() ? SettingsOf(batch, task).Get(setting::outputName) : task.keyword;
}

QString VideoFileFor(const BatchSettings& batch, const VideoTask& task) {
    return batch.outputFolder + "/" + TaskName(batch, task) +
           (SettingsOf(batch, task).container == "mp4" ? ".mp4" : ".avi");
}

QString CompanionFile(const QString& videoPath, const char* extension) {
    const int dot = videoPath.lastIndexOf('.');
    return (dot > videoPath.lastIndexOf('/') ? videoPath.left(dot) : videoPath) + extension;
}

QString PublishingText(const BatchSettings& settings, const QString& keyword) {
    if (settings.Get(setting::titleTemplate).isEmpty() && settings.Get(setting::descriptionTemplate).isEmpty()) return {};
    return NarrationTextFor(settings.Get(setting::titleTemplate), keyword).simplified() + "\n\n" +
           NarrationTextFor(settings.Get(setting::descriptionTemplate), keyword).trimmed() + "\n";
}

RenderJob::CaptionLook CaptionLookOf(const Settings& project) {
    const auto rgb = [&](const TextSetting& s) {
        return project.Get(s).mid(1).toUInt(nullptr, 16);
    };
    RenderJob::CaptionLook look;
    look.font = project.Get(setting::captionFont).toStdString();
    look.size = project.Get(setting::captionSize);
    look.colour = rgb(setting::captionColour);
    look.box = project.Is(setting::captionBackground, "box");
    look.backColour = rgb(setting::captionBackColour);
    look.backOpacity = project.Get(setting::captionBackOpacity);
    look.place = project.Is(setting::captionPlace, "top") ? RenderJob::CaptionLook::Place::Top
                 : project.Is(setting::captionPlace, "middle")
                     ? RenderJob::CaptionLook::Place::Middle
                     : RenderJob::CaptionLook::Place::Bottom;
    look.margin = project.Get(setting::captionMargin);
    look.highlight = rgb(setting::captionHighlight);
    return look;
}

std::vector<RenderJob::Caption> StyledCaptions(const std::vector<NarrationWord>& words,
                                               const Settings& project) {
    const int wordsPerCue = project.Get(setting::captionWordsPerCue);
    return BurnedCaptions(
        wordsPerCue > 0 ? MakeWordCues(words, wordsPerCue) : MakeCaptionCues(words),
        project.Get(setting::captionUpperCase));
}

QString VideoNameProblem(const BatchSettings& settings, const QString& keyword) {
    const QString problem = KeywordFileNameProblem(keyword);
    if (!problem.isEmpty() || !keyword.isEmpty()) return problem;
    // Without a keyword the video is named after the output name.
    if (settings.Get(setting::outputName).isEmpty()) return "The video has no name: the file name is empty.";
    return KeywordFileNameProblem(settings.Get(setting::outputName));
}

VideoPipeline::VideoPipeline(const BatchSettings& settings, uint64_t seed, QString workFolder,
                             std::stop_token stop, EventSink send, OutputRecord* record,
                             QByteArray fingerprint, std::function<void(const QString&)> fileNamed)
    : settings_(settings),
      seed_(seed),
      workFolder_(std::move(workFolder)),
      stop_(std::move(stop)),
      send_(std::move(send)),
      record_(record),
      fingerprint_(std::move(fingerprint)),
      fileNamed_(std::move(fileNamed)) {}

bool VideoPipeline::Begin(int index, const VideoTask& task, bool alreadyMade,
                          PreparedVideo* video) const {
    VideoEvent& e = video->event;
    e.index = index;
    e.position = task.position;
    e.keyword = task.keyword;
    e.path = VideoFileFor(settings_, task);
    video->started = std::chrono::steady_clock::now();
    video->fingerprint = VideoFingerprint(fingerprint_, task);
    const QString nameProblem = task.name.isEmpty()
                                    ? VideoNameProblem(SettingsOf(settings_, task), task.keyword)
                                    : KeywordFileNameProblem(task.name);
    if (!nameProblem.isEmpty()) {
        VideoEvent failed = e;
        failed.kind = VideoEvent::Kind::Failed;
        failed.stage = "name";
        failed.message = nameProblem;
        send_(failed);
        return false;
    }
    if (alreadyMade) {
        VideoEvent skip = e;
        skip.kind = VideoEvent::Kind::Skipped;
        skip.message = kAlreadyMadeMessage;
        send_(skip);
        return false;
    }
    e.kind = VideoEvent::Kind::Started;
    send_(e);
    return true;
}

bool VideoPipeline::Prepare(const VideoTask& task, SpVoice& voice, PreparedVideo* out,
                            VideoEvent* failure) const {
    VideoEvent& e = out->event;
    auto fail = [&](const QString& stage, const QString& message) {
        *failure = e;
        failure->kind = VideoEvent::Kind::Failed;
        failure->stage = stage;
        failure->message = message;
        return false;
    };
    const BatchSettings& settings = SettingsOf(settings_, task);
    VideoRandom random = task.seedName.isEmpty() ? VideoRandom(seed_, task.position)
                                                 : VideoRandom(seed_, task.seedName);

    const QStringList pages = settings.Get(setting::adCopies);
    const int copy = PickAdCopy(pages, task.keyword, random);
    e.narrated = copy >= 0;
    std::vector<NarrationWord> words;
    if (!e.narrated &&
        std::any_of(pages.begin(), pages.end(), [](const QString& page) { return !page.isEmpty(); })) {
        // Text with nothing in it to say would be a silent video.
        QString problem = AdCopyWordsProblem(pages);
        if (problem.isEmpty())
            problem = task.keyword.isEmpty()
                          ? QString(
                                "Without a keyword (#KEYWORD# is left out), no ad copy has "
                                "words to speak.")
                          : QString(
                                "With the keyword \"%1\" put in, no ad copy has words to "
                                "speak.")
                                .arg(task.keyword);
        return fail("narration", problem);
    }
    if (e.narrated) {
        out->narrationFile = QString("%1/narration-%2.wav").arg(workFolder_).arg(out->event.index);
        QString error;
        if (!SpeakNarrationFile(voice, NarrationTextFor(pages[copy], task.keyword),
                                out->narrationFile, &e.narrationSeconds, &error, &words))
            return fail("narration", error);
        if (settings.Get(setting::evenLoudness) && !EvenNarrationLoudness(out->narrationFile, &error))
            return fail("narration", error);
    }
    if (stop_.stop_requested()) return false;

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
    send_(e);

    if (settings.Get(setting::music) && !settings.musicFile.isEmpty()) {
        e.kind = VideoEvent::Kind::Music;
        send_(e);
        out->musicFile = QString("%1/music-%2.mp3").arg(workFolder_).arg(out->event.index);
        auto log = [&](const QString& command) {
            VideoEvent note = e;
            note.kind = VideoEvent::Kind::Command;
            note.message = command;
            send_(note);
        };
        // Cut for the video as it will run: with few slides the last one
        // is held on past the plan's length, and the music goes on under it.
        const int seconds = VideoSeconds(
            settings, int(settings.slides.size()) + e.plan.repeatedImages, e.plan, e.narrated);
        if (PrepareMusic(settings, int16_t(std::min(seconds, 32767)), out->musicFile, log, stop_,
                         &music, &error))
            error.clear();
        if (stop_.stop_requested()) return false;
        if (!error.isEmpty()) {
            // The video is still made, without music; the problem is reported.
            music = MusicTrack{};
            VideoEvent note = e;
            note.kind = VideoEvent::Kind::Note;
            note.message = "made without background music: " + error;
            send_(note);
        }
    }

    e.slides = VideoSlides(settings, e.plan, random);
    if (!LayoutVideo(settings, e.slides, e.plan, out->narrationFile, music, random, &out->job,
                     &error))
        return fail("layout", error);
    out->job.container = settings.container;
    out->job.fit = settings.Get(setting::fit).toStdString();
    out->job.logo = settings.brand.logo;
    out->job.intro = settings.brand.intro;
    out->job.outro = settings.brand.outro;
    if (!PrepareCompanions(task, words, out, &error)) return fail("files", error);
    e.musicSeconds = out->job.music.empty() ? 0.0 : out->job.music.front().length;
    e.totalFrames =
        MakeFramePlan(out->job).totalFrames + out->job.intro.frames + out->job.outro.frames;
    return true;
}

bool VideoPipeline::PrepareCompanions(const VideoTask& task,
                                      const std::vector<NarrationWord>& words,
                                      PreparedVideo* out, QString* error) const {
    auto unfinished = [&](const char* extension) {
        const QString final = CompanionFile(out->event.path, extension);
        out->companions.push_back(
            {QString::fromStdString(UnfinishedPath(final.toStdString())), final});
        return out->companions.back().first;
    };
    const BatchSettings& settings = SettingsOf(settings_, task);
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
            out->job.captions = StyledCaptions(words, settings.values);
            out->job.highlightWords = settings.Get(setting::highlightWords);
            out->job.captionLook = CaptionLookOf(settings.values);
        }
        // The captions file runs with the video: the narration starts after the intro.
        const double intro = double(out->job.intro.frames) / kFramesPerSecond;
        if (settings.captionsFile && !write(".srt", SrtText(cues, intro))) return false;
    }
    const QString text = PublishingText(settings, task.keyword);
    if (!text.isEmpty() && !write(".txt", text)) return false;
    if (settings.Get(setting::cover) && !settings.slides.isEmpty()) {
        const QString slide =
            settings.slides[std::clamp(settings.coverSlide, 0, int(settings.slides.size()) - 1)];
        const QString headline = task.keyword.isEmpty() ? settings.Get(setting::outputName) : task.keyword;
        const RenderResult made = MakeCoverPicture(
            slide.toStdString(), settings.coverWidth, settings.coverHeight,
            headline.toStdString(), unfinished(".jpg").toStdString(),
            settings.brand.logoOnCover ? settings.brand.logo : RenderJob::Logo{});
        if (!made.ok) {
            *error = "The cover picture could not be made: " + QString::fromStdString(made.Text());
            return false;
        }
    }
    return true;
}

bool VideoPipeline::NameCompanions(PreparedVideo& video, QString* error) const {
    for (const auto& [part, final] : video.companions) {
        video.event.companions << final;
        std::error_code ec;
        std::filesystem::rename(part.toStdString(), final.toStdString(), ec);
        if (ec) {
            *error = QString("%1 cannot be named %2: %3")
                         .arg(part, final, QString::fromStdString(ec.message()));
            return false;
        }
        if (fileNamed_) fileNamed_(final);
    }
    video.companions.clear();
    return true;
}

void VideoPipeline::Discard(const PreparedVideo& video) {
    if (!video.narrationFile.isEmpty()) QFile::remove(video.narrationFile);
    if (!video.musicFile.isEmpty()) QFile::remove(video.musicFile);
    for (const auto& companion : video.companions) QFile::remove(companion.first);
}

void VideoPipeline::Render(PreparedVideo video, std::stop_token renderStop,
                           const std::function<void()>& beat,
                           const std::function<QString()>& stopReason) const {
    VideoEvent e = video.event;
    e.kind = VideoEvent::Kind::Rendering;
    e.frame = 0;
    send_(e);

    int lastPercent = -1;
    auto progress = [&](int frame, int total) {
        if (beat) beat();
        const int percent = total > 0 ? int(int64_t(frame) * 100 / total) : 100;
        if (percent == lastPercent) return;
        lastPercent = percent;
        VideoEvent step = video.event;
        step.kind = VideoEvent::Kind::Progress;
        step.frame = frame;
        step.totalFrames = total;
        send_(step);
    };
    QDir().mkpath(QFileInfo(e.path).path());
    // The record says the files are taking their names before the first one
    // does: a kill between the renames leaves a set the next run makes again.
    const QString name = QFileInfo(e.path).fileName();
    QStringList files{name};
    for (const auto& companion : video.companions) files << QFileInfo(companion.second).fileName();
    const std::optional<OutputRecord::Entry> before = record_->Find(name);
    QString recordError;
    if (!record_->Naming(name, files, &recordError)) {
        Discard(video);
        e.taken = SecondsSince(video.started);
        e.kind = VideoEvent::Kind::Failed;
        e.stage = "files";
        e.message = recordError;
        send_(e);
        return;
    }
    const QString missing = MissingImage(video.job);
    const RenderResult result =
        missing.isEmpty()
            ? RenderVideoFile(video.job, e.path.toStdString(), progress, renderStop)
            : RenderResult::Fail("images", missing.toStdString());
    const QString stoppedBecause = stopReason ? stopReason() : QString();
    if (result.ok && fileNamed_) fileNamed_(e.path);
    QString companionError;
    const bool named = result.ok && NameCompanions(video, &companionError);
    e.companions = video.event.companions;
    Discard(video);
    if (named) {
        if (!record_->Made(name, files, video.fingerprint, &recordError)) {
            VideoEvent note = e;
            note.kind = VideoEvent::Kind::Note;
            note.message = recordError + " (the video is made again next time)";
            send_(note);
        }
    } else if (!result.ok) {
        // Nothing took its name: the folder holds what it held before.
        record_->Restore(name, before, &recordError);
    }

    e.taken = SecondsSince(video.started);
    if (result.ok && !named) {
        // A video without the files asked for is not finished: made again
        // next time, also with --skip-existing.
        QFile::remove(e.path);
        e.kind = VideoEvent::Kind::Failed;
        e.stage = "files";
        e.message = companionError;
        send_(e);
    } else if (result.ok) {
        std::string lengthError;
        e.kind = VideoEvent::Kind::Made;
        e.frame = e.totalFrames;
        e.length = MediaLengthSeconds(e.path.toStdString(), &lengthError);
        send_(e);
    } else if (stop_.stop_requested()) {
        e.kind = VideoEvent::Kind::Stopped;
        send_(e);
    } else {
        e.kind = VideoEvent::Kind::Failed;
        e.stage = missing.isEmpty() ? "render" : "images";
        e.message = !stoppedBecause.isEmpty() ? stoppedBecause
                    : missing.isEmpty()         ? QString::fromStdString(result.Text())
                                                : missing;
        send_(e);
    }
}

}  // namespace vm
