// The sound of a video, measured on what the renderer wrote: music that
// steps back while the narration speaks, narrations of every engine at one
// loudness, and the project's speech rate reaching the worker's voice.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <iostream>
#include <map>
#include <mutex>

#include "MediaProbe.h"
#include "ProductionEngine.h"
#include "RenderEngine.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "VideoBuild.h"
#include "VideoRandom.h"
#include "VideoSound.h"
#include "WavFile.h"

using namespace vm;

namespace {

VoiceToken FindVoice(const QString& engine, const QString& id) {
    for (const VoiceToken& t : SpVoice().GetVoices())
        if (t.Engine() == engine && t.Id() == id) return t;
    return {};
}

// The level (dB of full scale) of one frequency in [from, to) seconds of a
// channel: a Hann-windowed single-bin DFT, so the voice around it does not count.
double ToneLevel(const std::vector<float>& samples, int rate, double frequency, double from,
                 double to) {
    const size_t begin = size_t(std::max(0.0, from) * rate);
    const size_t end = std::min(samples.size(), size_t(std::max(0.0, to) * rate));
    if (end <= begin + 16) return -200;
    const double step = 2 * M_PI * frequency / rate;
    double re = 0, im = 0, weights = 0;
    const double n = double(end - begin);
    for (size_t i = begin; i < end; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i - begin) / (n - 1));
        re += w * samples[i] * std::cos(step * double(i));
        im -= w * samples[i] * std::sin(step * double(i));
        weights += w;
    }
    const double amplitude = 2 * std::hypot(re, im) / weights;
    return amplitude > 0 ? 20 * std::log10(amplitude) : -200;
}

// Integrated loudness (LUFS) of a file's audio as FFmpeg's ebur128 filter
// measures it, run as the ffmpeg program; NaN when it cannot be read.
double IntegratedLoudness(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-hide_banner", "-nostats", "-i", path, "-map", "0:a", "-af", "ebur128",
                            "-f", "null", "-"});
    if (!ffmpeg.waitForFinished(60000)) return std::nan("");
    const QString log = QString::fromUtf8(ffmpeg.readAllStandardError());
    const auto match =
        QRegularExpression(R"(Integrated loudness:\s*\n\s*I:\s*(-?[0-9.]+) LUFS)").match(log);
    return match.hasMatch() ? match.captured(1).toDouble() : std::nan("");
}

class VideoSound : public ::testing::Test {
protected:
    void SetUp() override {
        SpVoice::UseInstalledEngines();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = testsupport::FreshAppFolder(QString("sound_") + info->name());
    }
    QString folder;
};

}  // namespace

TEST_F(VideoSound, MusicStepsBackWhileTheVoiceSpeaksAndFadesInAndOut) {
    // flite speaks at 16 kHz: nothing of the voice reaches the music's 12 kHz.
    const VoiceToken slt = FindVoice("flite", "cmu_us_slt");
    ASSERT_FALSE(slt.IsNull());
    const QString narration = folder + "/narration.wav";
    SpVoice voice;
    voice.setVoice(slt);
    SpFileStream stream;
    ASSERT_TRUE(stream.Open(narration));
    voice.setAudioOutputStream(&stream);
    ASSERT_TRUE(voice.Speak("Call a dentist today. We are open on Sunday."));
    const std::vector<SpFileStream::SpokenWord> first = stream.TakeWords();
    stream.AppendSilence(1500);
    ASSERT_TRUE(voice.Speak("Your smile matters to us."));
    const std::vector<SpFileStream::SpokenWord> second = stream.TakeWords();
    voice.setAudioOutputStream(nullptr);
    const double spoken = double(stream.SampleCount()) / stream.SampleRate();
    ASSERT_TRUE(stream.Close());
    ASSERT_FALSE(first.empty() || second.empty());

    constexpr double kTone = 12000;
    const QString music = folder + "/music.wav";
    ASSERT_TRUE(testsupport::WriteToneWav(music, 30, 44100, kTone, 0.25));
    const QString image = folder + "/a.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(image, 320, 240, Qt::darkGreen));

    BatchSettings settings;
    settings.width = 426;
    settings.height = 240;
    settings.secondsPerSlide = 6;
    settings.transitions = false;
    TimingPlan plan;
    plan.iAudioLength = int16_t(std::ceil(spoken));
    const MusicTrack track{music, 30, 30};
    auto render = [&](double duckDb, const QString& name, testsupport::DecodedAudio* audio) {
        settings.musicDuckDb = duckDb;
        VideoRandom random(1, 0);
        RenderJob job;
        QString error;
        ASSERT_TRUE(
            LayoutVideo(settings, {image, image}, plan, narration, track, random, &job, &error))
            << error.toStdString();
        const QString out = folder + "/" + name;
        const RenderResult result = RenderVideoFile(job, out.toStdString(), {}, {});
        ASSERT_TRUE(result.ok) << result.Text();
        ASSERT_TRUE(testsupport::DecodeAudio(out, audio, &error)) << error.toStdString();
    };
    testsupport::DecodedAudio ducked, plain;
    render(12, "ducked.avi", &ducked);
    render(0, "plain.avi", &plain);
    ASSERT_NO_FATAL_FAILURE();
    const int rate = ducked.sampleRate;
    const std::vector<float>& left = ducked.channels[0];
    auto level = [&](const std::vector<float>& s, double from, double to) {
        return ToneLevel(s, rate, kTone, from, to);
    };

    // The music in the pause, once it has come back (within half a second).
    const double pauseFrom = first.back().end;
    const double resumes = second.front().start;
    ASSERT_GT(resumes - pauseFrom, 1.2) << "the narration has no pause of a second";
    const double pause = level(left, pauseFrom + 0.5, resumes - 0.12);
    const double backAfterHalfASecond = level(left, pauseFrom + 0.5, pauseFrom + 0.6);
    // Under every word of the narration.
    double loudestUnderWords = -200;
    std::vector<SpFileStream::SpokenWord> words = first;
    words.insert(words.end(), second.begin(), second.end());
    for (const SpFileStream::SpokenWord& w : words) {
        if (w.end - w.start >= 0.08)
            loudestUnderWords = std::max(loudestUnderWords, level(left, w.start, w.end));
    }
    const double middle = level(left, pauseFrom + 0.6, resumes - 0.12);
    const double length = ducked.Seconds();
    const double lastFifth = level(left, length - 0.2, length);
    const double firstTenth = level(left, 0.0, 0.1);
    std::cout << "[ figures  ] music at 12 kHz: " << pause << " dB in the pause, "
              << loudestUnderWords << " dB at most under a word (" << pause - loudestUnderWords
              << " dB down), " << lastFifth << " dB in the last 0.2 s, " << firstTenth
              << " dB in the first 0.1 s\n";
    EXPECT_GE(pause - loudestUnderWords, 10.0);
    EXPECT_LE(pause - loudestUnderWords, 13.0);  // the 12 dB asked for, not more
    EXPECT_NEAR(backAfterHalfASecond, pause, 1.0);
    EXPECT_GE(middle - lastFifth, 20.0);
    EXPECT_GE(pause - firstTenth, 15.0);

    // Without ducking the music plays on at one level under the words, and
    // the voice is the same in both.
    const std::vector<float>& plainLeft = plain.channels[0];
    const double plainPause = level(plainLeft, pauseFrom + 0.5, resumes - 0.12);
    EXPECT_NEAR(plainPause, pause, 0.5);
    for (const SpFileStream::SpokenWord& w : words) {
        if (w.end - w.start >= 0.08) {
            EXPECT_NEAR(level(plainLeft, w.start, w.end), plainPause, 1.0) << w.start;
        }
    }
    ASSERT_EQ(plain.channels[0].size(), ducked.channels[0].size());
    const double voiceAt = first.front().start;
    EXPECT_NEAR(ToneLevel(plainLeft, rate, 300, voiceAt, first.back().end),
                ToneLevel(left, rate, 300, voiceAt, first.back().end), 0.5);
}

namespace {

// The narration lengths a batch reports, by keyword.
class NarrationLengths : public ProductionListener {
public:
    void OnVideoEvent(const VideoEvent& event) override {
        std::lock_guard lock(mutex);
        if (event.kind == VideoEvent::Kind::Planned)
            seconds[event.keyword] = event.narrationSeconds;
    }
    std::mutex mutex;
    std::map<QString, double> seconds;
};

// The demo project (its ad copy and pictures) with two of its keywords.
BatchSettings DemoSettings(const QString& folder) {
    BatchSettings settings;
    EXPECT_TRUE(testsupport::CopyDemoData(folder));
    QFile content(folder + "/demo_content.txt");
    EXPECT_TRUE(content.open(QIODevice::ReadOnly));
    settings.adCopies = {QString::fromUtf8(content.readAll()), "", "", ""};
    const QDir images(folder + "/images/dental");
    for (const QString& name : images.entryList({"*.jpg"}, QDir::Files, QDir::Name))
        settings.slides << images.filePath(name);
    settings.keywords = {"family dentistry", "teeth whitening"};
    settings.width = 426;
    settings.height = 240;
    settings.codec = "mpeg4";
    settings.codecName = "MPEG-4 part 2";
    settings.quality = 8;
    return settings;
}

}  // namespace

TEST_F(VideoSound, EveryEnginesNarrationIsMadeEquallyLoud) {
    BatchSettings settings = DemoSettings(folder);
    ASSERT_FALSE(settings.slides.isEmpty());
    const std::pair<const char*, const char*> voices[] = {
        {"espeak-ng", "gmw/en-US"}, {"flite", "cmu_us_slt"}, {"festival", "cmu_us_slt_arctic_hts"}};
    for (const auto& [engine, id] : voices) {
        SCOPED_TRACE(engine);
        settings.voice = FindVoice(engine, id);
        ASSERT_FALSE(settings.voice.IsNull());
        std::map<bool, std::vector<double>> measured;
        for (const bool even : {false, true}) {
            settings.evenLoudness = even;
            settings.outputFolder = folder + "/" + engine + (even ? "-even" : "-as-spoken");
            const QStringList keywords =
                even ? settings.keywords : QStringList{settings.keywords.front()};
            ProductionEngine batch(settings, BatchTasks(keywords), {});
            for (const VideoReport& report : batch.Run(nullptr)) {
                ASSERT_EQ(report.status, VideoReport::Status::Made) << report.message.toStdString();
                measured[even].push_back(IntegratedLoudness(report.path));
            }
        }
        std::cout << "[ figures  ] " << engine << " video: " << measured[false][0]
                  << " LUFS as spoken, " << measured[true][0] << " and " << measured[true][1]
                  << " LUFS evened\n";
        for (const double lufs : measured[true]) EXPECT_NEAR(lufs, -16.0, 1.0);
    }
}

TEST_F(VideoSound, TheProjectsSpeechRateSetsEachWorkersPace) {
    BatchSettings settings = DemoSettings(folder);
    settings.voice = FindVoice("espeak-ng", "gmw/en-US");
    ASSERT_FALSE(settings.voice.IsNull());
    std::map<double, NarrationLengths> lengths;
    for (const double rate : {1.0, 1.5, 0.7}) {
        settings.speechRate = rate;
        settings.outputFolder = folder + QString("/rate-%1").arg(rate);
        BatchOptions options;
        options.jobs = 2;
        ProductionEngine batch(settings, BatchTasks(settings.keywords), options);
        for (const VideoReport& report : batch.Run(&lengths[rate]))
            ASSERT_EQ(report.status, VideoReport::Status::Made) << report.message.toStdString();
    }
    for (const QString& keyword : settings.keywords) {
        SCOPED_TRACE(keyword.toStdString());
        const double normal = lengths[1.0].seconds[keyword];
        ASSERT_GT(normal, 5.0);
        EXPECT_GE(normal / lengths[1.5].seconds[keyword], 1.35);
        EXPECT_LE(normal / lengths[1.5].seconds[keyword], 1.65);
        EXPECT_GE(lengths[0.7].seconds[keyword] / normal, 1.2);
    }
}
