#pragma once

// Owners for the FFmpeg objects the renderer uses: every allocation gets its
// free function attached at once, so each failure path is a plain return.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace vm::av {

struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
// For contexts opened with avformat_open_input.
struct InputDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
// For contexts made with avformat_alloc_output_context2; the file itself is
// closed by its owner (Finish), this only frees.
struct OutputDeleter {
    void operator()(AVFormatContext* f) const {
        if (f->pb && !(f->oformat->flags & AVFMT_NOFILE)) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};

using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;

inline FramePtr MakeFrame() {
    return FramePtr(av_frame_alloc());
}
inline PacketPtr MakePacket() {
    return PacketPtr(av_packet_alloc());
}

// A new reference to the same picture (no copy of the pixels).
inline FramePtr CloneFrame(const AVFrame* f) {
    return FramePtr(av_frame_clone(f));
}

// FFmpeg's own text for a return code.
inline std::string ErrorText(int code) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return buffer;
}

// Reads the file's next packet and hands it to `decoder` when it is of
// `stream`. At the end of the file the decoder is told to flush and `ended`
// is set. A read error other than the end comes back as it is; with
// `corruptIsDamage` so does a packet the demuxer marked corrupt (a file cut
// short), as AVERROR_INVALIDDATA.
inline int FeedDecoder(AVFormatContext* input, int stream, AVPacket* packet,
                       AVCodecContext* decoder, bool* ended, bool corruptIsDamage = false) {
    int rc = av_read_frame(input, packet);
    if (rc == AVERROR_EOF) {
        *ended = true;
        return avcodec_send_packet(decoder, nullptr);
    }
    if (rc < 0) return rc;
    if (corruptIsDamage && (packet->flags & AV_PKT_FLAG_CORRUPT)) {
        av_packet_unref(packet);
        return AVERROR_INVALIDDATA;
    }
    if (packet->stream_index == stream) rc = avcodec_send_packet(decoder, packet);
    av_packet_unref(packet);
    return rc;
}

}  // namespace vm::av
