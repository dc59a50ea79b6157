#include "AudioMix.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vm {

std::unique_ptr<AudioSource> AudioSource::Open(const RenderJob::Audio& track, int sampleRate,
                                               RenderResult* result) {
    const std::string stage = "reading audio " + track.path;
    auto fail = [&](int rc) {
        *result = RenderResult::Fail(stage, av::ErrorText(rc));
        return nullptr;
    };
    std::unique_ptr<AudioSource> source(new AudioSource);
    source->path_ = track.path;
    source->startFrame_ = std::llround(std::max(0.0, track.start) * sampleRate);
    source->endFrame_ =
        source->startFrame_ + std::llround(std::max(0.0, track.length) * sampleRate);
    source->fadeFrames_ =
        std::min(source->endFrame_ - source->startFrame_,
                 int64_t(std::llround(std::max(0.0, track.fadeOut) * sampleRate)));
    source->fadeInFrames_ =
        std::min(source->endFrame_ - source->startFrame_,
                 int64_t(std::llround(std::max(0.0, track.fadeIn) * sampleRate)));
    source->position_ = 0;

    AVFormatContext* raw = nullptr;
    if (int rc = avformat_open_input(&raw, track.path.c_str(), nullptr, nullptr); rc < 0)
        return fail(rc);
    source->input_.reset(raw);
    if (int rc = avformat_find_stream_info(raw, nullptr); rc < 0) return fail(rc);
    const AVCodec* codec = nullptr;
    source->stream_ = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (source->stream_ < 0) return fail(source->stream_);
    source->decoder_.reset(avcodec_alloc_context3(codec));
    if (!source->decoder_) return fail(AVERROR(ENOMEM));
    AVCodecContext* decoder = source->decoder_.get();
    if (int rc = avcodec_parameters_to_context(decoder, raw->streams[source->stream_]->codecpar);
        rc < 0)
        return fail(rc);
    if (int rc = avcodec_open2(decoder, codec, nullptr); rc < 0) return fail(rc);
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&decoder->ch_layout, decoder->ch_layout.nb_channels);

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* swr = nullptr;
    if (int rc =
            swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, sampleRate, &decoder->ch_layout,
                                decoder->sample_fmt, decoder->sample_rate, 0, nullptr);
        rc < 0)
        return fail(rc);
    source->resampler_.reset(swr);
    // A mono narration plays at full level on both sides (not 3 dB down).
    if (decoder->ch_layout.nb_channels == 1) {
        const double both[2] = {1.0, 1.0};
        if (int rc = swr_set_matrix(swr, both, 1); rc < 0) return fail(rc);
    }
    if (int rc = swr_init(swr); rc < 0) return fail(rc);
    source->packet_ = av::MakePacket();
    source->frame_ = av::MakeFrame();
    if (!source->packet_ || !source->frame_) return fail(AVERROR(ENOMEM));
    return source;
}

int AudioSource::Refill() {
    if (bufferRead_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + bufferRead_);
        bufferRead_ = 0;
    }
    auto append = [&](const uint8_t** data, int samples) -> int {
        const int room = swr_get_out_samples(resampler_.get(), samples);
        if (room < 0) return room;
        const size_t old = buffer_.size();
        buffer_.resize(old + size_t(room) * kAudioChannels);
        uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data() + old);
        const int made = swr_convert(resampler_.get(), &out, room, data, samples);
        if (made < 0) {
            buffer_.resize(old);
            return made;
        }
        buffer_.resize(old + size_t(made) * kAudioChannels);
        return 0;
    };
    while (true) {
        int rc = avcodec_receive_frame(decoder_.get(), frame_.get());
        if (rc >= 0) {
            rc = append(const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
            av_frame_unref(frame_.get());
            return rc;
        }
        if (rc == AVERROR_EOF) {
            append(nullptr, 0);  // what the resampler still holds
            return AVERROR_EOF;
        }
        // A damaged frame (common in downloaded MP3s) is dropped, as players
        // do; the decoder has let go of its packet, so this cannot repeat forever.
        if (rc == AVERROR_INVALIDDATA) continue;
        if (rc != AVERROR(EAGAIN)) return rc;
        bool ended = false;
        rc = av::FeedDecoder(input_.get(), stream_, packet_.get(), decoder_.get(), &ended);
        if (rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_EOF && rc != AVERROR_INVALIDDATA)
            return rc;
    }
}

bool AudioSource::AddTo(int32_t* mix, int frames, RenderResult* result, const float* gain) {
    const int64_t from = position_;
    const int64_t to = position_ + frames;
    position_ = to;
    const int64_t begin = std::max(from, startFrame_);
    const int64_t end = std::min(to, endFrame_);
    if (begin >= end) return true;
    int32_t* target = mix + (begin - from) * kAudioChannels;
    size_t wanted = size_t(end - begin) * kAudioChannels;
    while (wanted > 0) {
        if (bufferRead_ >= buffer_.size()) {
            if (ended_) return true;  // past the file's end: silence
            const int rc = Refill();
            if (rc == AVERROR_EOF)
                ended_ = true;
            else if (rc < 0) {
                *result = RenderResult::Fail("decoding audio " + path_, av::ErrorText(rc));
                return false;
            }
            continue;
        }
        const size_t take = std::min(wanted, buffer_.size() - bufferRead_);
        const int16_t* samples = buffer_.data() + bufferRead_;
        // The frame (timeline position) of the first sample taken now.
        const int64_t at = end - int64_t(wanted / kAudioChannels);
        const int64_t fadeFrom = endFrame_ - fadeFrames_;
        const int64_t fadeInTo = startFrame_ + fadeInFrames_;
        if (gain || (fadeFrames_ > 0 && at + int64_t(take / kAudioChannels) > fadeFrom) ||
            (fadeInFrames_ > 0 && at < fadeInTo)) {
            for (size_t i = 0; i < take; ++i) {
                const int64_t frame = at + int64_t(i / kAudioChannels);
                double level =
                    frame < fadeFrom ? 1.0 : double(endFrame_ - frame) / double(fadeFrames_);
                if (frame < fadeInTo) level *= double(frame - startFrame_) / double(fadeInFrames_);
                if (gain) level *= gain[frame - from];
                target[i] += int32_t(std::lround(samples[i] * level));
            }
        } else {
            for (size_t i = 0; i < take; ++i) target[i] += samples[i];
        }
        target += take;
        bufferRead_ += take;
        wanted -= take;
    }
    return true;
}

bool AudioMix::Open(const RenderJob& job, RenderResult* result, int sampleRate) {
    rate_ = sampleRate;
    voices_.clear();
    music_.clear();
    voicesAhead_.clear();
    for (const RenderJob::Audio& audio : job.voices) {
        auto source = AudioSource::Open(audio, rate_, result);
        if (!source) return false;
        voices_.push_back(std::move(source));
    }
    bool ducks = false;
    for (const RenderJob::Audio& audio : job.music) {
        Music music;
        music.source = AudioSource::Open(audio, rate_, result);
        if (!music.source) return false;
        if (audio.duckDb > 0 && !job.voices.empty()) {
            music.ducker = std::make_unique<MusicDucker>(audio.duckDb, rate_);
            ducks = true;
        }
        music_.push_back(std::move(music));
    }
    if (!ducks) return true;
    const int lookahead = int(std::lround(MusicDucker::kLookaheadSeconds * rate_));
    std::vector<int32_t> skipped(size_t(lookahead) * kAudioChannels);
    for (const RenderJob::Audio& audio : job.voices) {
        auto source = AudioSource::Open(audio, rate_, result);
        if (!source || !source->AddTo(skipped.data(), lookahead, result)) return false;
        voicesAhead_.push_back(std::move(source));
    }
    return true;
}

bool AudioMix::Read(int16_t* out, int frames, RenderResult* result) {
    sum_.assign(size_t(frames) * kAudioChannels, 0);
    for (auto& source : voices_)
        if (!source->AddTo(sum_.data(), frames, result)) return false;
    if (!voicesAhead_.empty()) {
        ahead_.assign(size_t(frames) * kAudioChannels, 0);
        for (auto& source : voicesAhead_)
            if (!source->AddTo(ahead_.data(), frames, result)) return false;
        gain_.resize(size_t(frames));
    }
    for (Music& music : music_) {
        const float* gain = nullptr;
        if (music.ducker) {
            music.ducker->Process(ahead_.data(), frames, kAudioChannels, gain_.data());
            gain = gain_.data();
        }
        if (!music.source->AddTo(sum_.data(), frames, result, gain)) return false;
    }
    for (size_t i = 0; i < sum_.size(); ++i) out[i] = int16_t(std::clamp(sum_[i], -32768, 32767));
    return true;
}

}  // namespace vm
