#include "VideoBuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "FfmpegRunner.h"
#include "KeywordRules.h"
#include "MediaLength.h"
#include "MusicCommands.h"
#include "NarrationText.h"
#include "RenderTimeline.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "VideoRandom.h"
#include "VideoSound.h"

namespace vm {
namespace {

// Silence between the pieces of a text cut at "[IMAGE]".
constexpr int kPiecePauseMs = 400;

// The words of `piece` timed from what the engine said (`spoken`: token
// indexes into the piece's words). Words it said nothing for share the time
// between their timed neighbours by length; `from` and `to` bound the piece.
void TimePieceWords(const QString& piece, const std::vector<SpFileStream::SpokenWord>& spoken,
                    double from, double to, std::vector<NarrationWord>* words) {
    const std::vector<std::string> tokens = speech::WhitespaceTokens(piece.toStdString());
    const size_t first = words->size();
    std::vector<bool> timed(tokens.size(), false);
    for (const std::string& token : tokens)
        words->push_back({QString::fromStdString(token), from, from});
    double last = from;
    for (const SpFileStream::SpokenWord& w : spoken) {
        if (w.token < 0 || size_t(w.token) >= tokens.size() || w.start < last) continue;
        NarrationWord& word = (*words)[first + size_t(w.token)];
        word.start = w.start;
        word.end = std::max(w.start, w.end);
        last = word.end;
        timed[size_t(w.token)] = true;
    }
    for (size_t i = 0; i < tokens.size();) {
        if (timed[i]) {
            ++i;
            continue;
        }
        size_t j = i;  // [i, j) untimed
        while (j < tokens.size() && !timed[j]) ++j;
        const double begin = i > 0 ? (*words)[first + i - 1].end : from;
        const double end = j < tokens.size() ? (*words)[first + j].start : std::max(begin, to);
        double chars = 0;
        for (size_t k = i; k < j; ++k) chars += double(tokens[k].size());
        double at = begin;
        for (size_t k = i; k < j; ++k) {
            NarrationWord& word = (*words)[first + k];
            word.start = at;
            at += chars > 0 ? (end - begin) * double(tokens[k].size()) / chars : 0.0;
            word.end = at;
        }
        i = j;
    }
}

// One attempt: every piece into one WAV at `path`.
bool SpeakOnce(SpVoice& voice, const QStringList& pieces, const QString& path, double* seconds,
               std::vector<NarrationWord>* words, QString* error) {
    SpFileStream stream;
    if (!stream.Open(path, SpFileStream::SSFMCreateForWrite, false)) {
        *error = stream.LastError();
        return false;
    }
    voice.setAudioOutputStream(&stream);
    bool ok = true;
    bool spoken = false;
    std::vector<NarrationWord> timed;
    auto now = [&stream] {
        return stream.SampleRate() > 0 ? double(stream.SampleCount()) / stream.SampleRate() : 0.0;
    };
    for (const QString& raw : pieces) {
        const QString piece = ReplaceText(raw, "[IMAGE]", "", 1);
        if (piece.trimmed().isEmpty()) continue;
        // The pause goes between spoken pieces, at the rate of the speech,
        // and follows the voice's pace as the pauses inside a piece do.
        if (spoken) stream.AppendSilence(int(std::lround(kPiecePauseMs / voice.SpeechRate())));
        const double from = now();
        if (!voice.Speak(piece, SpVoice::SVSFDefault)) {
            *error = "The voice could not speak the text: " + voice.LastError();
            ok = false;
            break;
        }
        TimePieceWords(piece, stream.TakeWords(), from, now(), &timed);
        spoken = true;
    }
    voice.setAudioOutputStream(nullptr);
    const int rate = stream.SampleRate();
    const qint64 samples = stream.SampleCount();
    if (!stream.Close() && ok) {
        *error = "The narration could not be written: " + stream.LastError();
        ok = false;
    }
    if (ok) *seconds = rate > 0 ? double(samples) / rate : 0.0;
    if (ok && words) *words = std::move(timed);
    return ok;
}

}  // namespace

std::vector<VideoTask> BatchTasks(const QStringList& keywords) {
    std::vector<VideoTask> tasks;
    for (int i = 0; i < keywords.size(); ++i) tasks.push_back({i, keywords[i]});
    if (tasks.empty()) tasks.push_back({0, QString()});
    return tasks;
}

QString VideoFileFor(const BatchSettings& settings, const QString& keyword) {
    return settings.outputFolder + "/" + (keyword.isEmpty() ? settings.Get(setting::outputName) : keyword) +
           (settings.container == "mp4" ? ".mp4" : ".avi");
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

QString VideoNameProblem(const BatchSettings& settings, const QString& keyword) {
    const QString problem = KeywordFileNameProblem(keyword);
    if (!problem.isEmpty() || !keyword.isEmpty()) return problem;
    // Without a keyword the video is named after the output name.
    if (settings.Get(setting::outputName).isEmpty()) return "The video has no name: the file name is empty.";
    return KeywordFileNameProblem(settings.Get(setting::outputName));
}

bool HasWords(const QString& text) {
    const QString spoken = ReplaceText(text, "[IMAGE]", " ", 1);
    return std::any_of(spoken.begin(), spoken.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

int PickAdCopy(const QStringList& adCopies, const QString& keyword, VideoRandom& random) {
    QList<int> speakable;
    for (int i = 0; i < adCopies.size(); ++i)
        if (HasWords(NarrationTextFor(adCopies[i], keyword))) speakable << i;
    return speakable.isEmpty() ? -1 : speakable[random.Below(int(speakable.size()))];
}

QString AdCopyWordsProblem(const QStringList& adCopies) {
    QStringList wordless;
    for (int i = 0; i < adCopies.size(); ++i) {
        if (HasWords(adCopies[i])) return {};
        if (!adCopies[i].isEmpty()) wordless << QString::number(i + 1);
    }
    if (wordless.isEmpty()) return "Every ad copy is empty: there is nothing to narrate.";
    return QString(
               "No ad copy has words to speak: ad cop%1 %2 hold%3 only spaces, [IMAGE] tags "
               "or punctuation.")
        .arg(wordless.size() == 1 ? "y" : "ies", wordless.join(", "),
             wordless.size() == 1 ? "s" : "");
}

bool SpeakNarrationFile(SpVoice& voice, const QString& text, const QString& path, double* seconds,
                        QString* error, std::vector<NarrationWord>* words) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        *error = "The output folder " + QFileInfo(path).path() + " cannot be created.";
        return false;
    }
    const QStringList pieces = SplitText(text, "[IMAGE]", -1, 0);
    // The speech engine may fail once on a busy machine: one more try.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (SpeakOnce(voice, pieces, path, seconds, words, error)) return true;
        if (voice.LastError() == "speech was stopped") break;
    }
    return false;
}

bool PrepareMusic(const BatchSettings& settings, int16_t videoLength, const QString& tempFile,
                  const std::function<void(const QString&)>& logCommand, std::stop_token stop,
                  MusicTrack* track, QString* error) {
    const QString& mp3 = settings.musicFile;
    auto fail = [&](const QString& why) {
        QFile::remove(tempFile);
        *error = QString("The background music \"%1\" could not be prepared: %2").arg(mp3, why);
        return false;
    };
    // A file that cannot be read fails here, on every path, the plain copy included.
    std::string lengthError;
    const double seconds = MediaLengthSeconds(mp3.toStdString(), &lengthError);
    if (seconds < 0)
        return fail(lengthError.empty() ? QString("its length cannot be read")
                                        : QString::fromStdString(lengthError));
    int16_t musicLength = 0;
    QString why;
    if (!RoundMusicLength(seconds, &musicLength, &why)) return fail(why);
    if (QFileInfo::exists(tempFile) && !QFile::remove(tempFile))
        return fail("the old file " + tempFile + " cannot be deleted");

    const MusicAction action =
        DecideMusicAction(settings.Get(setting::musicReduceVolume), musicLength, videoLength);
    if (action == MusicAction::Copy) {
        QFile source(mp3);
        if (!source.copy(tempFile))
            return fail(
                QString("copying it to %1 failed (%2)").arg(tempFile, source.errorString()));
    } else {
        MusicCommand command;
        if (action == MusicAction::Cut) {
            if (!BuildCreateTempAudioCut(settings.ffmpegPath, mp3, videoLength, tempFile, &command,
                                         &why))
                return fail(why);
        } else {
            command = BuildCreateTempAudio(settings.ffmpegPath, mp3, tempFile);
        }
        if (logCommand) logCommand(command.text);
        const ProcessResult run =
            RunProgram(settings.ffmpegPath, command.args, kFfmpegTimeoutMs, stop);
        if (!run.ok) return fail(run.message);
    }
    if (QFileInfo(tempFile).size() <= 0) return fail("the prepared file " + tempFile + " is empty");
    const double prepared = MediaLengthSeconds(tempFile.toStdString(), &lengthError);
    if (prepared <= 0) return fail("the prepared file cannot be measured");
    track->file = tempFile;
    track->fileSeconds = prepared;
    // Cut to the video plus 3 seconds, it is laid for one second more than
    // the video; otherwise for its whole seconds.
    track->laid =
        action == MusicAction::Cut ? videoLength + 1 : std::min(std::floor(prepared), 32767.0);
    return true;
}

QString ImageFileProblem(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile()) return {};
    if (info.isDir()) return "The image " + path + " is a folder, not a picture.";
    return "The image " + path + " does not exist.";
}

QString MissingImage(const RenderJob& job) {
    for (const RenderJob::Image& image : job.images) {
        const QString problem = ImageFileProblem(QString::fromStdString(image.path));
        if (!problem.isEmpty()) return problem;
    }
    return {};
}

QStringList VideoSlides(const BatchSettings& settings, const TimingPlan& plan,
                        VideoRandom& random) {
    QStringList slides = settings.slides;
    slides << RepeatedImages(settings.slides, plan.repeatedImages);
    if (settings.Get(setting::randomize)) random.Shuffle(slides);
    return slides;
}

namespace {

// The type of each slide's transition, less one: "ten" draws among the
// classic ten as videos always have, "all" among every transition, and one
// transition's name gives that one without a draw.
std::function<int()> TransitionDraw(const QString& set, VideoRandom& random) {
    const int named = TransitionTypeNamed(set.toStdString());
    if (set != "ten" && set != "all" && named > 0) return [named] { return named - 1; };
    const int count = set == "all" ? int(TransitionNames().size()) : 10;
    return [&random, count] { return random.Below(count); };
}

constexpr Motion kMotionChoices[] = {Motion::ZoomIn,   Motion::ZoomOut, Motion::PanLeft,
                                     Motion::PanRight, Motion::PanUp,   Motion::PanDown};

}  // namespace

bool LayoutVideo(const BatchSettings& settings, const QStringList& slides, const TimingPlan& plan,
                 const QString& narrationFile, const MusicTrack& music, VideoRandom& random,
                 RenderJob* job, QString* error) {
    RenderJob out;
    out.width = settings.width;
    out.height = settings.height;
    out.codec = settings.codec;
    out.codecName = settings.codecName;
    out.quality = settings.quality;
    if (slides.isEmpty()) {
        *error = "There are no images to show.";
        return false;
    }
    std::vector<int> imageSlides;  // the slide each image shows
    for (const LayoutCall& call :
         LayoutSlides(slides, settings.Get(setting::secondsPerSlide), plan.iLastSlideTime, settings.Get(setting::transitions),
                      TransitionDraw(settings.Get(setting::transitionSet), random), settings.Get(setting::transitionSeconds))) {
        if (call.kind == LayoutCall::Transition) {
            if (call.to > call.from) out.transitions.push_back({call.type, call.from, call.to});
            continue;
        }
        if (call.duration > 0) {
            out.images.push_back({call.path.toStdString(), call.duration});
            imageSlides.push_back(call.slide);
        }
    }
    // Slow zoom and pan: a motion per slide (the last one's second showing
    // goes on with it), drawn after every other choice of the video so those
    // stay what they were without motion.
    if (settings.motionStrength > 0) {
        std::vector<Motion> motions;
        for (int i = 0; i < slides.size(); ++i)
            motions.push_back(kMotionChoices[random.Below(int(std::size(kMotionChoices)))]);
        for (size_t i = 0; i < out.images.size(); ++i) {
            out.images[i].motion = motions[size_t(imageSlides[i])];
            out.images[i].motionStrength = settings.motionStrength;
        }
    }
    if (!narrationFile.isEmpty())
        out.voices.push_back({narrationFile.toStdString(), 0.0, double(plan.iAudioLength + 1)});
    // The pictures and the narration say how long the video is; the music
    // fits into that.
    const double pictures = double(settings.Get(setting::secondsPerSlide)) * slides.size() + plan.iLastSlideTime;
    const double video =
        std::max(pictures, narrationFile.isEmpty() ? 0.0 : plan.iAudioLength + 1.0);
    const double laid = std::min(music.laid, video);
    if (!music.file.isEmpty() && laid > 0) {
        const double fade = music.fileSeconds > laid + 0.05 ? kMusicFadeSeconds : 0.0;
        out.music.push_back({music.file.toStdString(), 0.0, laid, fade});
        DuckMusicUnderVoice(settings, &out.music.back());
    }
    *job = std::move(out);
    return true;
}

}  // namespace vm
