#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

// The timing plan of one video, in whole seconds held in 16-bit integers.
namespace vm {

struct TimingInput {
    bool hasNarration = false;    // the first ad copy has text
    double narrationSeconds = 0;  // measured narration (rounded down here)
    bool music = false;           // background music wanted
    int secondsPerSlide = 0;
    int slideCount = 0;
    int imageAdjustIndex = 0;  // 1: show the images again until the audio ends
    bool keywordNotEmpty = false;
    int randomExtra = 0;  // 0..11, added for keyword videos so they differ in length
};

struct TimingPlan {
    int16_t iAudioLength = 0;
    int16_t iSlidesLength = 0;
    int16_t iVideoLength = 0;
    int16_t iLastSlideTime = 0;
    int repeatedImages = 0;  // slides appended again, in snapshot order
};

// Works the plan out. Returns false with the reason in `error` when a value
// does not fit in 16 bits (never wrapped) or the input cannot make a video.
bool ComputeTimingPlan(const TimingInput& input, TimingPlan& plan, QString* error);

// The slides appended when images are shown again: `count` entries of the
// snapshot in order, starting over from the first when all have been used.
QStringList RepeatedImages(const QStringList& snapshot, int count);

// Whether `slideCount` slides of `secondsPerSlide` seconds each fit the
// plan's 16-bit seconds (with 20 more for the render countdown). Empty when
// they do; else one line naming the field and the largest value that works.
QString PlanLimitProblem(int secondsPerSlide, int slideCount);

// The integer part of the seconds text ("4.9" gives 4). False when the text is
// not a number or its integer part is below 1.
bool ParseSecondsPerSlide(const QString& text, int* seconds);

// Nearest whole second with halves to the even neighbour (94.5 -> 94,
// 95.5 -> 96). False when it does not fit in 16 bits.
bool RoundMusicLength(double seconds, int16_t* rounded);

// One call of the slide layout on the video-editing component.
struct LayoutCall {
    enum Kind { Image, Transition } kind = Image;
    int slide = 0;        // index in the slide list (Image)
    QString path;         // Image
    double duration = 0;  // Image
    int type = 0;         // Transition
    double from = 0;      // Transition
    double to = 0;        // Transition
};

// The calls that lay the slides out: each slide for `seconds`, the last one
// shown again for `lastSlideTime`, and with transitions on one transition of
// a random type (randomType() + 1) over the first `transitionSeconds` of
// every slide.
std::vector<LayoutCall> LayoutSlides(const QStringList& slides, int seconds, int lastSlideTime,
                                     bool transitions, const std::function<int()>& randomType,
                                     double transitionSeconds = 1.0);

// output/<keyword>.avi, or output/<fallbackName>.avi for an empty keyword.
QString VideoPath(const QString& keyword, const QString& fallbackName);

}  // namespace vm
