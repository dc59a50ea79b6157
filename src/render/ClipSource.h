#pragma once

#include <memory>
#include <string>

#include "FfmpegPtr.h"
#include "ImageLoader.h"
#include "RenderJob.h"

namespace vm {

// Whether a slide's file is a video clip rather than a picture: MP4, MOV,
// MKV, WebM and AVI by their extension, and a GIF with more than one
// picture (a still GIF stays a picture).
bool IsClipFile(const std::string& path);

// What a clip is made of, read from its header and first picture.
struct ClipInfo {
    std::string problem;        // empty when it plays; else why not ("it holds no pictures")
    double seconds = 0;         // as its container says
    double pictureSeconds = 0;  // how long its pictures last (the container's when unsaid)
    bool sound = false;         // it has a sound stream
    bool still = false;         // a picture file (JPEG, PNG ...), not a video
};
ClipInfo ProbeClip(const std::string& path);

// A video file decoded as it plays, for a clip on its slide and for the
// brand's intro and outro alike: libavformat and libavcodec read it, a
// filter graph turns it upright by its rotation (phone videos), and the fps
// filter places its frames at the video's 25 a second by their timestamps,
// so a variable frame rate keeps its timing. Each frame is then scaled into
// the canvas like a picture. Only the frame on screen and the decoder's own
// few are held, however long the clip.
class ClipSource {
public:
    // Null with the stage ("decoding <role> <path>") and reason when the
    // file cannot be opened.
    static std::unique_ptr<ClipSource> Open(const std::string& path, const CanvasFormat& canvas,
                                            PictureFit fit, bool loop, RenderResult* result,
                                            const std::string& role = "clip");
    ~ClipSource();

    // The picture `frame` frames after the clip's start (0 is its first), a
    // new reference. Frames are asked for in order; past its end the clip
    // holds its last frame, or starts again when it loops.
    av::FramePtr FrameAt(int frame, RenderResult* result);

private:
    ClipSource() = default;
    bool Start(RenderResult* result);  // the decoder at the clip's start
    int Next(AVFrame* out);            // the next frame at 25 a second
    int Feed();                        // one more packet through decoder and graph
    bool Fail(int rc, RenderResult* result);

    std::string path_;
    std::string stage_;
    CanvasFormat canvas_;
    PictureFit fit_ = PictureFit::Fit;
    bool loop_ = false;
    int rotation_ = 0;  // degrees clockwise the stored picture is turned to stand upright
    av::InputPtr input_;
    av::CodecContextPtr decoder_;
    av::FilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    av::PacketPtr packet_;
    av::FramePtr decoded_;
    int stream_ = -1;
    int64_t firstPts_ = AV_NOPTS_VALUE;  // this pass's first timestamp, made 0
    int64_t lastPts_ = 0;                // the last decoded frame's time, and how long it shows
    int64_t lastLength_ = 0;
    int decodedInPass_ = 0;
    bool decoderDrained_ = false;
    int passFrames_ = 0;    // frames given in this pass through the clip
    int offset_ = 0;        // clip frame number of this pass's first frame
    int shown_ = -1;        // clip frame number of `current_`
    bool ended_ = false;    // frozen on its last frame
    av::FramePtr current_;  // composed
    ScalerCache scalers_;   // made for the first frame, used for every one
};

}  // namespace vm
