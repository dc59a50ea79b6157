#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AudioMix.h"
#include "FfmpegPtr.h"
#include "RenderJob.h"

namespace vm {

// The AVI being written: a video encoder plus 16-bit PCM audio, muxed by
// libavformat. Frames are given with their timeline index; the AVI writer
// fills skipped indices with empty repeat chunks. Audio is written up to
// the time of each frame so the muxer never holds much.
class AviWriter {
public:
    bool Open(const RenderJob& job, int totalFrames, AudioMix* audio, RenderResult* result);
    // The pixel format the encoder is fed.
    AVPixelFormat PixelFormat() const { return format_; }
    bool FullRange() const { return fullRange_; }
    // `frame` in PixelFormat(); its pts is set here.
    bool WriteVideo(AVFrame* frame, int index, bool keyframe, RenderResult* result);
    // Flushes the encoder, writes the rest of the audio and the trailer and
    // closes the file.
    bool Finish(RenderResult* result);

    // Opens the encoder at a size only to see that it works (for the list of
    // compressors).
    static bool CanOpen(const AVCodec* codec, int width, int height, std::string* error);

private:
    bool WriteAudioUntil(int64_t sample, RenderResult* result);
    bool Drain(RenderResult* result);

    av::OutputPtr output_;
    av::CodecContextPtr encoder_;
    av::PacketPtr packet_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AudioMix* audio_ = nullptr;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
    bool fullRange_ = false;
    int quality_ = -1;
    int totalFrames_ = 0;
    int64_t audioWritten_ = 0;  // sample frames
    std::vector<int16_t> audioChunk_;
    std::string codecName_;
};

// The pixel format and range an encoder is fed at: yuv420p when it takes
// it, else its first format (yuvj ones as plain formats with full range).
AVPixelFormat EncoderPixelFormat(const AVCodec* codec, bool* fullRange);

}  // namespace vm
