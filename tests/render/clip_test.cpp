// Video clips as slides, rendered and read back frame by frame. Each clip is
// made here by the ffmpeg program with its frame number drawn as eight
// black-or-white columns (bit i in column i), so a decoded frame says which
// clip frame it shows.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "ClipSource.h"
#include "IntroClip.h"
#include "MediaProbe.h"
#include "RenderEngine.h"
#include "RenderTimeline.h"
#include "TestSupport.h"

namespace {

// Runs the ffmpeg program with these arguments (after -y); false with its
// output on failure.
bool Ffmpeg(const QStringList& args, QString* error) {
    QProcess process;
    process.start("ffmpeg", QStringList{"-v", "error", "-y"} + args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        *error = process.readAllStandardError() + " (ffmpeg " + args.join(' ') + ")";
        return false;
    }
    return true;
}

// The counter pattern at `rate` frames a second for `seconds`, w x h.
QString CounterSource(int w, int h, int rate, double seconds) {
    return QString(
               "color=black:s=%1x%2:r=%3:d=%4,format=gray,"
               "geq=lum='255*mod(floor(N/pow(2\\,floor(X*8/W)))\\,2)'")
        .arg(w)
        .arg(h)
        .arg(rate)
        .arg(seconds);
}

// A lossless H.264 counter clip.
bool WriteCounterClip(const QString& path, int rate, double seconds, QString* error,
                      const QStringList& extra = {}) {
    return Ffmpeg(QStringList{"-f", "lavfi", "-i", CounterSource(320, 180, rate, seconds)} + extra +
                      QStringList{"-pix_fmt", "yuv420p", "-c:v", "libx264", "-qp", "0", path},
                  error);
}

// The frame number a landscape counter frame shows; -1 when a column is
// neither black nor white (a blend).
int Counter(const QImage& frame) {
    int n = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const QColor c = frame.pixelColor(frame.width() * (2 * bit + 1) / 16, frame.height() / 2);
        if (c.value() > 200)
            n |= 1 << bit;
        else if (c.value() > 50)
            return -1;
    }
    return n;
}

vm::RenderJob RawJob(int w, int h) {
    vm::RenderJob job;
    job.width = w;
    job.height = h;
    job.codec = "rawvideo";
    return job;
}

vm::RenderJob::Image ClipSlide(const QString& path, double seconds) {
    vm::RenderJob::Image image{path.toStdString(), seconds};
    image.clip = true;
    // Motion asked for: a clip plays and does not move.
    image.motion = vm::Motion::ZoomIn;
    image.motionStrength = 0.3;
    return image;
}

std::vector<QImage> Render(const vm::RenderJob& job, const QString& out) {
    const vm::RenderResult made = vm::RenderVideoFile(job, out.toStdString(), nullptr, {});
    EXPECT_TRUE(made.ok) << made.Text();
    QString error;
    std::vector<QImage> frames = testsupport::DecodeFrames(out, &error);
    EXPECT_FALSE(frames.empty()) << error.toStdString();
    return frames;
}

}  // namespace

// A clip after a picture, brought in and taken out by fades: its frames in
// order, one per video frame, from the transition that brings it in; held
// on its last frame when its slide outlasts it, and cut when the slide is
// shorter; a looping clip starts again.
TEST(VideoClips, PlayInOrderFreezeLoopAndCut) {
    const QString folder = testsupport::FreshAppFolder("clips_order");
    QString error;
    const QString clip = folder + "/counter.mp4";  // 50 frames, 0..49
    ASSERT_TRUE(WriteCounterClip(clip, 25, 2.0, &error)) << error.toStdString();
    const QString red = folder + "/red.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(red, 320, 180, QColor(200, 30, 30)));
    EXPECT_TRUE(vm::IsClipFile(clip.toStdString()));
    EXPECT_FALSE(vm::IsClipFile(red.toStdString()));

    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "loop" : "freeze");
        vm::RenderJob job = RawJob(320, 180);
        job.clipLoop = loop;
        // red 0-1 s, the clip 1-4 s (fade in 1.0-1.4), the clip again 4-5 s
        // (cut after 25 frames), red 5-6 s.
        job.images = {{red.toStdString(), 1.0},
                      ClipSlide(clip, 3.0),
                      ClipSlide(clip, 1.0),
                      {red.toStdString(), 1.0}};
        job.transitions = {{1, 1.0, 1.4}, {1, 5.0, 5.4}};
        const std::vector<QImage> frames = Render(job, folder + "/show.avi");
        ASSERT_EQ(frames.size(), 150u);
        for (int f = 35; f < 100; ++f) {  // after the fade, to the end of the slide
            const int k = f - 25;         // clip frame, counted from the fade's start
            const int expected = k < 50 ? k : loop ? k % 50 : 49;
            ASSERT_EQ(Counter(frames[size_t(f)]), expected) << "frame " << f;
        }
        for (int f = 100; f < 125; ++f)  // the next slide plays it again from its start
            ASSERT_EQ(Counter(frames[size_t(f)]), f - 100) << "frame " << f;
        // Fading into the red picture, the clip keeps playing under it.
        EXPECT_NE(frames[126], frames[127]);
        EXPECT_LT(testsupport::ColorDistance(frames[140].pixelColor(160, 90), QColor(200, 30, 30)),
                  20);
    }
}

// A phone clip stored on its side with a rotation in its header comes out
// upright, as the ffmpeg program shows it; a clip with irregular frame times
// shows each frame at its own time.
TEST(VideoClips, RotatedAndVariableRateClipsKeepTheirLook) {
    const QString folder = testsupport::FreshAppFolder("clips_rotated");
    QString error;
    const QString flat = folder + "/flat.mp4";
    ASSERT_TRUE(WriteCounterClip(flat, 25, 1.0, &error)) << error.toStdString();
    const QString phone = folder + "/phone.mp4";
    ASSERT_TRUE(Ffmpeg({"-i", flat, "-c", "copy", "-metadata:s:v:0", "rotate=90", phone}, &error))
        << error.toStdString();
    const QString reference = folder + "/upright.avi";  // ffmpeg turns it upright by itself
    ASSERT_TRUE(Ffmpeg({"-i", phone, "-c:v", "rawvideo", "-pix_fmt", "yuv420p", reference}, &error))
        << error.toStdString();
    const std::vector<QImage> upright = testsupport::DecodeFrames(reference);
    ASSERT_EQ(upright.size(), 25u);
    ASSERT_EQ(upright[0].width(), 180);

    vm::RenderJob job = RawJob(180, 320);
    job.images = {ClipSlide(phone, 1.0)};
    const std::vector<QImage> frames = Render(job, folder + "/portrait.avi");
    ASSERT_EQ(frames.size(), 25u);
    for (size_t f = 0; f < 25; ++f) {
        int worst = 0;
        for (int y = 8; y < 320; y += 16)
            for (int x = 8; x < 180; x += 16)
                worst = std::max(worst, testsupport::ColorDistance(frames[f].pixelColor(x, y),
                                                                   upright[f].pixelColor(x, y)));
        EXPECT_LT(worst, 40) << "frame " << f;
    }
    EXPECT_NE(Counter(upright[5].transformed(QTransform().rotate(-90))), -1);

    // Ten frames 0.1 s apart, then ten 0.3 s apart (4 s in all).
    const QString vfr = folder + "/vfr.mkv";
    ASSERT_TRUE(Ffmpeg({"-f", "lavfi", "-i", CounterSource(320, 180, 10, 2.0), "-vf",
                        "settb=1/1000,setpts='if(lt(N,10),N*0.1,1+(N-10)*0.3)/TB'", "-fps_mode",
                        "passthrough", "-pix_fmt", "yuv420p", "-c:v", "libx264", "-qp", "0", vfr},
                       &error))
        << error.toStdString();
    vm::RenderJob timed = RawJob(320, 180);
    timed.images = {ClipSlide(vfr, 4.0)};
    const std::vector<QImage> shown = Render(timed, folder + "/vfr.avi");
    ASSERT_EQ(shown.size(), 100u);
    int checked = 0;
    for (int f = 0; f < 100; ++f) {
        const double t = f / 25.0;
        const double n = t < 1.0 ? t / 0.1 : 10 + (t - 1.0) / 0.3;           // frames begun by then
        if (n - std::floor(n) < 0.25 || n - std::floor(n) > 0.75) continue;  // near a change
        EXPECT_EQ(Counter(shown[size_t(f)]), int(n)) << "frame " << f;
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

// Clips that cannot play fail the render with the clip named and why, and
// the project check says the same before any video starts.
TEST(VideoClips, BadClipsFailWithTheirReason) {
    const QString folder = testsupport::FreshAppFolder("clips_bad");
    QString error;
    const QString good = folder + "/good.mp4";
    ASSERT_TRUE(WriteCounterClip(good, 25, 4.0, &error, {"-movflags", "+faststart"}))
        << error.toStdString();
    EXPECT_EQ(vm::ProbeClip(good.toStdString()).problem, "");

    QFile whole(good);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    auto write = [&](const QString& name, const QByteArray& data) {
        QFile file(folder + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return file.fileName();
    };
    const QString cut = write("cut.mp4", bytes.left(bytes.size() / 2));
    const QString empty = write("empty.mov", {});
    const QString sound = folder + "/sound.mp4";
    ASSERT_TRUE(Ffmpeg({"-f", "lavfi", "-i", "sine=d=2", "-c:a", "aac", sound}, &error))
        << error.toStdString();
    // An AVI whose pictures are in a codec no decoder knows: its codec tag
    // changed to one nobody uses.
    const QString avi = folder + "/m.avi";
    ASSERT_TRUE(
        Ffmpeg({"-f", "lavfi", "-i", CounterSource(320, 180, 25, 1), "-c:v", "mpeg4", avi}, &error))
        << error.toStdString();
    QFile aviFile(avi);
    ASSERT_TRUE(aviFile.open(QIODevice::ReadOnly));
    const QString mpeg4 = write("unknown.avi", aviFile.readAll().replace("FMP4", "QQQQ"));

    const struct {
        QString path;
        const char* why;
    } bad[] = {
        {cut, "cut short"}, {empty, ""}, {sound, "holds no pictures"}, {mpeg4, "no decoder"}};
    for (const auto& clip : bad) {
        SCOPED_TRACE(clip.path.toStdString());
        const vm::ClipInfo info = vm::ProbeClip(clip.path.toStdString());
        EXPECT_NE(info.problem, "");
        EXPECT_NE(info.problem.find(clip.why), std::string::npos) << info.problem;
        vm::RenderJob job = RawJob(320, 180);
        job.images = {ClipSlide(good, 1.0), ClipSlide(clip.path, 3.0)};
        const QString out = folder + "/bad.avi";
        const vm::RenderResult made = vm::RenderVideoFile(job, out.toStdString(), nullptr, {});
        EXPECT_FALSE(made.ok);
        EXPECT_EQ(made.stage, "decoding clip " + clip.path.toStdString());
        EXPECT_FALSE(QFile::exists(out));
    }
}

// The brand's intro and outro go through the clips' decoder: a phone video
// stored on its side (red on the left, blue on the right) with a rotation
// in its header stands upright (blue above red, as the ffmpeg program shows
// it) before and after the slides, and fills the landscape frame as the
// project's `fit` says.
TEST(VideoClips, PhoneIntroAndOutroStandUprightAndFillLikeClips) {
    const QString folder = testsupport::FreshAppFolder("clips_intro");
    QString error;
    const QString flat = folder + "/flat.mp4";
    ASSERT_TRUE(Ffmpeg({"-f", "lavfi", "-i",
                        "color=red:s=320x180:r=25:d=1.2,"
                        "drawbox=x=160:y=0:w=160:h=180:color=blue:t=fill",
                        "-pix_fmt", "yuv420p", "-c:v", "libx264", flat},
                       &error))
        << error.toStdString();
    const QString phone = folder + "/phone.mp4";
    ASSERT_TRUE(Ffmpeg({"-i", flat, "-c", "copy", "-metadata:s:v:0", "rotate=90", phone}, &error))
        << error.toStdString();
    vm::RenderJob::Bookend intro;
    std::string problem;
    ASSERT_TRUE(vm::IntroClip::Measure(phone.toStdString(), 1.0, &intro, &problem)) << problem;
    EXPECT_FALSE(intro.picture);
    EXPECT_EQ(intro.frames, 30);
    const QString green = folder + "/green.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(green, 320, 180, QColor(10, 150, 20)));

    auto colour = &testsupport::StrongestColor;
    for (const char* fit : {"fill", "fit", "blur"}) {
        SCOPED_TRACE(fit);
        vm::RenderJob job = RawJob(320, 180);
        job.fit = fit;
        job.images = {{green.toStdString(), 1.0}};
        job.intro = intro;
        job.outro = intro;
        const std::vector<QImage> frames = Render(job, folder + "/branded.avi");
        ASSERT_EQ(frames.size(), 85u);
        EXPECT_EQ(colour(frames[40].pixelColor(160, 90)), 'g');
        for (int f : {0, 29, 55, 84}) {
            SCOPED_TRACE(f);
            const QImage& frame = frames[size_t(f)];
            EXPECT_EQ(colour(frame.pixelColor(160, 20)), 'b');
            EXPECT_EQ(colour(frame.pixelColor(160, 160)), 'r');
            // Beside the upright picture: more of it, nothing, or a dimmed copy.
            const QColor side = frame.pixelColor(10, 20);
            if (std::string(fit) == "fill") {
                EXPECT_EQ(colour(side), 'b');
                EXPECT_EQ(colour(frame.pixelColor(310, 160)), 'r');
            } else if (std::string(fit) == "fit") {
                EXPECT_EQ(colour(side), 'k');
            } else {
                EXPECT_EQ(colour(side), 'b');
                EXPECT_LT(side.blue(), frame.pixelColor(160, 20).blue() - 40);
            }
        }
    }
}
