#pragma once

#include <string>

#include "FfmpegPtr.h"
#include "ImageLoader.h"
#include "RenderJob.h"

namespace vm {

// An intro or outro read as it is shown: decoded a frame at a time, turned
// into the video's 25 frames a second by libavfilter's fps filter (which also
// copes with a variable frame rate), and scaled whole into the frame on
// black. A picture is decoded once and held. Never more than a few frames in
// memory, however long the clip.
class IntroClip {
public:
    // Opens `path` to see what it is: a picture (held for `pictureSeconds`)
    // or a video (its own length), and its length in whole frames. The
    // render then shows exactly that many frames. False with the reason when
    // it cannot be read or has no length.
    static bool Measure(const std::string& path, double pictureSeconds, RenderJob::Bookend* out,
                        std::string* error);

    bool Open(const RenderJob::Bookend& bookend, const CanvasFormat& canvas, RenderResult* result);
    // The next frame (a new reference, in the canvas's format). A video that
    // runs out before its measured length holds its last frame.
    av::FramePtr Next(RenderResult* result);

private:
    bool Fail(int rc, RenderResult* result);
    int Feed();  // decodes one more packet's frames into the filter graph

    std::string stage_;
    bool picture_ = false;
    av::FramePtr last_;
    av::InputPtr input_;
    av::CodecContextPtr decoder_;
    av::FilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    av::PacketPtr packet_;
    av::FramePtr decoded_;
    int stream_ = -1;
    int64_t firstPts_ = AV_NOPTS_VALUE;
    bool inputEnded_ = false;
    bool filterEnded_ = false;
};

}  // namespace vm
