// A narration spoken by several helpers at once, for real: the same WAV,
// length, pauses and word times as one helper gives; one line that fails
// fails the narration with its reason; a stop ends it at once.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Narration.h"
#include "SpVoice.h"
#include "SpeechPool.h"
#include "WavFile.h"

using namespace vm;
using vm::speech::EngineAudio;
using vm::speech::SpeakRequest;
using vm::speech::SpeechPool;

namespace {

// Sentences, line breaks (one blank line among them), an [IMAGE] cut and a
// line longer than festival takes at once.
const QString kAdCopy =
    "Looking for a dentist? Our team cares for families. We are open late.\n"
    "Call us today!\n\n"
    "Gentle check-ups, whitening and emergency visits. [IMAGE] New patients are welcome.\n"
    "Evening and weekend appointments fit your busy week, and we work with most insurance "
    "plans. Book the visit you have been putting off.";

struct Narrated {
    bool ok = false;
    QString error;
    double seconds = 0;
    std::vector<NarrationWord> words;
    QByteArray wav;
};

Narrated Narrate(std::vector<std::shared_ptr<vm::speech::SpeechEngine>> engines,
                 const VoiceToken& voice, const QString& text, const QString& path) {
    SpVoice speaker(std::move(engines));
    speaker.setVoice(voice);
    Narrated n;
    n.ok = SpeakNarrationFile(speaker, text, path, &n.seconds, &n.error, &n.words);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) n.wav = file.readAll();
    return n;
}

// Engines over a pool of `size` helpers that count the requests in flight.
struct CountedPool {
    std::shared_ptr<SpeechPool> pool;
    std::atomic<int> inFlight{0}, most{0}, spoken{0};
    std::function<bool(const SpeakRequest&)> fails = [](const SpeakRequest&) { return false; };

    CountedPool(int size)
        : pool(std::make_shared<SpeechPool>(SpVoice::HelperProgram().toStdString(), size)) {}
    std::vector<std::shared_ptr<vm::speech::SpeechEngine>> Engines() {
        return vm::speech::HelperEngines(
            [this](const SpeakRequest& request, EngineAudio* audio, std::string* error) {
                const int now = ++inFlight;
                for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
                }
                bool ok = false;
                if (fails(request))
                    *error = "the festival speech engine failed: it crashed (signal 11)";
                else
                    ok = pool->Speak(request, audio, error);
                --inFlight;
                if (ok) ++spoken;
                return ok;
            },
            pool->Size());
    }
};

TEST(ParallelNarration, SpeaksWhatOneHelperSpeaksSampleForSample) {
    ASSERT_FALSE(SpVoice::HelperProgram().isEmpty()) << "vidmill-speak is not beside the tests";
    QTemporaryDir dir;
    const VoiceToken voices[] = {{"espeak-ng", "gmw/en-US", "espeak-ng"},
                                 {"festival", "cmu_us_slt_arctic_hts", "festival"}};
    for (const VoiceToken& voice : voices) {
        SCOPED_TRACE(voice.Engine().toStdString());
        auto one =
            std::make_shared<vm::speech::SpeechHelper>(SpVoice::HelperProgram().toStdString());
        const Narrated alone =
            Narrate(vm::speech::HelperEngines(one), voice, kAdCopy, dir.filePath("alone.wav"));
        ASSERT_TRUE(alone.ok) << alone.error.toStdString();
        CountedPool three(3);
        const Narrated together =
            Narrate(three.Engines(), voice, kAdCopy, dir.filePath("together.wav"));
        ASSERT_TRUE(together.ok) << together.error.toStdString();
        EXPECT_GE(three.most.load(), 2) << "the lines were not spoken at once";

        // The same file byte for byte: the same length, the same pauses
        // between lines and pieces, the same speech.
        EXPECT_EQ(together.seconds, alone.seconds);
        ASSERT_GT(alone.wav.size(), 44);
        EXPECT_TRUE(together.wav == alone.wav);
        ASSERT_EQ(together.words.size(), alone.words.size());
        for (size_t i = 0; i < alone.words.size(); ++i) {
            EXPECT_EQ(together.words[i].text, alone.words[i].text);
            EXPECT_EQ(together.words[i].start, alone.words[i].start) << i;
            EXPECT_EQ(together.words[i].end, alone.words[i].end) << i;
        }
        // The last words are heard near the end, after every pause.
        EXPECT_EQ(alone.words.back().text, "off.");
        EXPECT_GT(alone.words.back().end, alone.seconds - 1.0);
    }
}

TEST(ParallelNarration, OneLineThatFailsFailsTheNarrationWithItsReason) {
    QTemporaryDir dir;
    CountedPool pool(2);
    pool.fails = [](const SpeakRequest& r) { return r.text.find("Call us") != std::string::npos; };
    const Narrated n = Narrate(pool.Engines(), {"espeak-ng", "gmw/en-US", "espeak-ng"}, kAdCopy,
                               dir.filePath("failed.wav"));
    EXPECT_FALSE(n.ok);
    EXPECT_EQ(n.error.toStdString(),
              "The voice could not speak the text: the festival speech engine failed: it crashed "
              "(signal 11)");
}

TEST(ParallelNarration, AStopEndsTheNarrationWithinASecond) {
    // festival speaks each of these lines in about a second.
    QString text;
    for (int i = 0; i < 24; ++i)
        text += QString("Line %1 of a long narration for our clinic.\n").arg(i);
    QTemporaryDir dir;
    CountedPool pool(2);
    Narrated n;
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::thread speaking([&] {
        Narrated result = Narrate(pool.Engines(), {"festival", "cmu_us_slt_arctic_hts", "festival"},
                                  text, dir.filePath("stopped.wav"));
        std::lock_guard lock(mutex);
        n = std::move(result);
        done = true;
        changed.notify_all();
    });
    // Stopped in the middle: once a line was spoken, many lines before the end.
    for (int i = 0; i < 600 && pool.spoken == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_GT(pool.spoken.load(), 0) << "festival spoke nothing in 30 s";
    const auto stopped = std::chrono::steady_clock::now();
    pool.pool->Abort();
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(1), [&] { return done; }))
            << "the narration went on after the stop";
    }
    speaking.join();
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
    EXPECT_LT(took, 1.0);
    EXPECT_FALSE(n.ok);
    EXPECT_EQ(n.error.toStdString(), "The voice could not speak the text: speech was stopped");
    EXPECT_LT(pool.spoken.load(), 20);
}

}  // namespace
