// Batches of thousands, run by vidmill-batch as a user runs it:
//   - a rerun with --skip-existing over an output folder where every video is
//     already made (empty files in place of the videos, with the captions,
//     cover and text beside each and the record with their fingerprints, as
//     a batch leaves them), for 1,000, 10,000 and 100,000 keywords: the time
//     from start to exit, the report saying every one skipped, and the time
//     a keyword (the quickest of a few runs);
//   - a 1,000,000-keyword list into an empty folder: the time from start to
//     the first narration, and from SIGTERM to exit.
// Run from the build folder: bin/bench_resume [work folder] [largest rerun]
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "BatchProject.h"
#include "OutputPlan.h"
#include "OutputRecord.h"
#include "EspeakVoice.h"

namespace {

QString Program() {
    return QCoreApplication::applicationDirPath() + "/vidmill-batch";
}

QString Keyword(int i) {
    return QString("keyword %1").arg(i, 7, 10, QChar('0'));
}

// A project of `count` keywords with captions, a cover and a text beside
// every video.
bool WriteProject(const QString& folder, int count, const QString& voice) {
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    if (!picture.save(folder + "/one.jpg", "JPG")) return false;
    QJsonArray keywords;
    for (int i = 0; i < count; ++i) keywords.append(Keyword(i));
    const QJsonObject project{
        {"adCopies", QJsonArray{"Looking for #KEYWORD#? Call us today."}},
        {"keywords", keywords},
        {"slides", QJsonArray{"one.jpg"}},
        {"secondsPerSlide", 1},
        {"resolution", "240p"},
        {"voice", voice},
        {"captions", "srt"},
        {"cover", QJsonObject{{"enabled", true}, {"slide", 1}}},
        {"titleTemplate", "#KEYWORD# near you"},
    };
    QFile file(folder + "/project.json");
    return file.open(QIODevice::WriteOnly) &&
           file.write(QJsonDocument(project).toJson(QJsonDocument::Compact)) > 0;
}

// What a batch leaves for every keyword: its files (empty here) and the
// record of them, made with the fingerprints vidmill-batch works out.
bool MakeEveryVideo(const QString& folder, const QString& output, QString* error) {
    vm::BatchSettings settings;
    QString source;
    if (!vm::LoadBatchProject(folder + "/project.json", &settings, &source, error)) return false;
    settings.outputFolder = output;
    QDir().mkpath(output);
    const QByteArray fingerprint = vm::BatchFingerprint(settings);
    vm::OutputRecord record;
    if (!record.Load(output, {}, error)) return false;
    for (const QString& keyword : settings.Get(vm::setting::keywords)) {
        const QString video = vm::VideoName(settings, keyword);
        const QStringList files = vm::VideoFiles(settings, video);
        for (const QString& name : files) {
            QFile file(output + "/" + name);
            if (!file.open(QIODevice::WriteOnly)) {
                *error = file.fileName() + ": " + file.errorString();
                return false;
            }
        }
        if (!record.Made(video, files, vm::VideoFingerprint(fingerprint, vm::KeywordTask(0, keyword)), error))
            return false;
    }
    return true;
}

struct Run {
    int exitCode = -1;
    double seconds = 0;
    QString err;
};

Run RunBatch(const QStringList& args, const QString& tmp) {
    QProcess batch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    batch.setProcessEnvironment(env);
    batch.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    batch.start(Program(), args);
    Run run;
    if (!batch.waitForFinished(30 * 60 * 1000)) {
        batch.kill();
        batch.waitForFinished(10000);
        run.err = "did not finish within 30 minutes";
        return run;
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.exitCode = batch.exitCode();
    run.err = QString::fromUtf8(batch.readAllStandardError());
    return run;
}

int SkippedIn(const QString& report) {
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    int skipped = 0;
    for (const QJsonValue& video : QJsonDocument::fromJson(file.readAll())["videos"].toArray())
        skipped += video["status"].toString() == "skipped";
    return skipped;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir own;
    const QString work = argc > 1 ? QDir(argv[1]).absolutePath() : own.path();
    const int largest = argc > 2 ? atoi(argv[2]) : 100000;
    const QString voice = EspeakVoice();
    if (voice.isEmpty()) {
        std::fprintf(stderr, "no English espeak-ng voice\n");
        return 1;
    }
    const QString tmp = work + "/tmp";
    QDir().mkpath(tmp);
    std::printf(
        "Reruns with --skip-existing over folders where every video is made "
        "(240p, captions, cover and text beside each):\n");
    std::fflush(stdout);
    // A rerun of one keyword is what every run costs, however long its list
    // (starting the program, listing this machine's voices): the time a
    // keyword is what the rest takes, shared out.
    double fixed = 0;
    for (int count : {1, 1000, 10000, 100000, 1000000}) {
        if (count > largest) break;
        const QString folder = QString("%1/rerun-%2").arg(work).arg(count);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QString error;
        if (!WriteProject(folder, count, voice) ||
            !MakeEveryVideo(folder, folder + "/output", &error)) {
            std::fprintf(stderr, "could not set up %d keywords: %s\n", count, qPrintable(error));
            return 1;
        }
        // The quickest of a few runs: a busy machine only ever adds.
        Run run;
        for (int again = count >= 100000 ? 1 : count >= 10000 ? 3 : 5; again > 0; --again) {
            const Run one = RunBatch({"--skip-existing", "--output", folder + "/output", "--report",
                                      folder + "/report.json", folder + "/project.json"},
                                     tmp);
            if (run.exitCode < 0 || one.seconds < run.seconds || one.exitCode != 0) run = one;
            if (one.exitCode != 0) break;
        }
        const int skipped = SkippedIn(folder + "/report.json");
        if (count == 1) fixed = run.seconds;
        std::printf("  %7d keyword%s %7.2f s", count, count == 1 ? ": " : "s:", run.seconds);
        if (count > 1)
            std::printf(", %5.1f us a keyword beyond the %.2f s any run takes",
                        (run.seconds - fixed) * 1e6 / (count - 1), fixed);
        std::printf(", %d reported skipped%s\n", skipped,
                    run.exitCode == 0 && skipped == count ? "" : "  <- NOT ALL SKIPPED");
        if (run.exitCode != 0) std::printf("%s\n", qPrintable(run.err));
        std::fflush(stdout);
    }

    // A million keywords: how long until the first narration starts (the
    // first video's start is the first progress line), then a stop.
    const int million = 1000000;
    const QString folder = work + "/million";
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    if (!WriteProject(folder, million, voice)) {
        std::fprintf(stderr, "could not write the million-keyword project\n");
        return 1;
    }
    QProcess batch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    batch.setProcessEnvironment(env);
    batch.setStandardOutputFile(QProcess::nullDevice());
    batch.setReadChannel(QProcess::StandardError);  // where the progress lines go
    QElapsedTimer clock;
    clock.start();
    batch.start(Program(), {"--output", folder + "/output", folder + "/project.json"});
    QByteArray said;
    double first = -1;
    while (clock.elapsed() < 10 * 60 * 1000 && batch.state() != QProcess::NotRunning) {
        batch.waitForReadyRead(1000);
        said += batch.readAllStandardError();
        if (said.contains("progress: ")) {
            first = clock.nsecsElapsed() / 1e9;
            break;
        }
    }
    QElapsedTimer stopping;
    stopping.start();
    ::kill(pid_t(batch.processId()), SIGTERM);
    const bool ended = batch.waitForFinished(60000);
    const double stopSeconds = stopping.nsecsElapsed() / 1e9;
    if (!ended) batch.kill(), batch.waitForFinished(10000);
    std::printf(
        "A list of %d keywords: the first narration starts %.2f s after the start; "
        "SIGTERM then ends the run in %.2f s\n",
        million, first, stopSeconds);
    if (first < 0) std::printf("%s\n", said.constData());
    // Removed only now: files deleted by the hundred thousand make the file
    // system slow to make the next ones for a while, which the runs above
    // would have counted.
    for (int count : {1, 1000, 10000, 100000, 1000000})
        QDir(QString("%1/rerun-%2").arg(work).arg(count)).removeRecursively();
    QDir(folder).removeRecursively();
    return first < 0 || !ended ? 1 : 0;
}
