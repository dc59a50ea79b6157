// vidmill-batch run for real as a child process: refused projects, shards
// that split a keyword list, and the demo project rendered and decoded.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include "AppFolder.h"
#include "Helpers.h"
#include "MediaProbe.h"
#include "SpVoice.h"
#include "TestSupport.h"

namespace {

struct BatchRun {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
    // The lines the program itself wrote to stderr (Qt may add its own).
    QStringList Said() const {
        QStringList said;
        for (const QString& line : err.split('\n'))
            if (line.startsWith("vidmill-batch:")) said << line;
        return said;
    }
};

QString BatchProgram() {
    return QCoreApplication::applicationDirPath() + "/vidmill-batch";
}

// Starts the program; Finish waits for it with a bound and kills it after.
std::unique_ptr<QProcess> Start(const QStringList& args,
                                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    auto p = std::make_unique<QProcess>();
    p->setProgram(BatchProgram());
    p->setArguments(args);
    p->setProcessEnvironment(env);
    p->start();
    return p;
}

BatchRun Finish(QProcess& p, int boundMs) {
    BatchRun run;
    if (!p.waitForStarted(10000)) {
        run.err = "could not start " + BatchProgram() + ": " + p.errorString();
        return run;
    }
    run.finished = p.waitForFinished(boundMs);
    if (!run.finished) {
        p.kill();
        p.waitForFinished(10000);
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

BatchRun RunBatch(const QStringList& args, int boundMs) {
    auto p = Start(args);
    return Finish(*p, boundMs);
}

// "made <path> (planned N s, narration X s)" lines of a run.
struct Made {
    QString path;
    int planned = 0;
    double narration = 0;
};

std::vector<Made> MadeVideos(const BatchRun& run) {
    static const QRegularExpression line(
        "^made (.+\\.avi) \\(planned (\\d+) s, narration ([0-9.]+) s\\)$",
        QRegularExpression::MultilineOption);
    std::vector<Made> made;
    for (auto it = line.globalMatch(run.out); it.hasNext();) {
        const auto m = it.next();
        made.push_back({m.captured(1), m.captured(2).toInt(), m.captured(3).toDouble()});
    }
    return made;
}

// Each video decodes, runs its planned length and carries the narration.
void ExpectPlannedVideo(const Made& video, int width, int height) {
    SCOPED_TRACE(video.path.toStdString());
    const testsupport::MediaInfo info = testsupport::ProbeMedia(video.path);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_TRUE(info.hasVideo);
    EXPECT_EQ(info.width, width);
    EXPECT_EQ(info.height, height);
    EXPECT_NEAR(info.duration, video.planned, 0.15);
    EXPECT_NEAR(info.videoFrames, video.planned * 25, 2);
    ASSERT_TRUE(info.hasAudio);
    EXPECT_GT(video.narration, 0.3);
    EXPECT_GE(info.audioDuration, video.narration - 0.05);
    // Speech, not silence, while the narration runs.
    EXPECT_GT(testsupport::PeakAudioLevel(video.path, 0.0, video.narration), 0.05);
}

QStringList AviFiles(const QString& folder) {
    QStringList files = QDir(folder).entryList({"*.avi"}, QDir::Files, QDir::Name);
    return files;
}

// An English espeak-ng voice: quick to speak.
QString EspeakVoice() {
    SpVoice voice;
    QString fallback;
    for (const VoiceToken& token : voice.GetVoices()) {
        const QString d = token.GetDescription();
        if (!d.contains("(espeak")) continue;
        if (d.contains("/en-US - ")) return d;
        if (fallback.isEmpty() && d.contains("English")) fallback = d;
    }
    return fallback;
}

class ProjectBatch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(BatchProgram()).isExecutable()) << BatchProgram().toStdString();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = testsupport::FreshAppFolder(QString("batch-%1").arg(info->name()));
        ASSERT_TRUE(QDir().mkpath(dir + "/images"));
        ASSERT_TRUE(testsupport::WriteSolidImage(dir + "/images/one.jpg", 320, 240, Qt::red));
        ASSERT_TRUE(testsupport::WriteSolidImage(dir + "/images/two.jpg", 320, 240, Qt::green));
    }

    QString WriteProject(const QString& name, const QByteArray& json) {
        const QString path = dir + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
        return path;
    }

    QString dir;
};

}  // namespace

TEST_F(ProjectBatch, BadProjectsSayWhatIsWrongInOneLineAndMakeNothing) {
    struct Case {
        QByteArray json;
        QString expected;
    };
    const QByteArray good = R"("adCopies": ["Hello #KEYWORD#."], "slides": ["images/one.jpg"])";
    const Case cases[] = {
        {"{\"adCopies\": [\"Hi\"],", "not valid JSON: "},
        {"{" + good + ", \"voiceSpeed\": 3}", "voiceSpeed: unknown field"},
        {"{" + good + ", \"secondsPerSlide\": \"two\"}",
         "secondsPerSlide: expected a whole number from 1 to 32767, got \"two\""},
        {R"({"adCopies": ["Hi"], "slides": ["images/one.jpg", "images/missing.jpg"]})",
         "slides[1]: the image " + dir + "/images/missing.jpg does not exist"},
        {R"({"adCopies": ["", "", "", ""], "keywords": [], "slides": ["images/one.jpg"]})",
         "adCopies: every ad copy is empty, so there is nothing to narrate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json.constData());
        const QString project = WriteProject("bad.json", c.json);
        const QString output = dir + "/out";
        const BatchRun run = RunBatch({"--output", output, project}, 60000);
        ASSERT_TRUE(run.finished) << run.err.toStdString();
        EXPECT_EQ(run.exitCode, 2);
        ASSERT_EQ(run.Said().size(), 1) << run.err.toStdString();
        EXPECT_TRUE(run.Said()[0].contains(project + ": " + c.expected)) << run.err.toStdString();
        EXPECT_TRUE(QDir(output).entryList(QDir::Files).isEmpty());
    }
    // The command line is checked the same way.
    const BatchRun run = RunBatch({"--shard", "2/2", "--output", dir + "/out", "--demo"}, 60000);
    EXPECT_EQ(run.exitCode, 2);
    ASSERT_EQ(run.Said().size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.Said()[0].contains("--shard: expected I/N"));
}

TEST_F(ProjectBatch, TwoShardsTogetherMakeExactlyTheFourVideos) {
    const QString voice = EspeakVoice();
    ASSERT_FALSE(voice.isEmpty()) << "no English espeak-ng voice installed";
    const QByteArray json = QString(R"({
    "adCopies": ["#KEYWORD#."],
    "keywords": ["alpha", "bravo", "charlie", "delta"],
    "resolution": "240p",
    "secondsPerSlide": 1,
    "slides": ["images/one.jpg", "images/two.jpg"],
    "voice": "%1"
})")
                                .arg(voice)
                                .toUtf8();
    const QString project = WriteProject("four.json", json);
    // Run side by side, as two machines would, each into its own folder.
    auto first = Start({"--shard", "0/2", "--output", dir + "/shard0", project});
    auto second = Start({"--shard", "1/2", "--output", dir + "/shard1", project});
    const BatchRun run0 = Finish(*first, 300000);
    const BatchRun run1 = Finish(*second, 300000);
    for (const BatchRun* run : {&run0, &run1}) {
        ASSERT_TRUE(run->finished) << run->err.toStdString();
        EXPECT_EQ(run->exitCode, 0) << run->out.toStdString() << run->err.toStdString();
        EXPECT_TRUE(run->out.contains("Made 2 of 2 videos")) << run->out.toStdString();
    }
    EXPECT_EQ(AviFiles(dir + "/shard0"), (QStringList{"alpha.avi", "charlie.avi"}));
    EXPECT_EQ(AviFiles(dir + "/shard1"), (QStringList{"bravo.avi", "delta.avi"}));
    // The narrations are cleaned up; only the videos stay.
    EXPECT_TRUE(QDir(dir + "/shard0").entryList({"*.wav"}, QDir::Files).isEmpty());
    std::vector<Made> made = MadeVideos(run0);
    for (const Made& m : MadeVideos(run1)) made.push_back(m);
    ASSERT_EQ(made.size(), 4u) << run0.out.toStdString() << run1.out.toStdString();
    for (const Made& video : made) ExpectPlannedVideo(video, 426, 240);
}

TEST_F(ProjectBatch, DemoRendersEveryKeywordWithItsPlannedLengthAndNarration) {
    const QString output = dir + "/demo-output";
    // Made without a sound device: nothing of a sound server's appears in the
    // user's configuration (and none is started).
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("HOME", dir);
    // A shard of it (two of the seven keywords) proves what the whole would.
    auto demo = Start({"--demo", "--shard", "0/4", "--output", output}, env);
    const BatchRun run = Finish(*demo, 30 * 60 * 1000);
    EXPECT_FALSE(QFileInfo::exists(dir + "/config/pulse")) << "the batch contacted a sound server";
    ASSERT_TRUE(run.finished) << "the demo took longer than 30 minutes\n" << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QStringList all =
        vm::LoadList(QCoreApplication::applicationDirPath() + "/demo_keywords.txt");
    ASSERT_GE(all.size(), 5);
    const QStringList keywords = {all[0], all[4]};
    QStringList expected;
    for (const QString& k : keywords) expected << k + ".avi";
    expected.sort();
    EXPECT_EQ(AviFiles(output), expected);
    const std::vector<Made> made = MadeVideos(run);
    ASSERT_EQ(made.size(), static_cast<size_t>(keywords.size())) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QString("Made %1 of %1 videos").arg(keywords.size())));
    for (const Made& video : made) ExpectPlannedVideo(video, 854, 480);
}

// The run's own options and signals: an empty output name, repeated
// keywords, a folder another batch is writing into, and a closed terminal.
TEST_F(ProjectBatch, CountsFoldersAndSignalsAreHandledHonestly) {
    const QString voice = EspeakVoice();
    ASSERT_FALSE(voice.isEmpty());
    auto project = [&](const QString& keywords, const QString& resolution, int seconds) {
        return WriteProject(resolution + ".json",
                            QString(R"({"adCopies": ["#KEYWORD#."], "keywords": [%1],
                                        "resolution": "%2", "secondsPerSlide": %3,
                                        "compression": %4, "slides": ["images/one.jpg"],
                                        "voice": "%5"})")
                                .arg(keywords, resolution)
                                .arg(seconds)
                                .arg(resolution == "1080p" ? "false" : "true", voice)
                                .toUtf8());
    };
    const QString small = project(R"("alpha", "bravo", "alpha")", "240p", 1);
    const QString out = dir + "/out";

    // An empty --output is no folder (it used to mean the current one).
    BatchRun run = RunBatch({"--output", "", small}, 60000);
    EXPECT_EQ(run.exitCode, 2);
    ASSERT_EQ(run.Said().size(), 1);
    EXPECT_TRUE(run.Said()[0].contains("--output: expected a folder")) << run.err.toStdString();

    // A repeated keyword is made once and counted as skipped, not as made.
    run = RunBatch({"--output", out, small}, 120000);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Made 2 of 3 videos in " + out)) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(", 1 skipped.")) << run.out.toStdString();
    EXPECT_EQ(AviFiles(out), QStringList({"alpha.avi", "bravo.avi"}));

    // Another batch holds the folder: refused at once, or waited for.
    QLockFile held(out + "/.vidmill.lock");
    ASSERT_TRUE(held.tryLock(0));
    run = RunBatch({"--output", out, small}, 60000);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("The output folder " + out + " is in use by another batch"))
        << run.err.toStdString();
    auto waiting = Start({"--output", out, "--wait-for-folder", small});
    QByteArray said;
    ASSERT_TRUE(testsupport::WaitFor(
        [&] {
            waiting->waitForReadyRead(50);
            said += waiting->readAllStandardError();
            return said.contains("Waiting for it");
        },
        30000))
        << said.toStdString();
    held.unlock();
    run = Finish(*waiting, 120000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();

    // A closed terminal (SIGHUP) stops the run like SIGTERM: nothing half made stays.
    const QString slow = project(R"("one", "two", "three", "four", "five", "six")", "1080p", 20);
    auto hung = Start({"--output", dir + "/hup", slow});
    ASSERT_TRUE(testsupport::WaitFor(
        [&] {
            hung->waitForReadyRead(50);
            return !QDir(dir + "/hup").entryList({"*.part"}, QDir::Files).isEmpty();
        },
        60000));
    ::kill(pid_t(hung->processId()), SIGHUP);
    run = Finish(*hung, 60000);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("stopped by signal 1")) << run.err.toStdString();
    EXPECT_TRUE(QDir(dir + "/hup").entryList({"*.part"}, QDir::Files).isEmpty());
    // A video finished before the signal stays, and was reported made.
    for (const QString& avi : QDir(dir + "/hup").entryList({"*.avi"}, QDir::Files))
        EXPECT_TRUE(run.out.contains("made " + dir + "/hup/" + avi)) << run.out.toStdString();
}
