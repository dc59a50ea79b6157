// A table of 200 videos made by vidmill-batch as a user runs it (240p,
// espeak-ng, one job, each row with its own text and one of three picture
// folders), to see that a long table costs the same per video at its end as
// at its start:
//   - the time to check every row before the first video (the quickest of
//     five checks, in this process, as vidmill-batch checks them);
//   - for every video, the time from the one before it and the most memory
//     the program and its speech helpers held meanwhile; printed for the
//     first and last twenty rows, with their averages side by side.
// Run from the build folder: bin/bench_rows [rows] [work folder]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "BatchProject.h"
#include "BatchRows.h"
#include "ProcessTree.h"
#include "EspeakVoice.h"

namespace {

// Three folders of pictures, a project and a table of `count` rows that
// draw on them in turn, written as a spreadsheet saves CSV.
bool WriteInputs(const QString& folder, int count, const QString& voice) {
    const Qt::GlobalColor colours[] = {Qt::darkCyan, Qt::darkRed, Qt::darkGreen};
    for (int f = 0; f < 3; ++f) {
        const QString pictures = QString("%1/pictures%2").arg(folder).arg(f);
        QDir().mkpath(pictures);
        for (int p = 0; p < 3; ++p) {
            QImage picture(640, 480, QImage::Format_RGB32);
            picture.fill(colours[(f + p) % 3]);
            if (!picture.save(QString("%1/%2.jpg").arg(pictures).arg(p), "JPG")) return false;
        }
    }
    const QJsonObject project{
        {"adCopies", QJsonArray{"Looking for #KEYWORD#? Call us today."}},
        {"keywords", QJsonArray{"unused"}},
        {"slides", QJsonArray{"pictures0/0.jpg"}},
        {"secondsPerSlide", 2},
        {"resolution", "240p"},
        {"voice", voice},
        {"captions", "srt"},
    };
    QFile file(folder + "/project.json");
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(project).toJson(QJsonDocument::Compact)) <= 0)
        return false;
    QFile table(folder + "/rows.csv");
    if (!table.open(QIODevice::WriteOnly)) return false;
    QByteArray csv = "\xEF\xBB\xBFid;keyword;adCopy;slides\r\n";
    for (int i = 0; i < count; ++i)
        csv += QString(
                   "r%1;keyword %1;\"Row %1 speaks of #KEYWORD#; call us, it's quick.\";"
                   "pictures%2\r\n")
                   .arg(i)
                   .arg(i % 3)
                   .toUtf8();
    return table.write(csv) == csv.size();
}

// The quickest of five checks of every row, in ms.
double CheckMs(const QString& folder, int* tasksMade) {
    vm::BatchSettings batch;
    QString source, error;
    if (!vm::LoadBatchProject(folder + "/project.json", &batch, &source, &error)) {
        std::fprintf(stderr, "project: %s\n", qPrintable(error));
        return -1;
    }
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        std::vector<vm::VideoTask> tasks;
        QStringList problems;
        QElapsedTimer clock;
        clock.start();
        const bool ok = vm::LoadRowTasks(folder + "/rows.csv", batch, folder, &tasks, &problems);
        best = std::min(best, clock.nsecsElapsed() / 1e6);
        *tasksMade = ok ? int(tasks.size()) : -1;
        if (!ok) std::fprintf(stderr, "%s\n", qPrintable(problems.join("\n")));
    }
    return best;
}

struct Video {
    double seconds = 0;  // since the video before it ended
    long peakKb = 0;     // most memory held while it was made
};

void PrintRange(const char* name, const std::vector<Video>& videos, int from, int to) {
    double seconds = 0, kb = 0;
    for (int i = from; i < to; ++i) {
        seconds += videos[i].seconds;
        kb += videos[i].peakKb;
    }
    const int n = to - from;
    std::printf("%-12s rows %3d-%3d  %6.3f s a video  %6.1f MB peak (average)\n", name, from + 1,
                to, seconds / n, kb / n / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(40, std::atoi(argv[1])) : 200;
    QTemporaryDir scratch;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.path();
    QDir().mkpath(folder);
    const QString voice = EspeakVoice();
    if (voice.isEmpty() || !WriteInputs(folder, count, voice)) {
        std::fprintf(stderr, "could not set up the table (espeak-ng voice: %s)\n",
                     voice.isEmpty() ? "none" : "found");
        return 1;
    }
    int tasks = 0;
    const double checkMs = CheckMs(folder, &tasks);
    std::printf("check of %d rows before the first video: %.1f ms (%d videos to make)\n", count,
                checkMs, tasks);

    QProcess batch;
    batch.setProgram(QCoreApplication::applicationDirPath() + "/vidmill-batch");
    batch.setArguments({"--rows", folder + "/rows.csv", "--jobs", "1", "--seed", "1", "--output",
                        folder + "/output", folder + "/project.json"});
    batch.setProcessChannelMode(QProcess::SeparateChannels);
    std::vector<Video> videos;
    Video current;
    QElapsedTimer sinceLast;
    QEventLoop loop;
    QObject::connect(&batch, &QProcess::readyReadStandardOutput, [&] {
        while (batch.canReadLine()) {
            const QByteArray line = batch.readLine();
            if (!line.startsWith("made ") && !line.startsWith("failed ")) continue;
            current.seconds = sinceLast.nsecsElapsed() / 1e9;
            videos.push_back(current);
            current = {};
            sinceLast.start();
        }
    });
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        current.peakKb = std::max(current.peakKb, TreeRssKb(pid_t(batch.processId())));
    });
    QObject::connect(&batch, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&batch, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(60 * 60 * 1000);
    QDir().mkpath(folder + "/output");
    sinceLast.start();
    batch.start();
    sampler.start(50);
    loop.exec();
    if (batch.state() != QProcess::NotRunning) {
        batch.kill();
        batch.waitForFinished(10000);
        std::fprintf(stderr, "vidmill-batch did not finish within an hour\n");
        return 1;
    }
    if (batch.exitCode() != 0 || int(videos.size()) != count) {
        std::fprintf(stderr, "vidmill-batch exit %d after %zu of %d videos:\n%s\n",
                     batch.exitCode(), videos.size(), count,
                     batch.readAllStandardError().constData());
        return 1;
    }
    // The first video also waits for the speech helpers to start.
    const int span = 20;
    PrintRange("first", videos, 1, 1 + span);
    PrintRange("last", videos, count - span, count);
    double first = 0, last = 0, firstKb = 0, lastKb = 0;
    for (int i = 0; i < span; ++i) {
        first += videos[1 + i].seconds;
        last += videos[count - span + i].seconds;
        firstKb = std::max(firstKb, double(videos[1 + i].peakKb));
        lastKb = std::max(lastKb, double(videos[count - span + i].peakKb));
    }
    std::printf("last / first: time a video %.2fx, peak memory %.2fx (%.1f MB / %.1f MB)\n",
                last / first, lastKb / firstKb, lastKb / 1024, firstKb / 1024);
    return 0;
}
