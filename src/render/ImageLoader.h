#pragma once

#include <array>
#include <string>
#include <vector>

#include "FfmpegPtr.h"
#include "RenderJob.h"

namespace vm {

// What pictures are composed in: a planar YUV format (the encoder's own
// where it can be, so most frames go to it untouched) and its range.
struct CanvasFormat {
    int width = 0;
    int height = 0;
    AVPixelFormat format = AV_PIX_FMT_YUV420P;
    bool fullRange = false;
    bool bt709 = false;  // BT.709 colours (HD video); else BT.601, as JPEG
};

// How a picture of another shape fills the frame.
enum class PictureFit {
    Fit,      // whole, centred on black
    Blurred,  // whole, centred on a blurred, darkened copy that fills the frame
    Fill,     // scaled to cover the frame, the middle kept
};
PictureFit PictureFitNamed(const std::string& name);  // "fit", "blur", "fill"

// A black canvas.
av::FramePtr MakeBlackCanvas(const CanvasFormat& canvas, RenderResult* result);

// The first picture of an image file as its decoder gives it.
av::FramePtr DecodeFirstFrame(const std::string& path, RenderResult* result);

// Decodes a JPEG or GIF (first picture) with libavformat/libavcodec, turns
// it the right way up as a JPEG's EXIF orientation says, and scales it into
// the canvas with its aspect kept, as `fit` says.
av::FramePtr LoadPicture(const std::string& path, const CanvasFormat& canvas, RenderResult* result,
                         PictureFit fit = PictureFit::Fit);

// Scalers kept for the next picture of the same sizes and formats (a
// clip's frames), so each is set up once rather than for every frame.
class ScalerCache {
public:
    // Null when swscale cannot make it.
    SwsContext* Get(int srcW, int srcH, AVPixelFormat srcFormat, bool srcFull, int dstW, int dstH,
                    AVPixelFormat dstFormat, bool dstFull, int flags, bool dstBt709);

private:
    struct Entry {
        std::array<int, 10> key;
        av::SwsPtr scaler;
    };
    std::vector<Entry> entries_;
};

// A decoded picture (already upright) scaled into a new canvas as `fit`
// says: what LoadPicture does after decoding, and what each frame of a clip
// goes through (with the clip's own `scalers`). `stage` names what failed.
av::FramePtr ComposePicture(const AVFrame* picture, AVPixelFormat format, bool fullRange,
                            const CanvasFormat& target, PictureFit fit, RenderResult* result,
                            const std::string& stage, ScalerCache* scalers = nullptr);

// A scaler with the ranges set before it is initialised (set afterwards,
// a same-size conversion would copy and ignore them). Null on failure.
// `dstBt709`: a YUV destination gets BT.709 colours from an RGB source.
av::SwsPtr MakeScaler(int srcW, int srcH, AVPixelFormat srcFormat, bool srcFull, int dstW, int dstH,
                      AVPixelFormat dstFormat, bool dstFull, int flags, bool dstBt709 = false);

// The yuvj formats are full-range aliases that swscale warns about: use the
// plain format and say the range instead.
AVPixelFormat PlainPixelFormat(AVPixelFormat format, bool* fullRange);

}  // namespace vm
