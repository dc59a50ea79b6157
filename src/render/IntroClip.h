#pragma once

#include <memory>
#include <string>

#include "ClipSource.h"
#include "FfmpegPtr.h"
#include "ImageLoader.h"
#include "RenderJob.h"

namespace vm {

// The brand's intro or outro as it is shown: a video played by the same
// decoder as the clips on the slides (upright by its rotation, at the
// video's 25 frames a second by its timestamps, scaled as the project's
// `fit` says), or a picture decoded once and held.
class IntroClip {
public:
    // Opens `path` to see what it is: a picture (held for `pictureSeconds`)
    // or a video (its pictures' own length), and its length in whole
    // frames. The render then shows exactly that many frames. False with
    // the reason when it cannot be played or has no length.
    static bool Measure(const std::string& path, double pictureSeconds, RenderJob::Bookend* out,
                        std::string* error);

    // `role` names it in a failure's stage ("intro", "outro").
    bool Open(const RenderJob::Bookend& bookend, const CanvasFormat& canvas, PictureFit fit,
              const std::string& role, RenderResult* result);
    // The next frame (a new reference, in the canvas's format). A video that
    // runs out before its measured length holds its last frame.
    av::FramePtr Next(RenderResult* result);

private:
    av::FramePtr picture_;
    std::unique_ptr<ClipSource> video_;
    int shown_ = 0;  // frames of the video given so far
};

}  // namespace vm
