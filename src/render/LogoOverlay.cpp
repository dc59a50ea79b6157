#include "LogoOverlay.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace vm {

namespace {

AVPixelFormat WithAlpha(AVPixelFormat format) {
    switch (format) {
        case AV_PIX_FMT_YUV422P:
            return AV_PIX_FMT_YUVA422P;
        case AV_PIX_FMT_YUV444P:
            return AV_PIX_FMT_YUVA444P;
        default:
            return AV_PIX_FMT_YUVA420P;
    }
}

// `frame` converted to w x h in `format`; null on failure.
av::FramePtr Scaled(const AVFrame* frame, AVPixelFormat from, bool fromFull, int w, int h,
                    AVPixelFormat format, bool full, bool bt709, int flags) {
    av::SwsPtr scaler =
        MakeScaler(frame->width, frame->height, from, fromFull, w, h, format, full, flags, bt709);
    av::FramePtr out = av::MakeFrame();
    if (!scaler || !out) return nullptr;
    out->format = format;
    out->width = w;
    out->height = h;
    if (av_frame_get_buffer(out.get(), 0) < 0) return nullptr;
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, out->data,
                  out->linesize) < 0)
        return nullptr;
    return out;
}

}  // namespace

bool LogoOverlay::Open(const RenderJob::Logo& logo, const CanvasFormat& canvas,
                       RenderResult* result) {
    width_ = 0;
    footRows_ = 0;
    if (logo.path.empty()) return true;
    const std::string stage = "reading the logo " + logo.path;
    av::FramePtr decoded = DecodeFirstFrame(logo.path, result);
    if (!decoded) {
        result->stage = stage;
        return false;
    }
    bool full = false;
    const AVPixelFormat format = PlainPixelFormat(AVPixelFormat(decoded->format), &full);
    full = full || decoded->color_range == AVCOL_RANGE_JPEG;
    // Through RGBA at its own size first: its transparency kept (none is
    // opaque), and a YUV picture gets the canvas's colour matrix.
    av::FramePtr rgba = Scaled(decoded.get(), format, full, decoded->width, decoded->height,
                               AV_PIX_FMT_RGBA, true, false, SWS_POINT);
    if (!rgba) {
        *result = RenderResult::Fail(stage, av::ErrorText(AVERROR(EINVAL)));
        return false;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(canvas.format);
    const int alignX = 1 << desc->log2_chroma_w, alignY = 1 << desc->log2_chroma_h;
    auto snap = [](double v, int step) { return int(std::lround(std::max(0.0, v) / step)) * step; };
    const int w = std::clamp(snap(canvas.width * logo.widthPercent / 100.0, alignX), alignX,
                             canvas.width / alignX * alignX);
    const int h = std::clamp(snap(double(w) * decoded->height / decoded->width, alignY), alignY,
                             canvas.height / alignY * alignY);
    const int marginX = snap(canvas.width * logo.marginPercent / 100.0, alignX);
    const int marginY = snap(canvas.width * logo.marginPercent / 100.0, alignY);
    const bool right = logo.corner == "topRight" || logo.corner == "bottomRight";
    const bool bottom = logo.corner == "bottomLeft" || logo.corner == "bottomRight";
    x_ = std::clamp(right ? (canvas.width - w - marginX) / alignX * alignX : marginX, 0,
                    canvas.width - w);
    y_ = std::clamp(bottom ? (canvas.height - h - marginY) / alignY * alignY : marginY, 0,
                    canvas.height - h);
    footRows_ = bottom ? canvas.height - y_ + marginY : 0;

    av::FramePtr scaled = Scaled(rgba.get(), AV_PIX_FMT_RGBA, true, w, h, WithAlpha(canvas.format),
                                 canvas.fullRange, canvas.bt709, SWS_BICUBIC);
    if (!scaled) {
        *result = RenderResult::Fail(stage, av::ErrorText(AVERROR(EINVAL)));
        return false;
    }
    const double opacity = std::clamp(logo.opacity, 0.0, 1.0);
    for (int p = 0; p < 3; ++p) {
        const int sx = p == 0 ? 0 : desc->log2_chroma_w, sy = p == 0 ? 0 : desc->log2_chroma_h;
        Plane& plane = planes_[p];
        plane.x = x_ >> sx;
        plane.y = y_ >> sy;
        plane.width = w >> sx;
        plane.height = h >> sy;
        plane.value.resize(size_t(plane.width) * plane.height);
        plane.alpha.resize(plane.value.size());
        for (int y = 0; y < plane.height; ++y)
            for (int x = 0; x < plane.width; ++x) {
                // A chroma sample shows as much as the pixels it covers, on average.
                int sum = 0;
                for (int dy = 0; dy < 1 << sy; ++dy)
                    for (int dx = 0; dx < 1 << sx; ++dx)
                        sum +=
                            scaled
                                ->data[3][((y << sy) + dy) * scaled->linesize[3] + (x << sx) + dx];
                const double alpha = double(sum) / (1 << (sx + sy));
                const size_t i = size_t(y) * plane.width + x;
                plane.alpha[i] = uint8_t(std::lround(alpha * opacity));
                plane.value[i] = scaled->data[p][y * scaled->linesize[p] + x];
            }
    }
    width_ = w;
    height_ = h;
    return true;
}

void LogoOverlay::Draw(AVFrame* frame) const {
    if (Empty()) return;
    for (int p = 0; p < 3; ++p) {
        const Plane& plane = planes_[p];
        for (int y = 0; y < plane.height; ++y) {
            uint8_t* out = frame->data[p] + (plane.y + y) * frame->linesize[p] + plane.x;
            const uint8_t* value = plane.value.data() + size_t(y) * plane.width;
            const uint8_t* alpha = plane.alpha.data() + size_t(y) * plane.width;
            for (int x = 0; x < plane.width; ++x)
                out[x] = uint8_t((out[x] * (255 - alpha[x]) + value[x] * alpha[x] + 127) / 255);
        }
    }
}

}  // namespace vm
