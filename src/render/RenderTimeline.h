#pragma once

#include <string>
#include <vector>

#include "RenderJob.h"

namespace vm {

// The frame plan of a render: which picture each stretch of frames shows,
// where transitions run, and which frames must actually be encoded (a still
// stretch is one encoded frame; the AVI writer fills the gap with repeats;
// a moving picture is encoded on every frame).
struct PlanSegment {
    enum class Kind { Still, Transition };
    Kind kind = Kind::Still;
    int firstFrame = 0;
    int frameCount = 0;
    int picture = -1;      // index into FramePlan::pictures; -1 is black
    int fromPicture = -1;  // transitions: the picture blended from (-1 black)
    int transitionType = 0;
    bool keyframe = false;  // stills: first settled frame of a slide
    int shot = -1;          // index into FramePlan::shots; -1 is black
    int fromShot = -1;      // transitions: the shot blended from (-1 black)
};

// One picture's time on screen, from the first frame of the transition that
// brings it in (or its first frame) to the last frame of the transition that
// takes it away (or the end of the video). A moving picture moves over all
// of it, so it is already moving while it comes in and still moving while
// it goes.
struct PlanShot {
    int picture = -1;
    Motion motion = Motion::None;
    double strength = 0;
    int firstFrame = 0;
    int lastFrame = 0;  // inclusive
    bool clip = false;  // a video clip: a new picture on every frame, from its start


    bool Moving() const;
    // How far along its motion the picture is at `frame`: 0 on the first
    // frame, 1 on the last.
    double Progress(int frame) const;
};

// Longest run of frames left to the AVI writer's empty repeat chunks (it
// refuses more than 60,000 in one go): a longer still is sent again.
constexpr int kLongestStillGap = 50000;

struct FramePlan {
    std::vector<std::string> pictures;  // distinct image paths, in first-use order
    std::vector<int> lastUse;           // per picture: last segment that shows it
    std::vector<PlanSegment> segments;  // in timeline order, covering every frame
    std::vector<PlanShot> shots;        // in timeline order
    int pictureFrames = 0;              // length of the picture track
    int totalFrames = 0;                // whole video: pictures or audio, the longer

    // Frames the encoder is given: the first of each still, each transition
    // frame, every frame of a moving picture, and the last frame again so
    // players show the full length.
    int EncodedFrames() const;
    // Whether the segment's picture moves (or plays).
    bool Moving(const PlanSegment& segment) const;
};

// Works out the plan. Images are laid end to end; a transition belongs to
// the slide starting at its `from` time (others are ignored) and blends the
// picture before it (black before the first slide) into that slide's
// picture. The last picture is held until the longest audio track ends.
// A slide that shows the picture already on screen without a blend goes on
// with it, motion and all; between two moving slides there is a blend even
// when they show the same picture.
FramePlan MakeFramePlan(const RenderJob& job);

// Whole frames for a time in seconds.
int SecondsToFrames(double seconds);

// Every transition a video may show, by its xfade name: the ten of the
// classic random choice first (types 1..10), then the others (11 on) whose
// blend ends on the new picture.
const std::vector<std::string>& TransitionNames();

// The xfade transition used for a transition type (1 is the first of
// TransitionNames()); anything out of range is a crossfade.
const char* XfadeTransitionName(int type);

// The type of a transition named as xfade names it, 0 when there is none.
int TransitionTypeNamed(const std::string& name);

}  // namespace vm
