#include "ImageLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

extern "C" {
#include <libavutil/dict.h>
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
                      AVPixelFormat dstFormat, bool dstFull, int flags, bool dstBt709) {
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
    if (dstBt709) {
        int* inverse = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(s, &inverse, &srcRange, &table, &dstRange, &brightness,
                                     &contrast, &saturation) >= 0)
            sws_setColorspaceDetails(s, inverse, srcRange, sws_getCoefficients(SWS_CS_ITU709),
                                     dstRange, brightness, contrast, saturation);
    }
    return scaler;
}

PictureFit PictureFitNamed(const std::string& name) {
    if (name == "blur") return PictureFit::Blurred;
    if (name == "fill") return PictureFit::Fill;
    return PictureFit::Fit;
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
        rc = av::FeedDecoder(input, stream, packet.get(), decoder, &draining);
        if (rc < 0 && rc != AVERROR(EAGAIN)) return rc;
    }
}

struct Picture {
    const AVFrame* frame;
    AVPixelFormat format;
    bool fullRange;
};

// The picture scaled to w x h in another format, in a frame of its own
// (by a scaler of `cache` when there is one).
av::FramePtr Convert(const Picture& from, int w, int h, AVPixelFormat format, bool fullRange,
                     bool bt709, int flags, ScalerCache* cache) {
    av::SwsPtr own;
    SwsContext* scaler = nullptr;
    if (cache) {
        scaler = cache->Get(from.frame->width, from.frame->height, from.format, from.fullRange, w,
                            h, format, fullRange, flags, bt709);
    } else {
        own = MakeScaler(from.frame->width, from.frame->height, from.format, from.fullRange, w, h,
                         format, fullRange, flags, bt709);
        scaler = own.get();
    }
    av::FramePtr out = av::MakeFrame();
    if (!scaler || !out) return nullptr;
    out->format = format;
    out->width = w;
    out->height = h;
    out->color_range = fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    if (av_frame_get_buffer(out.get(), 0) < 0) return nullptr;
    if (sws_scale(scaler, from.frame->data, from.frame->linesize, 0, from.frame->height, out->data,
                  out->linesize) < 0)
        return nullptr;
    return out;
}

// Copies `part` into `canvas` with its top left corner at x, y (which may
// lie outside: only what overlaps is copied), on whole chroma samples.
void Paste(AVFrame* canvas, const AVFrame* part, int x, int y) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(canvas->format));
    const int alignX = 1 << desc->log2_chroma_w, alignY = 1 << desc->log2_chroma_h;
    x = x >= 0 ? x / alignX * alignX : -((-x + alignX - 1) / alignX * alignX);
    y = y >= 0 ? y / alignY * alignY : -((-y + alignY - 1) / alignY * alignY);
    for (int plane = 0; plane < 3; ++plane) {
        const int sx = plane == 0 ? 0 : desc->log2_chroma_w;
        const int sy = plane == 0 ? 0 : desc->log2_chroma_h;
        const int px = x >> sx, py = y >> sy;
        const int cw = AV_CEIL_RSHIFT(canvas->width, sx), chh = AV_CEIL_RSHIFT(canvas->height, sy);
        const int pw = AV_CEIL_RSHIFT(part->width, sx), ph = AV_CEIL_RSHIFT(part->height, sy);
        const int left = std::max(0, px), top = std::max(0, py);
        const int right = std::min(cw, px + pw), bottom = std::min(chh, py + ph);
        if (right <= left || bottom <= top) continue;
        av_image_copy_plane(canvas->data[plane] + top * canvas->linesize[plane] + left,
                            canvas->linesize[plane],
                            part->data[plane] + (top - py) * part->linesize[plane] + (left - px),
                            part->linesize[plane], right - left, bottom - top);
    }
}

// A soft, darker copy of the frame, in place: shrunk to a small fraction and
// scaled back up (a blur that costs two small scalings), then dimmed so the
// picture in front stands out.
bool Blur(AVFrame* frame, const CanvasFormat& canvas, ScalerCache* scalers) {
    const int w = std::max(4, canvas.width / 24), h = std::max(4, canvas.height / 24);
    const Picture whole{frame, canvas.format, canvas.fullRange};
    av::FramePtr small =
        Convert(whole, w, h, canvas.format, canvas.fullRange, false, SWS_AREA, scalers);
    if (!small) return false;
    av::FramePtr soft =
        Convert(Picture{small.get(), canvas.format, canvas.fullRange}, canvas.width, canvas.height,
                canvas.format, canvas.fullRange, false, SWS_BICUBIC, scalers);
    if (!soft) return false;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(canvas.format);
    const int black = canvas.fullRange ? 0 : 16;
    for (int plane = 0; plane < 3; ++plane) {
        const int pw =
            plane == 0 ? canvas.width : AV_CEIL_RSHIFT(canvas.width, desc->log2_chroma_w);
        const int ph =
            plane == 0 ? canvas.height : AV_CEIL_RSHIFT(canvas.height, desc->log2_chroma_h);
        for (int y = 0; y < ph; ++y) {
            const uint8_t* in = soft->data[plane] + y * soft->linesize[plane];
            uint8_t* out = frame->data[plane] + y * frame->linesize[plane];
            for (int x = 0; x < pw; ++x)
                out[x] = plane == 0 ? uint8_t(black + (in[x] - black) * 11 / 20)
                                    : uint8_t(128 + (in[x] - 128) * 7 / 10);
        }
    }
    return true;
}

// The EXIF orientation a JPEG's decoder found (1 to 8), 1 when there is none.
int ExifOrientation(const AVFrame* picture) {
    const AVDictionaryEntry* tag = av_dict_get(picture->metadata, "Orientation", nullptr, 0);
    if (!tag) return 1;
    const int value = std::atoi(tag->value);  // the decoder pads it with spaces
    return value >= 1 && value <= 8 ? value : 1;
}

// An RGB24 picture turned the right way up as its EXIF orientation says:
// 2 mirrored, 3 turned half round, 4 flipped, 5 transposed, 6 turned a
// quarter clockwise, 7 transversed, 8 turned a quarter anticlockwise.
av::FramePtr Oriented(const AVFrame* stored, int orientation) {
    const int sw = stored->width, sh = stored->height;
    const bool across = orientation >= 5;
    av::FramePtr out = av::MakeFrame();
    if (!out) return nullptr;
    out->format = AV_PIX_FMT_RGB24;
    out->width = across ? sh : sw;
    out->height = across ? sw : sh;
    out->color_range = AVCOL_RANGE_JPEG;
    if (av_frame_get_buffer(out.get(), 0) < 0) return nullptr;
    for (int y = 0; y < out->height; ++y) {
        uint8_t* row = out->data[0] + y * out->linesize[0];
        for (int x = 0; x < out->width; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
                case 2:
                    sx = sw - 1 - x;
                    break;
                case 3:
                    sx = sw - 1 - x;
                    sy = sh - 1 - y;
                    break;
                case 4:
                    sy = sh - 1 - y;
                    break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = sh - 1 - x;
                    break;
                case 7:
                    sx = sw - 1 - y;
                    sy = sh - 1 - x;
                    break;
                case 8:
                    sx = sw - 1 - y;
                    sy = x;
                    break;
                default:
                    break;
            }
            const uint8_t* from = stored->data[0] + sy * stored->linesize[0] + sx * 3;
            std::copy_n(from, 3, row + x * 3);
        }
    }
    return out;
}

}  // namespace

av::FramePtr ComposePicture(const AVFrame* picture, AVPixelFormat format, bool fullRange,
                            const CanvasFormat& target, PictureFit fit, RenderResult* result,
                            const std::string& stage, ScalerCache* scalers) {
    const int width = target.width, height = target.height;
    auto fail = [&](int rc) {
        *result = RenderResult::Fail(stage, av::ErrorText(rc));
        return nullptr;
    };
    const Picture source{picture, format, fullRange};
    const int pictureWidth = source.frame->width, pictureHeight = source.frame->height;

    const double fitScale = std::min(double(width) / pictureWidth, double(height) / pictureHeight);
    const double coverScale =
        std::max(double(width) / pictureWidth, double(height) / pictureHeight);
    // The whole picture, aspect kept, centred (on a chroma sample, so the
    // colour planes line up with the brightness).
    const int w = std::clamp(int(std::lround(pictureWidth * fitScale)), 1, width);
    const int h = std::clamp(int(std::lround(pictureHeight * fitScale)), 1, height);
    auto whole = [&] {
        return Convert(source, w, h, target.format, target.fullRange, target.bt709, SWS_BICUBIC,
                       scalers);
    };
    // A picture of the frame's shape covers it all: nothing around it shows
    // (a clip of the video's own size is then one conversion a frame).
    if (w == width && h == height && fit != PictureFit::Fill) {
        av::FramePtr scaled = whole();
        return scaled ? std::move(scaled) : fail(AVERROR(EINVAL));
    }
    av::FramePtr canvas;
    if (fit == PictureFit::Fit) {
        canvas = MakeBlackCanvas(target, result);
    } else {
        // The picture scaled to cover the frame, its middle kept.
        const int cw = std::max(width, int(std::lround(pictureWidth * coverScale)));
        const int ch = std::max(height, int(std::lround(pictureHeight * coverScale)));
        av::FramePtr cover = Convert(source, cw, ch, target.format, target.fullRange, target.bt709,
                                     SWS_BICUBIC, scalers);
        if (!cover) return fail(AVERROR(EINVAL));
        canvas = MakeBlackCanvas(target, result);
        if (canvas) Paste(canvas.get(), cover.get(), -(cw - width) / 2, -(ch - height) / 2);
        if (canvas && fit == PictureFit::Blurred && !Blur(canvas.get(), target, scalers))
            return fail(AVERROR(EINVAL));
        if (fit == PictureFit::Fill) return canvas;
    }
    if (!canvas) return nullptr;
    av::FramePtr scaled = whole();
    if (!scaled) return fail(AVERROR(EINVAL));
    Paste(canvas.get(), scaled.get(), (width - w) / 2, (height - h) / 2);
    return canvas;
}

SwsContext* ScalerCache::Get(int srcW, int srcH, AVPixelFormat srcFormat, bool srcFull, int dstW,
                             int dstH, AVPixelFormat dstFormat, bool dstFull, int flags,
                             bool dstBt709) {
    const std::array<int, 10> key{srcW, srcH,      srcFormat, srcFull, dstW,
                                  dstH, dstFormat, dstFull,   flags,   dstBt709};
    for (const Entry& entry : entries_)
        if (entry.key == key) return entry.scaler.get();
    av::SwsPtr scaler =
        MakeScaler(srcW, srcH, srcFormat, srcFull, dstW, dstH, dstFormat, dstFull, flags, dstBt709);
    if (!scaler) return nullptr;
    entries_.push_back(Entry{key, std::move(scaler)});
    return entries_.back().scaler.get();
}

av::FramePtr DecodeFirstFrame(const std::string& path, RenderResult* result) {
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
    return picture;
}

av::FramePtr LoadPicture(const std::string& path, const CanvasFormat& target, RenderResult* result,
                         PictureFit fit) {
    const std::string stage = "decoding image " + path;
    auto fail = [&](int rc) {
        *result = RenderResult::Fail(stage, av::ErrorText(rc));
        return nullptr;
    };

    av::FramePtr picture = DecodeFirstFrame(path, result);
    if (!picture) return nullptr;

    bool fullRange = false;
    const AVPixelFormat decoded = PlainPixelFormat(AVPixelFormat(picture->format), &fullRange);
    fullRange = fullRange || picture->color_range == AVCOL_RANGE_JPEG;
    // For BT.709 the picture goes through RGB first: swscale keeps a YUV
    // picture's colour matrix when it converts YUV to YUV. A photo whose
    // EXIF orientation asks for it (every phone photo taken upright) is
    // turned in RGB, too.
    const int orientation = ExifOrientation(picture.get());
    Picture source{picture.get(), decoded, fullRange};
    av::FramePtr rgb;
    if ((target.bt709 || orientation != 1) &&
        !(av_pix_fmt_desc_get(decoded)->flags & AV_PIX_FMT_FLAG_RGB)) {
        rgb = Convert(source, picture->width, picture->height, AV_PIX_FMT_RGB24, true, false,
                      SWS_POINT, nullptr);
        if (!rgb) return fail(AVERROR(EINVAL));
        source = Picture{rgb.get(), AV_PIX_FMT_RGB24, true};
    }
    av::FramePtr upright;
    if (orientation != 1) {
        if (source.format != AV_PIX_FMT_RGB24) {
            rgb = Convert(source, picture->width, picture->height, AV_PIX_FMT_RGB24, true, false,
                          SWS_POINT, nullptr);
            if (!rgb) return fail(AVERROR(EINVAL));
        }
        upright = Oriented(rgb ? rgb.get() : source.frame, orientation);
        if (!upright) return fail(AVERROR(ENOMEM));
        source = Picture{upright.get(), AV_PIX_FMT_RGB24, true};
    }
    return ComposePicture(source.frame, source.format, source.fullRange, target, fit, result,
                          stage);
}

}  // namespace vm
