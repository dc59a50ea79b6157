// SpVoice over engines behind the test seam: listing order, listing
// failures, engine errors, and how text reaches an engine.
#include <gtest/gtest.h>

#include "SpFileStream.h"
#include "SpVoice.h"
#include "SpeechEngine.h"
#include "TestSupport.h"
#include "WavFile.h"

using vm::speech::EngineAudio;
using vm::speech::EngineVoice;

namespace {

// Records what it is asked to speak and answers with 0.1 s of tone per call.
class FakeEngine : public vm::speech::SpeechEngine {
public:
    FakeEngine(std::string name, std::vector<std::string> descriptions, bool markup = false)
        : name_(std::move(name)), descriptions_(std::move(descriptions)), markup_(markup) {}
    std::string Name() const override { return name_; }
    bool SpeaksMarkup() const override { return markup_; }
    bool ListVoices(std::vector<EngineVoice>* voices, std::string* error) override {
        for (size_t i = 0; i < descriptions_.size(); ++i)
            voices->push_back({name_ + std::to_string(i), descriptions_[i]});
        if (failListing) *error = "voice registry unreadable";
        return !failListing;
    }
    bool Synthesize(const std::string& voiceId, const std::string& text, bool markup, double rate,
                    EngineAudio* audio, std::string* error) override {
        calls.push_back({voiceId, text, markup, rate});
        if (failSpeaking) {
            *error = "synthesizer crashed";
            return false;
        }
        audio->sampleRate = 10000;
        audio->samples.assign(1000, 3000);
        return true;
    }
    struct Call {
        std::string voice, text;
        bool markup;
        double rate;
    };
    std::vector<Call> calls;
    bool failListing = false;
    bool failSpeaking = false;

private:
    std::string name_;
    std::vector<std::string> descriptions_;
    bool markup_;
};

class SpeechVoiceFakes : public ::testing::Test {
protected:
    void TearDown() override { SpVoice::UseInstalledEngines(); }
};

}  // namespace

TEST_F(SpeechVoiceFakes, NoEngineMeansNoVoiceObject) {
    SpVoice::SetEnginesForTesting({});
    SpVoice voice;
    EXPECT_FALSE(voice.IsReady());
    QList<VoiceToken> tokens;
    EXPECT_FALSE(voice.EnumerateVoices(&tokens));
    EXPECT_TRUE(tokens.isEmpty());
    EXPECT_FALSE(voice.Speak("Hello"));
    EXPECT_FALSE(voice.LastError().isEmpty());
}

TEST_F(SpeechVoiceFakes, VoicesListedBeforeAFailingEngineStay) {
    auto a = std::make_shared<FakeEngine>("a", std::vector<std::string>{"A1", "A2"});
    auto b = std::make_shared<FakeEngine>("b", std::vector<std::string>{"B1"});
    auto c = std::make_shared<FakeEngine>("c", std::vector<std::string>{"C1"});
    b->failListing = true;
    SpVoice::SetEnginesForTesting({a, b, c});
    SpVoice voice;
    QList<VoiceToken> tokens;
    EXPECT_FALSE(voice.EnumerateVoices(&tokens));
    QStringList listed;
    for (const auto& t : tokens) listed << t.GetDescription();
    EXPECT_EQ(listed, (QStringList{"A1", "A2", "B1"}));
    EXPECT_TRUE(voice.LastError().contains("voice registry unreadable"));
}

TEST_F(SpeechVoiceFakes, DefaultVoiceIsTheLastEnglishElseTheFirst) {
    EXPECT_EQ(SpVoice::DefaultVoiceIndex(
                  {"Voice A (English)", "Voice B (German)", "Voice C (english, UK)"}),
              2);
    EXPECT_EQ(SpVoice::DefaultVoiceIndex({"German", "ENGLISH", "French"}), 1);
    EXPECT_EQ(SpVoice::DefaultVoiceIndex({"German", "French"}), 0);
    EXPECT_EQ(SpVoice::DefaultVoiceIndex({}), -1);
}

TEST_F(SpeechVoiceFakes, PlainTextReachesEnginesLineByLineWithPauses) {
    auto reader = std::make_shared<FakeEngine>("m", std::vector<std::string>{"M"}, true);
    auto plain = std::make_shared<FakeEngine>("p", std::vector<std::string>{"P"}, false);
    SpVoice::SetEnginesForTesting({reader, plain});
    const QString path = testsupport::FreshAppFolder("fake_lines") + "/f.wav";
    SpVoice voice;
    SpFileStream stream;
    const auto tokens = voice.GetVoices();
    ASSERT_EQ(tokens.size(), 2);

    // Markup-reading engine: each line escaped, read as markup.
    ASSERT_TRUE(stream.Open(path));
    voice.setAudioOutputStream(&stream);
    voice.setVoice(tokens[0]);
    ASSERT_TRUE(voice.Speak("Buy <six> & save\n\nnow"));
    ASSERT_EQ(reader->calls.size(), 2u);
    EXPECT_EQ(reader->calls[0].text, "Buy &lt;six&gt; &amp; save");
    EXPECT_TRUE(reader->calls[0].markup);
    EXPECT_EQ(reader->calls[0].voice, "m0");
    EXPECT_EQ(reader->calls[1].text, "now");
    ASSERT_TRUE(stream.Close());
    vm::WavInfo info;
    QString error;
    ASSERT_TRUE(vm::ReadWavInfo(path, &info, &error));
    EXPECT_EQ(info.sampleRate, 10000);
    EXPECT_NEAR(info.Duration(), 0.1 + 0.5 + 0.1, 0.001);

    // Other engines get plain text, and markup reduced to text and pauses.
    ASSERT_TRUE(stream.Open(path));
    voice.setVoice(tokens[1]);
    ASSERT_TRUE(voice.Speak("<speak>Fish &amp; chips<break time=\"1s\"/>today</speak>",
                            SpVoice::SVSFIsXML));
    ASSERT_EQ(plain->calls.size(), 2u);
    EXPECT_EQ(plain->calls[0].text, "Fish & chips");
    EXPECT_FALSE(plain->calls[0].markup);
    EXPECT_EQ(plain->calls[1].text, "today");
    ASSERT_TRUE(stream.Close());
    ASSERT_TRUE(vm::ReadWavInfo(path, &info, &error));
    EXPECT_NEAR(info.Duration(), 0.1 + 1.0 + 0.1, 0.001);

    // The markup-reading engine gets markup whole.
    reader->calls.clear();
    ASSERT_TRUE(stream.Open(path));
    voice.setVoice(tokens[0]);
    ASSERT_TRUE(voice.Speak("a<break time=\"1s\"/>b", SpVoice::SVSFIsXML));
    ASSERT_EQ(reader->calls.size(), 1u);
    EXPECT_EQ(reader->calls[0].text, "a<break time=\"1s\"/>b");
    stream.Close();
}

TEST_F(SpeechVoiceFakes, EngineErrorIsReported) {
    auto broken = std::make_shared<FakeEngine>("x", std::vector<std::string>{"X"});
    broken->failSpeaking = true;
    SpVoice::SetEnginesForTesting({broken});
    SpVoice voice;
    SpFileStream stream;
    ASSERT_TRUE(stream.Open(testsupport::FreshAppFolder("fake_err") + "/e.wav"));
    voice.setAudioOutputStream(&stream);
    voice.setVoice(voice.GetVoices().value(0));
    EXPECT_FALSE(voice.Speak("Hello"));
    EXPECT_EQ(voice.LastError(), "synthesizer crashed");

    // A token of an engine this voice object does not have.
    voice.setVoice(VoiceToken("gone", "g", "Gone (gone)"));
    EXPECT_FALSE(voice.Speak("Hello"));
    EXPECT_TRUE(voice.LastError().contains("gone"));
}
