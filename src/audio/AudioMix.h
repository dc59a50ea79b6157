#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FfmpegPtr.h"
#include "MusicDucker.h"
#include "RenderJob.h"

namespace vm {

// The AVI's sound (16-bit PCM) and the MP4's (AAC, at the rate video sites
// and phones use).
constexpr int kAudioRate = 44100;
constexpr int kMp4AudioRate = 48000;
constexpr int kAudioChannels = 2;

// One audio file read from its start as stereo 16-bit samples at the mix's
// rate, cut at `length` seconds and followed by silence. Decodes as it is
// read, so a long track never sits in memory whole.
class AudioSource {
public:
    // Opens the file; on failure returns null and fills `result`.
    static std::unique_ptr<AudioSource> Open(const RenderJob::Audio& track, int sampleRate,
                                             RenderResult* result);

    // Adds the next `frames` sample frames (interleaved stereo) to `mix`,
    // each multiplied by its `gain` when given (one per frame).
    bool AddTo(int32_t* mix, int frames, RenderResult* result, const float* gain = nullptr);

private:
    AudioSource() = default;
    int Refill();  // decodes more into buffer_; 0, AVERROR_EOF or an error

    std::string path_;
    int64_t startFrame_ = 0;    // timeline position of the first sample
    int64_t endFrame_ = 0;      // timeline position after the last sample
    int64_t fadeFrames_ = 0;    // the fade-out before endFrame_
    int64_t fadeInFrames_ = 0;  // the fade-in after startFrame_
    int64_t position_ = 0;      // timeline position of the next read
    bool ended_ = false;
    av::InputPtr input_;
    av::CodecContextPtr decoder_;
    av::SwrPtr resampler_;
    av::PacketPtr packet_;
    av::FramePtr frame_;
    int stream_ = -1;
    std::vector<int16_t> buffer_;  // decoded, not yet read
    size_t bufferRead_ = 0;        // samples (not frames) of buffer_ already read
};

// All tracks summed with clipping. Music that ducks steps back while the
// voices speak (MusicDucker), listening to a second reading of the voices a
// little ahead of the one that is heard.
class AudioMix {
public:
    // Every track is resampled once, from its own rate straight to `sampleRate`.
    bool Open(const RenderJob& job, RenderResult* result, int sampleRate = kAudioRate);
    int SampleRate() const { return rate_; }
    bool Empty() const { return voices_.empty() && music_.empty(); }
    // The next `frames` sample frames of the mix.
    bool Read(int16_t* out, int frames, RenderResult* result);

private:
    struct Music {
        std::unique_ptr<AudioSource> source;
        std::unique_ptr<MusicDucker> ducker;  // null: it does not duck
    };
    int rate_ = kAudioRate;
    std::vector<std::unique_ptr<AudioSource>> voices_;
    std::vector<Music> music_;
    std::vector<std::unique_ptr<AudioSource>> voicesAhead_;  // only when music ducks
    std::vector<int32_t> sum_;
    std::vector<int32_t> ahead_;
    std::vector<float> gain_;
};

}  // namespace vm
