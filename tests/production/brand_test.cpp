// A video with the brand's intro and outro, made by the engine with a real
// voice and decoded: the captions file, the narration and the pictures start
// exactly after the intro, and the outro's pictures and sound close it.
#include "Brand.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>

#include "MediaProbe.h"
#include "ProductionEngine.h"
#include "SettingsTable.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "VideoPipeline.h"

using namespace vm;

namespace {

// Runs the ffmpeg program; its standard output, empty when it failed.
QByteArray Ffmpeg(const QStringList& args) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        ADD_FAILURE() << "ffmpeg " << args.join(' ').toStdString() << ": "
                      << ffmpeg.readAllStandardError().toStdString();
        return {};
    }
    return ffmpeg.readAllStandardOutput();
}

// The file's sound, decoded to mono 48 kHz.
std::vector<int16_t> Sound(const QString& path) {
    const QByteArray pcm = Ffmpeg({"-i", path, "-ac", "1", "-ar", "48000", "-f", "s16le", "-"});
    std::vector<int16_t> samples(size_t(pcm.size()) / 2);
    std::memcpy(samples.data(), pcm.data(), samples.size() * 2);
    return samples;
}

// Seconds to the first sample louder than `level` (of full scale) from `from`.
double Onset(const std::vector<int16_t>& sound, double from, double level) {
    for (size_t i = size_t(from * 48000); i < sound.size(); ++i)
        if (std::abs(sound[i]) > level * 32767) return double(i) / 48000;
    return -1;
}

// The first cue's start in the captions file beside `video`, in milliseconds.
int FirstCueMs(const QString& video) {
    QFile srt(CompanionFile(video, ".srt"));
    if (!srt.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression time(R"((\d\d):(\d\d):(\d\d),(\d\d\d) -->)");
    const auto m = time.match(QString::fromUtf8(srt.readAll()));
    if (!m.hasMatch()) return -1;
    return ((m.captured(1).toInt() * 60 + m.captured(2).toInt()) * 60 + m.captured(3).toInt()) *
               1000 +
           m.captured(4).toInt();
}

}  // namespace

TEST(VideoBrand, IntroAndOutroStandAroundTheNarratedSlides) {
    const QString folder = testsupport::FreshAppFolder("brand_bookends");
    // A blue intro of 3.0 s with a quiet tone of its own (at 30 frames a
    // second, so it is turned into the video's 25), and a red outro of one
    // second with a loud one (ffmpeg's sine is at an eighth of full scale).
    const QString intro = folder + "/intro.mp4", outro = folder + "/outro.mkv";
    Ffmpeg({"-f", "lavfi", "-i", "color=c=blue:s=320x240:r=30:d=3", "-f", "lavfi", "-i",
            "sine=f=300:r=44100:d=3,volume=0.24", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a",
            "aac", "-shortest", intro});
    Ffmpeg({"-f", "lavfi", "-i", "color=c=red:s=160x160:r=25:d=1", "-f", "lavfi", "-i",
            "sine=f=880:r=48000:d=1,volume=4", "-c:v", "ffv1", "-c:a", "pcm_s16le", outro});
    const QString green = folder + "/green.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(green, 320, 180, QColor(10, 150, 20)));

    BatchSettings settings;
    for (const VoiceToken& token : SpVoice().GetVoices())
        if (token.Engine() == "espeak-ng" && token.Id() == "gmw/en-US") settings.voice = token;
    settings.Set(setting::adCopies, {"Visit #KEYWORD# today.", "", "", ""});
    settings.slides = {green};
    settings.Set(setting::secondsPerSlide, 2);
    settings.width = 320;
    settings.height = 180;
    settings.Set(setting::format, "mp4");
    settings.container = "mp4";
    settings.codec = "libx264";
    settings.quality = 23;
    settings.Set(setting::captions, "srt");
    settings.captionsFile = true;
    settings.outputFolder = folder + "/plain";
    ProductionEngine plainEngine(settings, BatchTasks({"Bakery"}), {});
    const std::vector<VideoReport> plain = plainEngine.Run(nullptr);
    ASSERT_EQ(plain.size(), 1u);
    ASSERT_EQ(plain[0].status, VideoReport::Status::Made) << plain[0].message.toStdString();

    settings.Set(setting::intro, "intro.mp4");
    settings.Set(setting::outro, "outro.mkv");
    QString error;
    ASSERT_TRUE(MakeBrand(settings.values, folder, &settings.brand, &error)) << error.toStdString();
    EXPECT_EQ(settings.brand.intro.frames, 75);
    EXPECT_EQ(settings.brand.outro.frames, 25);
    settings.outputFolder = folder + "/branded";
    ProductionEngine brandedEngine(settings, BatchTasks({"Bakery"}), {});
    const std::vector<VideoReport> branded = brandedEngine.Run(nullptr);
    ASSERT_EQ(branded.size(), 1u);
    ASSERT_EQ(branded[0].status, VideoReport::Status::Made) << branded[0].message.toStdString();

    const QString plainVideo = folder + "/plain/Bakery.mp4";
    const QString video = folder + "/branded/Bakery.mp4";
    // The captions file: exactly the intro's length later.
    ASSERT_GT(FirstCueMs(plainVideo), 0);
    EXPECT_EQ(FirstCueMs(video), FirstCueMs(plainVideo) + 3000);

    // Every frame: the intro's 75, the slides', the outro's 25.
    const testsupport::MediaInfo plainInfo = testsupport::ProbeMedia(plainVideo);
    const testsupport::MediaInfo info = testsupport::ProbeMedia(video);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoFrames, plainInfo.videoFrames + 100);
    EXPECT_NEAR(info.audioDuration, info.videoFrames / 25.0, 0.03);
    // Blue, green or red as the frame's strongest colour by far.
    auto strongest = [&](int frame, int x = -1) {
        return testsupport::StrongestColor(
            x < 0 ? testsupport::AverageColor(video, frame)
                  : testsupport::DecodeFrame(video, frame).pixelColor(x, 90));
    };
    EXPECT_EQ(strongest(0), 'b');
    EXPECT_EQ(strongest(74), 'b');
    // The slide after the intro, to the outro.
    EXPECT_EQ(strongest(75 + 40), 'g');
    EXPECT_EQ(strongest(info.videoFrames - 26), 'g');
    // The square outro fits the frame's height, on black at its sides.
    EXPECT_EQ(strongest(info.videoFrames - 25, 160), 'r');
    EXPECT_EQ(strongest(info.videoFrames - 1, 160), 'r');
    EXPECT_EQ(strongest(info.videoFrames - 1, 20), 'k');

    // The sound: the intro's quiet tone, the narration starting 3.0 s later
    // than without the intro (to within an AAC frame), the outro's tone.
    const std::vector<int16_t> before = Sound(plainVideo);
    const std::vector<int16_t> after = Sound(video);
    const double spoken = Onset(before, 0, 0.1);
    ASSERT_GT(spoken, 0);
    EXPECT_NEAR(Onset(after, 0, 0.1), spoken + 3.0, 1024.0 / 48000);
    EXPECT_GT(testsupport::PeakAudioLevel(video, 0.5, 2.5), 0.02);
    EXPECT_LT(testsupport::PeakAudioLevel(video, 0.5, 2.5), 0.05);
    const double end = info.videoFrames / 25.0;
    EXPECT_GT(testsupport::PeakAudioLevel(video, end - 0.8, end - 0.2), 0.4);
    EXPECT_LT(testsupport::PeakAudioLevel(video, end - 1.4, end - 1.1), 0.01);
}

// A brand file that cannot be used refuses the project, naming the field.
TEST(VideoBrand, UnreadableFilesRefuseTheProject) {
    const QString folder = testsupport::FreshAppFolder("brand_bad");
    QFile bad(folder + "/broken.mp4");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4000, 'x'));
    bad.close();
    Settings project = Settings::Defaults();
    Brand brand;
    QString error;
    project.Set(setting::intro, "broken.mp4");
    EXPECT_FALSE(MakeBrand(project, folder, &brand, &error));
    EXPECT_TRUE(error.startsWith("intro: the video " + folder + "/broken.mp4 cannot be read ("))
        << error.toStdString();
    project.Set(setting::intro, "");
    project.Set(setting::logo, "broken.mp4");
    EXPECT_FALSE(MakeBrand(project, folder, &brand, &error));
    EXPECT_TRUE(error.startsWith("logo: the picture " + folder + "/broken.mp4 cannot be read ("))
        << error.toStdString();
    project.Set(setting::logo, "");
    project.Set(setting::outro, "gone.mp4");
    EXPECT_FALSE(MakeBrand(project, folder, &brand, &error));
    EXPECT_EQ(error, "outro: the file " + folder + "/gone.mp4 does not exist");
}
