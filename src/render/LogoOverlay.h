#pragma once

#include <vector>

#include "FfmpegPtr.h"
#include "ImageLoader.h"
#include "RenderJob.h"

namespace vm {

// The brand's logo in a corner of every frame. The picture is decoded and
// scaled once, into the canvas's own format with its transparency (times the
// opacity); each frame then only blends that into its corner, so the logo's
// pixels over the same picture are the same on every frame, whatever moved
// or blended beneath before. Its place lies on whole chroma samples.
class LogoOverlay {
public:
    // Reads `logo.path` (PNG with transparency, JPEG, ...). An empty path is
    // no logo, and true.
    bool Open(const RenderJob::Logo& logo, const CanvasFormat& canvas, RenderResult* result);
    bool Empty() const { return width_ == 0; }
    // Blends the logo into `frame` (of the canvas's format), in place.
    void Draw(AVFrame* frame) const;
    // Rows at the frame's foot that captions keep clear of: the logo and
    // its margin when it sits at a bottom corner, else 0.
    int FootRows() const { return footRows_; }
    int X() const { return x_; }
    int Y() const { return y_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    struct Plane {
        int x = 0, y = 0, width = 0, height = 0;
        std::vector<uint8_t> value;  // the logo's samples
        std::vector<uint8_t> alpha;  // how much of each shows (0..255)
    };
    Plane planes_[3];
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    int footRows_ = 0;
};

}  // namespace vm
