#include "IntroClip.h"

#include "ImageLoader.h"

#include <cmath>
#include <cstring>

#include "RenderTimeline.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

namespace vm {

namespace {

// Opens the file and its best video stream; the stream's index, or an error.
int OpenVideo(const std::string& path, av::InputPtr* input, const AVCodec** codec) {
    AVFormatContext* raw = nullptr;
    if (int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); rc < 0) return rc;
    input->reset(raw);
    if (int rc = avformat_find_stream_info(raw, nullptr); rc < 0) return rc;
    return av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, codec, 0);
}

// Still pictures come through the image demuxers ("image2", "png_pipe", ...).
bool IsPicture(const AVFormatContext* input) {
    const char* name = input->iformat->name;
    const size_t length = std::strlen(name);
    return std::strcmp(name, "image2") == 0 ||
           (length > 5 && std::strcmp(name + length - 5, "_pipe") == 0);
}

}  // namespace

bool IntroClip::Measure(const std::string& path, double pictureSeconds, RenderJob::Bookend* out,
                        std::string* error) {
    av::InputPtr input;
    const AVCodec* codec = nullptr;
    const int stream = OpenVideo(path, &input, &codec);
    if (stream < 0) {
        *error = stream == AVERROR_STREAM_NOT_FOUND ? "it has no pictures" : av::ErrorText(stream);
        return false;
    }
    out->path = path;
    out->picture = IsPicture(input.get());
    if (out->picture) {
        // A picture is only known to be one once it decodes.
        RenderResult decoded;
        if (!DecodeFirstFrame(path, &decoded)) {
            *error = decoded.message;
            return false;
        }
    }
    double seconds = pictureSeconds;
    if (!out->picture) {
        const AVStream* s = input->streams[stream];
        seconds = s->duration > 0       ? s->duration * av_q2d(s->time_base)
                  : input->duration > 0 ? double(input->duration) / AV_TIME_BASE
                                        : 0.0;
    }
    out->frames = SecondsToFrames(seconds);
    out->sound = !out->picture &&
                 av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    if (out->frames <= 0) {
        *error = "it has no length";
        return false;
    }
    return true;
}

bool IntroClip::Fail(int rc, RenderResult* result) {
    *result = RenderResult::Fail(stage_, av::ErrorText(rc));
    return false;
}

bool IntroClip::Open(const RenderJob::Bookend& bookend, const CanvasFormat& canvas,
                     RenderResult* result) {
    stage_ = "reading " + bookend.path;
    picture_ = bookend.picture;
    if (picture_) {
        last_ = LoadPicture(bookend.path, canvas, result, PictureFit::Fit);
        return last_ != nullptr;
    }
    const AVCodec* codec = nullptr;
    stream_ = OpenVideo(bookend.path, &input_, &codec);
    if (stream_ < 0) return Fail(stream_, result);
    const AVStream* stream = input_->streams[stream_];
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_) return Fail(AVERROR(ENOMEM), result);
    if (int rc = avcodec_parameters_to_context(decoder_.get(), stream->codecpar); rc < 0)
        return Fail(rc, result);
    decoder_->pkt_timebase = stream->time_base;
    if (int rc = avcodec_open2(decoder_.get(), codec, nullptr); rc < 0) return Fail(rc, result);

    graph_.reset(avfilter_graph_alloc());
    packet_ = av::MakePacket();
    decoded_ = av::MakeFrame();
    if (!graph_ || !packet_ || !decoded_) return Fail(AVERROR(ENOMEM), result);
    graph_->nb_threads = 1;
    const AVRational aspect =
        decoder_->sample_aspect_ratio.num > 0 ? decoder_->sample_aspect_ratio : AVRational{1, 1};
    const std::string source =
        "video_size=" + std::to_string(decoder_->width) + "x" + std::to_string(decoder_->height) +
        ":pix_fmt=" + std::to_string(decoder_->pix_fmt) +
        ":time_base=" + std::to_string(stream->time_base.num) + "/" +
        std::to_string(stream->time_base.den) + ":pixel_aspect=" + std::to_string(aspect.num) +
        "/" + std::to_string(aspect.den);
    const std::string size = std::to_string(canvas.width) + ":" + std::to_string(canvas.height);
    // Whole, aspect kept, centred on black, in the canvas's colours.
    const std::string chain =
        "fps=" + std::to_string(kFramesPerSecond) + ",scale=" + size +
        ":force_original_aspect_ratio=decrease:force_divisible_by=2:flags=bicubic"
        ":out_color_matrix=" +
        (canvas.bt709 ? "bt709" : "bt601") + ":out_range=" + (canvas.fullRange ? "pc" : "tv") +
        ",setsar=1,pad=" + size + ":-1:-1:black,format=" + av_get_pix_fmt_name(canvas.format);
    int rc = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in",
                                          source.c_str(), nullptr, graph_.get());
    if (rc >= 0)
        rc = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out",
                                          nullptr, nullptr, graph_.get());
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (rc >= 0 && (!outputs || !inputs)) rc = AVERROR(ENOMEM);
    if (rc >= 0) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source_;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink_;
        rc = avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &inputs, &outputs, nullptr);
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (rc >= 0) rc = avfilter_graph_config(graph_.get(), nullptr);
    return rc >= 0 || Fail(rc, result);
}

int IntroClip::Feed() {
    while (true) {
        int rc = avcodec_receive_frame(decoder_.get(), decoded_.get());
        if (rc >= 0) {
            // The clip starts at its first picture, whatever its stamps say.
            int64_t pts = decoded_->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) pts = decoded_->pts;
            if (firstPts_ == AV_NOPTS_VALUE) firstPts_ = pts == AV_NOPTS_VALUE ? 0 : pts;
            decoded_->pts = pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : pts - firstPts_;
            rc = av_buffersrc_add_frame_flags(source_, decoded_.get(), AV_BUFFERSRC_FLAG_KEEP_REF);
            av_frame_unref(decoded_.get());
            return rc;
        }
        if (rc == AVERROR_EOF) {
            inputEnded_ = true;
            return av_buffersrc_add_frame(source_, nullptr);  // the fps filter's last frames
        }
        if (rc != AVERROR(EAGAIN)) return rc;
        bool ended = false;
        rc = av::FeedDecoder(input_.get(), stream_, packet_.get(), decoder_.get(), &ended);
        if (rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) return rc;
    }
}

av::FramePtr IntroClip::Next(RenderResult* result) {
    auto held = [&]() -> av::FramePtr {
        if (last_) return av::CloneFrame(last_.get());
        *result = RenderResult::Fail(stage_, "no picture could be decoded");
        return nullptr;
    };
    if (picture_ || filterEnded_) return held();
    av::FramePtr frame = av::MakeFrame();
    if (!frame) {
        Fail(AVERROR(ENOMEM), result);
        return nullptr;
    }
    while (true) {
        int rc = av_buffersink_get_frame(sink_, frame.get());
        if (rc >= 0) {
            last_ = av::CloneFrame(frame.get());
            return frame;
        }
        if (rc == AVERROR_EOF) {
            filterEnded_ = true;
            return held();
        }
        if (rc != AVERROR(EAGAIN) || inputEnded_ || (rc = Feed()) < 0) {
            Fail(rc, result);
            return nullptr;
        }
    }
}

}  // namespace vm
