// Compressor list and media lengths, against the real FFmpeg libraries.
#include <gtest/gtest.h>

#include <QProcess>
#include <cmath>

#include "AudioMix.h"
#include "VideoWriter.h"
#include "Compressors.h"
#include "TestSupport.h"
#include "MediaLength.h"

TEST(VideoCompressors, ListIsUsableAndInFixedOrder) {
    const Compressors& list = Compressors::Instance();
    ASSERT_GT(list.Count(), 0);
    EXPECT_EQ(list.Item(0)->codec, "mpeg4");
    EXPECT_EQ(list.Name(0), "MPEG-4 part 2");
    int last = -1;
    for (int i = 0; i < list.Count(); ++i) {
        const CompressorInfo* item = list.Item(i);
        SCOPED_TRACE(item->codec.toStdString());
        for (const char* hw : {"nvenc", "qsv", "vaapi", "v4l2m2m", "omx"})
            EXPECT_FALSE(item->codec.contains(hw));
        EXPECT_NE(item->codec, "msvideo1");
        EXPECT_NE(item->codec, "cinepak");
        // Kept in the candidates' order.
        const auto& order = Compressors::Candidates();
        const int position =
            int(std::find(order.begin(), order.end(), item->codec.toStdString()) - order.begin());
        EXPECT_GT(position, last);
        last = position;
        const AVCodec* codec = avcodec_find_encoder_by_name(item->codec.toUtf8().constData());
        ASSERT_NE(codec, nullptr);
        for (auto [w, h] : {std::pair{854, 480}, std::pair{426, 240}}) {
            std::string error;
            EXPECT_TRUE(vm::VideoWriter::CanOpen(codec, w, h, &error))
                << w << "x" << h << " " << error;
        }
    }
    const auto codecs = [&] {
        QStringList names;
        for (int i = 0; i < list.Count(); ++i) names << list.Item(i)->codec;
        return names;
    }();
    EXPECT_TRUE(codecs.contains("libx264"));
    EXPECT_TRUE(codecs.contains("mjpeg"));
}

TEST(VideoCompressors, SettingsPerFamily) {
    Compressors list({{"MPEG-4 part 2", "mpeg4", {"Quantiser", 1, 31, 4, 4}},
                      {"FFmpeg video codec #1", "ffv1", {}}});
    EXPECT_TRUE(list.HasSettings(0));
    EXPECT_FALSE(list.HasSettings(1));
    EXPECT_TRUE(list.SetSettingValue(0, 40));
    EXPECT_EQ(list.Setting(0).value, 31);  // clamped
    EXPECT_FALSE(list.SetSettingValue(1, 3));
    EXPECT_FALSE(list.SetSettingValue(7, 3));

    const Compressors& real = Compressors::Instance();
    for (int i = 0; i < real.Count(); ++i) {
        const QString codec = real.Item(i)->codec;
        const CompressorSetting s = real.Setting(i);
        if (codec == "libx264") {
            EXPECT_EQ(s.maximum, 51);
            EXPECT_EQ(s.value, 23);
        }
        if (codec == "mpeg4" || codec == "mjpeg") {
            EXPECT_EQ(s.maximum, 31);
        }
        if (codec == "ffv1" || codec == "huffyuv") {
            EXPECT_FALSE(real.HasSettings(i));
        }
    }
}

TEST(VideoCompressors, DefaultIsTheLastMicrosoftVideo) {
    EXPECT_EQ(
        Compressors({{"MPEG-4 part 2", "mpeg4", {}}, {"Motion JPEG", "mjpeg", {}}}).DefaultIndex(),
        0);
    EXPECT_EQ(Compressors({{"MPEG-4 part 2", "mpeg4", {}},
                           {"Microsoft Video-1", "msvideo1", {}},
                           {"Other", "x", {}},
                           {"MICROSOFT VIDEO 2", "y", {}},
                           {"Last", "z", {}}})
                  .DefaultIndex(),
              3);
    EXPECT_EQ(Compressors(std::vector<CompressorInfo>{}).DefaultIndex(), 0);
}

TEST(VideoMediaLength, WavMp3AndMissingFile) {
    const QString folder = testsupport::FreshAppFolder("media_length");
    const QString wav = folder + "/tone.wav";
    ASSERT_TRUE(testsupport::WriteToneWav(wav, 2.5));
    std::string error;
    EXPECT_NEAR(vm::MediaLengthSeconds(wav.toStdString(), &error), 2.5, 0.05) << error;

    const QString mp3 = folder + "/tone.mp3";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=3", mp3});
    ASSERT_TRUE(ffmpeg.waitForFinished(30000)) << "ffmpeg did not finish in 30 s";
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    EXPECT_NEAR(vm::MediaLengthSeconds(mp3.toStdString(), &error), 3.0, 0.05) << error;

    error.clear();
    EXPECT_EQ(vm::MediaLengthSeconds((folder + "/none.wav").toStdString(), &error), -1);
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(AudioMix, TwoLoudTracksAreClippedNotWrappedAround) {
    const QString dir = testsupport::FreshAppFolder("audio_clip");
    ASSERT_TRUE(testsupport::WriteToneWav(dir + "/a.wav", 1.0, 44100, 100.0, 0.9));
    ASSERT_TRUE(testsupport::WriteToneWav(dir + "/b.wav", 1.0, 44100, 100.0, 0.9));
    vm::RenderJob job;
    job.voices.push_back({(dir + "/a.wav").toStdString(), 0, 1});
    job.music.push_back({(dir + "/b.wav").toStdString(), 0, 1});
    vm::AudioMix mix;
    vm::RenderResult result;
    ASSERT_TRUE(mix.Open(job, &result)) << result.Text();
    std::vector<int16_t> out(44100 * vm::kAudioChannels);
    ASSERT_TRUE(mix.Read(out.data(), 44100, &result)) << result.Text();
    // Where both tones are near their crest the sum is held at full scale.
    int crests = 0;
    for (int frame = 0; frame < 44100; ++frame) {
        const double tone = 0.9 * std::sin(2 * M_PI * 100.0 * frame / 44100);
        if (tone < 0.8) continue;
        ++crests;
        EXPECT_EQ(out[frame * 2], 32767) << "frame " << frame;
        if (out[frame * 2] != 32767) break;
    }
    EXPECT_GT(crests, 1000);
}
