// The ffmpeg runner and the music command lines, run for real with the ffmpeg
// program: the cut lasts the video plus 3 seconds and is 20 dB quieter, odd
// paths survive, and every kind of failure comes back as a failure.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "FfmpegRunner.h"
#include "MusicCommands.h"
#include "TestSupport.h"

using namespace vm;

namespace {

// Runs a tool and returns its stdout + stderr (bounded; tests only).
QString Capture(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    return QString::fromLocal8Bit(p.readAll());
}

double Duration(const QString& path) {
    const QString out = Capture("ffprobe", {"-v", "error", "-show_entries", "format=duration",
                                            "-of", "default=nw=1:nk=1", path});
    bool ok = false;
    const double d = out.trimmed().toDouble(&ok);
    return ok ? d : -1;
}

struct Loudness {
    double mean = 0;
    double max = 0;
};

Loudness Volume(const QString& path) {
    const QString out = Capture("ffmpeg", {"-nostdin", "-hide_banner", "-i", path, "-af",
                                           "volumedetect", "-f", "null", "-"});
    Loudness l;
    const auto mean = QRegularExpression("mean_volume: (-?[0-9.]+) dB").match(out);
    const auto max = QRegularExpression("max_volume: (-?[0-9.]+) dB").match(out);
    l.mean = mean.hasMatch() ? mean.captured(1).toDouble() : 999;
    l.max = max.hasMatch() ? max.captured(1).toDouble() : 999;
    return l;
}

}  // namespace

TEST(MusicFfmpeg, CutForTenSecondVideoLastsThirteenSecondsAndIsTwentyDbQuieter) {
    const QString dir = testsupport::FreshAppFolder("music_cut");
    const QString mp3 = dir + "/music.mp3";
    const QString out = dir + "/tmp9999.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 40));

    MusicCommand cmd;
    QString error;
    ASSERT_TRUE(BuildCreateTempAudioCut("ffmpeg", mp3, 10, out, &cmd, &error))
        << error.toStdString();
    const ProcessResult r = RunProgram("ffmpeg", cmd.args);
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(r.exitCode, 0);

    EXPECT_NEAR(Duration(out), 13.0, 0.1);
    const Loudness before = Volume(mp3);
    const Loudness after = Volume(out);
    RecordProperty("mean_before_db", QString::number(before.mean).toStdString());
    RecordProperty("mean_after_db", QString::number(after.mean).toStdString());
    std::printf("volumedetect: mean %.1f -> %.1f dB, max %.1f -> %.1f dB\n", before.mean,
                after.mean, before.max, after.max);
    // volume=0.1 is 20 dB down; the MP3 re-encode moves it by a few tenths.
    EXPECT_NEAR(before.mean - after.mean, 20.0, 1.0);
    EXPECT_NEAR(before.max - after.max, 20.0, 1.0);
}

TEST(MusicFfmpeg, PathWithBlankQuoteAndSemicolonReachesFfmpegIntact) {
    const QString dir = testsupport::FreshAppFolder("music odd; \"path\"");
    const QString mp3 = dir + "/my \"best\"; song.mp3";
    const QString out = dir + "/out put.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 6));

    // Whole file: same length, same volume.
    const MusicCommand whole = BuildCreateTempAudio("ffmpeg", mp3, out);
    const ProcessResult r1 = RunProgram("ffmpeg", whole.args);
    ASSERT_TRUE(r1.ok) << r1.message.toStdString();
    EXPECT_NEAR(Duration(out), Duration(mp3), 0.1);
    EXPECT_NEAR(Volume(out).mean, Volume(mp3).mean, 0.5);

    ASSERT_TRUE(QFile::remove(out));
    MusicCommand cut;
    QString error;
    ASSERT_TRUE(BuildCreateTempAudioCut("ffmpeg", mp3, 1, out, &cut, &error));
    const ProcessResult r2 = RunProgram("ffmpeg", cut.args);
    ASSERT_TRUE(r2.ok) << r2.message.toStdString();
    EXPECT_NEAR(Duration(out), 4.0, 0.1);
}

TEST(MusicFfmpeg, FailuresComeBackAsFailures) {
    const QString dir = testsupport::FreshAppFolder("music_fail");
    const QString out = dir + "/tmp9999.mp3";

    // No such program.
    ProcessResult r = RunProgram(dir + "/no-ffmpeg-here", {"-version"});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_TRUE(r.message.contains("could not be started")) << r.message.toStdString();

    // Missing input: ffmpeg's own reason is in the message.
    r = RunProgram("ffmpeg", BuildCreateTempAudio("ffmpeg", dir + "/missing.mp3", out).args);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.message.contains("No such file")) << r.message.toStdString();
    EXPECT_FALSE(QFileInfo(out).exists());

    // Input that is not audio.
    QFile junk(dir + "/junk.mp3");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not an mp3 file\n");
    junk.close();
    MusicCommand cmd;
    QString error;
    ASSERT_TRUE(BuildCreateTempAudioCut("ffmpeg", junk.fileName(), 10, out, &cmd, &error));
    r = RunProgram("ffmpeg", cmd.args);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.message.contains("exit code")) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains("junk.mp3")) << r.message.toStdString();
}

TEST(MusicFfmpeg, ExistingOutputFailsFastInsteadOfAskingToOverwrite) {
    const QString dir = testsupport::FreshAppFolder("music_exists");
    const QString mp3 = dir + "/music.mp3";
    const QString out = dir + "/tmp9999.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 2));
    ASSERT_TRUE(QFile::copy(mp3, out));
    QElapsedTimer clock;
    clock.start();
    const ProcessResult r = RunProgram("ffmpeg", BuildCreateTempAudio("ffmpeg", mp3, out).args);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.contains("exists")) << r.message.toStdString();
    EXPECT_LT(clock.elapsed(), 20000);
}

TEST(MusicFfmpeg, TimeoutKillsTheProcessAndCrashIsReported) {
    QElapsedTimer clock;
    clock.start();
    ProcessResult r = RunProgram("sleep", {"30"}, 300);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.contains("did not finish")) << r.message.toStdString();
    EXPECT_LT(clock.elapsed(), 6000);

    // A stopped batch kills the program at once.
    std::stop_source stop;
    clock.restart();
    stop.request_stop();
    r = RunProgram("sleep", {"30"}, 60000, stop.get_token());
    EXPECT_EQ(r.message, "sleep was stopped");
    EXPECT_LT(clock.elapsed(), 6000);

    r = RunProgram("sh", {"-c", "echo dying >&2; kill -SEGV $$"});
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.contains("crashed")) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains("dying")) << r.message.toStdString();

    r = RunProgram("sh", {"-c", "echo line1 >&2; echo the reason >&2; exit 3"});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.message.endsWith("line1 | the reason")) << r.message.toStdString();
}
