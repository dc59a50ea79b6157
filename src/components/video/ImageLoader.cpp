#include "ImageLoader.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace vm {

AVPixelFormat PlainPixelFormat(AVPixelFormat format, bool* fullRange) {
    *fullRange = true;
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            return AV_PIX_FMT_YUV411P;
        default:
            *fullRange = false;
            return format;
    }
}

av::SwsPtr MakeScaler(int srcW, int srcH, AVPixelFormat srcFormat, bool srcFull, int dstW, int dstH,
                      AVPixelFormat dstFormat, bool dstFull, int flags) {
    av::SwsPtr scaler(sws_alloc_context());
    if (!scaler) return nullptr;
    SwsContext* s = scaler.get();
    if (av_opt_set_int(s, "srcw", srcW, 0) < 0 || av_opt_set_int(s, "srch", srcH, 0) < 0 ||
        av_opt_set_int(s, "src_format", srcFormat, 0) < 0 ||
        av_opt_set_int(s, "src_range", srcFull ? 1 : 0, 0) < 0 ||
        av_opt_set_int(s, "dstw", dstW, 0) < 0 || av_opt_set_int(s, "dsth", dstH, 0) < 0 ||
        av_opt_set_int(s, "dst_format", dstFormat, 0) < 0 ||
        av_opt_set_int(s, "dst_range", dstFull ? 1 : 0, 0) < 0 ||
        av_opt_set_int(s, "sws_flags", flags, 0) < 0)
        return nullptr;
    if (sws_init_context(s, nullptr, nullptr) < 0) return nullptr;
    return scaler;
}

av::FramePtr MakeBlackCanvas(const CanvasFormat& canvas, RenderResult* result) {
    av::FramePtr frame = av::MakeFrame();
    if (!frame) {
        *result = RenderResult::Fail("making a picture", av::ErrorText(AVERROR(ENOMEM)));
        return nullptr;
    }
    frame->format = canvas.format;
    frame->width = canvas.width;
    frame->height = canvas.height;
    frame->color_range = canvas.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    if (int rc = av_frame_get_buffer(frame.get(), 0); rc < 0) {
        *result = RenderResult::Fail("making a picture", av::ErrorText(rc));
        return nullptr;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(canvas.format);
    for (int plane = 0; plane < 3; ++plane) {
        const int value = plane == 0 ? (canvas.fullRange ? 0 : 16) : 128;
        const int w = plane == 0 ? canvas.width : AV_CEIL_RSHIFT(canvas.width, desc->log2_chroma_w);
        const int h =
            plane == 0 ? canvas.height : AV_CEIL_RSHIFT(canvas.height, desc->log2_chroma_h);
        for (int y = 0; y < h; ++y)
            std::fill_n(frame->data[plane] + y * frame->linesize[plane], w, uint8_t(value));
    }
    return frame;
}

namespace {

// Reads packets until the decoder gives the first picture.
int DecodeFirstPicture(AVFormatContext* input, int stream, AVCodecContext* decoder,
                       AVFrame* picture) {
    av::PacketPtr packet = av::MakePacket();
    if (!packet) return AVERROR(ENOMEM);
    bool draining = false;
    while (true) {
        int rc = avcodec_receive_frame(decoder, picture);
        if (rc >= 0) return 0;
        if (rc != AVERROR(EAGAIN)) return rc == AVERROR_EOF ? AVERROR_INVALIDDATA : rc;
        if (draining) return AVERROR_INVALIDDATA;
        rc = av_read_frame(input, packet.get());
        if (rc == AVERROR_EOF) {
            draining = true;
            rc = avcodec_send_packet(decoder, nullptr);
        } else if (rc < 0) {
            return rc;
        } else {
            if (packet->stream_index == stream) rc = avcodec_send_packet(decoder, packet.get());
            av_packet_unref(packet.get());
        }
        if (rc < 0 && rc != AVERROR(EAGAIN)) return rc;
    }
}

}  // namespace

av::FramePtr LoadPicture(const std::string& path, const CanvasFormat& target,
                         RenderResult* result) {
    const int width = target.width, height = target.height;
    const std::string stage = "decoding image " + path;
    auto fail = [&](int rc) {
        *result = RenderResult::Fail(stage, av::ErrorText(rc));
        return nullptr;
    };

    AVFormatContext* raw = nullptr;
    if (int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); rc < 0) return fail(rc);
    av::InputPtr input(raw);
    if (int rc = avformat_find_stream_info(input.get(), nullptr); rc < 0) return fail(rc);
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0) return fail(stream);
    av::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder) return fail(AVERROR(ENOMEM));
    if (int rc = avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar);
        rc < 0)
        return fail(rc);
    decoder->thread_count = 1;  // one still: threads cost more than they give
    if (int rc = avcodec_open2(decoder.get(), codec, nullptr); rc < 0) return fail(rc);

    av::FramePtr picture = av::MakeFrame();
    if (!picture) return fail(AVERROR(ENOMEM));
    if (int rc = DecodeFirstPicture(input.get(), stream, decoder.get(), picture.get()); rc < 0)
        return fail(rc);
    if (picture->width <= 0 || picture->height <= 0) return fail(AVERROR_INVALIDDATA);

    av::FramePtr canvas = MakeBlackCanvas(target, result);
    if (!canvas) return nullptr;

    // Fit inside the frame, aspect kept, centred (on a chroma sample, so the
    // colour planes line up with the brightness).
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(target.format);
    const int alignX = 1 << desc->log2_chroma_w, alignY = 1 << desc->log2_chroma_h;
    const double scale = std::min(double(width) / picture->width, double(height) / picture->height);
    const int w = std::clamp(int(std::lround(picture->width * scale)), 1, width);
    const int h = std::clamp(int(std::lround(picture->height * scale)), 1, height);
    const int x = (width - w) / 2 / alignX * alignX;
    const int y = (height - h) / 2 / alignY * alignY;

    bool fullRange = false;
    const AVPixelFormat source = PlainPixelFormat(AVPixelFormat(picture->format), &fullRange);
    fullRange = fullRange || picture->color_range == AVCOL_RANGE_JPEG;
    av::SwsPtr scaler = MakeScaler(picture->width, picture->height, source, fullRange, w, h,
                                   target.format, target.fullRange, SWS_BICUBIC);
    if (!scaler) return fail(AVERROR(EINVAL));
    // Scaled into a frame of its own (swscale may write past a row's end),
    // then copied into place.
    av::FramePtr scaled = av::MakeFrame();
    if (!scaled) return fail(AVERROR(ENOMEM));
    scaled->format = target.format;
    scaled->width = w;
    scaled->height = h;
    if (int rc = av_frame_get_buffer(scaled.get(), 0); rc < 0) return fail(rc);
    if (int rc = sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height,
                           scaled->data, scaled->linesize);
        rc < 0)
        return fail(rc);
    for (int plane = 0; plane < 3; ++plane) {
        const int cw = plane == 0 ? 0 : desc->log2_chroma_w,
                  ch = plane == 0 ? 0 : desc->log2_chroma_h;
        av_image_copy_plane(canvas->data[plane] + (y >> ch) * canvas->linesize[plane] + (x >> cw),
                            canvas->linesize[plane], scaled->data[plane], scaled->linesize[plane],
                            AV_CEIL_RSHIFT(w, cw), AV_CEIL_RSHIFT(h, ch));
    }
    return canvas;
}

}  // namespace vm
