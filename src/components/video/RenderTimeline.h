#pragma once

#include <string>
#include <vector>

#include "RenderJob.h"

namespace vm {

// The frame plan of a render: which picture each stretch of frames shows,
// where transitions run, and which frames must actually be encoded (a still
// stretch is one encoded frame; the AVI writer fills the gap with repeats).
struct PlanSegment {
    enum class Kind { Still, Transition };
    Kind kind = Kind::Still;
    int firstFrame = 0;
    int frameCount = 0;
    int picture = -1;      // index into FramePlan::pictures; -1 is black
    int fromPicture = -1;  // transitions: the picture blended from (-1 black)
    int transitionType = 0;
    bool keyframe = false;  // stills: first settled frame of a slide
};

// Longest run of frames left to the AVI writer's empty repeat chunks (it
// refuses more than 60,000 in one go): a longer still is sent again.
constexpr int kLongestStillGap = 50000;

struct FramePlan {
    std::vector<std::string> pictures;  // distinct image paths, in first-use order
    std::vector<int> lastUse;           // per picture: last segment that shows it
    std::vector<PlanSegment> segments;  // in timeline order, covering every frame
    int pictureFrames = 0;              // length of the picture track
    int totalFrames = 0;                // whole video: pictures or audio, the longer

    // Frames the encoder is given: the first of each still, each transition
    // frame, and the last frame again so players show the full length.
    int EncodedFrames() const;
};

// Works out the plan. Images are laid end to end; a transition belongs to
// the slide starting at its `from` time (others are ignored) and blends the
// picture before it (black before the first slide) into that slide's
// picture. The last picture is held until the longest audio track ends.
FramePlan MakeFramePlan(const RenderJob& job);

// Whole frames for a time in seconds.
int SecondsToFrames(double seconds);

// Every transition a video may show, by its xfade name: the ten of the
// classic random choice first (types 1..10), then the others (11 on).
const std::vector<std::string>& TransitionNames();

// The xfade transition used for a transition type (1 is the first of
// TransitionNames()); anything out of range is a crossfade.
const char* XfadeTransitionName(int type);

// The type of a transition named as xfade names it, 0 when there is none.
int TransitionTypeNamed(const std::string& name);

}  // namespace vm
