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
#include "H264Repeats.h"
#include "RenderJob.h"

namespace vm {

// The video file being written, muxed by libavformat. Frames are given with
// their timeline index, and only frames that change need be given:
// - AVI: the compressor's codec and 16-bit PCM sound; the AVI writer fills
//   skipped indices with empty repeat chunks.
// - MP4: H.264 (High profile, yuv420p, BT.709) at a constant 25 frames a
//   second and AAC-LC at 48 kHz, no edit lists, the index at the front so it
//   plays while it downloads. A picture given is encoded once; the frames
//   that show it again until the next one are written as frames of skipped
//   macroblocks (H264Repeats). Closed GOPs: a keyframe where the caller asks
//   (each slide's first settled frame) and at least every kLongestGop frames.
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
    bool WriteVideoPacket(AVPacket* packet, RenderResult* result);
    // MP4: gives x264 the picture at `index`, followed by `repeats` frames
    // that show it again (a long still is given again as a keyframe).
    bool EncodePicture(AVFrame* frame, int index, bool keyframe, int repeats, RenderResult* result);
    bool SendFrame(AVFrame* frame, int index, AVPictureType type, RenderResult* result);
    // MP4: tells x264 how much better to encode a picture that `repeats` frames show again.
    bool SetQualityBoost(AVFrame* frame, int repeats, RenderResult* result);
    // MP4: writes the repeats of pictures that show before `frame`.
    bool WriteRepeatsBefore(int64_t frame, RenderResult* result);
    // MP4: a packet of our stream, in decoding order, stamped here.
    bool WriteMp4Video(const std::vector<uint8_t>& data, int64_t frame, bool key,
                       RenderResult* result);

    av::OutputPtr output_;
    av::CodecContextPtr encoder_;
    av::PacketPtr packet_;
    av::PacketPtr encoded_;  // from the video encoder
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AudioMix* audio_ = nullptr;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
    bool fullRange_ = false;
    bool bt709_ = false;
    bool mp4_ = false;
    av::CodecContextPtr audioEncoder_;
    av::FramePtr audioFrame_;
    int quality_ = -1;
    // MP4's pictures: the last one given waits until the next one says how
    // long it stays (whether frames repeat it).
    av::FramePtr waiting_;
    int waitingIndex_ = -1;
    bool waitingKeyframe_ = false;
    bool afterRepeats_ = false;  // the next picture encoded follows repeats
    int lastKeyframe_ = 0;
    struct Repeats {
        int first;
        int count;
    };
    std::deque<Repeats> repeats_;  // written once x264's packets reach them
    H264Repeats stream_;
    std::vector<uint8_t> nals_;
    int64_t videoPackets_ = 0;  // written, in decoding order
    int64_t audioPriming_ = 0;  // samples the AAC encoder starts with
    int totalFrames_ = 0;
    int64_t audioWritten_ = 0;  // sample frames
    int audioRate_ = kAudioRate;
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
