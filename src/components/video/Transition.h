#pragma once

#include <array>

#include "FfmpegPtr.h"
#include "RenderJob.h"

namespace vm {

// One transition through libavfilter's xfade. Each plane of the canvas runs
// through its own xfade as a grey picture: xfade only takes 4:4:4, RGB and
// grey, and blending the 4:2:0 planes directly costs half of blending a
// 4:4:4 picture and needs no conversion either side. The two stills go in
// as references with pts 0, 1, 2 ... and frame k of the blend comes out
// (k = 0 is the old picture itself).
class Transition {
public:
    bool Open(const AVFrame* from, const AVFrame* to, int type, int frames, RenderResult* result);
    // The next frame of the blend, in the canvas format.
    av::FramePtr Next(RenderResult* result);

private:
    struct Plane {
        av::FilterGraphPtr graph;
        AVFilterContext* sourceA = nullptr;
        AVFilterContext* sourceB = nullptr;
        AVFilterContext* sink = nullptr;
        av::FramePtr from;  // grey views of the stills' plane
        av::FramePtr to;
        int pushed = 0;
    };
    bool OpenPlane(Plane& plane, int index, const std::string& name, RenderResult* result);
    av::FramePtr NextPlane(Plane& plane, RenderResult* result);

    const AVFrame* from_ = nullptr;
    int frames_ = 0;
    int given_ = 0;  // frames of the blend handed out
    int planeCount_ = 0;
    std::array<Plane, 3> planes_;
};

}  // namespace vm
