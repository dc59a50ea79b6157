// vidmill-batch run for real as a child process: refused projects, shards
// that split a keyword list, and the demo project rendered and decoded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <functional>

#include "AppFolder.h"
#include "BatchProject.h"
#include "Helpers.h"
#include "MediaProbe.h"
#include "OutputPlan.h"
#include "OutputRecord.h"
#include "RenderCap.h"
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

// Starts the program (with scratch folders in `tmp` when given); Finish
// waits for it with a bound and kills it after.
std::unique_ptr<QProcess> Start(
    const QStringList& args,
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
    if (p.error() == QProcess::FailedToStart ||
        (p.state() == QProcess::Starting && !p.waitForStarted(10000))) {
        run.err = "could not start " + BatchProgram() + ": " + p.errorString();
        return run;
    }
    // It may have ended already, while its output was being read.
    run.finished = p.state() == QProcess::NotRunning || p.waitForFinished(boundMs);
    if (!run.finished) {
        p.kill();
        p.waitForFinished(10000);
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

std::unique_ptr<QProcess> Start(const QStringList& args, const QString& tmp) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!tmp.isEmpty()) env.insert("TMPDIR", tmp);
    return Start(args, env);
}

BatchRun RunBatch(const QStringList& args, int boundMs, const QString& tmp = {}) {
    auto p = Start(args, tmp);
    return Finish(*p, boundMs);
}

// Reads what the program says until `done` holds or `ms` pass.
bool ReadUntil(QProcess& p, QByteArray* said, const std::function<bool()>& done, int ms) {
    return testsupport::WaitFor(
        [&] {
            p.waitForReadyRead(20);
            *said += p.readAllStandardOutput() + p.readAllStandardError();
            return done();
        },
        ms);
}

// The processes called vidmill-speak whose parent is `parent`, and theirs.
QList<pid_t> SpeechHelpersOf(pid_t parent) {
    QList<pid_t> found{parent};
    for (bool more = true; more;) {
        more = false;
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            const pid_t pid = entry.toInt();
            if (pid <= 0 || found.contains(pid)) continue;
            QFile stat("/proc/" + entry + "/stat");
            if (!stat.open(QIODevice::ReadOnly)) continue;
            const QByteArray line = stat.readAll();
            const qsizetype close = line.lastIndexOf(')');
            const QByteArray name = line.mid(line.indexOf('(') + 1, close - line.indexOf('(') - 1);
            const QList<QByteArray> fields = line.mid(close + 2).split(' ');
            if (name == "vidmill-speak" && fields.size() > 1 && found.contains(fields[1].toInt())) {
                found << pid;
                more = true;
            }
        }
    }
    found.removeFirst();
    return found;
}

// Gone, or a zombie nobody will reap (a container's first process may not).
bool Gone(pid_t pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
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

    // A small espeak-ng project at 240p: one slide, a second each.
    QString SmallProject(const QString& name, const QString& keywords, const QString& more = {}) {
        return WriteProject(name,
                            QString(R"({"adCopies": ["#KEYWORD#."], "keywords": [%1],
                                              "resolution": "240p", "secondsPerSlide": 1,
                                              "slides": ["images/one.jpg"], "voice": "%2"%3})")
                                .arg(keywords, EspeakVoice(), more.isEmpty() ? "" : ", " + more)
                                .toUtf8());
    }

    QString dir;
};

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
        // A NUL is shown, so the line is not cut off where it is.
        {"{" + good + R"(, "keywords": ["a\u0000b"]})",
         "keywords[0]: The keyword \"a\\0b\" cannot be used as a file name: it contains a NUL "
         "character."},
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
    // The command line is checked the same way, a report that could not be
    // written included: found before anything is made, not after hours.
    const BatchRun run = RunBatch({"--shard", "2/2", "--output", dir + "/out", "--demo"}, 60000);
    EXPECT_EQ(run.exitCode, 2);
    ASSERT_EQ(run.Said().size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.Said()[0].contains("--shard: expected I/N"));
    const QString project = WriteProject("good.json", "{" + good + "}");
    const std::pair<QString, QString> reports[] = {
        {dir + "/missing/report.json", "--report: the folder " + dir + "/missing does not exist"},
        {dir, "--report: " + dir + " is a folder, not a file"},
        {"/proc/vidmill-report.json", "--report: /proc/vidmill-report.json cannot be written"},
    };
    for (const auto& [report, expected] : reports) {
        const BatchRun refused =
            RunBatch({"--output", dir + "/out", "--report", report, project}, 60000);
        EXPECT_EQ(refused.exitCode, 2) << refused.out.toStdString();
        ASSERT_EQ(refused.Said().size(), 1) << refused.err.toStdString();
        EXPECT_TRUE(refused.Said()[0].contains(expected)) << refused.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir + "/out"));
    }
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
    EXPECT_TRUE(
        run.err.contains(QString("process %1 on ").arg(QCoreApplication::applicationPid())) &&
        run.err.contains(" ago)"))
        << "who holds it, and since when: " << run.err.toStdString();
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
    // Stopped is told apart from failed, as a shell reports it: 128 + the signal.
    EXPECT_EQ(run.exitCode, 129);
    EXPECT_TRUE(run.err.contains("stopped by signal 1")) << run.err.toStdString();
    EXPECT_TRUE(QDir(dir + "/hup").entryList({"*.part"}, QDir::Files).isEmpty());
    // A video finished before the signal stays, and was reported made.
    for (const QString& avi : QDir(dir + "/hup").entryList({"*.avi"}, QDir::Files))
        EXPECT_TRUE(run.out.contains("made " + dir + "/hup/" + avi)) << run.out.toStdString();

    // Ctrl-C while a video renders: 130.
    auto interrupted = Start({"--output", dir + "/int", slow});
    ASSERT_TRUE(testsupport::WaitFor(
        [&] {
            interrupted->waitForReadyRead(50);
            return !QDir(dir + "/int").entryList({"*.part"}, QDir::Files).isEmpty();
        },
        60000));
    ::kill(pid_t(interrupted->processId()), SIGINT);
    run = Finish(*interrupted, 60000);
    EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();
    EXPECT_TRUE(QDir(dir + "/int").entryList({"*.part"}, QDir::Files).isEmpty());
}

// Both programs answer --help and --version where there is no display at all.
TEST_F(ProjectBatch, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    const QString window = QCoreApplication::applicationDirPath() + "/vidmill";
    for (const QString& program : {BatchProgram(), window}) {
        const QString name = QFileInfo(program).fileName();
        for (const QString option : {"--help", "--version"}) {
            SCOPED_TRACE((name + " " + option).toStdString());
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(program, {option});
            ASSERT_TRUE(p.waitForFinished(30000));
            EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
            const QString out = QString::fromUtf8(p.readAllStandardOutput());
            if (option == "--version")
                EXPECT_TRUE(out.startsWith(name + " " + VIDMILL_VERSION)) << out.toStdString();
            else
                EXPECT_TRUE(out.contains("--version") && out.contains("--help"))
                    << out.toStdString();
        }
    }
}

// The user's photo1.jpg and notes.txt carry the names the cover and the text
// of the keywords photo1 and notes would get: the batch is refused, names
// them and makes nothing, unless asked to replace them.
TEST_F(ProjectBatch, TheUsersFilesAreNeverReplacedUnlessAskedTo) {
    const QString project = SmallProject(
        "upload.json", R"("photo1", "notes")",
        R"("cover": {"enabled": true, "slide": 1}, "titleTemplate": "#KEYWORD# today")");
    const QString out = dir + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(testsupport::WriteSolidImage(out + "/photo1.jpg", 1088, 612, Qt::blue));
    const QByteArray photo = Bytes(out + "/photo1.jpg");
    QFile notes(out + "/notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("my notes");
    notes.close();

    BatchRun run = RunBatch({"--output", out, project}, 120000);
    EXPECT_EQ(run.exitCode, 2) << run.out.toStdString() << run.err.toStdString();
    ASSERT_EQ(run.Said().size(), 1) << run.err.toStdString();
    EXPECT_TRUE(
        run.Said()[0].contains("holds 2 files Vid Mill did not make that this batch would "
                               "replace: photo1.jpg, notes.txt."))
        << run.err.toStdString();
    EXPECT_TRUE(run.Said()[0].contains("--replace")) << run.err.toStdString();
    EXPECT_EQ(Bytes(out + "/photo1.jpg"), photo);
    EXPECT_EQ(Bytes(out + "/notes.txt"), "my notes");
    EXPECT_TRUE(AviFiles(out).isEmpty());

    // Asked to: the files are the batch's now, and a rerun needs no asking.
    // A report whose folder went while the batch ran makes the exit 1.
    const QString reports = dir + "/reports";
    ASSERT_TRUE(QDir().mkpath(reports));
    auto replacing =
        Start({"--replace", "--output", out, "--report", reports + "/r.json", project});
    QByteArray said;
    ASSERT_TRUE(ReadUntil(
        *replacing, &said, [&] { return said.contains("Making 2 videos"); }, 60000));
    ASSERT_TRUE(QDir(reports).removeRecursively());
    run = Finish(*replacing, 120000);
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("the report " + reports + "/r.json cannot be written"))
        << run.err.toStdString();
    EXPECT_EQ(AviFiles(out), QStringList({"notes.avi", "photo1.avi"}));
    EXPECT_EQ(QImage(out + "/photo1.jpg").size(), QSize(1280, 720));
    run = RunBatch({"--output", out, project}, 120000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

// A lock file nobody holds is stale, whatever it says: left empty or half
// written by a batch killed while writing it, or naming a batch on a machine
// (a pod) that is long gone.
TEST_F(ProjectBatch, LocksLeftByBatchesThatAreGoneAreTakenOver) {
    const QString project = SmallProject("one.json", R"("alpha")");
    const QString out = dir + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    const std::pair<QByteArray, QString> left[] = {
        {QByteArray("\x01\x02garbage", 9),
         "could not be read (a batch was killed while writing it)"},
        {"", "could not be read"},
        {"24411\nvidmill-batch\nvidmill-spring-3-abcde\n1700000000\n",
         "was left by vidmill-batch, process 24411 on vidmill-spring-3-abcde, started"},
    };
    for (const auto& [content, expected] : left) {
        SCOPED_TRACE(content.toStdString());
        QFile lock(out + "/.vidmill.lock");
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(content);
        lock.close();
        const BatchRun run = RunBatch({"--output", out, project}, 120000);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(expected)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("taken over")) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out + "/.vidmill.lock"));  // the batch let the folder go
    }
}

// kill -9 of vidmill-batch while its helper speaks a long text: the helper
// goes with it, and the next run removes the scratch folder it left.
TEST_F(ProjectBatch, AKilledBatchLeavesNoHelperAndTheNextRunRemovesItsScratch) {
    // One line flite speaks in one go: many seconds of work for the helper.
    QString text;
    for (int i = 0; i < 150; ++i)
        text += QString("Sentence %1 of a long text about #KEYWORD#. ").arg(i);
    const QString project = WriteProject(
        "long.json", QString(R"json({"adCopies": ["%1"], "keywords": ["alpha", "bravo"],
                                 "resolution": "240p", "slides": ["images/one.jpg"],
                                 "voice": "cmu_us_slt - English (America), female (flite)"})json")
                         .arg(text)
                         .toUtf8());
    const QString tmp = dir + "/tmp";
    ASSERT_TRUE(QDir().mkpath(tmp));
    auto batch = Start({"--jobs", "1", "--output", dir + "/out", project}, tmp);
    ASSERT_TRUE(batch->waitForStarted(10000));
    const pid_t pid = pid_t(batch->processId());
    QList<pid_t> helpers;
    QByteArray said;
    ASSERT_TRUE(ReadUntil(
        *batch, &said,
        [&] {
            helpers = SpeechHelpersOf(pid);
            return !helpers.isEmpty();
        },
        60000))
        << said.toStdString();
    ASSERT_EQ(QDir(tmp).entryList({"vidmill-batch-*"}, QDir::Dirs).size(), 1);
    ::kill(pid, SIGKILL);
    Finish(*batch, 10000);
    EXPECT_TRUE(testsupport::WaitFor(
        [&] { return std::all_of(helpers.begin(), helpers.end(), Gone); }, 3000))
        << "a speech helper outlived the batch";

    const BatchRun next =
        RunBatch({"--output", dir + "/next", SmallProject("one.json", R"("one")")}, 120000, tmp);
    EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
    EXPECT_TRUE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(", ").toStdString();
}

// More jobs than this machine's cores or memory hold are lowered, and the
// first line says so (the engine's tests count the renders at once).
TEST_F(ProjectBatch, JobsBeyondWhatThisMachineHoldsAreLoweredAndSaid) {
    const vm::RenderCap cap = vm::RenderCapHere(426, 240);
    ASSERT_LT(cap.jobs, 64);
    const QString project = SmallProject("many.json", R"("a", "b", "c", "d", "e", "f", "g", "h")");
    const BatchRun run = RunBatch({"--jobs", "64", "--output", dir + "/out", project}, 300000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString first = run.out.section('\n', 0, 0);
    EXPECT_TRUE(first.contains(QString(", %1 at a time (lowered from --jobs 64: %2)")
                                   .arg(std::min(cap.jobs, 8))
                                   .arg(vm::RenderCapReason(cap))))
        << first.toStdString();
}

// --wait-for-folder waits for a folder another batch holds, never for one
// that cannot be written: that is refused at once, with its reason.
TEST_F(ProjectBatch, WaitForFolderRefusesAFolderThatCannotBeWrittenAtOnce) {
    const QString project = SmallProject("one.json", R"("alpha")");
    const QString readOnly = dir + "/read-only";
    ASSERT_TRUE(QDir().mkpath(readOnly));
    const bool root = geteuid() == 0;  // root writes where the permissions say no
    if (root)
        ASSERT_EQ(
            mount("tmpfs", readOnly.toLocal8Bit().constData(), "tmpfs", MS_RDONLY, "size=64k"), 0);
    else
        ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    auto batch = Start({"--wait-for-folder", "--output", readOnly, project});
    QByteArray said;
    // From the first line (the project is read by then) to the end.
    const bool started = ReadUntil(
        *batch, &said, [&] { return said.contains("Making 1 video"); }, 60000);
    QElapsedTimer clock;
    clock.start();
    const BatchRun run = Finish(*batch, 10000);
    const qint64 ms = clock.elapsed();
    if (root)
        umount(readOnly.toLocal8Bit().constData());
    else
        QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(started) << said.toStdString();
    const QString all = QString::fromUtf8(said) + run.err;
    EXPECT_EQ(run.exitCode, 2) << all.toStdString();
    EXPECT_LT(ms, 1000);
    EXPECT_TRUE(all.contains("The output folder " + readOnly + " cannot be written: " +
                             (root ? "it is on a read-only file system." : "permission denied.")))
        << all.toStdString();
    EXPECT_FALSE(all.contains("Waiting")) << all.toStdString();
}

// A rerun over thousands of made videos decides what to skip in linear time;
// SIGTERM while it reports them skipped ends it within a second, and nothing
// is left behind: no lock, no scratch folder, the record whole.
TEST_F(ProjectBatch, SigtermDuringTheSkipsOfALargeRerunEndsWithinASecond) {
    constexpr int kVideos = 60000;
    QStringList keywords;
    for (int i = 0; i < kVideos; ++i) keywords << QString("\"k%1\"").arg(i);
    const QString project = SmallProject("large.json", keywords.join(", "));
    const QString out = dir + "/out";
    // Every video made, as a batch leaves it: its file and its record.
    vm::BatchSettings settings;
    QString source, error;
    ASSERT_TRUE(vm::LoadBatchProject(project, &settings, &source, &error)) << error.toStdString();
    settings.outputFolder = out;
    ASSERT_TRUE(QDir().mkpath(out));
    const QByteArray fingerprint = vm::BatchFingerprint(settings);
    {
        vm::OutputRecord record;
        ASSERT_TRUE(record.Load(out, {}, &error));
        for (const QString& keyword : settings.Get(vm::setting::keywords)) {
            const QString video = vm::VideoName(settings, keyword);
            QFile file(out + "/" + video);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_TRUE(
                record.Made(video, {video}, vm::VideoFingerprint(fingerprint, vm::KeywordTask(0, keyword)), &error));
        }
    }
    const QString tmp = dir + "/tmp";
    ASSERT_TRUE(QDir().mkpath(tmp));
    auto batch = Start({"--skip-existing", "--output", out, project}, tmp);
    QByteArray said;
    ASSERT_TRUE(ReadUntil(
        *batch, &said, [&] { return said.contains("skipped k"); }, 60000))
        << said.toStdString();
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(batch->processId()), SIGTERM);
    const BatchRun run = Finish(*batch, 30000);
    const qint64 ms = clock.elapsed();
    EXPECT_EQ(run.exitCode, 143) << "the run ended before it was stopped: "
                                 << run.out.right(300).toStdString();
    EXPECT_LT(ms, 1000);
    EXPECT_TRUE(run.err.contains("stopped by signal 15")) << run.err.right(500).toStdString();
    EXPECT_FALSE(QFile::exists(out + "/.vidmill.lock"));
    EXPECT_TRUE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(QDir(out).entryList({"*.part"}, QDir::Files).isEmpty());
    vm::OutputRecord record;
    ASSERT_TRUE(record.Load(out, {}, &error)) << error.toStdString();
    EXPECT_EQ(record.Videos(), kVideos);
}
