// Real renders of render jobs, decoded again with FFmpeg.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include "Compressors.h"
#include "CoverPicture.h"
#include "MediaProbe.h"
#include "RenderEngine.h"
#include "RenderJob.h"
#include "TestSupport.h"

using testsupport::AverageColor;
using testsupport::ColorDistance;

namespace {

const QColor kRed(220, 30, 30);
const QColor kGreen(30, 200, 60);
const QColor kBlue(40, 60, 220);
const QColor kBlack(0, 0, 0);

// A render job laid out slide by slide, as the production engine lays one out.
struct Layout {
    vm::RenderJob job;
    Layout(int width, int height) {
        job.width = width;
        job.height = height;
    }
    void Compress(int index, const Compressors& list = Compressors::Instance()) {
        const CompressorInfo* item = list.Item(index);
        ASSERT_NE(item, nullptr) << "no compressor " << index;
        job.codec = item->codec.toStdString();
        job.codecName = item->Name.toStdString();
        const CompressorSetting setting = list.Setting(index);
        job.quality = setting.label.isEmpty() ? -1 : setting.value;
    }
    void AddImage(const QString& path, double seconds) {
        job.images.push_back({path.toStdString(), seconds});
    }
    void AddTransition(int type, double from, double to) {
        job.transitions.push_back({type, from, to});
    }
    void AddVoice(const QString& path, double length) {
        job.voices.push_back({path.toStdString(), 0, length});
    }
    void AddMusic(const QString& path, double length) {
        job.music.push_back({path.toStdString(), 0, length});
    }
    vm::RenderResult Render(const QString& output, const vm::RenderProgress& progress = {},
                            std::stop_token stop = {}) const {
        return vm::RenderVideoFile(job, output.toStdString(), progress, stop);
    }
};

int IndexOf(const char* codec) {
    const Compressors& list = Compressors::Instance();
    for (int i = 0; i < list.Count(); ++i)
        if (list.Item(i)->codec == codec) return i;
    return -1;
}

class VideoRender : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = testsupport::FreshAppFolder(QString("render_") + info->name());
    }

    QString Path(const QString& name) const { return folder_ + "/" + name; }

    // Same shape as the 240p frame unless asked: no black bars in the averages.
    QString Image(const QString& name, const QColor& color, int w = 426, int h = 240) {
        const QString path = Path(name);
        EXPECT_TRUE(testsupport::WriteSolidImage(path, w, h, color)) << path.toStdString();
        return path;
    }

    // Renders must leave neither the final nor the temporary file behind.
    void ExpectNoOutput(const QString& output) {
        EXPECT_FALSE(QFile::exists(output));
        EXPECT_FALSE(QFile::exists(output + ".part"));
    }

    QString folder_;
};

}  // namespace

TEST_F(VideoRender, FrameSizeOfEachResolution) {
    const int sizes[][2] = {{1920, 1080}, {1280, 720}, {854, 480}, {640, 360}, {426, 240}};
    const QString a = Image("a.jpg", kRed, 400, 300);
    for (int i = 0; i < 5; ++i) {
        Layout edit(sizes[i][0], sizes[i][1]);
        edit.Compress(0);
        edit.AddImage(a, 0.2);
        const QString out = Path(QString("size%1.avi").arg(i));
        const vm::RenderResult rendered = edit.Render(out);
        ASSERT_TRUE(rendered.ok) << rendered.Text();
        const auto info = testsupport::ProbeMedia(out);
        EXPECT_EQ(info.width, sizes[i][0]);
        EXPECT_EQ(info.height, sizes[i][1]);
        EXPECT_EQ(info.videoFrames, 5);
        // 4:3 picture in a 16:9 frame: centred with black bars at the sides.
        const QImage frame = testsupport::DecodeFrame(out, 2);
        EXPECT_LT(ColorDistance(frame.pixelColor(sizes[i][0] / 2, sizes[i][1] / 2), kRed), 14);
        EXPECT_LT(ColorDistance(frame.pixelColor(2, sizes[i][1] / 2), kBlack), 20);
        EXPECT_LT(ColorDistance(frame.pixelColor(sizes[i][0] - 3, sizes[i][1] / 2), kBlack), 20);
    }
}

// Phone photos are stored as the sensor saw them, with an EXIF orientation
// that turns them upright: each of the eight is shown, and put on a cover,
// with the picture's top at the top.
TEST_F(VideoRender, PhotosAreShownTheWayTheyWereTaken) {
    // Upright, 3:4: red and green at the top, blue and white below.
    QImage upright(120, 160, QImage::Format_RGB32);
    const QColor corners[] = {kRed, kGreen, kBlue, QColor(Qt::white)};
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 120; ++x)
            upright.setPixelColor(x, y, corners[(y >= 80) * 2 + (x >= 60)]);
    Layout edit(426, 240);
    edit.job.codec = "rawvideo";  // exact pictures
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString photo = Path(QString("photo%1.jpg").arg(orientation));
        ASSERT_TRUE(testsupport::WriteOrientedJpeg(photo, upright, orientation));
        edit.AddImage(photo, 1);
    }
    const QString out = Path("photos.avi");
    const vm::RenderResult rendered = edit.Render(out);
    ASSERT_TRUE(rendered.ok) << rendered.Text();
    // 3:4 in a 426x240 frame: 180 wide, in the middle.
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QImage frame = testsupport::DecodeFrame(out, 25 * orientation - 12);
        ASSERT_FALSE(frame.isNull());
        const QPoint at[] = {{168, 60}, {258, 60}, {168, 180}, {258, 180}};
        for (int i = 0; i < 4; ++i)
            EXPECT_LT(ColorDistance(frame.pixelColor(at[i]), corners[i]), 40) << "corner " << i;
    }

    // The cover, filled with the picture (its middle kept), no headline.
    for (int orientation : {6, 8}) {
        const QString cover = Path(QString("cover%1.jpg").arg(orientation));
        const vm::RenderResult made =
            vm::MakeCoverPicture(Path(QString("photo%1.jpg").arg(orientation)).toStdString(), 1280,
                                 720, "", cover.toStdString());
        ASSERT_TRUE(made.ok) << made.Text();
        const QImage picture(cover);
        ASSERT_EQ(picture.size(), QSize(1280, 720));
        const QPoint at[] = {{320, 100}, {960, 100}, {320, 620}, {960, 620}};
        for (int i = 0; i < 4; ++i)
            EXPECT_LT(ColorDistance(picture.pixelColor(at[i]), corners[i]), 40)
                << "cover " << orientation << ", corner " << i;
    }
}

// Three slides of 2 s, the last held 1 s more, transitions, narration and
// music, MPEG-4: length, pictures, blends and audio all as laid out.
TEST_F(VideoRender, SlideshowMatchesItsLayout) {
    const QString a = Image("a.jpg", kRed), b = Image("b.jpg", kGreen);
    const QString c = Image("c.gif", kBlue, 852, 480);
    const QString voice = Path("voice.wav"), music = Path("music.wav");
    ASSERT_TRUE(testsupport::WriteToneWav(voice, 8.6, 22050, 440, 0.5));
    ASSERT_TRUE(testsupport::WriteToneWav(music, 3.0, 44100, 220, 0.3));

    Layout edit(426, 240);
    edit.Compress(IndexOf("mpeg4"));
    edit.AddMusic(music, 5);  // 3 s of sound, then silence to 5 s
    edit.AddImage(a, 2);
    edit.AddTransition(1, 0, 1);
    edit.AddImage(b, 2);
    edit.AddTransition(1, 2, 3);
    edit.AddImage(c, 2);
    edit.AddImage(c, 1);
    edit.AddTransition(1, 4, 5);
    edit.AddVoice(voice, 7);
    const QString out = Path("show.avi");
    const vm::RenderResult rendered = edit.Render(out);
    ASSERT_TRUE(rendered.ok) << rendered.Text();

    auto info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoCodec, "mpeg4");
    EXPECT_EQ(info.videoFrames, 175);  // 3 x 2 s + 1 s
    EXPECT_NEAR(info.duration, 7.0, 0.05);

    EXPECT_LT(ColorDistance(AverageColor(out, 0), kBlack), 12);  // the first blend starts black
    EXPECT_LT(ColorDistance(AverageColor(out, 30), kRed), 12);
    EXPECT_LT(ColorDistance(AverageColor(out, 80), kGreen), 12);
    EXPECT_LT(ColorDistance(AverageColor(out, 130), kBlue), 12);
    EXPECT_LT(ColorDistance(AverageColor(out, 174), kBlue), 12);
    // Half-way through red -> green: a mix of both.
    const QColor mid = AverageColor(out, 62);
    EXPECT_GT(ColorDistance(mid, kRed), 40);
    EXPECT_GT(ColorDistance(mid, kGreen), 40);
    EXPECT_NEAR(mid.red(), (kRed.red() + kGreen.red()) / 2, 30);
    EXPECT_NEAR(mid.green(), (kRed.green() + kGreen.green()) / 2, 30);

    EXPECT_TRUE(info.hasAudio);
    EXPECT_EQ(info.audioCodec, "pcm_s16le");
    EXPECT_EQ(info.audioSampleRate, 44100);
    EXPECT_EQ(info.audioChannels, 2);
    EXPECT_NEAR(info.audioDuration, 7.0, 0.05);
    // Music and narration summed while both play, narration alone after.
    // (0.5 and 0.3 tones an octave apart peak together at about 0.72.)
    EXPECT_GT(testsupport::PeakAudioLevel(out, 0.5, 2.5), 0.65);
    EXPECT_NEAR(testsupport::PeakAudioLevel(out, 3.5, 4.5), 0.5, 0.05);
}

// Two loud tracks in step (0.9 of full scale each) clip at both ends, as
// often at -32768 as at 32767: the sum never wraps around.
TEST_F(VideoRender, LoudTracksClipAtBothEndsAlike) {
    const QString a = Image("a.jpg", kRed);
    const QString voice = Path("voice.wav"), music = Path("music.wav");
    ASSERT_TRUE(testsupport::WriteToneWav(voice, 1.0, 44100, 441, 0.9));
    ASSERT_TRUE(testsupport::WriteToneWav(music, 1.0, 44100, 441, 0.9));
    Layout edit(160, 120);
    edit.AddImage(a, 1);
    edit.AddVoice(voice, 1);
    edit.AddMusic(music, 1);
    const QString out = Path("loud.avi");
    const vm::RenderResult rendered = edit.Render(out);
    ASSERT_TRUE(rendered.ok) << rendered.Text();
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", out, "-map", "0:a", "-f", "s16le", "-"});
    ASSERT_TRUE(ffmpeg.waitForFinished(30000));
    const QByteArray pcm = ffmpeg.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const int16_t*>(pcm.constData());
    int low = 0, high = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        low += samples[i] == -32768;
        high += samples[i] == 32767;
    }
    EXPECT_GT(high, pcm.size() / 2 / 10);
    EXPECT_NEAR(low, high, high / 10);
}

TEST_F(VideoRender, NarrationLongerThanPicturesIsNotCut) {
    const QString a = Image("a.jpg", kRed), b = Image("b.jpg", kGreen);
    const QString voice = Path("voice.wav");
    ASSERT_TRUE(testsupport::WriteToneWav(voice, 4.6));

    Layout edit(426, 240);  // compression off: raw video
    edit.AddImage(a, 1);
    edit.AddImage(b, 1);
    edit.AddVoice(voice, 5);
    const QString out = Path("long.avi");
    const vm::RenderResult rendered = edit.Render(out);
    ASSERT_TRUE(rendered.ok) << rendered.Text();
    const auto info = testsupport::ProbeMedia(out);
    EXPECT_EQ(info.videoCodec, "rawvideo");
    EXPECT_EQ(info.videoFrames, 125);
    EXPECT_EQ(info.decodedFrames, 3);  // only the changes, and the last frame again
    EXPECT_NEAR(info.audioDuration, 5.0, 0.03);
    EXPECT_GT(testsupport::PeakAudioLevel(out, 4.4, 4.55), 0.4);  // the last words are there
    EXPECT_LT(testsupport::PeakAudioLevel(out, 4.7, 5.0), 0.01);  // then the padding
    // Raw frames are exact: the last picture is held to the end.
    EXPECT_LT(ColorDistance(AverageColor(out, 124), kGreen), 4);
    EXPECT_LT(testsupport::MaxDeviation(testsupport::DecodeFrame(out, 10), kRed), 6);
}

// A picture held for over 40 minutes (a long narration on one slide): the
// AVI writer fills at most 60,000 skipped frames in a row, so the still must
// be sent again along the way or the render fails with "Invalid argument".
TEST_F(VideoRender, PictureHeldOverFortyMinutesStillRenders) {
    const QString a = Image("a.jpg", kRed), b = Image("b.jpg", kGreen);
    Layout edit(426, 240);  // raw video: exact pictures, only the changes written
    edit.AddImage(a, 2500);
    edit.AddImage(b, 1);
    const QString out = Path("long_still.avi");
    const vm::RenderResult rendered = edit.Render(out);
    ASSERT_TRUE(rendered.ok) << rendered.Text();
    const auto info = testsupport::ProbeMedia(out);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.videoFrames, 2501 * 25);
    EXPECT_LT(info.decodedFrames, 10);  // still only a handful of real frames
    EXPECT_LT(ColorDistance(AverageColor(out, 2499 * 25), kRed), 4);
    EXPECT_LT(ColorDistance(AverageColor(out, 2501 * 25 - 1), kGreen), 4);
}

// Music files from the wild often hold a damaged frame: the sound around it
// still plays (as every player does) instead of the whole video failing.
TEST_F(VideoRender, DamagedFrameInMusicIsSkipped) {
    const QString a = Image("a.jpg", kRed);
    const QString music = Path("music.mp3");
    ASSERT_TRUE(testsupport::WriteToneMp3(music, 6));
    QFile file(music);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 600; ++i) bytes[i] = char(i * 37);
    file.seek(0);
    file.write(bytes);
    file.close();

    Layout edit(426, 240);
    edit.AddImage(a, 6);
    edit.AddMusic(music, 6);
    const QString out = Path("music.avi");
    const vm::RenderResult rendered = edit.Render(out);
    ASSERT_TRUE(rendered.ok) << rendered.Text();
    EXPECT_GT(testsupport::PeakAudioLevel(out, 0.5, 2.0), 0.05);
    EXPECT_GT(testsupport::PeakAudioLevel(out, 4.0, 5.5), 0.05);
}

TEST_F(VideoRender, EveryTransitionTypeEndsOnTheNewPicture) {
    const QColor colors[2] = {kRed, kBlue};
    const QString images[2] = {Image("a.jpg", colors[0]), Image("b.jpg", colors[1])};
    const std::vector<int> types = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 99};

    Layout edit(426, 240);
    edit.Compress(IndexOf("mpeg4"));
    edit.AddImage(images[0], 1);
    for (size_t i = 0; i < types.size(); ++i) {
        edit.AddImage(images[(i + 1) % 2], 1.4);
        edit.AddTransition(types[i], 1 + 1.4 * i, 2 + 1.4 * i);
    }
    const QString out = Path("types.avi");
    const vm::RenderResult rendered = edit.Render(out);
    ASSERT_TRUE(rendered.ok) << rendered.Text();

    for (size_t i = 0; i < types.size(); ++i) {
        const int start = 25 + 35 * int(i);
        const QColor from = colors[i % 2], to = colors[(i + 1) % 2];
        SCOPED_TRACE("transition type " + std::to_string(types[i]));
        const QColor mid = AverageColor(out, start + 12);
        EXPECT_GT(ColorDistance(mid, from), 25);
        EXPECT_GT(ColorDistance(mid, to), 25);
        // Its last frame is all but the new picture: no jump into the still.
        EXPECT_LT(ColorDistance(AverageColor(out, start + 24), to), 25);
        // The first settled frame is the new picture everywhere, borders included.
        const QImage settled = testsupport::DecodeFrame(out, start + 25);
        EXPECT_LT(testsupport::MaxDeviation(settled, to), 16);
    }
}

// Every offered compressor renders a blend and a still that decode right.
TEST_F(VideoRender, EveryCompressorWritesItsCodec) {
    const QString a = Image("a.jpg", kRed), b = Image("b.jpg", kGreen);
    const Compressors& list = Compressors::Instance();
    for (int index = 0; index < list.Count(); ++index) {
        const std::string codec = list.Item(index)->codec.toStdString();
        SCOPED_TRACE(codec);
        Layout edit(426, 240);
        edit.Compress(index);
        edit.AddImage(a, 0.4);
        edit.AddImage(b, 1.2);
        edit.AddTransition(6, 0.4, 0.8);
        const QString out = Path(QString::fromStdString(codec) + ".avi");
        const vm::RenderResult rendered = edit.Render(out);
        ASSERT_TRUE(rendered.ok) << rendered.Text();
        const auto info = testsupport::ProbeMedia(out);
        const std::string expected = codec == "libx264"   ? "h264"
                                     : codec == "libxvid" ? "mpeg4"
                                     : codec == "msmpeg4" ? "msmpeg4v3"
                                                          : codec;
        EXPECT_EQ(info.videoCodec.toStdString(), expected);
        EXPECT_EQ(info.videoFrames, 40);
        EXPECT_LT(ColorDistance(AverageColor(out, 5), kRed), 12);
        EXPECT_LT(ColorDistance(AverageColor(out, 39), kGreen), 12);
        // Each slide's first settled frame is a key picture (seekable).
        EXPECT_NE(std::find(info.keyframes.begin(), info.keyframes.end(), 20),
                  info.keyframes.end());
    }
}

TEST_F(VideoRender, BadInputFailsWithAClearErrorAndNoFile) {
    const QString good = Image("good.jpg", kRed);
    const QString broken = Path("broken.jpg");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is not a picture at all");
    }
    struct Case {
        const char* name;
        std::function<void(Layout&)> layout;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"missing image",
         [&](Layout& e) {
             e.AddImage(good, 1);
             e.AddImage(Path("none.jpg"), 1);
         },
         "decoding image " + Path("none.jpg") + ": No such file or directory"},
        {"unreadable image", [&](Layout& e) { e.AddImage(broken, 1); },
         "decoding image " + broken + ": Invalid data found when processing input"},
        {"missing audio",
         [&](Layout& e) {
             e.AddImage(good, 1);
             e.AddVoice(Path("none.wav"), 2);
         },
         "reading audio " + Path("none.wav") + ": No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Layout edit(426, 240);
        c.layout(edit);
        const QString out = Path("bad.avi");
        const vm::RenderResult rendered = edit.Render(out);
        EXPECT_FALSE(rendered.ok);
        EXPECT_TRUE(QString::fromStdString(rendered.Text()).startsWith(c.expected))
            << rendered.Text();
        ExpectNoOutput(out);
    }

    // An encoder that cannot work at this size (H.261 takes only CIF/QCIF).
    Compressors list({CompressorInfo{"H.261", "h261", {}}});
    Layout edit(426, 240);
    edit.Compress(0, list);
    edit.AddImage(good, 1);
    const QString out = Path("h261.avi");
    const vm::RenderResult rendered = edit.Render(out);
    EXPECT_FALSE(rendered.ok);
    EXPECT_EQ(rendered.Text().rfind("opening encoder H.261: ", 0), 0u) << rendered.Text();
    ExpectNoOutput(out);
}

TEST_F(VideoRender, StopLeavesNoFileAndTheOlderFileStays) {
    const QString a = Image("a.jpg", kRed), b = Image("b.jpg", kBlue);
    const QString out = Path("stop.avi");
    Layout small(426, 240);
    small.AddImage(a, 0.4);
    const vm::RenderResult first = small.Render(out);
    ASSERT_TRUE(first.ok) << first.Text();
    const qint64 olderSize = QFileInfo(out).size();

    Layout edit(854, 480);  // raw 854x480 with many transitions: slow enough to catch
    for (int i = 0; i < 40; ++i) {
        edit.AddImage(i % 2 ? b : a, 1);
        edit.AddTransition(7, i, i + 1);
    }
    std::stop_source stop;
    int lastFrame = 0;
    auto progress = [&](int frame, int total) {
        EXPECT_EQ(total, 1000);
        lastFrame = frame;
        if (frame >= 30) stop.request_stop();
    };
    const vm::RenderResult rendered = edit.Render(out, progress, stop.get_token());
    EXPECT_FALSE(rendered.ok);
    EXPECT_NE(rendered.Text().find("cancelled"), std::string::npos) << rendered.Text();
    EXPECT_LT(lastFrame, 500);
    // The older file of that name is untouched, and nothing unfinished stays.
    EXPECT_EQ(QFileInfo(out).size(), olderSize);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(vm::UnfinishedPath(out.toStdString()))));
}

// The compressor's quality setting reaches the encoder: a coarse quantiser
// makes a much smaller file of a detailed picture than a fine one.
TEST_F(VideoRender, QuantiserSettingIsUsed) {
    QImage noise(426, 240, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * x + y) % 256, (x ^ y) % 256));
    const QString detailed = Path("detailed.jpg");
    ASSERT_TRUE(noise.save(detailed, "JPG", 95));
    // Every offered compressor with a setting: its best and its smallest.
    const Compressors& offered = Compressors::Instance();
    int checked = 0;
    for (int i = 0; i < offered.Count(); ++i) {
        if (!offered.HasSettings(i)) continue;
        const CompressorSetting setting = offered.Setting(i);
        Compressors list({CompressorInfo{offered.Name(i), offered.Item(i)->codec, setting}});
        SCOPED_TRACE(offered.Name(i).toStdString());
        qint64 sizes[2] = {};
        for (int end : {0, 1}) {
            list.SetSettingValue(0, end == 0 ? setting.minimum + 1 : setting.maximum);
            Layout edit(426, 240);
            edit.Compress(0, list);
            edit.AddImage(detailed, 0.2);
            const QString out = Path(QString("q%1-%2.avi").arg(i).arg(end));
            const vm::RenderResult rendered = edit.Render(out);
            ASSERT_TRUE(rendered.ok) << rendered.Text();
            sizes[end] = QFileInfo(out).size();
        }
        EXPECT_GT(sizes[0], 3 * sizes[1]);
        ++checked;
    }
    EXPECT_GE(checked, 2);
}
