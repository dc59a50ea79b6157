// The sound of a video, measured on what the renderer wrote: music that
// steps back while the narration speaks, narrations of every engine at one
// loudness, and the project's speech rate reaching the worker's voice.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>

#include "Narration.h"
#include "ProductionEngine.h"
#include "RenderEngine.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "VideoLayout.h"
#include "VideoPipeline.h"
#include "VideoRandom.h"

using namespace vm;

namespace {

VoiceToken FindVoice(const QString& engine, const QString& id) {
    for (const VoiceToken& t : SpVoice().GetVoices())
        if (t.Engine() == engine && t.Id() == id) return t;
    return {};
}

// The level (dB of full scale) of one frequency in [from, to) seconds: a
// Hann-windowed single-bin DFT, so the voice beside it does not count.
double ToneLevel(const std::vector<float>& samples, int rate, double frequency, double from,
                 double to) {
    const size_t begin = size_t(std::max(0.0, from) * rate);
    const size_t end = std::min(samples.size(), size_t(std::max(0.0, to) * rate));
    double re = 0, im = 0, weights = 0;
    for (size_t i = begin; i < end; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i - begin) / double(end - begin));
        re += w * samples[i] * std::cos(2 * M_PI * frequency * double(i) / rate);
        im += w * samples[i] * std::sin(2 * M_PI * frequency * double(i) / rate);
        weights += w;
    }
    return weights > 0 ? 20 * std::log10(2 * std::hypot(re, im) / weights + 1e-10) : -200;
}

// A video's sound as one channel (full scale 1), decoded by the ffmpeg program.
std::vector<float> DecodedSound(const QString& video) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-loglevel", "error", "-i", video, "-ac", "1", "-f", "f32le", "-"});
    ffmpeg.waitForFinished(60000);
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    std::vector<float> samples(size_t(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

// A narration by flite (its 16 kHz speech has nothing at 12 kHz): `first`,
// a pause, then `second` when given; the words of each and the length.
bool Narrate(const QString& path, const char* first, int pauseMs, const char* second,
             std::vector<SpFileStream::SpokenWord>* firstWords,
             std::vector<SpFileStream::SpokenWord>* secondWords, double* seconds) {
    SpVoice voice;
    voice.setVoice(FindVoice("flite", "cmu_us_slt"));
    SpFileStream stream;
    if (!stream.Open(path)) return false;
    voice.setAudioOutputStream(&stream);
    bool ok = voice.Speak(first);
    *firstWords = stream.TakeWords();
    stream.AppendSilence(pauseMs);
    if (*second) ok = ok && voice.Speak(second);
    *secondWords = stream.TakeWords();
    voice.setAudioOutputStream(nullptr);
    *seconds = double(stream.SampleCount()) / stream.SampleRate();
    return stream.Close() && ok;
}

class VideoSound : public ::testing::Test {
protected:
    void SetUp() override {
        SpVoice::UseInstalledEngines();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = testsupport::FreshAppFolder(QString("sound_") + info->name());
    }

    // The demo project (its ad copy and pictures) with two of its keywords.
    BatchSettings Demo() {
        BatchSettings settings;
        EXPECT_TRUE(testsupport::CopyDemoData(folder));
        QFile content(folder + "/demo_content.txt");
        EXPECT_TRUE(content.open(QIODevice::ReadOnly));
        settings.Set(vm::setting::adCopies, {QString::fromUtf8(content.readAll()), "", "", ""});
        const QDir images(folder + "/images/dental");
        for (const QString& name : images.entryList({"*.jpg"}, QDir::Files, QDir::Name))
            settings.slides << images.filePath(name);
        settings.Set(vm::setting::keywords, {"family dentistry", "teeth whitening"});
        settings.width = 426;
        settings.height = 240;
        settings.codec = "mpeg4";
        settings.codecName = "MPEG-4 part 2";
        settings.quality = 8;
        return settings;
    }
    QString folder;
};

}  // namespace

TEST_F(VideoSound, MusicStepsBackWhileTheVoiceSpeaksAndFadesInAndOut) {
    // A narration with a pause of 1.5 s, by flite: its 16 kHz speech has
    // nothing at the music's 12 kHz.
    const QString narration = folder + "/narration.wav";
    std::vector<SpFileStream::SpokenWord> words, second;
    double spoken = 0;
    ASSERT_TRUE(Narrate(narration, "Call a dentist today. We are open on Sunday.", 1500,
                        "Your smile matters to us.", &words, &second, &spoken));
    ASSERT_FALSE(words.empty() || second.empty());
    const double pauseFrom = words.back().end;
    const double resumes = second.front().start;
    ASSERT_GT(resumes - pauseFrom, 1.2);
    words.insert(words.end(), second.begin(), second.end());

    constexpr double kTone = 12000;
    const QString music = folder + "/music.wav";
    ASSERT_TRUE(testsupport::WriteToneWav(music, 30, 44100, kTone, 0.25));
    const QString image = folder + "/a.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(image, 320, 240, Qt::darkGreen));
    BatchSettings settings;
    settings.width = 426;
    settings.height = 240;
    settings.Set(vm::setting::secondsPerSlide, 6);
    settings.Set(vm::setting::transitions, false);
    TimingPlan plan;
    plan.iAudioLength = int16_t(std::ceil(spoken));
    std::map<double, std::vector<float>> made;
    for (const double duckDb : {12.0, 0.0}) {
        settings.musicDuckDb = duckDb;
        VideoRandom random(1, 0);
        RenderJob job;
        QString error;
        ASSERT_TRUE(LayoutVideo(settings, {image, image}, plan, narration, {music, 30, 30}, random,
                                &job, &error));
        const QString out = folder + QString("/duck%1.avi").arg(duckDb);
        const RenderResult result = RenderVideoFile(job, out.toStdString(), {}, {});
        ASSERT_TRUE(result.ok) << result.Text();
        made[duckDb] = DecodedSound(out);
    }
    const int rate = 44100;
    const double length = double(made[12].size()) / rate;
    ASSERT_GT(length, spoken);
    auto level = [&](double duckDb, double from, double to) {
        return ToneLevel(made[duckDb], rate, kTone, from, to);
    };
    // In the pause, once back (within half a second of the voice stopping);
    // under every word; at both ends of the video.
    const double pause = level(12, pauseFrom + 0.5, resumes - 0.12);
    double underWords = -200;
    for (const SpFileStream::SpokenWord& w : words)
        if (w.end - w.start >= 0.08) underWords = std::max(underWords, level(12, w.start, w.end));
    const double last = level(12, length - 0.2, length);
    std::cout << "[ figures  ] music at 12 kHz: " << pause << " dB in the pause, " << underWords
              << " dB at most under a word, " << last << " dB in the last 0.2 s\n";
    EXPECT_GE(pause - underWords, 10.0);
    EXPECT_LE(pause - underWords, 13.0);  // the 12 dB asked for, not more
    EXPECT_NEAR(level(12, pauseFrom + 0.5, pauseFrom + 0.6), pause, 1.0);
    EXPECT_GE(level(12, pauseFrom + 0.6, resumes - 0.12) - last, 20.0);
    EXPECT_GE(pause - level(12, 0, 0.1), 15.0);
    // It glides: from one 10 ms to the next it never jumps (12 dB at once
    // would click), away from the fades' silent ends.
    double steepest = 0;
    for (double t = 0.3; t + 0.02 < length - 0.3; t += 0.01)
        steepest =
            std::max(steepest, std::abs(level(12, t + 0.01, t + 0.02) - level(12, t, t + 0.01)));
    EXPECT_LT(steepest, 4.0);

    // Without ducking the music plays on at one level under the words, and
    // the voice is the same either way.
    EXPECT_NEAR(level(0, pauseFrom + 0.5, resumes - 0.12), pause, 0.5);
    for (const SpFileStream::SpokenWord& w : words) {
        if (w.end - w.start >= 0.08) {
            EXPECT_NEAR(level(0, w.start, w.end), pause, 1.0) << w.start;
        }
    }
    EXPECT_NEAR(ToneLevel(made[0], rate, 300, words.front().start, resumes),
                ToneLevel(made[12], rate, 300, words.front().start, resumes), 0.5);
}

TEST_F(VideoSound, EveryEnginesNarrationIsMadeEquallyLoud) {
    BatchSettings settings = Demo();
    // The video's audio as FFmpeg's ebur128 filter measures it.
    auto integrated = [](const QString& video) {
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-nostats", "-i", video, "-af", "ebur128", "-f", "null", "-"});
        ffmpeg.waitForFinished(60000);
        const auto match = QRegularExpression(R"(Integrated loudness:\s*I:\s*(-?[0-9.]+) LUFS)")
                               .match(QString::fromUtf8(ffmpeg.readAllStandardError()));
        return match.hasMatch() ? match.captured(1).toDouble() : std::nan("");
    };
    const std::pair<const char*, const char*> voices[] = {
        {"espeak-ng", "gmw/en-US"}, {"flite", "cmu_us_slt"}, {"festival", "cmu_us_slt_arctic_hts"}};
    for (const auto& [engine, id] : voices) {
        settings.voice = FindVoice(engine, id);
        settings.Set(vm::setting::evenLoudness, true);
        settings.outputFolder = folder + "/" + engine;
        ProductionEngine batch(settings, BatchTasks(settings.Get(vm::setting::keywords)), {});
        for (const VideoReport& report : batch.Run(nullptr)) {
            ASSERT_EQ(report.status, VideoReport::Status::Made) << report.message.toStdString();
            const double lufs = integrated(report.path);
            std::cout << "[ figures  ] " << engine << " video: " << lufs << " LUFS\n";
            EXPECT_NEAR(lufs, -16.0, 1.0) << engine;
        }
    }
}

TEST_F(VideoSound, TheProjectsSpeechRateSetsEachWorkersPace) {
    // The narration lengths a batch reports, by keyword.
    struct Lengths : ProductionListener {
        void OnVideoEvent(const VideoEvent& event) override {
            std::lock_guard lock(mutex);
            if (event.kind == VideoEvent::Kind::Planned)
                seconds[event.keyword] = event.narrationSeconds;
        }
        std::mutex mutex;
        std::map<QString, double> seconds;
    };
    BatchSettings settings = Demo();
    settings.voice = FindVoice("espeak-ng", "gmw/en-US");
    std::map<double, Lengths> lengths;
    for (const double rate : {1.0, 1.5}) {
        settings.Set(vm::setting::speechRate, rate);
        settings.outputFolder = folder + QString("/rate-%1").arg(rate);
        BatchOptions options;
        options.jobs = 2;  // each worker's voice
        ProductionEngine batch(settings, BatchTasks(settings.Get(vm::setting::keywords)), options);
        for (const VideoReport& report : batch.Run(&lengths[rate]))
            ASSERT_EQ(report.status, VideoReport::Status::Made) << report.message.toStdString();
    }
    for (const QString& keyword : settings.Get(vm::setting::keywords)) {
        const double faster = lengths[1.0].seconds[keyword] / lengths[1.5].seconds[keyword];
        EXPECT_GE(faster, 1.35) << keyword.toStdString();
        EXPECT_LE(faster, 1.65) << keyword.toStdString();
    }
}

// A clip's own sound mixed under the narration steps back while the voice
// speaks, as ducked music does; by default the clip is silent.
TEST_F(VideoSound, ClipSoundPlaysUnderTheVoice) {
    const QString narration = folder + "/narration.wav";
    std::vector<SpFileStream::SpokenWord> words, none;
    double spoken = 0;
    ASSERT_TRUE(Narrate(narration, "Call a dentist today. We are open on Sunday.", 2500, "", &words,
                        &none, &spoken));
    ASSERT_FALSE(words.empty());

    constexpr double kTone = 12000;
    const QString clip = folder + "/clip.mp4";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=320x240:d=8",
                            "-f", "lavfi", "-i", "sine=frequency=12000:d=8", "-c:v", "libx264",
                            "-c:a", "aac", "-b:a", "192k", clip});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0)
        << ffmpeg.readAllStandardError().toStdString();

    BatchSettings settings;
    settings.width = 320;
    settings.height = 240;
    settings.Set(vm::setting::secondsPerSlide, 6);
    settings.Set(vm::setting::transitions, false);
    TimingPlan plan;
    plan.iAudioLength = int16_t(std::ceil(spoken));
    std::map<QString, std::vector<float>> made;
    for (const char* sound : {"under", "off"}) {
        settings.Set(vm::setting::clipSound, sound);
        VideoRandom random(1, 0);
        RenderJob job;
        QString error;
        ASSERT_TRUE(LayoutVideo(settings, {clip}, plan, narration, {}, random, &job, &error));
        const QString out = folder + "/clip_" + sound + ".avi";
        const RenderResult result = RenderVideoFile(job, out.toStdString(), {}, {});
        ASSERT_TRUE(result.ok) << result.Text();
        made[sound] = DecodedSound(out);
    }
    const int rate = 44100;
    auto level = [&](const char* sound, double from, double to) {
        return ToneLevel(made[sound], rate, kTone, from, to);
    };
    const double after = words.back().end;
    const double alone = level("under", after + 0.6, after + 2.2);
    double underWords = -200;
    for (const SpFileStream::SpokenWord& w : words)
        if (w.end - w.start >= 0.08)
            underWords = std::max(underWords, level("under", w.start, w.end));
    std::cout << "[ figures  ] clip sound at 12 kHz: " << alone << " dB alone, " << underWords
              << " dB at most under a word\n";
    EXPECT_GT(alone, -30.0);
    EXPECT_GE(alone - underWords, 10.0);
    EXPECT_LT(level("off", after + 0.6, after + 2.2), -80.0);
}
