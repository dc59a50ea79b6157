#pragma once

#include <array>

#include "FfmpegPtr.h"
#include "RenderJob.h"

namespace vm {

// One transition through libavfilter's xfade. Most transitions draw the same
// shapes in every plane whatever its size, so each plane of the canvas runs
// through its own xfade as a grey picture: xfade only takes 4:4:4, RGB and
// grey, and blending the 4:2:0 planes directly costs half of blending a
// 4:4:4 picture and needs no conversion either side. The few that do not
// (TransitionIsSeparable) run on the whole picture in 4:4:4, converted on
// the way in and out. Frame k of the blend takes frame k of each picture,
// so moving pictures keep moving through it (k = 0 is the old picture
// itself).
class Transition {
public:
    // `like`: a picture of the canvas (its format and size); `frames`: the
    // length of the blend.
    bool Open(const AVFrame* like, int type, int frames, RenderResult* result);
    // The next frame of the blend of these two pictures, in the canvas
    // format. The same picture may be given again (a still): it is only
    // converted once.
    av::FramePtr Next(const AVFrame* from, const AVFrame* to, RenderResult* result);

private:
    struct Graph {
        av::FilterGraphPtr graph;
        AVFilterContext* sourceA = nullptr;
        AVFilterContext* sourceB = nullptr;
        AVFilterContext* sink = nullptr;
    };
    bool OpenGraph(Graph& graph, int width, int height, const char* format, int index,
                   RenderResult* result);
    av::FramePtr Blend(Graph& graph, const AVFrame* a, const AVFrame* b, RenderResult* result);
    av::FramePtr NextWhole(const AVFrame* from, const AVFrame* to, RenderResult* result);
    // The picture in 4:4:4 for the whole-picture blend; `held` keeps the last
    // one given (so its buffer cannot be reused for another picture) and
    // `converted` its conversion.
    const AVFrame* Full(const AVFrame* picture, av::FramePtr& held, av::FramePtr& converted,
                        RenderResult* result);

    std::string name_;
    int frames_ = 0;
    int given_ = 0;  // frames of the blend handed out
    bool whole_ = false;
    int planeCount_ = 0;
    std::array<Graph, 3> planes_;
    Graph full_;
    // Whole-picture blends of a canvas that is not 4:4:4.
    av::SwsPtr up_;
    av::SwsPtr down_;
    AVPixelFormat canvasFormat_ = AV_PIX_FMT_NONE;
    AVColorRange range_ = AVCOL_RANGE_UNSPECIFIED;
    int width_ = 0;
    int height_ = 0;
    av::FramePtr heldFrom_, heldTo_, fullFrom_, fullTo_;
};

// Whether xfade draws `type` the same way in a plane of any size, so the
// planes of a 4:2:0 picture may go through it one by one. Not so for
// transitions that mix the planes (distance, fadegrays), fade through black
// or white or show black around a shape (a grey plane's black is 0, which
// in a colour plane is green), draw per-pixel noise (dissolve), or move the
// picture by whole pixels of each plane (zoomin, slideleft, slideright).
bool TransitionIsSeparable(int type);

}  // namespace vm
