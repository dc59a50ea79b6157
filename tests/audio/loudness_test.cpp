// Loudness evened with libavfilter on sound made to measure (narrations of
// the real engines are evened, and the videos measured, in the production
// tests).
#include "Loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "MusicDucker.h"
#include "WavFile.h"

namespace {

std::vector<int16_t> Sine(double seconds, int rate, double frequency, double amplitude) {
    std::vector<int16_t> s(size_t(seconds * rate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = int16_t(std::lround(32767 * amplitude * std::sin(2 * M_PI * frequency * i / rate)));
    return s;
}

}  // namespace

TEST(Loudness, PeaksFarAboveTheSpeechAreCaughtAndNothingMoves) {
    // A quiet tone with a full-scale click every half second: raising it to
    // -16 LUFS by gain alone would put the clicks 20 dB over full scale.
    const int rate = 22050;
    std::vector<int16_t> samples = Sine(6, rate, 220, 0.03);
    for (size_t i = rate / 4; i < samples.size(); i += rate / 2)
        for (int k = 0; k < 8; ++k) samples[i + k] = int16_t(k % 2 ? -32000 : 32000);
    std::vector<int16_t> evened = samples;
    vm::Loudness before, after, again;
    std::string error;
    ASSERT_TRUE(
        vm::EvenLoudness(&evened, rate, vm::MonoAs::BothSides, -16, -1, &before, &after, &error))
        << error;
    std::cout << "[ figures  ] clicks on a quiet tone: " << before.integrated << " LUFS, "
              << before.truePeak << " dBTP -> " << after.integrated << " LUFS, " << after.truePeak
              << " dBTP\n";
    EXPECT_GT(before.truePeak - before.integrated, 20.0);
    EXPECT_NEAR(after.integrated, -16.0, 0.5);
    EXPECT_LE(after.truePeak, -1.0);
    ASSERT_TRUE(vm::MeasureLoudness(evened, rate, vm::MonoAs::BothSides, &again, &error));
    EXPECT_EQ(again.integrated, after.integrated);

    // Between the clicks the tone is only louder, sample for sample in the
    // same place, by a gain that holds within 0.1 dB, to the last sample.
    ASSERT_EQ(evened.size(), samples.size());
    double low = 1e9, high = 0;
    for (size_t i = size_t(rate) * 3 / 8; i < size_t(rate) * 5 / 8; ++i) {
        if (std::abs(samples[i]) < 500) continue;  // rounding would blur the ratio
        low = std::min(low, double(evened[i]) / samples[i]);
        high = std::max(high, double(evened[i]) / samples[i]);
    }
    EXPECT_GT(low, 5.0);
    EXPECT_LT(20 * std::log10(high / low), 0.1);
    const qint64 end = qint64(samples.size());
    EXPECT_NEAR(vm::RmsLevel(evened, end - 200, end) / vm::RmsLevel(samples, end - 200, end), low,
                0.05 * low);
}

// A narration that ends abruptly, its one word cut off at the end (0.35 s of
// a tone): measured to its end, not taken for silence. Its 400 ms blocks
// reach into the silence after it, so it measures a few LU under the same
// tone held for two seconds (-9 against -6.3 LUFS).
TEST(Loudness, ANarrationThatEndsAbruptlyIsMeasuredToItsEnd) {
    const int rate = 22050;
    vm::Loudness cut, held;
    std::string error;
    ASSERT_TRUE(
        vm::MeasureLoudness(Sine(0.35, rate, 1000, 0.5), rate, vm::MonoAs::BothSides, &cut, &error))
        << error;
    ASSERT_TRUE(
        vm::MeasureLoudness(Sine(2, rate, 1000, 0.5), rate, vm::MonoAs::BothSides, &held, &error))
        << error;
    EXPECT_NEAR(cut.integrated, held.integrated - 2.7, 0.5);
}

// The music steps back while a voice speaks and stays down through a gap
// between words shorter than the hold; it comes back in a longer pause.
TEST(MusicDucker, StaysDownBetweenWordsAndComesBackInAPause) {
    const int rate = 1000;
    std::vector<int32_t> voice;
    auto add = [&](double seconds, int32_t level) {
        voice.insert(voice.end(), size_t(seconds * rate), level);
    };
    add(0.3, 8000);
    add(0.15, 0);  // between two words
    add(0.3, 8000);
    add(1.0, 0);  // a pause
    std::vector<float> gain(voice.size());
    vm::MusicDucker ducker(12, rate);
    ducker.Process(voice.data(), int(voice.size()), 1, gain.data());
    const float down = float(std::pow(10.0, -12 / 20.0));
    EXPECT_NEAR(gain[size_t(0.29 * rate)], down, 1e-4);
    for (size_t i = size_t(0.3 * rate); i < size_t(0.45 * rate); ++i)
        ASSERT_NEAR(gain[i], down, 1e-4) << "the music rose between the words at " << i;
    // Back up over 0.2 s once the hold is over: half-way (6 dB) 0.1 s in.
    const size_t held = size_t((0.75 + vm::MusicDucker::kHoldSeconds + 0.1) * rate);
    EXPECT_NEAR(20 * std::log10(gain[held]), -6, 1);
    EXPECT_NEAR(gain.back(), 1.0f, 1e-6);
}
