// The speech helper process for real: it speaks what the engines speak in
// this process, festival in two helpers at once, and a helper that crashes or
// is stopped fails only its own request.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <thread>

#include "SpVoice.h"
#include "SpeechEngine.h"
#include "SpeechHelper.h"
#include "TestSupport.h"

using vm::speech::EngineAudio;
using vm::speech::SpeechHelper;

namespace {

std::string HelperPath() {
    return SpVoice::HelperProgram().toStdString();
}

// A long text: festival needs a few seconds for it.
std::string LongText() {
    std::string text;
    for (int i = 0; i < 40; ++i) text += "We are open every day of the week, from early to late. ";
    return text;
}

TEST(SpeechHelper, SpeaksWhatTheEngineSpeaksAndFestivalInTwoHelpersAtOnce) {
    ASSERT_FALSE(HelperPath().empty()) << "vidmill-speak is not beside the tests";
    std::string error;
    auto local = vm::speech::EspeakEngine(&error);
    ASSERT_TRUE(local) << error;
    EngineAudio here;
    ASSERT_TRUE(local->Synthesize("gmw/en-US", "Call a dentist today.", false, 1.0, &here, &error));
    SpeechHelper helper(HelperPath());
    EngineAudio there;
    ASSERT_TRUE(
        helper.Speak({"espeak-ng", "gmw/en-US", "Call a dentist today.", false}, &there, &error))
        << error;
    EXPECT_EQ(there.sampleRate, here.sampleRate);
    EXPECT_EQ(there.samples, here.samples);
    // What was spoken before changes nothing (espeak-ng keeps state from one
    // text to the next, flite draws random numbers), so a repeated batch repeats.
    const std::pair<const char*, const char*> voices[] = {
        {"espeak-ng", "gmw/en-US"}, {"flite", "cmu_us_slt"}, {"festival", "cmu_us_slt_arctic_hts"}};
    for (const auto& [engine, voice] : voices) {
        EngineAudio first, other, again;
        ASSERT_TRUE(helper.Speak({engine, voice, "Call a dentist today.", false}, &first, &error));
        ASSERT_TRUE(helper.Speak({engine, voice, "Something else first.", false}, &other, &error));
        ASSERT_TRUE(helper.Speak({engine, voice, "Call a dentist today.", false}, &again, &error));
        EXPECT_EQ(first.samples, again.samples) << engine;
    }

    // festival keeps one interpreter per process: two helpers speak at once.
    SpeechHelper a(HelperPath()), b(HelperPath());
    EngineAudio fromA, fromB;
    std::string errorA, errorB;
    bool okA = false, okB = false;
    const vm::speech::SpeakRequest request{"festival", "cmu_us_slt_arctic_hts",
                                           "Bright smiles start here.", false};
    std::thread first([&] { okA = a.Speak(request, &fromA, &errorA); });
    std::thread second([&] { okB = b.Speak(request, &fromB, &errorB); });
    first.join();
    second.join();
    ASSERT_TRUE(okA) << errorA;
    ASSERT_TRUE(okB) << errorB;
    EXPECT_GT(fromA.samples.size(), size_t(fromA.sampleRate));  // over a second of speech
    EXPECT_EQ(fromA.samples, fromB.samples);
    EXPECT_NE(a.ProcessId(), b.ProcessId());
}

TEST(SpeechHelper, ACrashFailsOneRequestAndTheNextStartsAFreshHelper) {
    SpeechHelper helper(HelperPath());
    std::string error;
    EngineAudio audio;
    ASSERT_TRUE(helper.Speak({"espeak-ng", "gmw/en-US", "Hello.", false}, &audio, &error)) << error;
    const int first = helper.ProcessId();
    ASSERT_GT(first, 0);

    bool spoke = true;
    std::thread speaking([&] {
        spoke =
            helper.Speak({"festival", "cmu_us_slt_arctic_hts", LongText(), false}, &audio, &error);
    });
    // The helper is busy with festival: make it crash as an engine would.
    kill(first, SIGSEGV);
    speaking.join();
    EXPECT_FALSE(spoke);
    EXPECT_NE(error.find("festival speech engine failed"), std::string::npos) << error;
    EXPECT_NE(error.find("signal 11"), std::string::npos) << error;

    ASSERT_TRUE(helper.Speak({"espeak-ng", "gmw/en-US", "Still here.", false}, &audio, &error))
        << error;
    EXPECT_GT(audio.samples.size(), 1000u);
    EXPECT_NE(helper.ProcessId(), first);

    // The engine's own refusals come back as they are.
    EXPECT_FALSE(helper.Speak({"espeak-ng", "no/such-voice", "x", false}, &audio, &error));
    EXPECT_NE(error.find("no/such-voice"), std::string::npos) << error;
    SpeechHelper missing("/nonexistent/vidmill-speak");
    EXPECT_FALSE(missing.Speak({"espeak-ng", "gmw/en-US", "x", false}, &audio, &error));
    EXPECT_NE(error.find("could not be started"), std::string::npos) << error;
}

TEST(SpeechHelper, AbortEndsTheRequestInFlightAndRefusesTheRest) {
    SpeechHelper helper(HelperPath());
    std::string error;
    EngineAudio audio;
    bool spoke = true;
    std::thread speaking([&] {
        spoke =
            helper.Speak({"festival", "cmu_us_slt_arctic_hts", LongText(), false}, &audio, &error);
    });
    ASSERT_TRUE(testsupport::WaitFor([&] { return helper.ProcessId() > 0; }, 10000));
    helper.Abort();
    speaking.join();
    EXPECT_FALSE(spoke);
    EXPECT_EQ(error, "speech was stopped");
    EXPECT_EQ(helper.ProcessId(), 0);
    EXPECT_FALSE(helper.Speak({"espeak-ng", "gmw/en-US", "x", false}, &audio, &error));
    EXPECT_EQ(error, "speech was stopped");
}

}  // namespace
