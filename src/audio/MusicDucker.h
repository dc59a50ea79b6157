#pragma once

#include <cstdint>

namespace vm {

// Music that makes room for the voice: follows the level of the voices and
// gives the music's gain for every sample frame. The music starts to step
// back a moment before a voice is heard (the voices are read that far ahead
// of the music), is all the way down when it speaks, stays down through the
// short gaps between words and comes back within half a second of the voice
// stopping. The gain glides in decibels, never jumps, so nothing clicks.
class MusicDucker {
public:
    // How far ahead of the music the voices are read.
    static constexpr double kLookaheadSeconds = 0.05;
    // How long the music takes to step back, and to come back.
    static constexpr double kAttackSeconds = 0.05;
    static constexpr double kReleaseSeconds = 0.2;
    // How long after the last sound of a voice the music stays down: longer
    // than the gaps between words, short enough to come back in a pause.
    static constexpr double kHoldSeconds = 0.25;
    // A voice louder than this (about -46 dB of full scale) is speaking.
    static constexpr int32_t kSpeakingLevel = 160;

    // `depthDb`: how far the music steps back (positive; 0 leaves it alone).
    MusicDucker(double depthDb, int sampleRate);

    // `voice`: `frames` interleaved sample frames (`channels` each) of the
    // voices summed, kLookaheadSeconds ahead of the music. Writes the
    // music's gain (1 = untouched) for each of those frames, going on from
    // where the previous call stopped.
    void Process(const int32_t* voice, int frames, int channels, float* gain);

private:
    double depthDb_ = 0;
    double attackStepDb_ = 0;   // per frame
    double releaseStepDb_ = 0;  // per frame
    int64_t holdFrames_ = 0;
    int64_t quietFor_ = 0;  // frames since the voices were last heard
    double currentDb_ = 0;  // 0 or below
};

}  // namespace vm
