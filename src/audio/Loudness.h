#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Loudness as EBU R 128 and ITU-R BS.1770 define it, measured with
// libavfilter's ebur128 filter, and a narration brought to a loudness with
// its true peak held under a ceiling (libavfilter's alimiter, its delay
// compensated, so every sample stays where it was).
namespace vm {

struct Loudness {
    double integrated = -70.0;  // LUFS; -70 when there is nothing loud enough to measure
    double truePeak = -144.0;   // dBTP (dB of full scale, between the samples too)
};

// A mono voice as a stereo mix plays it (on both sides at full level), which
// sounds 3 LU louder than the same samples measured as one channel.
enum class MonoAs { OneChannel, BothSides };

// Measures 16-bit mono samples. False with FFmpeg's reason when the filter
// cannot run.
bool MeasureLoudness(const std::vector<int16_t>& samples, int sampleRate, MonoAs mono,
                     Loudness* result, std::string* error);

// Brings 16-bit mono samples to `targetLufs` (measured as `mono` says) with
// the true peak at most `ceilingDbtp`: a gain, and where the peaks would go
// over, a limiter that catches them. The samples keep their number and
// their places. Audio too quiet to measure is left as it is. `before` and
// `after` (when given) get the measurements.
bool EvenLoudness(std::vector<int16_t>* samples, int sampleRate, MonoAs mono, double targetLufs,
                  double ceilingDbtp, Loudness* before, Loudness* after, std::string* error);

}  // namespace vm
