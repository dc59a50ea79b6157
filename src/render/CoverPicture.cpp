#include "CoverPicture.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "CaptionRenderer.h"
#include "FfmpegPtr.h"
#include "ImageLoader.h"
#include "LogoOverlay.h"

namespace vm {

RenderResult MakeCoverPicture(const std::string& picture, int width, int height,
                              const std::string& headline, const std::string& outputPath,
                              const RenderJob::Logo& logo) {
    const std::string stage = "making the cover picture " + outputPath;
    RenderResult result;
    // JPEG is full range: compose in it directly.
    const CanvasFormat canvas{width, height, AV_PIX_FMT_YUV420P, true, false};
    av::FramePtr frame = LoadPicture(picture, canvas, &result, PictureFit::Fill);
    if (!frame) return result;
    CaptionRenderer text;
    if (!headline.empty() && (!text.OpenHeadline(headline, width, height, &result) ||
                              !text.Draw(frame.get(), 0.5, false, &result)))
        return result;
    LogoOverlay overlay;
    if (!overlay.Open(logo, canvas, &result)) return result;
    overlay.Draw(frame.get());

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec) return RenderResult::Fail(stage, av::ErrorText(AVERROR_ENCODER_NOT_FOUND));
    av::CodecContextPtr encoder(avcodec_alloc_context3(codec));
    if (!encoder) return RenderResult::Fail(stage, av::ErrorText(AVERROR(ENOMEM)));
    AVCodecContext* c = encoder.get();
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_YUVJ420P;
    c->color_range = AVCOL_RANGE_JPEG;
    c->time_base = AVRational{1, 25};
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = 3 * FF_QP2LAMBDA;  // a sharp picture, still small
    if (int rc = avcodec_open2(c, codec, nullptr); rc < 0)
        return RenderResult::Fail(stage, av::ErrorText(rc));
    frame->format = AV_PIX_FMT_YUVJ420P;
    frame->quality = c->global_quality;
    frame->pts = 0;
    av::PacketPtr packet = av::MakePacket();
    if (!packet) return RenderResult::Fail(stage, av::ErrorText(AVERROR(ENOMEM)));
    int rc = avcodec_send_frame(c, frame.get());
    if (rc >= 0) rc = avcodec_send_frame(c, nullptr);
    if (rc >= 0) rc = avcodec_receive_packet(c, packet.get());
    if (rc < 0) return RenderResult::Fail(stage, av::ErrorText(rc));

    const std::string part = outputPath + "." + std::to_string(getpid()) + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(packet->data), packet->size);
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(part, ec);
            return RenderResult::Fail(stage, "the file cannot be written");
        }
    }
    std::error_code ec;
    std::filesystem::rename(part, outputPath, ec);
    if (ec) {
        std::filesystem::remove(part, ec);
        return RenderResult::Fail(stage, ec.message());
    }
    return result;
}

}  // namespace vm
