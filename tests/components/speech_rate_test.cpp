// Speech rate with the real engines: each engine speaks faster or slower by
// its own duration control, and every word is still there to be heard.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>

#include "SpFileStream.h"
#include "SpVoice.h"
#include "SpeechEngine.h"
#include "SpeechHelper.h"
#include "TestSupport.h"
#include "WavFile.h"

namespace {

struct Narration {
    bool ok = false;
    QString error;
    std::vector<int16_t> samples;
    int rate = 0;
    std::vector<SpFileStream::SpokenWord> words;
    double Seconds() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
};

VoiceToken FindVoice(const QString& engine, const QString& id) {
    for (const VoiceToken& t : SpVoice().GetVoices())
        if (t.Engine() == engine && t.Id() == id) return t;
    return {};
}

Narration SpeakAt(const VoiceToken& token, const QString& text, double rate, const QString& path) {
    Narration n;
    SpVoice voice;
    voice.setVoice(token);
    voice.setSpeechRate(rate);
    SpFileStream stream;
    if (!stream.Open(path, SpFileStream::SSFMCreateForWrite, false)) {
        n.error = stream.LastError();
        return n;
    }
    voice.setAudioOutputStream(&stream);
    const bool spoke = voice.Speak(text);
    voice.setAudioOutputStream(nullptr);
    n.words = stream.TakeWords();
    if (!spoke) {
        n.error = voice.LastError();
        stream.Close();
        return n;
    }
    if (!stream.Close()) {
        n.error = stream.LastError();
        return n;
    }
    vm::WavInfo info;
    n.ok = vm::ReadWav(path, &n.samples, &info, &n.error);
    n.rate = info.sampleRate;
    return n;
}

// Stretches of speech parted by at least `gapSeconds` of near silence
// (10 ms pieces below -40 dB of full scale).
int SpokenPhrases(const std::vector<int16_t>& samples, int rate, double gapSeconds) {
    const qint64 piece = rate / 100;
    int phrases = 0;
    double quiet = gapSeconds;  // the start counts as after a gap
    for (qint64 at = 0; at + piece <= qint64(samples.size()); at += piece) {
        if (vm::RmsLevel(samples, at, at + piece) < 0.01) {
            quiet += 0.01;
            continue;
        }
        if (quiet >= gapSeconds) ++phrases;
        quiet = 0;
    }
    return phrases;
}

// The share of the text's words (0..1) an offline recogniser (CMU
// pocketsphinx with its US English model) hears in each WAV, in order. The
// files are heard side by side; empty with the reason when it cannot run.
std::vector<double> RecognisedShares(const QStringList& wavs, const QString& text, QString* error) {
    std::vector<std::unique_ptr<QProcess>> recognisers;
    for (const QString& wav : wavs) {
        const QString input = wav + ".16k.wav";  // the model is for 16 kHz speech
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-i", wav, "-ar",
                                "16000", "-ac", "1", input});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
            *error = "ffmpeg could not make " + input;
            return {};
        }
        recognisers.push_back(std::make_unique<QProcess>());
        recognisers.back()->start("pocketsphinx_continuous",
                                  {"-infile", input, "-logfn", "/dev/null"});
    }
    auto words = [](const QString& t) {
        return t.toLower()
            .remove(QRegularExpression("[^a-z \\n]"))
            .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    };
    const QStringList said = words(text);
    std::vector<double> shares;
    for (auto& recogniser : recognisers) {
        if (!recogniser->waitForFinished(120000) || recogniser->exitCode() != 0) {
            *error = "pocketsphinx_continuous did not run: " + recogniser->errorString();
            return {};
        }
        const QStringList heard = words(QString::fromUtf8(recogniser->readAllStandardOutput()));
        // The most of the text's words found in order in what was heard.
        std::vector<std::vector<int>> common(size_t(said.size()) + 1,
                                             std::vector<int>(size_t(heard.size()) + 1, 0));
        for (int i = 1; i <= said.size(); ++i)
            for (int j = 1; j <= heard.size(); ++j)
                common[i][j] = said[i - 1] == heard[j - 1]
                                   ? common[i - 1][j - 1] + 1
                                   : std::max(common[i - 1][j], common[i][j - 1]);
        shares.push_back(said.isEmpty() ? 0
                                        : double(common[said.size()][heard.size()]) / said.size());
    }
    return shares;
}

struct RateCase {
    const char* engine;
    const char* id;
    // Whether the recogniser understands the voice at its own pace: it
    // misses most of espeak-ng's words even then (83% word error).
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
        token_ = FindVoice(GetParam().engine, GetParam().id);
        ASSERT_FALSE(token_.IsNull()) << "voice missing: " << GetParam().id;
        dir_ = testsupport::FreshAppFolder(QString("rate_%1").arg(GetParam().engine));
    }
    Narration Say(double rate, const char* file) {
        return SpeakAt(token_, QString::fromUtf8(kLines), rate, dir_ + "/" + file);
    }
    VoiceToken token_;
    QString dir_;
};

}  // namespace

TEST_P(SpeechRate, FasterAndSlowerSpeechKeepsEveryWordAndPhrase) {
    const Narration normal = Say(1.0, "normal.wav");
    const Narration fast = Say(1.5, "fast.wav");
    const Narration slow = Say(0.7, "slow.wav");
    ASSERT_TRUE(normal.ok && fast.ok && slow.ok)
        << (normal.error + fast.error + slow.error).toStdString();
    const double faster = normal.Seconds() / fast.Seconds();
    const double slower = slow.Seconds() / normal.Seconds();
    std::cout << "[ figures  ] " << GetParam().engine << ": " << normal.Seconds() << " s at 1.0, "
              << fast.Seconds() << " s at 1.5 (" << faster << " times shorter), " << slow.Seconds()
              << " s at 0.7 (" << slower << " times longer)\n";
    // The engine's own pace, not a resampling: the rate of the samples stays.
    EXPECT_EQ(fast.rate, normal.rate);
    EXPECT_EQ(slow.rate, normal.rate);
    EXPECT_GE(faster, 1.35);
    EXPECT_LE(faster, 1.65);
    EXPECT_GE(slower, 1.2);
    EXPECT_LE(slower, 1.65);

    // Every word is still spoken and timed, in order, inside the audio; the
    // pauses between the lines still part the same phrases.
    // A pause between phrases is 0.4 s or more at the voice's own pace, and
    // follows the rate as the words do.
    auto phrasesAt = [](const Narration& n, double rate) {
        return SpokenPhrases(n.samples, n.rate, 0.4 / rate);
    };
    const int phrases = phrasesAt(normal, 1.0);
    EXPECT_EQ(phrases, 3);
    const size_t wordCount = vm::speech::WhitespaceTokens(kLines).size();
    for (const Narration* n : {&normal, &fast, &slow}) {
        SCOPED_TRACE(n == &fast ? "at 1.5" : n == &slow ? "at 0.7" : "at 1.0");
        EXPECT_EQ(phrasesAt(*n, n == &fast ? 1.5 : n == &slow ? 0.7 : 1.0), phrases);
        ASSERT_EQ(n->words.size(), wordCount);
        double last = 0;
        for (size_t i = 0; i < n->words.size(); ++i) {
            const SpFileStream::SpokenWord& w = n->words[i];
            EXPECT_EQ(w.token, int(i));
            EXPECT_GE(w.start, last - 1e-9) << "word " << i;
            EXPECT_GT(w.end, w.start) << "word " << i;
            EXPECT_LE(w.end, n->Seconds() + 1e-6) << "word " << i;
            // Each word is heard: its span is not silence.
            const qint64 from = qint64(w.start * n->rate);
            const qint64 to = qint64(w.end * n->rate);
            EXPECT_GT(vm::RmsLevel(n->samples, from, to), 0.01) << "word " << i;
            last = w.start;
        }
    }
    // A listener still makes the words out: the recogniser hears most of
    // them at either pace, nearly as many as at the voice's own.
    if (GetParam().recognisable) {
        QString error;
        const std::vector<double> shares =
            RecognisedShares({dir_ + "/normal.wav", dir_ + "/fast.wav"}, kLines, &error);
        ASSERT_EQ(shares.size(), 2u) << error.toStdString();
        std::cout << "[ figures  ] " << GetParam().engine << " words recognised: " << shares[0]
                  << " at 1.0, " << shares[1] << " at 1.5\n";
        EXPECT_GE(shares[0], 0.6);
        EXPECT_GE(shares[1], 0.5);
        EXPECT_GE(shares[1], 0.7 * shares[0]);
    }

    // Words are heard that much sooner too, not only the end.
    ASSERT_FALSE(normal.words.empty() || fast.words.empty());
    const double lastWord = normal.words.back().start / fast.words.back().start;
    EXPECT_GE(lastWord, 1.3);
    EXPECT_LE(lastWord, 1.7);
}

TEST_P(SpeechRate, TheVoicesOwnPaceReturnsExactlyAfterAnother) {
    // Through one helper process, which keeps its engines between texts.
    const QString program = SpVoice::HelperProgram();
    ASSERT_FALSE(program.isEmpty()) << "vidmill-speak is not beside the tests";
    auto helper = std::make_shared<vm::speech::SpeechHelper>(program.toStdString());
    SpVoice voice(vm::speech::HelperEngines(helper));
    voice.setVoice(token_);
    auto speak = [&](double rate, const char* file) {
        voice.setSpeechRate(rate);
        SpFileStream stream;
        EXPECT_TRUE(stream.Open(dir_ + "/" + file, SpFileStream::SSFMCreateForWrite, false));
        voice.setAudioOutputStream(&stream);
        EXPECT_TRUE(voice.Speak("Call a dentist today.")) << voice.LastError().toStdString();
        voice.setAudioOutputStream(nullptr);
        EXPECT_TRUE(stream.Close());
        std::vector<int16_t> samples;
        vm::WavInfo info;
        QString error;
        EXPECT_TRUE(vm::ReadWav(dir_ + "/" + file, &samples, &info, &error));
        return samples;
    };
    const std::vector<int16_t> first = speak(1.0, "first.wav");
    const std::vector<int16_t> fast = speak(1.5, "fast.wav");
    const std::vector<int16_t> slow = speak(0.7, "slow.wav");
    const std::vector<int16_t> again = speak(1.0, "again.wav");
    EXPECT_LT(fast.size(), first.size());
    EXPECT_GT(slow.size(), first.size());
    EXPECT_EQ(again, first);
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
