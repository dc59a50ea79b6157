// What goes wrong when users do odd things, through the engine: long texts,
// crashing speech, other people's files, two batches into one folder, music
// longer than the video, settings that can never render, texts without
// words, full disks and unclear messages.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <mutex>

#include "Compressors.h"
#include "KeywordRules.h"
#include "MediaProbe.h"
#include "ProductionEngine.h"
#include "SpVoice.h"
#include "SpeechText.h"
#include "TestSupport.h"
#include "TimingPlan.h"
#include "VideoLayout.h"

using namespace vm;

namespace {

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

class Reliability : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = testsupport::FreshAppFolder(QString("reliability_") + info->name());
        red = folder + "/red.jpg";
        ASSERT_TRUE(testsupport::WriteSolidImage(red, 640, 360, Qt::red));
        for (const VoiceToken& token : SpVoice().GetVoices())
            if (token.Engine() == "espeak-ng" && token.Id() == "gmw/en-US") settings.voice = token;
        settings.Set(vm::setting::adCopies, {"Call a #KEYWORD# today.", "", "", ""});
        settings.slides = {red};
        settings.Set(vm::setting::secondsPerSlide, 1);
        settings.width = 426;
        settings.height = 240;
        settings.codec = "mpeg4";
        settings.quality = 4;
        settings.outputFolder = folder + "/output";
        ASSERT_TRUE(QDir().mkpath(settings.outputFolder));
    }
    std::vector<VideoReport> Make(const QStringList& keywords, BatchOptions options = {}) {
        ProductionEngine engine(settings, BatchTasks(keywords), options);
        return engine.Run(nullptr);
    }
    QString Out(const QString& name) const { return settings.outputFolder + "/" + name; }

    QString folder, red;
    BatchSettings settings;
};

TEST_F(Reliability, LongLinesGoInPiecesAndACrashingSpeechEngineFailsOnlyItsVideos) {
    // festival's time and memory grow faster than its text: it gets a long
    // line in pieces of whole sentences.
    QString line;
    for (int i = 0; i < 40; ++i) line += QString("This is sentence %1, with a clause. ").arg(i);
    const QStringList pieces = speech::SplitLongLine(line, 600);
    ASSERT_GT(pieces.size(), 2);
    for (const QString& piece : pieces) {
        EXPECT_LE(piece.size(), 600);
        EXPECT_TRUE(piece.endsWith('.')) << piece.toStdString();
    }
    EXPECT_EQ(pieces.join(' '), line.trimmed());

    // A speech engine that crashes takes its helper down, never the batch.
    const QString crashing = folder + "/crashing-speaker";
    Write(crashing, "#!/bin/sh\nkill -SEGV $$\n");
    QFile::setPermissions(crashing, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    BatchOptions options;
    options.speechHelper = crashing;
    const auto reports = Make({"one", "two"}, options);
    for (const VideoReport& r : reports) {
        EXPECT_EQ(r.status, VideoReport::Status::Failed) << r.keyword.toStdString();
        EXPECT_EQ(r.stage, "narration");
        EXPECT_TRUE(r.message.contains("crashed (signal 11")) << r.message.toStdString();
    }
}

TEST_F(Reliability, OnlyThisBatchsFilesAreTouched) {
    // The user's photo and notes carry the names the cover and the text of
    // two keywords would get: the batch is refused and names them.
    settings.Set(vm::setting::cover, true);
    settings.Set(vm::setting::titleTemplate, "#KEYWORD# - call us");
    Write(Out("photo1.jpg"), "the user's photo");
    Write(Out("notes.txt"), "the user's notes");
    Write(Out("mine.wav"), "the user's own recording");
    for (const VideoReport& r : Make({"photo1", "notes", "other"})) {
        EXPECT_EQ(r.status, VideoReport::Status::Failed);
        EXPECT_EQ(r.stage, "output");
        EXPECT_TRUE(
            r.message.endsWith("holds 2 files Vid Mill did not make that this batch would "
                               "replace: photo1.jpg, notes.txt."))
            << r.message.toStdString();
    }
    EXPECT_EQ(Bytes(Out("photo1.jpg")), "the user's photo");
    EXPECT_EQ(Bytes(Out("notes.txt")), "the user's notes");
    EXPECT_FALSE(QFile::exists(Out("other.avi")));

    // An earlier run's video, files a killed run left for the keywords about
    // to be made, and another run's file: only this batch's are touched.
    ASSERT_EQ(Make({"one"})[0].status, VideoReport::Status::Made);
    Write(Out("one.avi.4242.part"), "half a video");
    Write(Out("one.avi.part"), "half a video");
    Write(Out("one.jpg.4242.part.4243.part"), "half a cover");
    Write(Out("other.avi.99.part"), "another keyword's");
    const auto reports = Make({"mine", "one", "mine"});
    EXPECT_EQ(reports[0].status, VideoReport::Status::Made);
    EXPECT_EQ(reports[1].status, VideoReport::Status::Made);
    EXPECT_EQ(reports[2].status, VideoReport::Status::Skipped);  // made once, repeat reported
    EXPECT_EQ(Bytes(Out("mine.wav")), "the user's own recording");
    EXPECT_EQ(QDir(settings.outputFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"mine.avi", "mine.jpg", "mine.txt", "mine.wav", "notes.txt", "one.avi",
                           "one.jpg", "one.txt", "other.avi.99.part", "photo1.jpg"}));
    EXPECT_TRUE(testsupport::ProbeMedia(Out("one.avi")).ok);

    // Chosen to replace them, the user's files go.
    BatchOptions replace;
    replace.replace = true;
    ASSERT_EQ(Make({"photo1"}, replace)[0].status, VideoReport::Status::Made);
    EXPECT_EQ(QImage(Out("photo1.jpg")).size(), QSize(1280, 720));

    // A video that fails is not made, and the earlier file of its name stays.
    settings.Set(vm::setting::cover, false);
    const QByteArray earlier = Bytes(Out("one.avi"));
    QFile::rename(red, red + ".away");
    const auto failed = Make({"one"});
    EXPECT_EQ(failed[0].status, VideoReport::Status::Failed);
    EXPECT_EQ(failed[0].stage, "images");
    EXPECT_EQ(Bytes(Out("one.avi")), earlier);
}

TEST_F(Reliability, ABatchIntoAFolderInUseIsRefusedAtOnce) {
    ProductionEngine first(settings, BatchTasks({"one"}), {});
    QString error;
    ASSERT_TRUE(first.ClaimOutputFolder(0, &error)) << error.toStdString();
    const auto refused = Make({"two", "three"});
    for (const VideoReport& r : refused) {
        EXPECT_EQ(r.status, VideoReport::Status::Failed);
        EXPECT_EQ(r.stage, "output");
        EXPECT_TRUE(r.message.startsWith("The output folder " + settings.outputFolder +
                                         " is in use by another batch"))
            << r.message.toStdString();
    }
    EXPECT_FALSE(QFile::exists(Out("two.avi")));
    first.Run(nullptr);
    EXPECT_EQ(Make({"two"})[0].status, VideoReport::Status::Made);  // free again
}

TEST_F(Reliability, MusicNeverLengthensTheVideoAndFadesWhereItIsCut) {
    const QString song = folder + "/song.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(song, 60));
    settings.Set(vm::setting::music, true);
    settings.musicFile = song;
    settings.Set(vm::setting::musicReduceVolume, false);  // the song is used whole
    settings.ffmpegPath = "ffmpeg";
    ProductionEngine engine(settings, BatchTasks({"short"}), {});
    struct : ProductionListener {
        void OnVideoEvent(const VideoEvent& e) override {
            if (e.kind == VideoEvent::Kind::Made) made = e;
        }
        VideoEvent made;
    } listener;
    ASSERT_EQ(engine.Run(&listener)[0].status, VideoReport::Status::Made);
    const VideoEvent& made = listener.made;
    // One slide shown again, or the narration plus a second: far from 60 s.
    const int pictures = 1 + made.plan.iLastSlideTime;
    EXPECT_EQ(made.totalFrames, 25 * std::max(pictures, made.plan.iAudioLength + 1));
    const auto info = testsupport::ProbeMedia(made.path);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_LT(info.duration, 20);
    EXPECT_NEAR(info.audioDuration, info.duration, 0.1);
    // The music plays to the end and fades out over its last half second.
    const double end = info.duration;
    const double before = testsupport::PeakAudioLevel(made.path, end - 1.0, end - 0.6);
    const double last = testsupport::PeakAudioLevel(made.path, end - 0.08, end);
    EXPECT_GT(before, 0.01);
    EXPECT_LT(last, before / 3) << before << " then " << last;
}

// Lowered music under a video whose one slide outlasts the narration: the
// slide is held on past the plan's length, and the music goes on to the end.
TEST_F(Reliability, LoweredMusicPlaysToTheRealEndAndFadesThere) {
    const QString song = folder + "/song.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(song, 60));
    settings.Set(vm::setting::music, true);
    settings.musicFile = song;
    settings.Set(vm::setting::musicReduceVolume, true);
    settings.Set(vm::setting::secondsPerSlide, 8);
    settings.ffmpegPath = "ffmpeg";
    // No keyword: no random extra seconds, so the narration (plus the five
    // the music adds) stays shorter than the slide.
    const auto reports = Make({});
    ASSERT_EQ(reports[0].status, VideoReport::Status::Made) << reports[0].message.toStdString();
    const auto info = testsupport::ProbeMedia(reports[0].path);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_NEAR(info.duration, 16, 0.1);  // the slide, then the last slide held as long again
    const double end = info.duration;
    const double lastSecond = testsupport::PeakAudioLevel(reports[0].path, end - 1.0, end - 0.6);
    const double last = testsupport::PeakAudioLevel(reports[0].path, end - 0.08, end);
    EXPECT_GT(lastSecond, 0.004) << "no music in the last second";
    EXPECT_LT(last, lastSecond / 3) << lastSecond << " then " << last;
}

TEST_F(Reliability, SettingsThatCanNeverRenderAndTextsWithoutWordsAreRefused) {
    // The plan is in 16-bit seconds with 20 more for the countdown.
    EXPECT_TRUE(PlanLimitProblem(16373, 2).isEmpty());
    EXPECT_EQ(PlanLimitProblem(16374, 2),
              "secondsPerSlide: 16374 seconds for each of 2 slides make a video longer than the "
              "program can time; at most 16373 works with 2 slides");
    Settings project = MachineDefaults({settings.voice.GetDescription()}, Compressors::Instance());
    project.Set(setting::slides, {red, red});
    project.Set(setting::secondsPerSlide, 32750);
    BatchSettings refused;
    QString error;
    EXPECT_FALSE(MakeBatchSettings(project, folder, {settings.voice}, Compressors::Instance(),
                                   &refused, &error));
    EXPECT_TRUE(error.startsWith("secondsPerSlide: 32750 seconds")) << error.toStdString();

    // Spaces, tags and punctuation would give a silent video.
    settings.Set(vm::setting::adCopies, {"   ", "[IMAGE] ... [image]", "", ""});
    auto reports = Make({"one"});
    EXPECT_EQ(reports[0].status, VideoReport::Status::Failed);
    EXPECT_EQ(reports[0].stage, "narration");
    EXPECT_EQ(reports[0].message,
              "No ad copy has words to speak: ad copies 1, 2 hold only spaces, [IMAGE] tags or "
              "punctuation.");
    settings.Set(vm::setting::adCopies, {"#KEYWORD#", "", "", ""});
    reports = Make({"!!!", "fine"});
    EXPECT_EQ(reports[0].status, VideoReport::Status::Failed);
    EXPECT_TRUE(reports[0].message.contains("\"!!!\"")) << reports[0].message.toStdString();
    EXPECT_EQ(reports[1].status, VideoReport::Status::Made);
}

TEST_F(Reliability, MessagesSayWhatIsWrong) {
    EXPECT_EQ(ImageFileProblem(folder), "The image " + folder + " is a folder, not a picture.");
    Settings p;
    p.Set(setting::slides, {red, folder});
    EXPECT_EQ(MissingProjectFile(p, folder),
              "slides[1]: the image " + folder + " is a folder, not a picture");
    EXPECT_TRUE(KeywordFileNameProblem("   ").endsWith("it is only spaces, which is no name."));
    QString error;
    EXPECT_FALSE(ParseProject(R"({"keywords": ["one", "   "]})", &p, &error));
    EXPECT_EQ(error, "keywords[1]: expected a text that is not empty, got \"   \"");
    p = Settings{};
    p.Set(setting::compressor, "Cinepak");
    EXPECT_EQ(ProjectProblemHere(p, folder, {}, {"MPEG-4 part 2", "Motion JPEG"}),
              "compressor: \"Cinepak\" is not available on this machine (available: MPEG-4 part 2, "
              "Motion JPEG)");

    // A full disk is named as one, for the narration and for the video.
    if (geteuid() != 0) GTEST_SKIP() << "a small full disk needs root to be mounted";
    const QString full = folder + "/full";
    ASSERT_TRUE(QDir().mkpath(full));
    ASSERT_EQ(mount("tmpfs", full.toLocal8Bit().constData(), "tmpfs", 0, "size=64k"), 0);
    Write(full + "/filler", QByteArray(60 * 1024, 'x'));
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", full.toLocal8Bit());
    const auto narration = Make({"plumber"});
    qputenv("TMPDIR", tmp);
    QFile::remove(full + "/filler");
    Write(full + "/filler", QByteArray(40 * 1024, 'x'));
    settings.outputFolder = full;
    const auto video = Make({"plumber"});
    // A disk with nothing left refuses the batch before anything is made.
    QFile rest(full + "/rest");
    ASSERT_TRUE(rest.open(QIODevice::WriteOnly));
    while (rest.write(QByteArray(4096, 'x')) > 0 && rest.flush()) {
    }
    rest.close();
    const auto refused = Make({"plumber"});
    umount(full.toLocal8Bit().constData());
    EXPECT_TRUE(narration[0].message.contains("No space left on device"))
        << narration[0].message.toStdString();
    EXPECT_EQ(video[0].stage, "render");
    EXPECT_TRUE(video[0].message.contains("No space left on device"))
        << video[0].message.toStdString();
    EXPECT_EQ(refused[0].stage, "output");
    EXPECT_EQ(refused[0].message,
              "The output folder " + full + " cannot be written: its disk is full.");
}

}  // namespace
