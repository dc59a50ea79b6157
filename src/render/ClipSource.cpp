#include "ClipSource.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>
#include <vector>

#include "RenderJob.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

namespace vm {

namespace {

std::string LowerExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Opens a file and finds its picture stream (not a music file's cover art).
// Returns the stream, or a negative code; `why` then says what is wrong in
// words a user understands when FFmpeg's own would not.
int OpenVideo(const std::string& path, av::InputPtr* input, const AVCodec** codec,
              std::string* why) {
    AVFormatContext* raw = nullptr;
    if (int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); rc < 0) return rc;
    input->reset(raw);
    if (int rc = avformat_find_stream_info(raw, nullptr); rc < 0) return rc;
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (raw->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(raw->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            const AVCodecParameters* par = raw->streams[i]->codecpar;
            *codec = avcodec_find_decoder(par->codec_id);
            if (!*codec) {
                *why = std::string("no decoder for its pictures (") +
                       avcodec_get_name(par->codec_id) + ")";
                return AVERROR_DECODER_NOT_FOUND;
            }
            return int(i);
        }
    *why = "it holds no pictures";
    return AVERROR_STREAM_NOT_FOUND;
}

// Degrees clockwise a stream's pictures are turned to stand upright, from
// the display matrix phones write (0, 90, 180 or 270).
int StreamRotation(const AVStream* stream) {
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix) return 0;
    const double angle = -av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(angle)) return 0;
    int degrees = int(std::lround(angle / 90.0)) * 90 % 360;
    return degrees < 0 ? degrees + 360 : degrees;
}

}  // namespace

bool IsClipFile(const std::string& path) {
    static const char* const kClips[] = {".mp4", ".mov", ".mkv", ".webm", ".avi"};
    const std::string ext = LowerExtension(path);
    if (std::find(std::begin(kClips), std::end(kClips), ext) != std::end(kClips)) return true;
    if (ext != ".gif") return false;
    // An animated GIF has a second picture: count packets, decode nothing.
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return false;
    av::InputPtr input(raw);
    av::PacketPtr packet = av::MakePacket();
    int pictures = 0;
    while (packet && pictures < 2 && av_read_frame(raw, packet.get()) >= 0) {
        ++pictures;
        av_packet_unref(packet.get());
    }
    return pictures > 1;
}

ClipInfo ProbeClip(const std::string& path) {
    ClipInfo info;
    RenderResult result;
    auto clip = ClipSource::Open(path, CanvasFormat{16, 16}, PictureFit::Fit, false, &result);
    if (clip) clip->FrameAt(0, &result);
    if (!result.ok) {
        info.problem = result.message;
        return info;
    }
    av::InputPtr input;
    const AVCodec* codec = nullptr;
    std::string why;
    const int stream = OpenVideo(path, &input, &codec, &why);
    if (stream < 0) return info;
    AVFormatContext* raw = input.get();
    if (raw->duration > 0) info.seconds = double(raw->duration) / AV_TIME_BASE;
    const AVStream* pictures = raw->streams[stream];
    info.pictureSeconds = pictures->duration > 0
                              ? double(pictures->duration) * av_q2d(pictures->time_base)
                              : info.seconds;
    // Still pictures come through the image demuxers ("image2", "png_pipe" ...).
    const std::string demuxer = raw->iformat->name;
    info.still = demuxer == "image2" ||
                 (demuxer.size() > 5 && demuxer.compare(demuxer.size() - 5, 5, "_pipe") == 0);
    info.sound = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    // Every packet read (none decoded): a file cut short fails here, not
    // halfway through a video.
    av::PacketPtr packet = av::MakePacket();
    int rc = 0;
    while (packet && (rc = av_read_frame(raw, packet.get())) >= 0) {
        const bool corrupt = packet->flags & AV_PKT_FLAG_CORRUPT;
        av_packet_unref(packet.get());
        if (corrupt) {
            rc = AVERROR_INVALIDDATA;
            break;
        }
    }
    if (rc < 0 && rc != AVERROR_EOF)
        info.problem = "it is cut short or damaged (" + av::ErrorText(rc) + ")";
    return info;
}

std::unique_ptr<ClipSource> ClipSource::Open(const std::string& path, const CanvasFormat& canvas,
                                             PictureFit fit, bool loop, RenderResult* result,
                                             const std::string& role) {
    std::unique_ptr<ClipSource> clip(new ClipSource);
    clip->path_ = path;
    clip->stage_ = "decoding " + role + " " + path;
    clip->canvas_ = canvas;
    clip->fit_ = fit;
    clip->loop_ = loop;
    if (!clip->Start(result)) return nullptr;
    return clip;
}

ClipSource::~ClipSource() = default;

bool ClipSource::Fail(int rc, RenderResult* result) {
    *result = RenderResult::Fail(stage_, av::ErrorText(rc));
    return false;
}

bool ClipSource::Start(RenderResult* result) {
    // Each pass opens the file again: a clip that loops starts clean, and a
    // seek in a file without an index cannot go wrong.
    graph_.reset();
    decoder_.reset();
    input_.reset();
    const AVCodec* codec = nullptr;
    std::string why;
    stream_ = OpenVideo(path_, &input_, &codec, &why);
    if (stream_ < 0) {
        *result = RenderResult::Fail(stage_, why.empty() ? av::ErrorText(stream_) : why);
        return false;
    }
    const AVStream* stream = input_->streams[stream_];
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_) return Fail(AVERROR(ENOMEM), result);
    if (int rc = avcodec_parameters_to_context(decoder_.get(), stream->codecpar); rc < 0)
        return Fail(rc, result);
    decoder_->thread_count = 2;
    decoder_->pkt_timebase = stream->time_base;
    if (int rc = avcodec_open2(decoder_.get(), codec, nullptr); rc < 0) return Fail(rc, result);
    rotation_ = StreamRotation(stream);
    packet_ = av::MakePacket();
    decoded_ = av::MakeFrame();
    if (!packet_ || !decoded_) return Fail(AVERROR(ENOMEM), result);
    firstPts_ = AV_NOPTS_VALUE;
    lastPts_ = 0;
    lastLength_ = 0;
    decodedInPass_ = 0;
    decoderDrained_ = false;
    passFrames_ = 0;
    return true;
}

// The graph is made for the first decoded picture (its size and format).
static int MakeGraph(av::FilterGraphPtr* graph, AVFilterContext** source, AVFilterContext** sink,
                     const AVFrame* like, AVRational timeBase, int rotation) {
    graph->reset(avfilter_graph_alloc());
    if (!*graph) return AVERROR(ENOMEM);
    (*graph)->nb_threads = 1;
    AVRational aspect = like->sample_aspect_ratio;
    if (aspect.num <= 0 || aspect.den <= 0) aspect = AVRational{1, 1};
    const std::string args =
        "video_size=" + std::to_string(like->width) + "x" + std::to_string(like->height) +
        ":pix_fmt=" + std::to_string(like->format) + ":time_base=" + std::to_string(timeBase.num) +
        "/" + std::to_string(timeBase.den) + ":pixel_aspect=" + std::to_string(aspect.num) + "/" +
        std::to_string(aspect.den);
    int rc = avfilter_graph_create_filter(source, avfilter_get_by_name("buffer"), "in",
                                          args.c_str(), nullptr, graph->get());
    if (rc < 0) return rc;
    // Upright first, square pixels, then 25 frames a second: each output
    // frame shows the picture that is on screen at its time.
    std::vector<std::pair<const char*, std::string>> chain;
    if (rotation == 90) chain.push_back({"transpose", "clock"});
    if (rotation == 270) chain.push_back({"transpose", "cclock"});
    if (rotation == 180) {
        chain.push_back({"hflip", ""});
        chain.push_back({"vflip", ""});
    }
    if (aspect.num != aspect.den) chain.push_back({"scale", "w=iw*sar:h=ih"});
    if (aspect.num != aspect.den) chain.push_back({"setsar", "1"});
    chain.push_back({"fps", "fps=" + std::to_string(kFramesPerSecond) + ":start_time=0"});
    AVFilterContext* last = *source;
    for (size_t i = 0; i < chain.size(); ++i) {
        AVFilterContext* filter = nullptr;
        rc = avfilter_graph_create_filter(
            &filter, avfilter_get_by_name(chain[i].first), ("f" + std::to_string(i)).c_str(),
            chain[i].second.empty() ? nullptr : chain[i].second.c_str(), nullptr, graph->get());
        if (rc >= 0) rc = avfilter_link(last, 0, filter, 0);
        if (rc < 0) return rc;
        last = filter;
    }
    rc = avfilter_graph_create_filter(sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                      nullptr, graph->get());
    if (rc >= 0) rc = avfilter_link(last, 0, *sink, 0);
    if (rc >= 0) rc = avfilter_graph_config(graph->get(), nullptr);
    return rc;
}

int ClipSource::Feed() {
    // Pictures the decoder has ready go into the graph first.
    while (true) {
        int rc = avcodec_receive_frame(decoder_.get(), decoded_.get());
        if (rc == AVERROR_EOF) {
            // The graph flushes the frames the fps filter holds. The end is
            // where the last frame's own time runs out, or the fps filter
            // would drop it.
            if (!graph_) return AVERROR_EOF;
            rc = av_buffersrc_close(source_, lastPts_ + std::max<int64_t>(lastLength_, 1), 0);
            return rc < 0 ? rc : AVERROR_EOF;
        }
        if (rc >= 0) {
            AVFrame* frame = decoded_.get();
            int64_t pts = frame->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) pts = frame->pts;
            if (pts == AV_NOPTS_VALUE) pts = 0;
            if (firstPts_ == AV_NOPTS_VALUE) firstPts_ = pts;
            frame->pts = pts - firstPts_;
            // How long it shows: its packet's length, else the step from
            // the frame before (variable rates change it as they go).
            const int64_t step = decodedInPass_ > 0 ? frame->pts - lastPts_ : 0;
            lastLength_ = frame->pkt_duration > 0 ? frame->pkt_duration
                          : step > 0              ? step
                                                  : lastLength_;
            if (lastLength_ <= 0)
                lastLength_ = av_rescale_q(1, AVRational{1, kFramesPerSecond},
                                           input_->streams[stream_]->time_base);
            lastPts_ = frame->pts;
            ++decodedInPass_;
            if (!graph_) {
                rc = MakeGraph(&graph_, &source_, &sink_, frame,
                               input_->streams[stream_]->time_base, rotation_);
                if (rc < 0) return rc;
            }
            rc = av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
            av_frame_unref(frame);
            return rc;
        }
        if (rc != AVERROR(EAGAIN)) return rc;
        if (decoderDrained_) return AVERROR_EOF;
        // The decoder wants another packet of the picture stream.
        rc = av_read_frame(input_.get(), packet_.get());
        if (rc == AVERROR_EOF) {
            decoderDrained_ = true;
            rc = avcodec_send_packet(decoder_.get(), nullptr);
        } else if (rc < 0) {
            return rc;  // a file cut short ends in damage, not EOF
        } else if (packet_->flags & AV_PKT_FLAG_CORRUPT) {
            av_packet_unref(packet_.get());
            return AVERROR_INVALIDDATA;  // the demuxer found the file cut short
        } else {
            if (packet_->stream_index == stream_)
                rc = avcodec_send_packet(decoder_.get(), packet_.get());
            av_packet_unref(packet_.get());
            // A damaged packet is skipped, as players do; a clip of nothing
            // but damage ends up with no pictures and fails below.
            if (rc == AVERROR_INVALIDDATA) rc = 0;
        }
        if (rc < 0 && rc != AVERROR(EAGAIN)) return rc;
    }
}

int ClipSource::Next(AVFrame* out) {
    while (true) {
        if (graph_) {
            int rc = av_buffersink_get_frame(sink_, out);
            if (rc != AVERROR(EAGAIN)) return rc;
        }
        int rc = Feed();
        if (rc == AVERROR_EOF && !graph_) return AVERROR_EOF;  // not one picture
        if (rc < 0 && rc != AVERROR_EOF) return rc;
        if (rc == AVERROR_EOF) {
            // The graph has had its end: what it still holds comes out, then EOF.
            rc = av_buffersink_get_frame(sink_, out);
            return rc == AVERROR(EAGAIN) ? AVERROR_EOF : rc;
        }
    }
}

av::FramePtr ClipSource::FrameAt(int frame, RenderResult* result) {
    av::FramePtr next = av::MakeFrame();
    av::FramePtr incoming = av::MakeFrame();
    if (!next || !incoming) {
        Fail(AVERROR(ENOMEM), result);
        return nullptr;
    }
    bool got = false;
    while (shown_ < frame && !ended_) {
        int rc = Next(incoming.get());
        if (rc == AVERROR_EOF) {
            if (shown_ < 0) {
                *result = RenderResult::Fail(stage_, "not one picture could be decoded");
                return nullptr;
            }
            // Past its end: held, or from its start again (a pass that gave
            // nothing new stops the loop rather than spinning).
            if (!loop_ || passFrames_ == 0) {
                ended_ = true;
                break;
            }
            offset_ = shown_ + 1;
            if (!Start(result)) return nullptr;
            continue;
        }
        if (rc < 0) {
            *result = RenderResult::Fail(
                stage_, rc == AVERROR_INVALIDDATA
                            ? "it is cut short or damaged (" + av::ErrorText(rc) + ")"
                            : av::ErrorText(rc));
            return nullptr;
        }
        av_frame_unref(next.get());
        av_frame_move_ref(next.get(), incoming.get());
        ++passFrames_;
        shown_ = offset_ + passFrames_ - 1;
        got = true;
    }
    if (got) {
        bool fullRange = false;
        const AVPixelFormat format = PlainPixelFormat(AVPixelFormat(next->format), &fullRange);
        fullRange = fullRange || next->color_range == AVCOL_RANGE_JPEG;
        current_ =
            ComposePicture(next.get(), format, fullRange, canvas_, fit_, result, stage_, &scalers_);
        if (!current_) {
            if (result->ok) Fail(AVERROR(ENOMEM), result);
            return nullptr;
        }
    }
    av::FramePtr copy = av::CloneFrame(current_.get());
    if (!copy) Fail(AVERROR(ENOMEM), result);
    return copy;
}

}  // namespace vm
