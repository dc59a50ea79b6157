// The speech layer over the real engines: the voice list, and WAV files
// spoken by espeak-ng, flite and festival, measured.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <iostream>

#include "SpFileStream.h"
#include "SpVoice.h"
#include "SpeechEngine.h"
#include "TestSupport.h"
#include "WavFile.h"

namespace {

struct Spoken {
    bool ok = false;
    vm::WavInfo info;
    double synthSeconds = 0;
    QString error;
};

VoiceToken FindVoice(const SpVoice& voice, const QString& engine, const QString& id) {
    for (const VoiceToken& t : voice.GetVoices())
        if (t.Engine() == engine && t.Id() == id) return t;
    return {};
}

// Speaks `text` into a fresh WAV at `path` and measures the file.
Spoken SpeakToWav(const VoiceToken& token, const QString& text, int flags, const QString& path) {
    Spoken result;
    SpVoice voice;
    SpFileStream stream;
    if (!stream.Open(path, SpFileStream::SSFMCreateForWrite, false)) {
        result.error = stream.LastError();
        return result;
    }
    voice.setAudioOutputStream(&stream);
    voice.setVoice(token);
    QElapsedTimer clock;
    clock.start();
    const bool spoke = voice.Speak(text, flags);
    result.synthSeconds = clock.nsecsElapsed() / 1e9;
    voice.setAudioOutputStream(nullptr);
    if (!spoke) {
        result.error = voice.LastError();
        stream.Close();
        return result;
    }
    if (!stream.Close()) {
        result.error = stream.LastError();
        return result;
    }
    result.ok = vm::ReadWavInfo(path, &result.info, &result.error);
    return result;
}

struct EngineCase {
    const char* engine;
    const char* id;
    int rate;
};

// One voice of each engine, with the rate it speaks at.
const EngineCase kCases[] = {
    {"espeak-ng", "gmw/en-US", 22050},
    {"flite", "cmu_us_slt", 16000},
    {"festival", "cmu_us_slt_arctic_hts", 32000},
};

const char* const kSixtyWords =
    "Our friendly team has helped families in this town for more than twenty years. We offer "
    "fast service, fair prices and honest advice on every job, large or small. Call us today to "
    "book a free visit, and see why so many of your neighbours trust us with their homes and "
    "their gardens. We look forward to hearing from you very soon, and thank you for reading.";

class SpeechEngines : public ::testing::TestWithParam<EngineCase> {
protected:
    void SetUp() override {
        SpVoice::UseInstalledEngines();
        SpVoice voice;
        token_ = FindVoice(voice, GetParam().engine, GetParam().id);
        ASSERT_FALSE(token_.IsNull()) << "voice missing: " << GetParam().id;
        dir_ = testsupport::FreshAppFolder(QString("engine_%1").arg(GetParam().rate));
    }
    Spoken Say(const QString& text, int flags = SpVoice::SVSFDefault, const char* file = "a.wav") {
        return SpeakToWav(token_, text, flags, dir_ + "/" + file);
    }
    VoiceToken token_;
    QString dir_;
};

}  // namespace

TEST(SpeechVoices, RealListIsEspeakThenFliteThenFestivalWithFestivalTheDefault) {
    SpVoice::UseInstalledEngines();
    QElapsedTimer clock;
    clock.start();
    SpVoice voice;
    QList<VoiceToken> tokens;
    ASSERT_TRUE(voice.EnumerateVoices(&tokens)) << voice.LastError().toStdString();
    const double listMs = clock.nsecsElapsed() / 1e6;
    std::cout << "[ figures  ] creating the voice and listing " << tokens.size()
              << " voices: " << listMs << " ms\n";
    RecordProperty("list_voices_ms", int(listMs));

    // Engines come in blocks in a fixed order.
    QStringList engines;
    QStringList flite;
    QStringList descriptions;
    for (const VoiceToken& t : tokens) {
        if (engines.isEmpty() || engines.last() != t.Engine()) engines << t.Engine();
        if (t.Engine() == "flite") flite << t.Id();
        descriptions << t.GetDescription();
        EXPECT_TRUE(t.GetDescription().endsWith("(" + t.Engine() + ")"))
            << t.GetDescription().toStdString();
        EXPECT_FALSE(t.Id().startsWith("mb/")) << "mbrola is not installed here";
    }
    EXPECT_EQ(engines, (QStringList{"espeak-ng", "flite", "festival"}));
    EXPECT_GE(tokens.size(), 100);
    EXPECT_EQ(flite, (QStringList{"cmu_us_kal", "cmu_us_kal16", "cmu_us_awb", "cmu_us_slt",
                                  "cmu_us_rms"}));
    EXPECT_TRUE(descriptions.contains("gmw/en-US - English (America), male (espeak-ng)"));
    EXPECT_TRUE(descriptions.contains("cmu_us_awb - English (Scotland), male (flite)"));
    EXPECT_TRUE(descriptions.contains("cmu_us_slt - English (America), female (flite)"));
    EXPECT_EQ(descriptions.last(), "cmu_us_slt_arctic_hts - English (America), female (festival)");

    // An espeak voice outside English also holds "engl"; festival still wins.
    EXPECT_TRUE(std::any_of(descriptions.begin(), descriptions.end(),
                            [](const QString& d) { return d.contains("latin as English"); }));
    EXPECT_EQ(SpVoice::DefaultVoiceIndex(descriptions), descriptions.size() - 1);

    // The enumeration order is stable: positions select voices.
    QList<VoiceToken> again;
    ASSERT_TRUE(SpVoice().EnumerateVoices(&again));
    ASSERT_EQ(again.size(), tokens.size());
    for (int i = 0; i < tokens.size(); ++i) EXPECT_EQ(again[i].Id(), tokens[i].Id());
}

TEST_P(SpeechEngines, SpeaksASentenceIntoAWavAtItsOwnRate) {
    const Spoken first = Say("The quick brown fox jumps over the lazy dog near our town.");
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_EQ(first.info.sampleRate, GetParam().rate);
    EXPECT_EQ(first.info.channels, 1);
    EXPECT_EQ(first.info.bitsPerSample, 16);
    EXPECT_GT(first.info.Duration(), 1.5);
    EXPECT_LT(first.info.Duration(), 6.0);

    // The same file spoken again with a short text is replaced, not appended.
    const Spoken second = Say("Hello.");
    ASSERT_TRUE(second.ok) << second.error.toStdString();
    EXPECT_LT(second.info.Duration(), first.info.Duration() - 1.0);
    EXPECT_GT(second.info.Duration(), 0.2);
}

TEST_P(SpeechEngines, LineBreakInPlainTextGivesAPause) {
    const Spoken oneLine = Say("The shop opens at nine. Parking is free.", 0, "one.wav");
    const Spoken twoLines = Say("The shop opens at nine.\nParking is free.", 0, "two.wav");
    const Spoken blankLines =
        Say("\r\n  \nThe shop opens at nine.\r\n\r\n\nParking is free.\n\n", 0, "blank.wav");
    ASSERT_TRUE(oneLine.ok && twoLines.ok && blankLines.ok)
        << (oneLine.error + twoLines.error + blankLines.error).toStdString();
    const double pause = twoLines.info.Duration() - oneLine.info.Duration();
    std::cout << "[ figures  ] " << GetParam().engine << " line-break pause " << pause << " s\n";
    EXPECT_GE(pause, 0.3);
    EXPECT_LT(pause, 1.5);
    // Blank lines neither crash nor pile up pauses.
    EXPECT_NEAR(blankLines.info.Duration(), twoLines.info.Duration(), 0.1);

    const Spoken nothing = Say("\n\n \n", 0, "nothing.wav");
    ASSERT_TRUE(nothing.ok) << nothing.error.toStdString();
    EXPECT_EQ(nothing.info.sampleCount, 0);
}

TEST_P(SpeechEngines, TextWithoutWordsIsNoError) {
    // What is left of "Hello[IMAGE]!" after the cut: a lone mark.
    for (const char* text : {"!", " . ", "#KEYWORD#",
                             "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"
                             "5"}) {
        const Spoken spoken = Say(QString::fromUtf8(text), 0, "mark.wav");
        EXPECT_TRUE(spoken.ok) << text << ": " << spoken.error.toStdString();
        EXPECT_LT(spoken.info.Duration(), 4.0) << text;
    }
}

TEST_P(SpeechEngines, MarkupCharactersInPlainTextNeverSwallowWords) {
    const Spoken marked = Say("Buy 3 <six> & save", 0, "marked.wav");
    const Spoken words = Say("Buy 3 six and save", 0, "words.wav");
    const Spoken cut = Say("Buy 3", 0, "cut.wav");
    ASSERT_TRUE(marked.ok && words.ok && cut.ok)
        << (marked.error + words.error + cut.error).toStdString();
    std::cout << "[ figures  ] " << GetParam().engine << " 'Buy 3 <six> & save' "
              << marked.info.Duration() << " s, 'Buy 3 six and save' " << words.info.Duration()
              << " s, 'Buy 3' " << cut.info.Duration() << " s\n";
    EXPECT_GT(marked.info.Duration(), 0.85 * words.info.Duration());
    EXPECT_GT(marked.info.Duration(), cut.info.Duration() + 0.5);
}

TEST_P(SpeechEngines, BreakInMarkupGivesAPauseAndTagsAreNotSpoken) {
    // No punctuation at the break: a sentence end has a pause of its own.
    const Spoken plain = Say("<speak>Welcome to our shop we are open today.</speak>",
                             SpVoice::SVSFIsXML, "plain.wav");
    const Spoken withBreak =
        Say("<speak>Welcome to our shop <break time=\"500ms\"/> we are open today.</speak>",
            SpVoice::SVSFIsXML, "break.wav");
    const Spoken tagsAsText =
        Say("<speak>Welcome to our shop we are open today.</speak>", 0, "tags.wav");
    ASSERT_TRUE(plain.ok && withBreak.ok && tagsAsText.ok)
        << (plain.error + withBreak.error + tagsAsText.error).toStdString();
    const double pause = withBreak.info.Duration() - plain.info.Duration();
    std::cout << "[ figures  ] " << GetParam().engine << " <break time=500ms/> adds " << pause
              << " s\n";
    EXPECT_GE(pause, 0.3);
    // Without the markup flag the tags are only text: the sentence is still
    // spoken whole.
    EXPECT_GE(tagsAsText.info.Duration(), plain.info.Duration() * 0.8);
}

TEST_P(SpeechEngines, SixtyWordsTiming) {
    Say("Warm up.", 0, "warm.wav");  // festival starts on its first sentence
    const Spoken long_ = Say(kSixtyWords, 0, "sixty.wav");
    ASSERT_TRUE(long_.ok) << long_.error.toStdString();
    std::cout << "[ figures  ] " << GetParam().engine << " 60 words: synth " << long_.synthSeconds
              << " s, audio " << long_.info.Duration() << " s\n";
    if (QString(GetParam().engine) == "festival")
        std::cout << "[ figures  ] festival start (initialise + load voice): "
                  << vm::speech::FestivalStartMilliseconds() << " ms\n";
    EXPECT_GT(long_.info.Duration(), 15.0);
    EXPECT_LT(long_.info.Duration(), 40.0);
    EXPECT_LT(long_.synthSeconds, 15.0);
}

INSTANTIATE_TEST_SUITE_P(RealVoices, SpeechEngines, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EngineCase>& info) {
                             std::string name = info.param.engine;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

TEST(SpeechVoice, SpeakingWithoutASoundDeviceFailsAtOnce) {
    SpVoice::UseInstalledEngines();
    // This machine may have no device at all; on one that does, pretend.
    SpVoice::SetSoundOutputMissingForTesting(true);
    SpVoice voice;
    voice.setVoice(FindVoice(voice, "espeak-ng", "gmw/en-US"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(voice.Speak("This is just a test.", SpVoice::SVSFIsXML));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(voice.LastError(), "No sound output device");
    SpVoice::SetSoundOutputMissingForTesting(false);
}

TEST(SpeechVoice, SpeakingIntoAClosedStreamFails) {
    SpVoice::UseInstalledEngines();
    SpVoice voice;
    SpFileStream stream;
    voice.setAudioOutputStream(&stream);
    EXPECT_FALSE(voice.Speak("Hello."));
    EXPECT_EQ(voice.LastError(), "The speech stream is not open");
}
