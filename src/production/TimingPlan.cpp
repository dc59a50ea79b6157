#include "TimingPlan.h"

#include <cmath>
#include <limits>

#include "AppFolder.h"

namespace vm {
namespace {

constexpr long kMax = std::numeric_limits<int16_t>::max();

bool Fits(long value, const char* what, QString* error) {
    if (value >= 0 && value <= kMax) return true;
    if (error) {
        *error = QString("The video would be too long: %1 would be %2 seconds (at most %3).")
                     .arg(what)
                     .arg(value)
                     .arg(kMax);
    }
    return false;
}

}  // namespace

bool ComputeTimingPlan(const TimingInput& in, TimingPlan& plan, QString* error) {
    plan = TimingPlan{};
    if (in.secondsPerSlide < 1) {
        if (error) *error = "The seconds per slide must be a whole number of at least 1.";
        return false;
    }
    if (in.slideCount < 1) {
        if (error) *error = "There are no images to show.";
        return false;
    }
    long audio = 1;
    if (in.hasNarration) {
        if (!(in.narrationSeconds >= 0) || in.narrationSeconds > kMax) {
            return Fits(kMax + 1, "the narration", error);
        }
        audio = static_cast<long>(std::floor(in.narrationSeconds));
    }
    if (in.music) audio += 5;
    long slides = static_cast<long>(in.secondsPerSlide) * in.slideCount;
    if (!Fits(audio, "the narration", error) || !Fits(slides, "the slides", error)) return false;

    const long gap = audio - slides;
    if (in.imageAdjustIndex == 1 && gap > in.secondsPerSlide) {
        // Extra + 1 images, so the slides outlast the narration by at most one slide.
        plan.repeatedImages = static_cast<int>(gap / in.secondsPerSlide) + 1;
        slides = static_cast<long>(in.secondsPerSlide) * (in.slideCount + plan.repeatedImages);
        if (!Fits(slides, "the slides", error)) return false;
    }
    if (in.keywordNotEmpty) audio += in.randomExtra;

    long video = 0;
    long lastSlide = 0;
    if (audio > slides) {
        video = audio + 1;
        lastSlide = audio - slides;
    } else {
        video = slides;
        lastSlide = in.secondsPerSlide;
    }
    if (!Fits(audio, "the narration", error) || !Fits(video, "the video", error)) return false;
    // The countdown runs to video + 20; keep that inside 16 bits too.
    if (!Fits(video + 20, "the render countdown", error)) return false;

    plan.iAudioLength = static_cast<int16_t>(audio);
    plan.iSlidesLength = static_cast<int16_t>(slides);
    plan.iVideoLength = static_cast<int16_t>(video);
    plan.iLastSlideTime = static_cast<int16_t>(lastSlide);
    return true;
}

QString PlanLimitProblem(int secondsPerSlide, int slideCount) {
    // The countdown runs to the video's length + 20 seconds.
    constexpr long kRoom = kMax - 20;
    if (slideCount < 1 || secondsPerSlide < 1) return {};
    if (long(secondsPerSlide) * slideCount <= kRoom) return {};
    if (slideCount > kRoom)
        return QString(
                   "slides: %1 slides are more than the program can time; at most %2 work "
                   "at 1 second each")
            .arg(slideCount)
            .arg(kRoom);
    return QString(
               "secondsPerSlide: %1 seconds for each of %2 slides make a video longer than "
               "the program can time; at most %3 works with %2 slides")
        .arg(secondsPerSlide)
        .arg(slideCount)
        .arg(kRoom / slideCount);
}

QStringList RepeatedImages(const QStringList& snapshot, int count) {
    QStringList result;
    if (snapshot.isEmpty()) return result;
    for (int i = 0; i < count; ++i) result << snapshot.at(i % snapshot.size());
    return result;
}

bool ParseSecondsPerSlide(const QString& text, int* seconds) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 1 || value > kMax) return false;
    *seconds = static_cast<int>(std::floor(value));
    return true;
}

bool RoundMusicLength(double seconds, int16_t* rounded) {
    if (!(seconds >= 0) || seconds > kMax) return false;
    *rounded = static_cast<int16_t>(std::nearbyint(seconds));  // default mode: halves to even
    return true;
}

std::vector<LayoutCall> LayoutSlides(const QStringList& slides, int seconds, int lastSlideTime,
                                     bool transitions, const std::function<int()>& randomType,
                                     double transitionSeconds) {
    std::vector<LayoutCall> calls;
    double position = 0;
    for (int i = 0; i < slides.size(); ++i) {
        LayoutCall image;
        image.kind = LayoutCall::Image;
        image.slide = i;
        image.path = slides.at(i);
        image.duration = seconds;
        calls.push_back(image);
        if (i == slides.size() - 1) {
            image.duration = lastSlideTime;
            calls.push_back(image);
        }
        if (transitions) {
            LayoutCall transition;
            transition.kind = LayoutCall::Transition;
            transition.slide = i;
            transition.type = randomType() + 1;
            transition.from = position;
            transition.to = position + transitionSeconds;
            calls.push_back(transition);
        }
        position += seconds;
    }
    return calls;
}

QString VideoPath(const QString& keyword, const QString& fallbackName) {
    return OutputFolder() + "/" + (keyword.isEmpty() ? fallbackName : keyword) + ".avi";
}

}  // namespace vm
