#include "MediaProbe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "FfmpegPtr.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace testsupport {

namespace {

using namespace vm::av;

QString Text(int rc) {
    return QString::fromStdString(ErrorText(rc));
}

struct Decoder {
    CodecContextPtr context;
    AVStream* stream = nullptr;
};

// Opens the file and a decoder for each of its first video and audio streams.
bool OpenMedia(const QString& path, InputPtr* input, Decoder* video, Decoder* audio,
               QString* error) {
    AVFormatContext* raw = nullptr;
    const QByteArray name = path.toUtf8();
    if (int rc = avformat_open_input(&raw, name.constData(), nullptr, nullptr); rc < 0) {
        *error = Text(rc);
        return false;
    }
    input->reset(raw);
    if (int rc = avformat_find_stream_info(raw, nullptr); rc < 0) {
        *error = Text(rc);
        return false;
    }
    for (auto [type, decoder] :
         {std::pair{AVMEDIA_TYPE_VIDEO, video}, std::pair{AVMEDIA_TYPE_AUDIO, audio}}) {
        if (!decoder) continue;
        const AVCodec* codec = nullptr;
        const int index = av_find_best_stream(raw, type, -1, -1, &codec, 0);
        if (index < 0) continue;
        decoder->stream = raw->streams[index];
        decoder->context.reset(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(decoder->context.get(), decoder->stream->codecpar);
        if (int rc = avcodec_open2(decoder->context.get(), codec, nullptr); rc < 0) {
            *error = Text(rc);
            return false;
        }
    }
    return true;
}

// Feeds every packet to its decoder and hands each decoded frame on; the
// callback returns false to stop early.
bool DecodeAll(AVFormatContext* input, std::initializer_list<Decoder*> decoders,
               const std::function<bool(Decoder&, AVFrame*)>& onFrame, QString* error) {
    PacketPtr packet = MakePacket();
    FramePtr frame = MakeFrame();
    auto drain = [&](Decoder& d) {
        while (avcodec_receive_frame(d.context.get(), frame.get()) >= 0) {
            const bool go = onFrame(d, frame.get());
            av_frame_unref(frame.get());
            if (!go) return false;
        }
        return true;
    };
    while (av_read_frame(input, packet.get()) >= 0) {
        // The AVI writer's repeat chunks are empty: nothing to decode (and an
        // empty packet would read as end of stream).
        if (packet->size == 0) {
            av_packet_unref(packet.get());
            continue;
        }
        for (Decoder* d : decoders) {
            if (!d->context || packet->stream_index != d->stream->index) continue;
            avcodec_send_packet(d->context.get(), packet.get());
            if (!drain(*d)) {
                av_packet_unref(packet.get());
                return true;
            }
        }
        av_packet_unref(packet.get());
    }
    for (Decoder* d : decoders) {
        if (!d->context) continue;
        avcodec_send_packet(d->context.get(), nullptr);
        if (!drain(*d)) return true;
    }
    return true;
}

int64_t FrameIndex(const AVFrame* frame, const AVStream* stream) {
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = frame->pts;
    if (ts == AV_NOPTS_VALUE) return -1;
    return av_rescale_q_rnd(ts, stream->time_base, AVRational{1, 25},
                            AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

QImage ToImage(const AVFrame* frame) {
    // swscale may write past a row's end: convert into a padded frame, then copy.
    FramePtr rgb = MakeFrame();
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = frame->width;
    rgb->height = frame->height;
    if (av_frame_get_buffer(rgb.get(), 0) < 0) return {};
    SwsPtr scaler(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                 frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr,
                                 nullptr, nullptr));
    if (!scaler) return {};
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, rgb->data,
              rgb->linesize);
    QImage image(frame->width, frame->height, QImage::Format_RGB888);
    for (int y = 0; y < frame->height; ++y)
        std::copy_n(rgb->data[0] + y * rgb->linesize[0], frame->width * 3, image.scanLine(y));
    return image;
}

}  // namespace

MediaInfo ProbeMedia(const QString& path) {
    MediaInfo info;
    InputPtr input;
    Decoder video, audio;
    if (!OpenMedia(path, &input, &video, &audio, &info.error)) return info;
    info.duration = input->duration > 0 ? double(input->duration) / AV_TIME_BASE : 0;
    if (video.context) {
        info.hasVideo = true;
        info.videoCodec = avcodec_get_name(video.stream->codecpar->codec_id);
        const AVCodecParameters* par = video.stream->codecpar;
        info.width = par->width;
        info.height = par->height;
        const char* profile = avcodec_profile_name(par->codec_id, par->profile);
        info.videoProfile = profile ? profile : "";
        const char* format = av_get_pix_fmt_name(AVPixelFormat(par->format));
        info.pixelFormat = format ? format : "";
        info.colorSpace = av_color_space_name(par->color_space);
        info.colorPrimaries = av_color_primaries_name(par->color_primaries);
        info.colorTransfer = av_color_transfer_name(par->color_trc);
    }
    if (audio.context) {
        info.hasAudio = true;
        info.audioCodec = avcodec_get_name(audio.stream->codecpar->codec_id);
        const char* profile =
            avcodec_profile_name(audio.stream->codecpar->codec_id, audio.stream->codecpar->profile);
        info.audioProfile = profile ? profile : "";
        info.audioSampleRate = audio.stream->codecpar->sample_rate;
        info.audioChannels = audio.stream->codecpar->ch_layout.nb_channels;
    }
    int64_t lastIndex = -1;
    int64_t samples = 0;
    DecodeAll(
        input.get(), {&video, &audio},
        [&](Decoder& d, AVFrame* frame) {
            if (&d == &video) {
                ++info.decodedFrames;
                const int64_t index = FrameIndex(frame, video.stream);
                lastIndex = std::max(lastIndex, index);
                if (frame->key_frame) info.keyframes.push_back(int(index));
            } else {
                samples += frame->nb_samples;
            }
            return true;
        },
        &info.error);
    info.videoFrames = int(lastIndex + 1);
    if (info.audioSampleRate > 0) info.audioDuration = double(samples) / info.audioSampleRate;
    info.ok = true;
    return info;
}

// Hands each decoded picture of the file's video to `visit` (false: stop).
// The problem, empty when there was none.
static QString VisitVideoFrames(const QString& path,
                                const std::function<bool(AVFrame*, int64_t)>& visit) {
    QString problem;
    InputPtr input;
    Decoder video;
    if (!OpenMedia(path, &input, &video, nullptr, &problem)) return problem;
    if (!video.context) return "no video stream";
    DecodeAll(
        input.get(), {&video},
        [&](Decoder&, AVFrame* frame) { return visit(frame, FrameIndex(frame, video.stream)); },
        &problem);
    return problem;
}

QImage DecodeFrame(const QString& path, int index, QString* error) {
    QImage shown;
    QString problem = VisitVideoFrames(path, [&](AVFrame* frame, int64_t at) {
        if (at > index) return false;
        shown = ToImage(frame);
        return true;
    });
    if (shown.isNull() && problem.isEmpty()) problem = QString("no frame at %1").arg(index);
    if (error) *error = problem;
    return shown;
}

std::vector<QImage> DecodeFrames(const QString& path, QString* error) {
    std::vector<QImage> frames;
    QString problem = VisitVideoFrames(path, [&](AVFrame* frame, int64_t index) {
        if (index < 0) return true;
        while (!frames.empty() && int64_t(frames.size()) < index) frames.push_back(frames.back());
        frames.resize(size_t(index));
        frames.push_back(ToImage(frame));
        return true;
    });
    if (frames.empty() && problem.isEmpty()) problem = "no frames";
    if (error) *error = problem;
    return frames;
}

QColor AverageColor(const QString& path, int index, QString* error) {
    const QImage image = DecodeFrame(path, index, error);
    if (image.isNull()) return {};
    double sum[3] = {};
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < 3; ++c) sum[c] += line[x * 3 + c];
    }
    const double n = double(image.width()) * image.height();
    return QColor(int(std::lround(sum[0] / n)), int(std::lround(sum[1] / n)),
                  int(std::lround(sum[2] / n)));
}

int MaxDeviation(const QImage& image, const QColor& color) {
    const int target[3] = {color.red(), color.green(), color.blue()};
    int worst = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(line[x * 3 + c] - target[c]));
    }
    return worst;
}

int ColorDistance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

char StrongestColor(const QColor& c) {
    const int r = c.red(), g = c.green(), b = c.blue();
    return r > 60 && r > 3 * std::max(g, b)   ? 'r'
           : g > 60 && g > 3 * std::max(r, b) ? 'g'
           : b > 60 && b > 3 * std::max(r, g) ? 'b'
           : std::max({r, g, b}) < 30         ? 'k'
                                              : '?';
}

double PeakAudioLevel(const QString& path, double from, double to, QString* error) {
    QString problem;
    InputPtr input;
    Decoder audio;
    double peak = 0;
    if (OpenMedia(path, &input, nullptr, &audio, &problem)) {
        if (!audio.context)
            problem = "no audio stream";
        else {
            int64_t position = 0;  // samples decoded so far
            const int rate = audio.context->sample_rate;
            DecodeAll(
                input.get(), {&audio},
                [&](Decoder&, AVFrame* frame) {
                    const int channels = frame->ch_layout.nb_channels;
                    const auto format = AVSampleFormat(frame->format);
                    const bool planar = av_sample_fmt_is_planar(format);
                    for (int i = 0; i < frame->nb_samples; ++i) {
                        const double t = double(position + i) / rate;
                        if (t < from || t >= to) continue;
                        for (int c = 0; c < channels; ++c) {
                            const int plane = planar ? c : 0;
                            const int at = planar ? i : i * channels + c;
                            double v = 0;
                            if (format == AV_SAMPLE_FMT_S16 || format == AV_SAMPLE_FMT_S16P)
                                v = reinterpret_cast<const int16_t*>(
                                        frame->extended_data[plane])[at] /
                                    32768.0;
                            else if (format == AV_SAMPLE_FMT_FLT || format == AV_SAMPLE_FMT_FLTP)
                                v = reinterpret_cast<const float*>(frame->extended_data[plane])[at];
                            else if (format == AV_SAMPLE_FMT_S32 || format == AV_SAMPLE_FMT_S32P)
                                v = reinterpret_cast<const int32_t*>(
                                        frame->extended_data[plane])[at] /
                                    2147483648.0;
                            peak = std::max(peak, std::abs(v));
                        }
                    }
                    position += frame->nb_samples;
                    return double(position) / rate < to;
                },
                &problem);
        }
    }
    if (error) *error = problem;
    return peak;
}

}  // namespace testsupport
