#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FfmpegPtr.h"
#include "RenderJob.h"

namespace vm {

// Text drawn into the picture with libass (styled subtitles: fonts found by
// fontconfig, so other scripts find a font that has them, outlines, boxes,
// wrapping): burned-in captions, and the headline of a cover picture.
class CaptionRenderer {
public:
    CaptionRenderer();
    ~CaptionRenderer();
    CaptionRenderer(const CaptionRenderer&) = delete;
    CaptionRenderer& operator=(const CaptionRenderer&) = delete;

    // Captions at the foot of a width x height frame, inside its safe area,
    // white with a dark outline; with `highlight` the word being spoken is
    // coloured. They stand at least `clearFoot` rows above the frame's foot
    // (what a logo in a bottom corner takes).
    bool OpenCaptions(const std::vector<RenderJob::Caption>& captions, int width, int height,
                      bool highlight, RenderResult* result, int clearFoot = 0);
    // One large headline across the middle of a picture, on a dark band.
    bool OpenHeadline(const std::string& text, int width, int height, RenderResult* result);

    // Draws what is shown at `seconds` onto a planar YUV frame, in place.
    // `bt709` says which colour matrix the frame is in.
    bool Draw(AVFrame* frame, double seconds, bool bt709, RenderResult* result);

    // The times (seconds) at which what is drawn changes, in order.
    const std::vector<double>& Changes() const { return changes_; }

private:
    bool Open(const std::string& script, int width, int height, RenderResult* result);

    struct Impl;
    std::unique_ptr<Impl> d;
    std::vector<double> changes_;
};

}  // namespace vm
