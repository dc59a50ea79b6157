#include "VideoWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "ImageLoader.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vm {

namespace {

constexpr int kAudioChunk = kAudioRate / 10;  // 0.1 s of sound per AVI chunk
constexpr int kAacBitRate = 128000;
// How far the AAC thread runs ahead of the pictures (about 4.6 s), and how
// long the render thread waits for it before it gives up.
constexpr size_t kAacPacketsAhead = 200;
constexpr auto kAacWait = std::chrono::seconds(60);
// x264's speed for MP4: few frames change in a slideshow, so a fast preset
// costs little size. On the captioned 1080p reference slideshow "veryfast"
// takes a third less time than "faster" for a file 3% larger at the same
// SSIM and PSNR against a lossless render.
constexpr char kX264Preset[] = "veryfast";
constexpr int kDefaultCrf = 23;
constexpr int kX264Threads = 3;
// MP4's GOPs are closed, one a slide; a still longer than this gets another
// keyframe (10 s, x264's own default).
constexpr int kLongestGop = 250;
// What x264 is held to, beyond the preset:
// - two B-frames at most, as YouTube's upload guide asks (veryfast's three
//   make the photo benchmark's file 3.5% smaller, in the same time);
// - no B-frame pyramid and spatial direct prediction: the repeats copy the
//   last reference picture, and no B-frame may lean on a distance between
//   pictures that the repeats change;
// - keyframes only where the writer puts them.
constexpr char kX264Params[] = "b-pyramid=none:direct=spatial:scenecut=0:open-gop=0";
// How far decoding runs ahead of showing: x264's B-frames are shown after
// the P-frame they lean on, so its packets come before theirs.
constexpr int kReorderFrames = 2;

// x264 looks this far ahead (frames); each frame it holds is about 12 MB at
// 1080p. Half veryfast's ten: a captioned 1080p render holds 290 MB instead
// of 320, for 0.1 dB of PSNR at the same size on the photo benchmark.
constexpr int kLookahead = 5;
// The frames x264 would see copy a picture with veryfast's own look-ahead.
constexpr int kStillFramesSeen = 10;

// How many QP steps better a picture that stays on screen is encoded. x264
// works this out for itself (its macroblock tree) from the frames it sees
// copy the picture, as many as it looks ahead; the repeats never reach it,
// so it is told: 2.5 QP for each doubling of the frames that show the
// picture again, as many as it would have seen. With the GOP starting at
// each settled slide this spends more on stills and less on transitions
// than x264 left to itself; kCrfOffset brings the size back.
double StillBoost(int repeats) {
    return 2.5 * std::log2(1.0 + std::min(repeats, kStillFramesSeen));
}

// Our CRF means what `ffmpeg -c:v libx264 -preset veryfast -crf N` means for
// the same frames (users compare the numbers): x264 is run at N + 2.2. On
// the photo benchmark (bench_mp4) CRF 23 then gives a file 4% smaller than
// ffmpeg's at SSIM 0.003 and PSNR 0.06 dB better. CRF 0 stays lossless.
constexpr double kCrfOffset = 2.2;

bool IsQuantiserCodec(const std::string& name) {
    return name == "mpeg4" || name == "libxvid" || name == "msmpeg4" || name == "msmpeg4v2" ||
           name == "wmv1" || name == "wmv2" || name == "mjpeg" || name == "mpeg1video" ||
           name == "mpeg2video" || name == "h263p" || name == "flv";
}

void Configure(AVCodecContext* c, const AVCodec* codec, int width, int height) {
    c->width = width;
    c->height = height;
    c->time_base = AVRational{1, kFramesPerSecond};
    c->framerate = AVRational{kFramesPerSecond, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->max_b_frames = 0;  // the AVI repeat chunks need dts == pts
    // FFV1 ignores forced key pictures; few frames change, so make each one a key.
    c->gop_size = codec->id == AV_CODEC_ID_FFV1 ? 1 : 250;
    bool fullRange = false;
    c->pix_fmt = EncoderPixelFormat(codec, &fullRange);
    if (fullRange) c->color_range = AVCOL_RANGE_JPEG;
}

}  // namespace

AVPixelFormat EncoderPixelFormat(const AVCodec* codec, bool* fullRange) {
    *fullRange = false;
    if (codec->id == AV_CODEC_ID_RAWVIDEO) return AV_PIX_FMT_BGR24;
    if (!codec->pix_fmts) return AV_PIX_FMT_YUV420P;
    // Full-range (JPEG) codecs list a yuvj format first: feed the plain
    // format with full range instead.
    bool full = false;
    const AVPixelFormat plain = PlainPixelFormat(codec->pix_fmts[0], &full);
    if (full) {
        *fullRange = true;
        for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
            if (*f == plain) return plain;
        return codec->pix_fmts[0];
    }
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == AV_PIX_FMT_YUV420P) return *f;
    return codec->pix_fmts[0];
}

bool VideoWriter::CanOpen(const AVCodec* codec, int width, int height, std::string* error) {
    av::CodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c) return false;
    Configure(c.get(), codec, width, height);
    c->thread_count = 1;
    const int rc = avcodec_open2(c.get(), codec, nullptr);
    if (rc < 0 && error) *error = av::ErrorText(rc);
    return rc >= 0;
}

bool VideoWriter::Open(const RenderJob& job, int totalFrames, AudioMix* audio, RenderResult* result,
                       int threads) {
    totalFrames_ = totalFrames;
    quality_ = job.quality;
    mp4_ = job.container == "mp4";
    codecName_ = mp4_ ? std::string("libx264") : job.codec;
    audio_ = audio;
    audioRate_ = audio_ ? audio_->SampleRate() : kAudioRate;
    const std::string outputStage = "writing " + job.outputPath;
    const std::string encoderStage = "opening encoder " + job.codecName;
    auto fail = [&](const std::string& stage, int rc) {
        *result = RenderResult::Fail(stage, av::ErrorText(rc));
        return false;
    };

    AVFormatContext* raw = nullptr;
    if (int rc = avformat_alloc_output_context2(&raw, nullptr, mp4_ ? "mp4" : "avi",
                                                job.outputPath.c_str());
        rc < 0)
        return fail(outputStage, rc);
    output_.reset(raw);

    const AVCodec* codec = avcodec_find_encoder_by_name(codecName_.c_str());
    if (!codec) return fail(encoderStage, AVERROR_ENCODER_NOT_FOUND);
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_) return fail(encoderStage, AVERROR(ENOMEM));
    AVCodecContext* c = encoder_.get();
    Configure(c, codec, job.width, job.height);
    if (mp4_) {
        // What sites and phones take as it is: 4:2:0, High profile, HD colours.
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->color_range = AVCOL_RANGE_MPEG;
        c->color_primaries = AVCOL_PRI_BT709;
        c->color_trc = AVCOL_TRC_BT709;
        c->colorspace = AVCOL_SPC_BT709;
        // x264's bytes depend on how many threads it runs (3 is its choice
        // on 2 cores): a fixed count, so a seed makes the same file on any
        // machine. A batch keeps the other cores busy with other videos.
        c->thread_count = kX264Threads;
        c->max_b_frames = 2;
        c->gop_size = kLongestGop;
        c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
        if (quality_ < 0) quality_ = kDefaultCrf;
        // CRF 0 is lossless, which High profile cannot hold (x264 takes High 4:4:4 then).
        if (quality_ > 0) av_opt_set(c->priv_data, "profile", "high", 0);
        av_opt_set(c->priv_data, "preset", kX264Preset, 0);
        // Stills are given once, so a short look ahead loses little and
        // saves much memory.
        av_opt_set_int(c->priv_data, "rc-lookahead", kLookahead, 0);
        av_opt_set_int(c->priv_data, "forced-idr", 1, 0);
        av_opt_set(c->priv_data, "x264-params", kX264Params, 0);
        bt709_ = true;
    }
    if (!mp4_ && threads > 1 && (codec->capabilities & AV_CODEC_CAP_SLICE_THREADS)) {
        c->thread_count = threads;
        c->thread_type = FF_THREAD_SLICE;
    }
    format_ = c->pix_fmt;
    fullRange_ = c->color_range == AVCOL_RANGE_JPEG;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (quality_ >= 0) {
        if (codecName_ == "libx264") {
            av_opt_set_double(
                c->priv_data, "crf",
                mp4_ && quality_ > 0 ? std::min(quality_ + kCrfOffset, 51.0) : double(quality_), 0);
        } else if (IsQuantiserCodec(job.codec)) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = quality_ * FF_QP2LAMBDA;
        }
    }
    if (int rc = avcodec_open2(c, codec, nullptr); rc < 0) return fail(encoderStage, rc);

    videoStream_ = avformat_new_stream(raw, nullptr);
    if (!videoStream_) return fail(outputStage, AVERROR(ENOMEM));
    // MP4 keeps its own finer clock; the frame rate is still 25.
    videoStream_->time_base = mp4_ ? AVRational{1, 12800} : c->time_base;
    videoStream_->avg_frame_rate = AVRational{kFramesPerSecond, 1};
    if (int rc = avcodec_parameters_from_context(videoStream_->codecpar, c); rc < 0)
        return fail(outputStage, rc);
    if (mp4_) {
        // The file's parameter sets leave room for the repeats' picture order.
        std::vector<uint8_t> headers;
        std::string error;
        if (!stream_.Open(c->extradata, c->extradata_size, &headers, &error)) {
            *result = RenderResult::Fail(encoderStage, error);
            return false;
        }
        AVCodecParameters* par = videoStream_->codecpar;
        av_freep(&par->extradata);
        par->extradata_size = 0;
        par->extradata =
            static_cast<uint8_t*>(av_mallocz(headers.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!par->extradata) return fail(outputStage, AVERROR(ENOMEM));
        std::copy(headers.begin(), headers.end(), par->extradata);
        par->extradata_size = int(headers.size());
        par->video_delay = 0;
    }

    if (mp4_ && audio_ && !audio_->Empty()) {
        const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!aac) return fail("opening the AAC encoder", AVERROR_ENCODER_NOT_FOUND);
        audioEncoder_.reset(avcodec_alloc_context3(aac));
        if (!audioEncoder_) return fail("opening the AAC encoder", AVERROR(ENOMEM));
        AVCodecContext* a = audioEncoder_.get();
        a->sample_fmt = AV_SAMPLE_FMT_FLTP;
        a->sample_rate = audioRate_;
        av_channel_layout_default(&a->ch_layout, kAudioChannels);
        a->bit_rate = kAacBitRate;
        a->profile = FF_PROFILE_AAC_LOW;
        a->time_base = AVRational{1, audioRate_};
        a->thread_count = 1;
        if (output_->oformat->flags & AVFMT_GLOBALHEADER) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (int rc = avcodec_open2(a, aac, nullptr); rc < 0)
            return fail("opening the AAC encoder", rc);
        audioStream_ = avformat_new_stream(raw, nullptr);
        if (!audioStream_) return fail(outputStage, AVERROR(ENOMEM));
        audioStream_->time_base = a->time_base;
        if (int rc = avcodec_parameters_from_context(audioStream_->codecpar, a); rc < 0)
            return fail(outputStage, rc);
        // Without an edit list nothing in the file can hide the encoder's
        // start-up frame, so the sound is placed to make up for it (EncodeAac).
        audioPriming_ = a->initial_padding;
        audioStream_->codecpar->initial_padding = 0;
        audioFrame_ = av::MakeFrame();
        if (!audioFrame_) return fail(outputStage, AVERROR(ENOMEM));
    } else if (audio_ && !audio_->Empty()) {
        audioStream_ = avformat_new_stream(raw, nullptr);
        if (!audioStream_) return fail(outputStage, AVERROR(ENOMEM));
        AVCodecParameters* p = audioStream_->codecpar;
        p->codec_type = AVMEDIA_TYPE_AUDIO;
        p->codec_id = AV_CODEC_ID_PCM_S16LE;
        p->sample_rate = kAudioRate;
        av_channel_layout_default(&p->ch_layout, kAudioChannels);
        p->format = AV_SAMPLE_FMT_S16;
        p->bits_per_coded_sample = 16;
        p->block_align = 2 * kAudioChannels;
        p->bit_rate = int64_t(kAudioRate) * 16 * kAudioChannels;
        audioStream_->time_base = AVRational{1, kAudioRate};
    }

    if (int rc = avio_open(&raw->pb, job.outputPath.c_str(), AVIO_FLAG_WRITE); rc < 0)
        return fail(outputStage, rc);
    AVDictionary* options = nullptr;
    if (mp4_) {
        // The index at the front: the file plays while it downloads. No
        // edit lists (upload guides ask for none): B-frames' shift in time
        // goes into signed composition offsets, so the first picture is
        // shown at 0.
        av_dict_set(&options, "movflags", "+faststart+negative_cts_offsets", 0);
        av_dict_set(&options, "use_editlist", "0", 0);
    }
    const int rc = avformat_write_header(raw, &options);
    av_dict_free(&options);
    if (rc < 0) return fail(outputStage, rc);
    packet_ = av::MakePacket();
    encoded_ = av::MakePacket();
    if (!packet_ || !encoded_) return fail(outputStage, AVERROR(ENOMEM));
    if (audioEncoder_) aacThread_ = std::jthread([this](std::stop_token stop) { EncodeAac(stop); });
    return true;
}

bool VideoWriter::WriteAudioUntil(int64_t sample, RenderResult* result) {
    if (!audioStream_) return true;
    if (audioEncoder_) return MuxAacUntil(sample, result);
    const int64_t end =
        std::min<int64_t>(sample, int64_t(totalFrames_) * audioRate_ / kFramesPerSecond);
    while (audioWritten_ < end) {
        if (!WritePcm(int(std::min<int64_t>(kAudioChunk, end - audioWritten_)), result))
            return false;
    }
    return true;
}

void VideoWriter::EncodeAac(std::stop_token stop) {
    // The decoder's first frame is the encoder's start-up, heard (nearly
    // silent) at 0 s. The mix goes in that much later, so every sample after
    // it is heard exactly at its own time against the pictures; the mix's
    // first 21 ms are given up for it. The track ends with the pictures.
    const int64_t total = int64_t(totalFrames_) * audioRate_ / kFramesPerSecond - audioPriming_;
    // AAC takes whole frames; the last one may be shorter.
    const int frame = audioEncoder_->frame_size > 0 ? audioEncoder_->frame_size : 1024;
    RenderResult result;
    bool ok = true;
    if (audioPriming_ > 0) {
        audioChunk_.resize(size_t(audioPriming_) * kAudioChannels);
        ok = audio_->Read(audioChunk_.data(), int(audioPriming_), &result);
    }
    while (ok && audioWritten_ < total) {
        {
            std::unique_lock lock(aacMutex_);
            if (!aacChanged_.wait(lock, stop,
                                  [&] { return aacPackets_.size() < kAacPacketsAhead; }))
                return;
        }
        ok = EncodeAacFrame(int(std::min<int64_t>(frame, total - audioWritten_)), &result);
    }
    if (ok) {
        if (int rc = avcodec_send_frame(audioEncoder_.get(), nullptr); rc < 0) {
            result = RenderResult::Fail("encoding sound", av::ErrorText(rc));
            ok = false;
        } else {
            ok = QueueAacPackets(&result);
        }
    }
    std::lock_guard lock(aacMutex_);
    aacDone_ = true;
    if (!ok) aacResult_ = result;
    aacChanged_.notify_all();
}

bool VideoWriter::EncodeAacFrame(int count, RenderResult* result) {
    audioChunk_.resize(size_t(count) * kAudioChannels);
    if (!audio_->Read(audioChunk_.data(), count, result)) return false;
    AVFrame* f = audioFrame_.get();
    av_frame_unref(f);
    f->format = AV_SAMPLE_FMT_FLTP;
    f->sample_rate = audioRate_;
    f->nb_samples = count;
    av_channel_layout_default(&f->ch_layout, kAudioChannels);
    if (int rc = av_frame_get_buffer(f, 0); rc < 0) {
        *result = RenderResult::Fail("encoding sound", av::ErrorText(rc));
        return false;
    }
    for (int ch = 0; ch < kAudioChannels; ++ch) {
        float* out = reinterpret_cast<float*>(f->data[ch]);
        for (int i = 0; i < count; ++i)
            out[i] = audioChunk_[size_t(i) * kAudioChannels + ch] / 32768.0f;
    }
    f->pts = audioWritten_;
    audioWritten_ += count;
    if (int rc = avcodec_send_frame(audioEncoder_.get(), f); rc < 0) {
        *result = RenderResult::Fail("encoding sound", av::ErrorText(rc));
        return false;
    }
    return QueueAacPackets(result);
}

bool VideoWriter::QueueAacPackets(RenderResult* result) {
    for (;;) {
        av::PacketPtr packet = av::MakePacket();
        if (!packet) {
            *result = RenderResult::Fail("encoding sound", av::ErrorText(AVERROR(ENOMEM)));
            return false;
        }
        const int rc = avcodec_receive_packet(audioEncoder_.get(), packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) {
            *result = RenderResult::Fail("encoding sound", av::ErrorText(rc));
            return false;
        }
        // Stamped from the encoder's start-up frame at 0.
        packet->pts += audioPriming_;
        packet->dts += audioPriming_;
        std::lock_guard lock(aacMutex_);
        aacPackets_.push_back(std::move(packet));
        aacChanged_.notify_all();
    }
}

bool VideoWriter::MuxAacUntil(int64_t sample, RenderResult* result) {
    for (;;) {
        av::PacketPtr packet;
        {
            std::unique_lock lock(aacMutex_);
            const bool ready = aacChanged_.wait_for(
                lock, kAacWait, [&] { return aacDone_ || !aacPackets_.empty(); });
            if (!ready) {
                *result = RenderResult::Fail("encoding sound",
                                             "the sound encoder gave nothing for a minute");
                return false;
            }
            if (aacPackets_.empty()) {
                if (!aacResult_.ok) *result = aacResult_;
                return aacResult_.ok;
            }
            // Stamped in samples, the encoder's time base.
            if (aacPackets_.front()->pts >= sample) return true;
            packet = std::move(aacPackets_.front());
            aacPackets_.pop_front();
            aacChanged_.notify_all();
        }
        av_packet_rescale_ts(packet.get(), audioEncoder_->time_base, audioStream_->time_base);
        packet->stream_index = audioStream_->index;
        if (int rc = av_interleaved_write_frame(output_.get(), packet.get()); rc < 0) {
            *result = RenderResult::Fail("writing sound", av::ErrorText(rc));
            return false;
        }
    }
}

bool VideoWriter::WritePcm(int count, RenderResult* result) {
    audioChunk_.resize(size_t(count) * kAudioChannels);
    if (!audio_->Read(audioChunk_.data(), count, result)) return false;
    const int bytes = int(audioChunk_.size() * sizeof(int16_t));
    AVPacket* p = packet_.get();
    if (int rc = av_new_packet(p, bytes); rc < 0) {
        *result = RenderResult::Fail("writing audio", av::ErrorText(rc));
        return false;
    }
    std::copy_n(reinterpret_cast<const uint8_t*>(audioChunk_.data()), bytes, p->data);
    p->stream_index = audioStream_->index;
    p->pts = p->dts =
        av_rescale_q(audioWritten_, AVRational{1, kAudioRate}, audioStream_->time_base);
    p->duration = av_rescale_q(count, AVRational{1, kAudioRate}, audioStream_->time_base);
    p->flags |= AV_PKT_FLAG_KEY;
    audioWritten_ += count;
    if (int rc = av_interleaved_write_frame(output_.get(), p); rc < 0) {
        *result = RenderResult::Fail("writing audio", av::ErrorText(rc));
        return false;
    }
    return true;
}

bool VideoWriter::WriteVideoPacket(AVPacket* packet, RenderResult* result) {
    if (mp4_) {
        // x264's packet gets its frame's place in the picture order, and the
        // repeats of the picture before it go first.
        if (!WriteRepeatsBefore(packet->pts, result)) return false;
        std::string error;
        if (!stream_.Restamp(packet->data, packet->size, packet->pts, &nals_, &error)) {
            *result = RenderResult::Fail("encoding video", error);
            return false;
        }
        return WriteMp4Video(nals_, packet->pts, packet->flags & AV_PKT_FLAG_KEY, result);
    }
    if (packet->duration <= 0) packet->duration = 1;
    av_packet_rescale_ts(packet, encoder_->time_base, videoStream_->time_base);
    packet->stream_index = videoStream_->index;
    if (int rc = av_interleaved_write_frame(output_.get(), packet); rc < 0) {
        *result = RenderResult::Fail("writing video", av::ErrorText(rc));
        return false;
    }
    return true;
}

bool VideoWriter::WriteRepeatsBefore(int64_t frame, RenderResult* result) {
    while (!repeats_.empty() && repeats_.front().first <= frame) {
        const Repeats run = repeats_.front();
        repeats_.pop_front();
        for (int i = 0; i < run.count; ++i) {
            stream_.Repeat(run.first + i, &nals_);
            if (!WriteMp4Video(nals_, run.first + i, false, result)) return false;
        }
    }
    return true;
}

bool VideoWriter::WriteMp4Video(const std::vector<uint8_t>& data, int64_t frame, bool key,
                                RenderResult* result) {
    AVPacket* p = packet_.get();
    av_packet_unref(p);
    if (int rc = av_new_packet(p, int(data.size())); rc < 0) {
        *result = RenderResult::Fail("writing video", av::ErrorText(rc));
        return false;
    }
    std::copy(data.begin(), data.end(), p->data);
    // Decoding times one frame apart (a constant frame rate); the muxer
    // makes the first picture's showing time 0.
    p->pts = frame;
    p->dts = videoPackets_++ - kReorderFrames;
    p->duration = 1;
    if (key) p->flags |= AV_PKT_FLAG_KEY;
    av_packet_rescale_ts(p, encoder_->time_base, videoStream_->time_base);
    p->stream_index = videoStream_->index;
    if (int rc = av_interleaved_write_frame(output_.get(), p); rc < 0) {
        *result = RenderResult::Fail("writing video", av::ErrorText(rc));
        return false;
    }
    return true;
}

bool VideoWriter::Drain(RenderResult* result) {
    while (true) {
        int rc = avcodec_receive_packet(encoder_.get(), encoded_.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) {
            *result = RenderResult::Fail("encoding video", av::ErrorText(rc));
            return false;
        }
        const bool ok = WriteVideoPacket(encoded_.get(), result);
        av_packet_unref(encoded_.get());
        if (!ok) return false;
    }
}

bool VideoWriter::WriteVideo(AVFrame* frame, int index, bool keyframe, RenderResult* result) {
    // Sound up to the end of this frame first, so the muxer interleaves as it goes.
    if (!WriteAudioUntil(int64_t(index + 1) * audioRate_ / kFramesPerSecond, result)) return false;
    if (mp4_) {
        // The picture before waits no more: this one says how long it stays.
        if (waiting_ && !EncodePicture(waiting_.get(), waitingIndex_, waitingKeyframe_,
                                       index - waitingIndex_ - 1, result))
            return false;
        waiting_ = av::CloneFrame(frame);
        if (!waiting_) {
            *result = RenderResult::Fail("encoding video", av::ErrorText(AVERROR(ENOMEM)));
            return false;
        }
        waitingIndex_ = index;
        waitingKeyframe_ = keyframe;
        return true;
    }
    return SendFrame(frame, index, keyframe ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE, result);
}

bool VideoWriter::EncodePicture(AVFrame* frame, int index, bool keyframe, int repeats,
                                RenderResult* result) {
    for (;;) {
        if (keyframe || index - lastKeyframe_ >= kLongestGop) {
            keyframe = true;
            lastKeyframe_ = index;
        }
        // A long still is shown again as a keyframe where its GOP must end.
        const int shown = std::min(repeats, lastKeyframe_ + kLongestGop - index - 1);
        // The pictures either side of repeats are P (or I): the repeats copy
        // the last reference picture, and no B-frame is predicted across them.
        const AVPictureType type = keyframe                     ? AV_PICTURE_TYPE_I
                                   : afterRepeats_ || shown > 0 ? AV_PICTURE_TYPE_P
                                                                : AV_PICTURE_TYPE_NONE;
        if (shown > 0) repeats_.push_back({index + 1, shown});
        afterRepeats_ = shown > 0;
        if (!SetQualityBoost(frame, shown, result) || !SendFrame(frame, index, type, result))
            return false;
        if (shown == repeats) return true;
        index += shown + 1;
        repeats -= shown + 1;
        keyframe = true;
    }
}

bool VideoWriter::SetQualityBoost(AVFrame* frame, int repeats, RenderResult* result) {
    av_frame_remove_side_data(frame, AV_FRAME_DATA_REGIONS_OF_INTEREST);
    if (repeats <= 0) return true;
    const double boost = StillBoost(repeats);
    AVFrameSideData* data = av_frame_new_side_data(frame, AV_FRAME_DATA_REGIONS_OF_INTEREST,
                                                   sizeof(AVRegionOfInterest));
    if (!data) {
        *result = RenderResult::Fail("encoding video", av::ErrorText(AVERROR(ENOMEM)));
        return false;
    }
    auto* roi = reinterpret_cast<AVRegionOfInterest*>(data->data);
    roi->self_size = sizeof(AVRegionOfInterest);
    roi->top = 0;
    roi->left = 0;
    roi->bottom = frame->height;
    roi->right = frame->width;
    // libx264 takes the offset as a fraction of its 51 QP steps.
    roi->qoffset = AVRational{-int(std::lround(boost * 100)), 51 * 100};
    return true;
}

bool VideoWriter::SendFrame(AVFrame* frame, int index, AVPictureType type, RenderResult* result) {
    frame->pts = index;
    frame->pict_type = type;
    if (quality_ >= 0 && (encoder_->flags & AV_CODEC_FLAG_QSCALE))
        frame->quality = encoder_->global_quality;
    if (int rc = avcodec_send_frame(encoder_.get(), frame); rc < 0) {
        *result = RenderResult::Fail("encoding video", av::ErrorText(rc));
        return false;
    }
    return Drain(result);
}

bool VideoWriter::Finish(RenderResult* result) {
    // The last picture stays to the end.
    if (waiting_) {
        if (!EncodePicture(waiting_.get(), waitingIndex_, waitingKeyframe_,
                           totalFrames_ - waitingIndex_ - 1, result))
            return false;
        waiting_.reset();
    }
    if (int rc = avcodec_send_frame(encoder_.get(), nullptr); rc < 0) {
        *result = RenderResult::Fail("encoding video", av::ErrorText(rc));
        return false;
    }
    if (!Drain(result)) return false;
    if (mp4_ && !WriteRepeatsBefore(INT64_MAX, result)) return false;
    // Everything left: AAC's last packets run a little past the pictures.
    if (!WriteAudioUntil(
            audioEncoder_ ? INT64_MAX : int64_t(totalFrames_) * audioRate_ / kFramesPerSecond,
            result))
        return false;
    if (int rc = av_write_trailer(output_.get()); rc < 0) {
        *result = RenderResult::Fail("writing the file's index", av::ErrorText(rc));
        return false;
    }
    if (int rc = avio_closep(&output_->pb); rc < 0) {
        *result = RenderResult::Fail("closing the file", av::ErrorText(rc));
        return false;
    }
    return true;
}

}  // namespace vm
