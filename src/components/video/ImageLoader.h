#pragma once

#include <string>

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
};

// A black canvas.
av::FramePtr MakeBlackCanvas(const CanvasFormat& canvas, RenderResult* result);

// Decodes a JPEG or GIF (first picture) with libavformat/libavcodec and
// scales it to fit the canvas with its aspect kept, centred on black.
av::FramePtr LoadPicture(const std::string& path, const CanvasFormat& canvas, RenderResult* result);

// A scaler with the ranges set before it is initialised (set afterwards,
// a same-size conversion would copy and ignore them). Null on failure.
av::SwsPtr MakeScaler(int srcW, int srcH, AVPixelFormat srcFormat, bool srcFull, int dstW, int dstH,
                      AVPixelFormat dstFormat, bool dstFull, int flags);

// The yuvj formats are full-range aliases that swscale warns about: use the
// plain format and say the range instead.
AVPixelFormat PlainPixelFormat(AVPixelFormat format, bool* fullRange);

}  // namespace vm
