// Loudness measured and evened with libavfilter, on speech of the real
// engines and on sound made to measure.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "Loudness.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "WavFile.h"

namespace {

VoiceToken FindVoice(const QString& engine, const QString& id) {
    for (const VoiceToken& t : SpVoice().GetVoices())
        if (t.Engine() == engine && t.Id() == id) return t;
    return {};
}

std::vector<int16_t> Sine(double seconds, int rate, double frequency, double amplitude) {
    std::vector<int16_t> s(size_t(seconds * rate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = int16_t(std::lround(32767 * amplitude * std::sin(2 * M_PI * frequency * i / rate)));
    return s;
}

// The lag (in samples, within ±`range`) at which `b` matches `a` best.
int BestLag(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int range) {
    int best = 0;
    double bestScore = -1e300;
    for (int lag = -range; lag <= range; ++lag) {
        double score = 0;
        for (size_t i = size_t(range); i + size_t(range) < a.size() && i < b.size(); ++i)
            score += double(a[i]) * double(b[size_t(int(i) + lag)]);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

struct EngineCase {
    const char* engine;
    const char* id;
};

class EvenLoudnessOfSpeech : public ::testing::TestWithParam<EngineCase> {};

}  // namespace

TEST(Loudness, MeasuresAsEbuR128SaysAndAMonoVoiceOnBothSidesIsThreeLuLouder) {
    // A full-scale 1 kHz sine reads -3.01 LUFS as one channel (BS.1770's own
    // check); its true peak sits at full scale.
    vm::Loudness one;
    std::string error;
    const auto sine = Sine(20, 48000, 1000, 1.0);
    ASSERT_TRUE(vm::MeasureLoudness(sine, 48000, vm::MonoAs::OneChannel, &one, &error)) << error;
    EXPECT_NEAR(one.integrated, -3.01, 0.1);
    EXPECT_NEAR(one.truePeak, 0.0, 0.1);
    vm::Loudness both;
    ASSERT_TRUE(vm::MeasureLoudness(sine, 48000, vm::MonoAs::BothSides, &both, &error)) << error;
    EXPECT_NEAR(both.integrated - one.integrated, 3.01, 0.05);
    // Silence has no loudness to speak of.
    vm::Loudness silence;
    ASSERT_TRUE(vm::MeasureLoudness(std::vector<int16_t>(48000, 0), 48000, vm::MonoAs::OneChannel,
                                    &silence, &error));
    EXPECT_LE(silence.integrated, -70.0);
}

TEST(Loudness, PeaksFarAboveTheSpeechAreCaughtAndNothingMoves) {
    // A quiet tone with a full-scale click every half second: raising it to
    // -16 LUFS by gain alone would put the clicks 20 dB over full scale.
    const int rate = 22050;
    std::vector<int16_t> samples = Sine(6, rate, 220, 0.03);
    for (size_t i = rate / 4; i < samples.size(); i += rate / 2)
        for (int k = 0; k < 8; ++k) samples[i + k] = int16_t(k % 2 ? -32000 : 32000);
    std::vector<int16_t> evened = samples;
    vm::Loudness before, after;
    std::string error;
    ASSERT_TRUE(
        vm::EvenLoudness(&evened, rate, vm::MonoAs::BothSides, -16, -1, &before, &after, &error))
        << error;
    std::cout << "[ figures  ] clicks on a quiet tone: " << before.integrated << " LUFS, "
              << before.truePeak << " dBTP -> " << after.integrated << " LUFS, " << after.truePeak
              << " dBTP\n";
    EXPECT_GT(before.truePeak - before.integrated, 20.0);
    ASSERT_EQ(evened.size(), samples.size());
    EXPECT_NEAR(after.integrated, -16.0, 0.5);
    EXPECT_LE(after.truePeak, -1.0);
    vm::Loudness measured;
    ASSERT_TRUE(vm::MeasureLoudness(evened, rate, vm::MonoAs::BothSides, &measured, &error));
    EXPECT_EQ(measured.integrated, after.integrated);
    EXPECT_EQ(measured.truePeak, after.truePeak);
    // Between the clicks the tone is only louder, in the same place, by a
    // gain that stays within 0.1 dB.
    EXPECT_EQ(BestLag(samples, evened, 40), 0);
    double low = 1e9, high = 0;
    for (size_t i = size_t(rate) * 3 / 8; i < size_t(rate) * 5 / 8; ++i) {
        if (std::abs(samples[i]) < 500) continue;  // rounding would blur the ratio
        const double ratio = double(evened[i]) / samples[i];
        low = std::min(low, ratio);
        high = std::max(high, ratio);
    }
    EXPECT_GT(low, 5.0);
    EXPECT_LT(20 * std::log10(high / low), 0.1);
    // The limiter gives back every sample it holds at the end.
    const qint64 end = qint64(samples.size());
    EXPECT_NEAR(vm::RmsLevel(evened, end - 200, end) / vm::RmsLevel(samples, end - 200, end), low,
                0.05 * low);
}

TEST(Loudness, SilenceIsLeftAsItIs) {
    std::vector<int16_t> silence(22050, 0);
    silence[100] = 3;  // far below anything measurable
    std::vector<int16_t> evened = silence;
    std::string error;
    ASSERT_TRUE(
        vm::EvenLoudness(&evened, 22050, vm::MonoAs::BothSides, -16, -1, nullptr, nullptr, &error));
    EXPECT_EQ(evened, silence);
}

TEST_P(EvenLoudnessOfSpeech, LandsOnTheTargetUnderTheCeilingWithEveryWordInPlace) {
    SpVoice::UseInstalledEngines();
    const VoiceToken token = FindVoice(GetParam().engine, GetParam().id);
    ASSERT_FALSE(token.IsNull()) << GetParam().id;
    const QString path =
        testsupport::FreshAppFolder(QString("loud_%1").arg(GetParam().engine)) + "/n.wav";
    SpVoice voice;
    voice.setVoice(token);
    SpFileStream stream;
    ASSERT_TRUE(stream.Open(path));
    voice.setAudioOutputStream(&stream);
    ASSERT_TRUE(
        voice.Speak("Searching for a family dentist near you? Our friendly team gives "
                    "every patient gentle, modern care.\nBook your visit today!"))
        << voice.LastError().toStdString();
    voice.setAudioOutputStream(nullptr);
    ASSERT_TRUE(stream.Close());
    std::vector<int16_t> samples;
    vm::WavInfo info;
    QString readError;
    ASSERT_TRUE(vm::ReadWav(path, &samples, &info, &readError));

    std::vector<int16_t> evened = samples;
    vm::Loudness before, after;
    std::string error;
    ASSERT_TRUE(vm::EvenLoudness(&evened, info.sampleRate, vm::MonoAs::BothSides, -16, -1, &before,
                                 &after, &error))
        << error;
    std::cout << "[ figures  ] " << GetParam().engine << ": " << before.integrated << " LUFS, "
              << before.truePeak << " dBTP -> " << after.integrated << " LUFS, " << after.truePeak
              << " dBTP\n";
    EXPECT_NEAR(after.integrated, -16.0, 0.3);
    EXPECT_LE(after.truePeak, -1.0);
    // The same samples in the same places: the word timings still hold.
    ASSERT_EQ(evened.size(), samples.size());
    EXPECT_EQ(BestLag(samples, evened, 64), 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] == 0 && std::abs(evened[i]) > 1) {
            ADD_FAILURE() << "sound where there was silence at sample " << i;
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RealVoices, EvenLoudnessOfSpeech,
                         ::testing::Values(EngineCase{"espeak-ng", "gmw/en-US"},
                                           EngineCase{"flite", "cmu_us_slt"},
                                           EngineCase{"festival", "cmu_us_slt_arctic_hts"}),
                         [](const ::testing::TestParamInfo<EngineCase>& info) {
                             std::string name = info.param.engine;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });
