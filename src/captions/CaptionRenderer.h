#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "FfmpegPtr.h"
#include "RenderJob.h"

namespace vm {

// A rectangle of pixels, [x0, x1) by [y0, y1).
struct CaptionBox {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -(1 << 30), y1 = -(1 << 30);
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
    bool Holds(const CaptionBox& b) const {
        return b.x0 >= x0 && b.y0 >= y0 && b.x1 <= x1 && b.y1 <= y1;
    }
    void Add(const CaptionBox& b) {
        x0 = std::min(x0, b.x0), y0 = std::min(y0, b.y0);
        x1 = std::max(x1, b.x1), y1 = std::max(y1, b.y1);
    }
};

// The title-safe area: 5% in from each edge, where every caption stays.
constexpr double kTitleSafePercent = 5;
CaptionBox TitleSafeArea(int width, int height);
// How far above the foot a caption's safe area ends: a portrait frame keeps
// captions above the controls phone feeds lay over its lowest part.
double FootInsetPercent(int width, int height);

// Text drawn into the picture with libass (styled subtitles: fonts found by
// fontconfig, so other scripts find a font that has them, outlines, boxes,
// wrapping): burned-in captions, and the headline of a cover picture.
class CaptionRenderer {
public:
    CaptionRenderer();
    ~CaptionRenderer();
    CaptionRenderer(const CaptionRenderer&) = delete;
    CaptionRenderer& operator=(const CaptionRenderer&) = delete;

    // Captions on a width x height frame as `look` says, inside its safe
    // area: a cue too wide or too tall for it (a very long word) is drawn
    // smaller. With `highlight` the word being spoken is coloured. At the
    // foot they stand at least `clearFoot` rows above the frame's foot (what
    // a logo in a bottom corner takes).
    bool OpenCaptions(const std::vector<RenderJob::Caption>& captions, int width, int height,
                      bool highlight, const RenderJob::CaptionLook& look, RenderResult* result,
                      int clearFoot = 0);
    // One large headline across the middle of a picture, on a dark band.
    bool OpenHeadline(const std::string& text, int width, int height, RenderResult* result);

    // Draws what is shown at `seconds` onto a planar YUV frame, in place.
    // `bt709` says which colour matrix the frame is in.
    bool Draw(AVFrame* frame, double seconds, bool bt709, RenderResult* result);

    // The times (seconds) at which what is drawn changes, in order.
    const std::vector<double>& Changes() const { return changes_; }

private:
    bool Start(int width, int height, RenderResult* result);
    bool Open(const std::string& script, int width, int height, RenderResult* result);

    // The size (percent) each of `texts` is drawn at to stay in the title-safe
    // area; empty when libass failed.
    std::vector<int> FitScales(const std::string& header, const std::vector<std::string>& texts,
                               int width, int height, RenderResult* result);
    // Where the track draws at `ms`.
    CaptionBox DrawnBox(long long ms) const;

    struct Impl;
    std::unique_ptr<Impl> d;
    std::vector<double> changes_;
};

}  // namespace vm
