#include "VideoLayout.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>

#include "ClipSource.h"
#include "RenderTimeline.h"
#include "VideoRandom.h"

namespace vm {

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

namespace {

// Each clip's own sound, from where its slide starts (its transition in
// included) for as long as the clip and its slide both last, stepping back
// under the narration as ducked music does.
void AddClipSound(const BatchSettings& settings, double video, RenderJob* job) {
    double start = 0;
    for (const RenderJob::Image& image : job->images) {
        const double slideStart = start;
        start += image.duration;
        if (!image.clip) continue;
        const ClipInfo clip = ProbeClip(image.path);
        if (!clip.sound || !clip.problem.empty()) continue;  // a bad clip fails in the render
        const bool last = &image == &job->images.back();     // held to the video's end
        const double slide = last ? std::max(image.duration, video - slideStart) : image.duration;
        const double length = std::min(clip.seconds, slide);
        if (length <= 0) continue;
        RenderJob::Audio sound{image.path, slideStart, length, std::min(0.2, length / 2)};
        sound.duckDb = settings.Get(setting::musicDuckDb);
        job->music.push_back(sound);
    }
}

}  // namespace

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

int VideoSeconds(const BatchSettings& settings, int slideCount, const TimingPlan& plan,
                 bool narrated) {
    const int pictures = settings.Get(setting::secondsPerSlide) * slideCount + plan.iLastSlideTime;
    return std::max(pictures, narrated ? plan.iAudioLength + 1 : 0);
}

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
            const std::string path = call.path.toStdString();
            // The last slide's second showing goes on with a clip rather
            // than starting it again.
            if (!imageSlides.empty() && imageSlides.back() == call.slide &&
                out.images.back().clip) {
                out.images.back().duration += call.duration;
                continue;
            }
            out.images.push_back({path, call.duration});
            out.images.back().clip = IsClipFile(path);
            imageSlides.push_back(call.slide);
        }
    }
    out.clipLoop = settings.Is(setting::clipFill, "loop");
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
    const double video = VideoSeconds(settings, int(slides.size()), plan, !narrationFile.isEmpty());
    const double laid = std::min(music.laid, video);
    if (!music.file.isEmpty() && laid > 0) {
        const double fade = music.fileSeconds > laid + 0.05 ? kMusicFadeSeconds : 0.0;
        out.music.push_back({music.file.toStdString(), 0.0, laid, fade});
        DuckMusicUnderVoice(settings, &out.music.back());
    }
    if (settings.Is(setting::clipSound, "under")) AddClipSound(settings, video, &out);
    *job = std::move(out);
    return true;
}

}  // namespace vm
