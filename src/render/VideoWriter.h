#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioMix.h"
#include "FfmpegPtr.h"
#include "RenderJob.h"

namespace vm {

// The video file being written, muxed by libavformat. Frames are given with
// their timeline index, and only frames that change need be given:
// - AVI: the compressor's codec and 16-bit PCM sound; the AVI writer fills
//   skipped indices with empty repeat chunks.
// - MP4: H.264 (High profile, yuv420p, BT.709) and AAC-LC; each frame lasts
//   until the next one given, as MP4 allows, and the index goes to the front
//   of the file so it plays while it downloads.
// Sound is written up to the time of each frame so the muxer never holds much.
// AAC is mixed and encoded on a thread of its own a few seconds ahead of the
// pictures (it costs as much as a sixth of an MP4's time); the render thread
// only muxes its packets.
class VideoWriter {
public:
    // `threads`: encoder threads for AVI codecs that can cut a frame into
    // slices. 1 keeps the file the same whatever the machine; videos of
    // moving pictures, where every frame is encoded, take 2.
    bool Open(const RenderJob& job, int totalFrames, AudioMix* audio, RenderResult* result,
              int threads = 1);
    // The pixel format the encoder is fed.
    AVPixelFormat PixelFormat() const { return format_; }
    bool FullRange() const { return fullRange_; }
    // True for BT.709 colours (MP4); AVI keeps swscale's BT.601.
    bool Bt709() const { return bt709_; }
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
    bool WritePcm(int count, RenderResult* result);
    // The AAC thread: the whole mix, encoded, its packets queued.
    void EncodeAac(std::stop_token stop);
    bool EncodeAacFrame(int count, RenderResult* result);
    bool QueueAacPackets(RenderResult* result);
    // The render thread: muxes the queued packets that start before `sample`
    // (all of them when `sample` is past the end).
    bool MuxAacUntil(int64_t sample, RenderResult* result);
    bool Drain(RenderResult* result);
    // MP4: a packet waits until the next one says how long it lasts.
    bool WriteVideoPacket(AVPacket* packet, RenderResult* result);

    av::OutputPtr output_;
    av::CodecContextPtr encoder_;
    av::PacketPtr packet_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AudioMix* audio_ = nullptr;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
    bool fullRange_ = false;
    bool bt709_ = false;
    bool mp4_ = false;
    av::CodecContextPtr audioEncoder_;
    av::FramePtr audioFrame_;
    av::PacketPtr held_;  // MP4: the last video packet, its duration not known yet
    int quality_ = -1;
    int totalFrames_ = 0;
    int64_t audioWritten_ = 0;  // sample frames
    std::vector<int16_t> audioChunk_;
    std::string codecName_;

    std::mutex aacMutex_;
    std::condition_variable_any aacChanged_;
    std::deque<av::PacketPtr> aacPackets_;  // encoded, not muxed yet
    bool aacDone_ = false;                  // every packet is queued, or it failed
    RenderResult aacResult_;
    std::jthread aacThread_;  // last: joined before what it uses goes
};

// The pixel format and range an encoder is fed at: yuv420p when it takes
// it, else its first format (yuvj ones as plain formats with full range).
AVPixelFormat EncoderPixelFormat(const AVCodec* codec, bool* fullRange);

}  // namespace vm
