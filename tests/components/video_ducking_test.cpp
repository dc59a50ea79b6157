// MusicDucker on voices made to measure: when the music steps back and comes
// back, and that it glides.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "MusicDucker.h"

namespace {

constexpr int kRate = 44100;

// Stereo voice samples: `level` where a span says so, silence elsewhere.
std::vector<int32_t> Voice(double seconds, const std::vector<std::pair<double, double>>& spans,
                           int32_t level = 8000) {
    std::vector<int32_t> samples(size_t(seconds * kRate) * 2, 0);
    for (const auto& [from, to] : spans)
        for (size_t f = size_t(from * kRate); f < size_t(to * kRate); ++f)
            samples[2 * f] = samples[2 * f + 1] = (f % 2 ? level : -level);
    return samples;
}

// The gain in dB for every frame, fed in blocks of an awkward size.
std::vector<double> GainDb(vm::MusicDucker& ducker, const std::vector<int32_t>& voice) {
    const int frames = int(voice.size() / 2);
    std::vector<float> gain(static_cast<size_t>(frames));
    for (int at = 0; at < frames; at += 1000)
        ducker.Process(voice.data() + 2 * at, std::min(1000, frames - at), 2, gain.data() + at);
    std::vector<double> db;
    for (float g : gain) db.push_back(20 * std::log10(g));
    return db;
}

double At(const std::vector<double>& db, double seconds) {
    return db[size_t(seconds * kRate)];
}

}  // namespace

TEST(MusicDucking, StepsBackBeforeTheVoiceHoldsThroughWordGapsAndComesBackSmoothly) {
    // The ducker hears the voices 50 ms ahead: these spans are heard 50 ms later.
    const double ahead = vm::MusicDucker::kLookaheadSeconds;
    // Words with 0.15 s gaps from 1 s to 2.5 s, a 1.5 s pause, a word at 4 s.
    const auto voice = Voice(6, {{1.0, 1.4}, {1.55, 2.0}, {2.15, 2.5}, {4.0, 4.5}});
    vm::MusicDucker ducker(12, kRate);
    const std::vector<double> db = GainDb(ducker, voice);

    EXPECT_EQ(At(db, 0.5), 0.0);
    // Down all the way by the time the first word is heard, and through the gaps.
    EXPECT_NEAR(At(db, 1.0 + ahead), -12.0, 0.01);
    for (double t = 1.0 + ahead; t < 2.5 + ahead; t += 0.01)
        EXPECT_NEAR(At(db, t), -12.0, 0.01) << t;
    // Back within half a second of the last word, and up through the pause.
    EXPECT_NEAR(At(db, 2.5 + ahead + 0.5), 0.0, 0.01);
    EXPECT_NEAR(At(db, 3.5), 0.0, 0.01);
    EXPECT_NEAR(At(db, 4.0 + ahead), -12.0, 0.01);
    // Never a jump: 12 dB spread over tens of milliseconds.
    double steepest = 0;
    for (size_t i = 1; i < db.size(); ++i)
        steepest = std::max(steepest, std::abs(db[i] - db[i - 1]));
    EXPECT_LT(steepest, 0.01);
    EXPECT_GT(steepest, 0.0);
}

TEST(MusicDucking, QuietSoundAndNoDepthLeaveTheMusicAlone) {
    // A voice below the speaking level (breath, noise) does not duck.
    vm::MusicDucker ducker(12, kRate);
    for (double db : GainDb(ducker, Voice(2, {{0.5, 1.5}}, vm::MusicDucker::kSpeakingLevel)))
        ASSERT_EQ(db, 0.0);
    vm::MusicDucker none(0, kRate);
    for (double db : GainDb(none, Voice(2, {{0.5, 1.5}}))) ASSERT_EQ(db, 0.0);
}
