// vidmill-batch: makes the videos of a project without a display, with the
// same production engine as the window.
//
//   vidmill-batch [options] PROJECT.json
//   vidmill-batch --demo [options]
//
// Exit status: 0 every video was made (or skipped on purpose), 1 some failed,
// 2 the project or the command line cannot be used, 128 + the signal when a
// signal stopped it (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP), as a shell reports
// a program a signal ended: a scheduler retries a stopped shard, not a failed one.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "AppFolder.h"
#include "AppPaths.h"
#include "BatchProject.h"
#include "BatchRows.h"
#include "BatchReport.h"
#include "BatchSettings.h"
#include "BatchShard.h"
#include "ProductionEngine.h"
#include "RenderCap.h"
#include "VideoRandom.h"

namespace {

constexpr int kExitMade = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadProject = 2;
int ExitStopped(int signal) { return 128 + signal; }

void Out(const QString& text) {
    std::fputs(qPrintable(text + "\n"), stdout);
    std::fflush(stdout);
}

void Err(const QString& text) {
    std::fputs(qPrintable(text + "\n"), stderr);
    std::fflush(stderr);
}

int Refuse(const QString& text) {
    Err("vidmill-batch: " + text);
    return kExitBadProject;
}

QString Duration(double seconds) {
    const qint64 s = qint64(seconds + 0.5);
    return s >= 60 ? QString("%1 min %2 s").arg(s / 60).arg(s % 60) : QString("%1 s").arg(s);
}

// The name a report gives a video: its keyword, or the output name; a
// table's row by its number and id ("row 14 (spring-sale)").
QString NameOf(const vm::BatchSettings& settings, const QString& keyword, int row = 0,
               const QString& id = {}) {
    if (row > 0) return QString("row %1 (%2)").arg(row).arg(id.isEmpty() ? keyword : id);
    return keyword.isEmpty() ? settings.Get(vm::setting::outputName) : keyword;
}

// Qt's warnings about a session without a display or runtime folder say
// nothing about the videos: only critical messages pass, unless
// VIDMILL_BATCH_VERBOSE is set.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fputs(qPrintable("vidmill-batch: qt: " + message + "\n"), stderr);
}

// What the terminal shows: a line per finished video, and the batch as a
// whole with the videos in flight (redrawn in place on a terminal, a line per
// tenth of the batch otherwise, so a scheduler's log stays short).
class Terminal : public vm::ProductionListener {
public:
    Terminal(const vm::BatchSettings& settings, QStringList names)
        : settings_(settings),
          names_(std::move(names)),
          videos_(int(names_.size())),
          tty_(isatty(fileno(stderr))) {
        clock_.start();
    }

    void OnVideoEvent(const vm::VideoEvent& e) override {
        using Kind = vm::VideoEvent::Kind;
        const QString name =
            e.index < names_.size() ? names_[e.index] : NameOf(settings_, e.keyword);
        switch (e.kind) {
            case Kind::Started:
                flight_[e.index] = {name, "narration", 0.0};
                break;
            case Kind::Music:
                flight_[e.index].state = "music";
                break;
            case Kind::Rendering:
                flight_[e.index].state = "render";
                break;
            case Kind::Progress:
                flight_[e.index].fraction =
                    e.totalFrames > 0 ? double(e.frame) / e.totalFrames : 0.0;
                break;
            case Kind::Made:
                Finish(e.index);
                Line(QString("made %1 (planned %2 s, narration %3 s)")
                         .arg(e.path)
                         .arg(e.totalFrames / vm::kFramesPerSecond)
                         .arg(e.narrationSeconds, 0, 'f', 2));
                break;
            case Kind::Failed:
                Finish(e.index);
                Line(QString("failed %1 (%2): %3").arg(name, e.stage, e.message), true);
                break;
            case Kind::Skipped:
                Finish(e.index);
                // A rerun skips by the thousand: those lines go out in
                // batches, at least ten times a second.
                Line(QString("skipped %1: %2").arg(name, e.message), false, false);
                break;
            case Kind::Stopped:
                Finish(e.index);
                break;
            case Kind::Note:
                Line(QString("  problem: %1: %2").arg(name, e.message), true);
                break;
            default:
                break;
        }
        Draw();
    }

    // Ends a drawn line so the next text starts on its own line.
    void Break() {
        std::fflush(stdout);
        if (tty_ && open_) std::fputs("\n", stderr);
        open_ = false;
        width_ = 0;
    }

private:
    struct Flight {
        QString name;
        QString state;
        double fraction = 0;
    };

    void Finish(int index) {
        flight_.remove(index);
        ++done_;
    }

    void Line(const QString& text, bool toErr = false, bool now = true) {
        if (tty_ && open_) {
            std::fputs(qPrintable("\r" + QString(width_, ' ') + "\r"), stderr);
            open_ = false;
            width_ = 0;
            lastPercent_ = -1;  // the bar is drawn again after the line
        }
        if (toErr) {
            Err(text);
        } else if (now || !flushed_.isValid() || flushed_.elapsed() >= 100) {
            Out(text);
            flushed_.start();
        } else {
            std::fputs(qPrintable(text + "\n"), stdout);
        }
    }

    void Draw() {
        double progress = done_;
        for (const Flight& f : flight_) progress += f.fraction;
        const double part = videos_ > 0 ? std::clamp(progress / videos_, 0.0, 1.0) : 1.0;
        const int percent = int(part * 100);
        // A long list skipped or stopped sends an event per video: a line is
        // only put together when it shows something new.
        if (!tty_ && percent / 10 == lastTenth_) return;
        if (tty_ && percent == lastPercent_ && redrawn_.isValid() && redrawn_.elapsed() < 100)
            return;
        lastPercent_ = percent;
        redrawn_.start();
        QStringList flying;
        for (const Flight& f : flight_)
            flying << (f.state == "render"
                           ? QString("%1 %2%").arg(f.name).arg(int(f.fraction * 100))
                           : QString("%1 (%2)").arg(f.name, f.state));
        const double elapsed = clock_.elapsed() / 1000.0;
        const QString left = part > 0.02 && part < 1.0
                                 ? "  about " + Duration(elapsed * (1 - part) / part) + " left"
                                 : QString();
        const QString summary =
            QString("%1 of %2 done  %3%%4").arg(done_).arg(videos_).arg(percent).arg(left);
        if (tty_) {
            const int bar = 24;
            const int filled = percent * bar / 100;
            QString line = "[" + QString(filled, '#') + QString(bar - filled, '-') + "] " + summary;
            if (!flying.isEmpty()) line += "  | " + flying.join(", ");
            if (line.size() > 150) line = line.left(147) + "...";
            const int width = int(line.size());
            if (line.size() < width_) line += QString(width_ - line.size(), ' ');
            width_ = width;
            std::fputs(qPrintable("\r" + line), stderr);
            std::fflush(stderr);
            open_ = true;
        } else if (percent / 10 != lastTenth_) {
            lastTenth_ = percent / 10;
            Err("progress: " + summary);
        }
    }

    const vm::BatchSettings& settings_;
    QStringList names_;  // by the video's place in the batch
    int videos_;
    bool tty_;
    bool open_ = false;
    int width_ = 0;
    int done_ = 0;
    int lastTenth_ = -1;
    int lastPercent_ = -1;
    QElapsedTimer redrawn_;
    QElapsedTimer flushed_;
    QMap<int, Flight> flight_;
    QElapsedTimer clock_;
};

// What kind of videos the batch makes: "As MP4 (H.264, quality 23), 480x854,
// pictures on a blurred copy; captions: SRT file and burned in; a cover
// picture and a title and description beside each video."
QString OutputSummary(const vm::BatchSettings& s) {
    const bool mp4 = s.container == "mp4";
    QString line =
        QString("As %1 (%2").arg(mp4 ? "MP4" : "AVI", QString::fromStdString(s.codecName));
    if (s.quality >= 0) line += QString(", %1 %2").arg(mp4 ? "CRF" : "quality").arg(s.quality);
    static const QMap<QString, QString> fits = {{"fit", "pictures fit on black"},
                                                {"blur", "pictures fit on a blurred copy"},
                                                {"fill", "pictures fill the frame"}};
    line += QString("), %1x%2, %3")
                .arg(s.width)
                .arg(s.height)
                .arg(fits.value(s.Get(vm::setting::fit)));
    if (s.captionsFile || s.captionsBurned)
        line += QString("; captions: %1")
                    .arg(s.captionsFile && s.captionsBurned ? "SRT file and burned in"
                         : s.captionsFile                   ? "SRT file"
                                                            : "burned in");
    QStringList beside;
    if (s.Get(vm::setting::cover)) beside << "a cover picture";
    if (!s.Get(vm::setting::titleTemplate).isEmpty() ||
        !s.Get(vm::setting::descriptionTemplate).isEmpty())
        beside << "a title and description";
    if (!beside.isEmpty()) line += "; " + beside.join(" and ") + " beside each video";
    if (s.motionStrength > 0)
        line += QString("; slow zoom and pan by %1%").arg(qRound(s.motionStrength * 100));
    const QString set = s.Get(vm::setting::transitionSet);
    if (set != "ten" || s.Get(vm::setting::transitionSeconds) != 1.0)
        line += QString("; transitions: %1, %2 s")
                    .arg(set == "ten"   ? QString("the classic ten")
                         : set == "all" ? QString("all")
                                        : set)
                    .arg(s.Get(vm::setting::transitionSeconds));
    return line + ".";
}

// Stops from Ctrl-C, SIGTERM and SIGHUP. Before the batch has taken its
// folder nothing has been made, so the program ends at once; from then on the
// engine stops, removing what it had not finished.
class StopSignals {
public:
    explicit StopSignals(const sigset_t& set) : set_(set) {
        thread_ = std::thread([this] {
            int signal = 0;
            while (sigwait(&set_, &signal) == 0) {
                if (signal == SIGUSR1) return;
                std::lock_guard lock(mutex_);
                signalled_ = signal;
                if (engine_) {
                    engine_->Stop();
                } else if (!started_) {
                    Err(QString("vidmill-batch: stopped by signal %1; nothing was made")
                            .arg(signal));
                    _exit(ExitStopped(signal));
                }
            }
        });
    }
    ~StopSignals() {
        pthread_kill(thread_.native_handle(), SIGUSR1);
        thread_.join();
    }
    // From here on a signal stops `engine`, until it goes (null).
    void Engine(vm::ProductionEngine* engine) {
        std::lock_guard lock(mutex_);
        engine_ = engine;
        started_ = true;
        if (engine_ && signalled_ != 0) engine_->Stop();
    }
    int Signalled() const { return signalled_; }

private:
    sigset_t set_;
    std::mutex mutex_;
    vm::ProductionEngine* engine_ = nullptr;
    bool started_ = false;
    std::atomic<int> signalled_{0};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    // Ctrl-C and a scheduler's stop are taken by one thread with sigwait, so
    // they are blocked before any other thread starts (they inherit the mask).
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);   // the terminal or the ssh session went away
    sigaddset(&stopSignals, SIGUSR1);  // our own: the batch has ended
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    StopSignals stops(stopSignals);

    if (qEnvironmentVariableIsEmpty("VIDMILL_BATCH_VERBOSE")) {
        qInstallMessageHandler(QuietQtMessages);
        av_log_set_level(AV_LOG_ERROR);  // the encoders' chatter; errors still show
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vidmill-batch");
    QCoreApplication::setApplicationVersion(VIDMILL_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Makes the videos of a Vid Mill project without a display: one video per keyword.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demoOption("demo", "Make the videos of the demo project.");
    const QCommandLineOption outputOption(
        "output",
        "Folder for the videos (default: the project's output folder, else output/ in the "
        "per-user folder: ~/Videos/Vid Mill when installed, beside the program in its build "
        "folder).",
        "DIR");
    const QCommandLineOption shardOption(
        "shard", "Make only the keywords whose position modulo N is I (from 0).", "I/N");
    const QCommandLineOption jobsOption(
        "jobs",
        "Videos made at once, at most (default: the number of processor cores; fewer when the "
        "memory available holds fewer renders).",
        "N");
    const QCommandLineOption seedOption(
        "seed", "Repeat a batch exactly: the seed a run printed (default: a new one).", "N");
    const QCommandLineOption skipOption(
        "skip-existing",
        "Leave a keyword alone when its video and the files beside it are already in the output "
        "folder, made from the same settings, pictures and music.");
    const QCommandLineOption replaceOption(
        "replace",
        "Replace files in the output folder that Vid Mill did not make (without it, a batch that "
        "would replace one is refused and names them).");
    const QCommandLineOption reportOption(
        "report", "Write what became of every keyword to this JSON file at the end.", "FILE");
    const QCommandLineOption waitOption(
        "wait-for-folder",
        "When another batch is writing into the output folder, wait (up to 24 hours) until it "
        "has finished instead of giving up at once.");
    const QCommandLineOption rowsOption(
        "rows",
        "Make one video per row of this table (CSV, TSV or JSON Lines) instead of one per "
        "keyword: a \"keyword\" column, and any project setting, id, adCopy, slides, music or "
        "outputName as further columns (default: the project's \"rows\").",
        "FILE");
    parser.addOptions({demoOption, outputOption, shardOption, jobsOption, seedOption, skipOption,
                       replaceOption, reportOption, waitOption, rowsOption});
    parser.addPositionalArgument("project", "The project file (JSON).", "[PROJECT.json]");
    if (!parser.parse(QCoreApplication::arguments())) return Refuse(parser.errorText());
    // Qt's own options are shown only by process(), which exits after them.
    if (parser.isSet("help-all")) parser.process(QCoreApplication::arguments());
    if (parser.isSet("help")) {
        Out(parser.helpText());
        return kExitMade;
    }
    if (parser.isSet("version")) {
        Out("vidmill-batch " VIDMILL_VERSION);
        return kExitMade;
    }
    const bool demo = parser.isSet(demoOption);
    const QStringList positional = parser.positionalArguments();
    if (demo == (positional.size() == 1) || positional.size() > 1)
        return Refuse("give either one project file or --demo (see --help)");

    QString error;
    vm::BatchShard shard;
    if (parser.isSet(shardOption) &&
        !vm::ParseBatchShard(parser.value(shardOption), &shard, &error))
        return Refuse(error);
    vm::BatchOptions options;
    int askedJobs = 0;  // 0: the default
    if (parser.isSet(jobsOption)) {
        bool ok = false;
        askedJobs = parser.value(jobsOption).toInt(&ok);
        if (!ok || askedJobs < 1 || askedJobs > 64)
            return Refuse("--jobs: expected a whole number from 1 to 64, got \"" +
                          parser.value(jobsOption) + "\"");
    }
    options.seed = vm::VideoRandom::FreshSeed();
    if (parser.isSet(seedOption)) {
        bool ok = false;
        options.seed = parser.value(seedOption).toULongLong(&ok);
        if (!ok)
            return Refuse("--seed: expected a whole number of at least 0, got \"" +
                          parser.value(seedOption) + "\"");
    }
    options.skipExisting = parser.isSet(skipOption);
    options.replace = parser.isSet(replaceOption);
    const QString reportPath = parser.value(reportOption);
    if (parser.isSet(reportOption) && reportPath.isEmpty())
        return Refuse("--report: expected a file name");
    // Found now, not after hours of work.
    if (!reportPath.isEmpty()) {
        const QString problem = vm::ReportPathProblem(reportPath);
        if (!problem.isEmpty()) return Refuse("--report: " + problem);
    }
    if (parser.isSet(outputOption) && parser.value(outputOption).trimmed().isEmpty())
        return Refuse("--output: expected a folder, got an empty name");

    vm::BatchSettings settings;
    QString source;
    if (!vm::LoadBatchProject(demo ? QString() : positional.first(), &settings, &source, &error))
        return Refuse(error);
    // --output, else the project's own output folder, else the program's.
    const QString output = QDir(parser.isSet(outputOption) ? parser.value(outputOption)
                                                           : settings.outputFolder)
                               .absolutePath();
    settings.outputFolder = output;
    // A table of videos, from the command line or named by the project
    // (relative to the project file), is checked whole before anything is
    // touched: every bad row is listed, and nothing is made.
    if (parser.isSet(rowsOption) && parser.value(rowsOption).trimmed().isEmpty())
        return Refuse("--rows: expected a table file");
    const QString projectFolder =
        demo ? QDir::currentPath() : QFileInfo(positional.first()).absolutePath();
    const QString rowsFile =
        parser.isSet(rowsOption)
            ? QFileInfo(parser.value(rowsOption)).absoluteFilePath()
        : settings.Get(vm::setting::rows).isEmpty()
            ? QString()
            : vm::ResolveProjectPath(settings.Get(vm::setting::rows), projectFolder);
    std::vector<vm::VideoTask> all;
    if (rowsFile.isEmpty()) {
        all = vm::BatchTasks(settings.Get(vm::setting::keywords));
    } else {
        QStringList problems;
        if (!vm::LoadRowTasks(rowsFile, settings, projectFolder, &all, &problems)) {
            Err(QString("vidmill-batch: %1 cannot be made (nothing was made):").arg(rowsFile));
            for (const QString& problem : problems) Err("  " + problem);
            return kExitBadProject;
        }
        source += " with the rows of " + rowsFile;
    }
    const int listed = int(all.size());
    std::vector<vm::VideoTask> tasks = vm::ShardTasks(std::move(all), shard);
    const QString shardText =
        shard.count > 1 ? QString(" (shard %1/%2)").arg(shard.index).arg(shard.count) : QString();
    if (tasks.empty()) {
        Out(QString("Nothing to make in shard %1/%2: it holds none of the %3 %4.")
                .arg(shard.index)
                .arg(shard.count)
                .arg(listed)
                .arg(rowsFile.isEmpty() ? "keywords" : "rows"));
        return kExitMade;
    }
    const int total = int(tasks.size());
    // No more renders at once than this machine's cores and memory hold.
    // The largest frame counts: a table's row may have its own.
    const vm::BatchSettings* largest = &settings;
    for (const vm::VideoTask& task : tasks)
        if (task.settings &&
            task.settings->width * task.settings->height > largest->width * largest->height)
            largest = task.settings.get();
    const vm::RenderCap cap = vm::RenderCapHere(largest->width, largest->height);
    const int asked = askedJobs > 0 ? askedJobs : cap.cores;
    options.jobs = std::min(asked, cap.jobs);
    QString atOnce = QString("%1 at a time").arg(std::min(options.jobs, total));
    if (options.jobs < asked && total > options.jobs)
        atOnce += QString(" (lowered from %1%2: %3)")
                      .arg(askedJobs > 0 ? "--jobs " : "")
                      .arg(asked)
                      .arg(vm::RenderCapReason(cap));
    Out(QString("Making %1 video%2 of %3%4 at %5 with the voice \"%6\" into %7, %8 (seed %9)")
            .arg(total)
            .arg(total == 1 ? "" : "s")
            .arg(source, shardText, settings.Get(vm::setting::resolution),
                 settings.voice.GetDescription(), output, atOnce)
            .arg(options.seed));
    Out(OutputSummary(settings));

    QStringList names;
    for (const vm::VideoTask& task : tasks)
        names << NameOf(settings, task.keyword, task.row, task.id);
    vm::ProductionEngine engine(settings, std::move(tasks), options);
    stops.Engine(&engine);
    struct Forget {
        StopSignals& stops;
        ~Forget() { stops.Engine(nullptr); }
    } forget{stops};
    // One batch at a time into a folder: one that another batch holds is
    // refused, or waited for; one that cannot be used is refused at once.
    QString note;
    using Outcome = vm::OutputFolderLock::Outcome;
    Outcome claim = engine.TakeOutputFolder(0, &error, &note);
    if (claim == Outcome::Busy && parser.isSet(waitOption)) {
        Err("vidmill-batch: " + error + " Waiting for it.");
        constexpr int kFolderWaitMs = 24 * 3600 * 1000;
        claim = engine.TakeOutputFolder(kFolderWaitMs, &error, &note);
    }
    if (!note.isEmpty()) Err("vidmill-batch: " + note);
    if (claim == Outcome::Unusable) return Refuse(error);
    if (claim != Outcome::Taken) {
        if (stops.Signalled() != 0) {
            Err(QString("vidmill-batch: stopped by signal %1").arg(stops.Signalled()));
            return ExitStopped(stops.Signalled());
        }
        Err("vidmill-batch: " + error +
            (claim == Outcome::Busy && !parser.isSet(waitOption)
                 ? QString(" (--wait-for-folder waits for it)")
                 : QString()));
        return kExitFailed;
    }
    // Before the first video: what is already made, and whose files these are.
    QStringList clashes;
    if (!engine.CheckOutputFolder(&clashes, &error)) {
        if (stops.Signalled() != 0) {
            Err(QString("vidmill-batch: stopped by signal %1").arg(stops.Signalled()));
            return ExitStopped(stops.Signalled());
        }
        return Refuse(error + (clashes.isEmpty() ? QString()
                                                 : QString(" Nothing was made; --replace "
                                                           "replaces them.")));
    }
    Terminal terminal(settings, names);
    QElapsedTimer clock;
    clock.start();
    const std::vector<vm::VideoReport> reports = engine.Run(&terminal);
    terminal.Break();
    const int signalled = stops.Signalled();

    int made = 0;
    int skipped = 0;
    QStringList problems;
    for (const vm::VideoReport& r : reports) {
        const QString name = NameOf(settings, r.keyword, r.row, r.id);
        if (r.status == vm::VideoReport::Status::Made) ++made;
        if (r.status == vm::VideoReport::Status::Skipped) ++skipped;
        if (r.status == vm::VideoReport::Status::Failed) problems << name + ": " + r.message;
        if (r.status == vm::VideoReport::Status::Made && !r.message.isEmpty())
            problems << name + ": " + r.message;
    }
    const int stopped = int(std::count_if(reports.begin(), reports.end(), [](const auto& r) {
        return r.status == vm::VideoReport::Status::Stopped;
    }));
    QString line = QString("Made %1 of %2 video%3 in %4 (%5)")
                       .arg(made)
                       .arg(total)
                       .arg(total == 1 ? "" : "s")
                       .arg(output, Duration(clock.elapsed() / 1000.0));
    if (skipped > 0) line += QString(", %1 skipped").arg(skipped);
    if (stopped > 0) line += QString(", %1 stopped").arg(stopped);
    Out(line + ".");
    if (!problems.isEmpty()) {
        Out("Problems:");
        for (const QString& problem : problems) Out("  " + problem);
    }
    bool reported = true;
    if (!reportPath.isEmpty() && !vm::WriteBatchReport(reportPath, reports, settings, options.seed,
                                                       signalled != 0, &error)) {
        Err("vidmill-batch: " + error);
        reported = false;
    }
    if (signalled != 0) {
        Err(QString("vidmill-batch: stopped by signal %1").arg(signalled));
        return ExitStopped(signalled);
    }
    const bool allWell = std::all_of(reports.begin(), reports.end(), [](const auto& r) {
        return r.status == vm::VideoReport::Status::Made ||
               r.status == vm::VideoReport::Status::Skipped;
    });
    return allWell && problems.isEmpty() && reported ? kExitMade : kExitFailed;
}
