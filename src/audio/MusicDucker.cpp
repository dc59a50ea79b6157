#include "MusicDucker.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vm {

MusicDucker::MusicDucker(double depthDb, int sampleRate)
    : depthDb_(std::max(0.0, depthDb)),
      attackStepDb_(depthDb_ / (kAttackSeconds * sampleRate)),
      releaseStepDb_(depthDb_ / (kReleaseSeconds * sampleRate)),
      holdFrames_(std::llround(kHoldSeconds * sampleRate)),
      quietFor_(holdFrames_) {}

void MusicDucker::Process(const int32_t* voice, int frames, int channels, float* gain) {
    for (int f = 0; f < frames; ++f) {
        int32_t peak = 0;
        for (int c = 0; c < channels; ++c)
            peak = std::max(peak, std::abs(voice[size_t(f) * size_t(channels) + size_t(c)]));
        if (peak > kSpeakingLevel)
            quietFor_ = 0;
        else if (quietFor_ < holdFrames_)
            ++quietFor_;
        const double target = quietFor_ < holdFrames_ ? -depthDb_ : 0.0;
        if (currentDb_ > target)
            currentDb_ = std::max(target, currentDb_ - attackStepDb_);
        else if (currentDb_ < target)
            currentDb_ = std::min(target, currentDb_ + releaseStepDb_);
        gain[f] = currentDb_ == 0.0 ? 1.0f : float(std::pow(10.0, currentDb_ / 20.0));
    }
}

}  // namespace vm
