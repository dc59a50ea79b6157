// Speech rate with the real engines: each engine speaks faster or slower by
// its own duration control, and every word is still there to be heard.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <iostream>

#include "SpFileStream.h"
#include "SpVoice.h"
#include "SpeechHelper.h"
#include "TestSupport.h"
#include "WavFile.h"

namespace {

struct Narration {
    std::vector<int16_t> samples;
    int rate = 0;
    std::vector<SpFileStream::SpokenWord> words;
    double Seconds() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
};

// Speaks into a WAV at `path` and reads it back; empty samples on failure.
Narration Say(SpVoice& voice, const QString& text, double rate, const QString& path) {
    Narration n;
    voice.setSpeechRate(rate);
    SpFileStream stream;
    EXPECT_TRUE(stream.Open(path));
    voice.setAudioOutputStream(&stream);
    EXPECT_TRUE(voice.Speak(text)) << voice.LastError().toStdString();
    voice.setAudioOutputStream(nullptr);
    n.words = stream.TakeWords();
    vm::WavInfo info;
    QString error;
    EXPECT_TRUE(stream.Close() && vm::ReadWav(path, &n.samples, &info, &error));
    n.rate = info.sampleRate;
    return n;
}

// Stretches of speech parted by at least `gapSeconds` of near silence
// (10 ms pieces below -40 dB of full scale).
int SpokenPhrases(const Narration& n, double gapSeconds) {
    const qint64 piece = n.rate / 100;
    int phrases = 0;
    double quiet = gapSeconds;  // the start counts as after a gap
    for (qint64 at = 0; at + piece <= qint64(n.samples.size()); at += piece) {
        const bool silent = vm::RmsLevel(n.samples, at, at + piece) < 0.01;
        if (!silent && quiet >= gapSeconds) ++phrases;
        quiet = silent ? quiet + 0.01 : 0;
    }
    return phrases;
}

// The share of the text's words (0..1) an offline recogniser (CMU
// pocketsphinx, US English) hears in each WAV, in order; the files are heard
// side by side. Empty when it cannot run.
std::vector<double> RecognisedShares(const QStringList& wavs, const QString& text) {
    auto words = [](const QString& t) {
        return t.toLower()
            .remove(QRegularExpression("[^a-z \\n]"))
            .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    };
    std::vector<std::unique_ptr<QProcess>> recognisers;
    for (const QString& wav : wavs) {
        // Its model is for 16 kHz speech.
        if (QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-i", wav, "-ar", "16000",
                                         wav + ".16k.wav"}) != 0)
            return {};
        recognisers.push_back(std::make_unique<QProcess>());
        recognisers.back()->start("pocketsphinx_continuous",
                                  {"-infile", wav + ".16k.wav", "-logfn", "/dev/null"});
    }
    const QStringList said = words(text);
    std::vector<double> shares;
    for (auto& recogniser : recognisers) {
        if (!recogniser->waitForFinished(120000) || recogniser->exitCode() != 0) return {};
        const QStringList heard = words(QString::fromUtf8(recogniser->readAllStandardOutput()));
        // The most of the text's words found in order in what was heard.
        std::vector<std::vector<int>> common(size_t(said.size()) + 1,
                                             std::vector<int>(size_t(heard.size()) + 1, 0));
        for (int i = 1; i <= said.size(); ++i)
            for (int j = 1; j <= heard.size(); ++j)
                common[i][j] = said[i - 1] == heard[j - 1]
                                   ? common[i - 1][j - 1] + 1
                                   : std::max(common[i - 1][j], common[i][j - 1]);
        shares.push_back(double(common[said.size()][heard.size()]) / said.size());
    }
    return shares;
}

struct RateCase {
    const char* engine;
    const char* id;
    // The recogniser misses most of espeak-ng's words even at its own pace
    // (83% word error), so it judges only the other two.
    bool recognisable;
};

// Three short lines: the pauses between them part three phrases.
const char* const kLines =
    "Our friendly team has helped families in this town for twenty years\n"
    "We offer fast service and honest advice on every job large or small\n"
    "Call us today to book a free visit to your home";

class SpeechRate : public ::testing::TestWithParam<RateCase> {
protected:
    void SetUp() override {
        SpVoice::UseInstalledEngines();
        for (const VoiceToken& t : SpVoice().GetVoices())
            if (t.Engine() == GetParam().engine && t.Id() == GetParam().id) token_ = t;
        ASSERT_FALSE(token_.IsNull()) << "voice missing: " << GetParam().id;
        dir_ = testsupport::FreshAppFolder(QString("rate_%1").arg(GetParam().engine));
    }
    VoiceToken token_;
    QString dir_;
};

}  // namespace

TEST_P(SpeechRate, FasterAndSlowerSpeechKeepsEveryWordAndPhrase) {
    const double rates[] = {1.0, 1.5, 0.7};
    Narration n[3];
    for (int i = 0; i < 3; ++i) {
        SpVoice voice;
        voice.setVoice(token_);
        n[i] = Say(voice, kLines, rates[i], dir_ + QString("/%1.wav").arg(i));
        ASSERT_GT(n[i].Seconds(), 1.0);
    }
    const double faster = n[0].Seconds() / n[1].Seconds();
    const double slower = n[2].Seconds() / n[0].Seconds();
    std::cout << "[ figures  ] " << GetParam().engine << ": " << n[0].Seconds() << " s at 1.0, "
              << faster << " times shorter at 1.5, " << slower << " times longer at 0.7\n";
    EXPECT_GE(faster, 1.35);
    EXPECT_LE(faster, 1.65);
    EXPECT_GE(slower, 1.2);
    EXPECT_LE(slower, 1.65);
    // The engine's own pace, not a resampling: the samples' rate stays.
    EXPECT_EQ(n[1].rate, n[0].rate);

    // Every word is still spoken and timed, in order, over sound; the pauses
    // between the lines (0.4 s or more at the voice's own pace, following
    // the rate) still part three phrases.
    const size_t wordCount = vm::speech::WhitespaceTokens(kLines).size();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(rates[i]);
        EXPECT_EQ(SpokenPhrases(n[i], 0.4 / rates[i]), 3);
        ASSERT_EQ(n[i].words.size(), wordCount);
        for (size_t w = 0; w < wordCount; ++w) {
            const SpFileStream::SpokenWord& word = n[i].words[w];
            EXPECT_EQ(word.token, int(w));
            EXPECT_GE(word.start, w > 0 ? n[i].words[w - 1].start : 0.0);
            EXPECT_LE(word.end, n[i].Seconds() + 1e-6);
            EXPECT_GT(vm::RmsLevel(n[i].samples, qint64(word.start * n[i].rate),
                                   qint64(word.end * n[i].rate)),
                      0.01)
                << "word " << w;
        }
    }
    const double lastWord = n[0].words.back().start / n[1].words.back().start;
    EXPECT_GE(lastWord, 1.3);
    EXPECT_LE(lastWord, 1.7);

    // A listener still makes the words out at 1.5: the recogniser hears most
    // of them, nearly as many as at the voice's own pace.
    if (GetParam().recognisable) {
        const std::vector<double> shares =
            RecognisedShares({dir_ + "/0.wav", dir_ + "/1.wav"}, kLines);
        ASSERT_EQ(shares.size(), 2u) << "pocketsphinx_continuous or ffmpeg did not run";
        std::cout << "[ figures  ] " << GetParam().engine << " words recognised: " << shares[0]
                  << " at 1.0, " << shares[1] << " at 1.5\n";
        EXPECT_GE(shares[0], 0.6);
        EXPECT_GE(shares[1], 0.5);
        EXPECT_GE(shares[1], 0.7 * shares[0]);
    }
}

TEST_P(SpeechRate, TheVoicesOwnPaceReturnsExactlyAfterAnother) {
    // One helper process keeps its engines, and what was set on them, between texts.
    const QString program = SpVoice::HelperProgram();
    ASSERT_FALSE(program.isEmpty()) << "vidmill-speak is not beside the tests";
    SpVoice voice(vm::speech::HelperEngines(
        std::make_shared<vm::speech::SpeechHelper>(program.toStdString())));
    voice.setVoice(token_);
    const QString text = "Call a dentist today.";
    const Narration first = Say(voice, text, 1.0, dir_ + "/first.wav");
    EXPECT_LT(Say(voice, text, 1.5, dir_ + "/fast.wav").samples.size(), first.samples.size());
    EXPECT_GT(Say(voice, text, 0.7, dir_ + "/slow.wav").samples.size(), first.samples.size());
    EXPECT_EQ(Say(voice, text, 1.0, dir_ + "/again.wav").samples, first.samples);
}

INSTANTIATE_TEST_SUITE_P(RealVoices, SpeechRate,
                         ::testing::Values(RateCase{"espeak-ng", "gmw/en-US", false},
                                           RateCase{"flite", "cmu_us_slt", true},
                                           RateCase{"festival", "cmu_us_slt_arctic_hts", true}),
                         [](const ::testing::TestParamInfo<RateCase>& info) {
                             std::string name = info.param.engine;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });
