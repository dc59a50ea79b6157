// Makes the demo batch (7 videos, 480p) in one run four ways and prints wall
// time, CPU time, how busy the cores were and peak memory of each:
//   - vidmill-batch with one job, and with two jobs (also at 1080p);
//   - the simplest honest baseline a user could script instead
//     (bench/demo_baseline.sh: festival's text2wave and one ffmpeg xfade
//     command per video);
//   - the window, where it also prints the longest the window went without
//     handling an event while the batch ran.
// Run from the build folder: bin/bench_batch [--before OTHER/bin] [work folder]
// With --before, the demo batch is also made by another build's
// vidmill-batch (e.g. /work/base/build/bin), in the same run, with one job
// and with two, so the two builds are compared at the same time.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AppFolder.h"
#include "EventGap.h"
#include "Helpers.h"
#include "MsgBox.h"
#include "ProcessTree.h"
#include "frmVSL.h"

extern char** environ;

namespace {

struct Figures {
    double wall = 0;
    double cpu = 0;       // user + system, the program and everything it ran
    long peakTreeKb = 0;  // most memory all its processes held at once
    int exitCode = -1;
};

Figures Run(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    Figures f;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return f;
    rusage usage{};
    int status = 0;
    // Memory is sampled every 100 ms while the command runs (more often
    // would take time from the batch on a small machine).
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        f.peakTreeKb = std::max(f.peakTreeKb, TreeRssKb(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    f.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec / 1e6;
    f.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return f;
}

// Whether `program --help` lists `option`.
bool KnowsOption(const std::string& program, const std::string& option) {
    QProcess help;
    help.start(QString::fromStdString(program), {"--help"});
    if (!help.waitForFinished(30000)) return false;
    return help.readAllStandardOutput().contains(QByteArray::fromStdString(option));
}

double CpuSeconds() {
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    auto s = [](const rusage& u) {
        return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
               u.ru_stime.tv_usec / 1e6;
    };
    return s(self) + s(children);
}

void Print(const char* name, const Figures& f, int cores) {
    std::printf("%-34s %7.2f s %8.2f s %7.0f%% %8.0f MB   exit %d\n", name, f.wall, f.cpu,
                100.0 * f.cpu / (f.wall * cores), f.peakTreeKb / 1024.0, f.exitCode);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    QString work = scratch.path();
    std::string before;  // another build's bin folder
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--before" && i + 1 < argc)
            before = argv[++i];
        else
            work = QString::fromLocal8Bit(argv[i]);
    }
    const std::string bin = QCoreApplication::applicationDirPath().toStdString();
    const std::string source = VIDMILL_SOURCE_DIR;
    const int cores = int(std::thread::hardware_concurrency());
    auto out = [&](const char* name) { return (work + "/" + name).toStdString(); };

    std::printf("The demo batch (7 videos, 480p) on %d cores\n", cores);
    std::printf("%-34s %9s %10s %8s %11s\n", "", "wall", "CPU", "busy", "peak memory");
    const Figures one = Run(
        {bin + "/vidmill-batch", "--demo", "--jobs", "1", "--seed", "1", "--output", out("jobs1")});
    Print("vidmill-batch --jobs 1", one, cores);
    const Figures two = Run(
        {bin + "/vidmill-batch", "--demo", "--jobs", "2", "--seed", "1", "--output", out("jobs2")});
    Print("vidmill-batch --jobs 2", two, cores);
    Figures beforeOne, beforeTwo;
    if (!before.empty() && KnowsOption(before + "/vidmill-batch", "--jobs")) {
        beforeOne = Run({before + "/vidmill-batch", "--demo", "--jobs", "1", "--seed", "1",
                         "--output", out("before-jobs1")});
        Print("before: vidmill-batch --jobs 1", beforeOne, cores);
        beforeTwo = Run({before + "/vidmill-batch", "--demo", "--jobs", "2", "--seed", "1",
                         "--output", out("before-jobs2")});
        Print("before: vidmill-batch --jobs 2", beforeTwo, cores);
    } else if (!before.empty()) {
        // The first versions made one video at a time, with a seed of their own.
        beforeOne = Run({before + "/vidmill-batch", "--demo", "--output", out("before")});
        beforeTwo = beforeOne;
        Print("before: vidmill-batch (its only way)", beforeOne, cores);
    }

    // The same at 1080p, through a project file.
    const QString demo = QString::fromStdString(bin);
    const QString project = work + "/demo-1080p.json";
    QFile json(project);
    json.open(QIODevice::WriteOnly);
    QStringList slides;
    for (const QString& name : QDir(demo + "/images/dental").entryList({"*.jpg"}, QDir::Files))
        slides << "\"" + demo + "/images/dental/" + name + "\"";
    QStringList keywords;
    for (const QString& k : vm::LoadList(demo + "/demo_keywords.txt")) keywords << "\"" + k + "\"";
    QString content = vm::LoadText(demo + "/demo_content.txt");
    content.replace("\n", "\\n");
    json.write(QString("{\"adCopies\": [\"%1\"], \"keywords\": [%2], \"slides\": [%3], "
                       "\"resolution\": \"1080p\"}")
                   .arg(content, keywords.join(", "), slides.join(", "))
                   .toUtf8());
    json.close();
    const Figures hd = Run({bin + "/vidmill-batch", "--jobs", "2", "--seed", "1", "--output",
                            out("jobs2-1080p"), project.toStdString()});
    Print("vidmill-batch --jobs 2, 1080p", hd, cores);
    const Figures baseline =
        Run({"bash", source + "/bench/demo_baseline.sh", bin, out("baseline")});
    Print("shell loop: text2wave + ffmpeg", baseline, cores);

    // The window: the same batch through "Make Videos!", with a timer that
    // should tick every 10 ms whatever the batch is doing.
    vm::SetOutputFolder(work + "/window");
    SetMsgBoxHandler([](const MsgBoxCall&) { return QMessageBox::Yes; });
    frmVSL window;
    window.findChild<QPushButton*>("cmdCreateDemoProject")->click();
    EventGap gap;
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // The click starts the batch and returns; the window says when it ends.
    QEventLoop batch;
    QObject::connect(&window, &frmVSL::batchEnded, &batch, &QEventLoop::quit);
    window.findChild<QPushButton*>("Command1")->click();
    if (window.IsRunning()) batch.exec();
    Figures shown;
    shown.wall = wall.elapsed() / 1000.0;
    shown.cpu = CpuSeconds() - cpuBefore;
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    shown.peakTreeKb = self.ru_maxrss;
    shown.exitCode = window.LastBatchFailures().isEmpty() ? 0 : 1;
    Print("the window (one video at a time)", shown, cores);
    std::printf("  the window's longest wait for an event during the batch: %lld ms\n",
                static_cast<long long>(gap.LongestMs()));

    std::printf("\nvidmill-batch --jobs 2 against the shell loop: %.1fx faster\n",
                baseline.wall / two.wall);
    std::printf("vidmill-batch --jobs 2 against --jobs 1: %.2fx faster\n", one.wall / two.wall);
    if (!before.empty())
        std::printf("against the other build (%s): --jobs 1 %.2fx faster, --jobs 2 %.2fx faster\n",
                    before.c_str(), beforeOne.wall / one.wall, beforeTwo.wall / two.wall);
    return 0;
}
