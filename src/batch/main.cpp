// vidmill-batch: makes the videos of a project without a display. It builds
// the same main window offscreen, opens the project into its controls and
// presses "Make Videos!", so a batch here runs exactly as in the window.
//
//   vidmill-batch [--output DIR] [--shard I/N] PROJECT.json
//   vidmill-batch --demo [--output DIR] [--shard I/N]
//
// Exit status: 0 every video was made, 1 some failed (or the run was
// interrupted), 2 the project or the command line cannot be used.
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

#include "AppFolder.h"
#include "BatchShard.h"
#include "Controls.h"
#include "MsgBox.h"
#include "NarrationText.h"
#include "TimingPlan.h"
#include "VideoEdit.h"
#include "frmVSL.h"

namespace {

constexpr int kExitMade = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadProject = 2;

std::atomic<int> gSignal{0};

void OnSignal(int signal) {
    gSignal = signal;
}

// Qt's warnings about an offscreen session (no runtime folder, no fonts
// database, ...) say nothing about the videos: only critical messages pass,
// unless VIDMILL_BATCH_VERBOSE is set.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fputs(qPrintable("vidmill-batch: qt: " + message + "\n"), stderr);
}

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

QString Duration(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return s >= 60 ? QString("%1 min %2 s").arg(s / 60).arg(s % 60) : QString("%1 s").arg(s);
}

// One line of the terminal that redraws itself on a terminal, and writes a
// line per quarter otherwise (logs of a scheduler stay short).
class ProgressLine {
public:
    ProgressLine() : tty_(isatty(fileno(stderr))) {}

    void Show(int n, int m, int percent, const QString& name) {
        percent = std::clamp(percent, 0, 100);
        if (tty_) {
            const int width = 30;
            const int filled = percent * width / 100;
            const QString bar = QString(filled, '#') + QString(width - filled, '-');
            QString line = QString("[%1] %2%  video %3 of %4  %5")
                               .arg(bar)
                               .arg(percent, 3)
                               .arg(n)
                               .arg(m)
                               .arg(name);
            if (line.size() < lastWidth_) line += QString(lastWidth_ - line.size(), ' ');
            lastWidth_ = line.size();
            std::fputs(qPrintable("\r" + line), stderr);
            std::fflush(stderr);
            open_ = true;
            return;
        }
        const int quarter = percent / 25;
        if (n != lastVideo_ || quarter != lastQuarter_) {
            Err(QString("video %1 of %2  %3%  %4").arg(n).arg(m).arg(quarter * 25).arg(name));
            lastVideo_ = n;
            lastQuarter_ = quarter;
        }
    }

    // Ends a drawn line so the next text starts on its own line.
    void Break() {
        if (tty_ && open_) std::fputs("\n", stderr);
        open_ = false;
        lastWidth_ = 0;
    }

private:
    bool tty_;
    bool open_ = false;
    int lastWidth_ = 0;
    int lastVideo_ = 0;
    int lastQuarter_ = -1;
};

QString CurrentKeyword(const frmVSL& w) {
    return w.lstKeywords->currentItem() && w.lstKeywords->count() > 0
               ? w.lstKeywords->currentItem()->text()
               : QString();
}

}  // namespace

int main(int argc, char** argv) {
    // The window is never shown: no display is needed or used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("VIDMILL_BATCH_VERBOSE")) {
        qInstallMessageHandler(QuietQtMessages);
        // The encoders' own chatter; their errors still reach the terminal.
        av_log_set_level(AV_LOG_ERROR);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("vidmill-batch");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Makes the videos of a Vid Mill project without a display: one video per keyword.");
    parser.addHelpOption();
    const QCommandLineOption demoOption("demo", "Make the videos of the demo project.");
    const QCommandLineOption outputOption(
        "output", "Folder for the videos (default: the output folder beside the program).", "DIR");
    const QCommandLineOption shardOption(
        "shard", "Make only the keywords whose position modulo N is I (from 0).", "I/N");
    parser.addOptions({demoOption, outputOption, shardOption});
    parser.addPositionalArgument("project", "The project file (JSON).", "[PROJECT.json]");
    if (!parser.parse(QCoreApplication::arguments())) return Refuse(parser.errorText());
    if (parser.isSet("help")) {
        Out(parser.helpText());
        return kExitMade;
    }
    const bool demo = parser.isSet(demoOption);
    const QStringList positional = parser.positionalArguments();
    if (demo == (positional.size() == 1) || positional.size() > 1)
        return Refuse("give either one project file or --demo (see --help)");

    vm::BatchShard shard;
    QString error;
    if (parser.isSet(shardOption) &&
        !vm::ParseBatchShard(parser.value(shardOption), &shard, &error))
        return Refuse(error);

    const QString output =
        QDir(parser.isSet(outputOption) ? parser.value(outputOption) : vm::AppPath("output"))
            .absolutePath();
    if (!QDir().mkpath(output)) return Refuse("the output folder " + output + " cannot be created");
    vm::SetOutputFolder(output);

    // Message boxes are printed; the demo's "your changes will be lost"
    // question is the only one answered Yes.
    bool answerYes = false;
    bool batchStarted = false;
    QString lastRefusal;
    ProgressLine progress;
    SetMsgBoxHandler([&](const MsgBoxCall& call) {
        // The batch's own list of failures is printed in the summary.
        const bool failureList = call.text.startsWith("These videos could not be made");
        const bool question = call.buttons & QMessageBox::Yes;
        const auto answer =
            question ? (answerYes ? QMessageBox::Yes : QMessageBox::No) : QMessageBox::Ok;
        if (!failureList) {
            progress.Break();
            QString line = QString("vidmill-batch: [%1] %2")
                               .arg(call.title, QString(call.text).replace("\n", " "));
            if (question) line += answer == QMessageBox::Yes ? " -> Yes" : " -> No";
            Err(line);
        }
        if (!batchStarted) lastRefusal = call.text;
        return answer;
    });

    frmVSL window;

    QString source;
    if (demo) {
        answerYes = true;
        window.cmdCreateDemoProject_Click();
        answerYes = false;
        if (window.lstTo->count() == 0 || window.txtArticle[0]->toPlainText().isEmpty())
            return Refuse(
                "the demo files (demo_content.txt, demo_keywords.txt, images/dental) "
                "are missing beside the program in " +
                vm::AppFolder());
        source = "the demo project";
    } else {
        const QString path = positional.first();
        if (!window.LoadProject(path, &error)) return Refuse(path + ": " + error);
        source = path;
    }
    // What the window would refuse, said in the project's own terms.
    if (!window.HasContent())
        return Refuse(source +
                      ": adCopies: every ad copy is empty, so there is nothing to narrate");
    if (window.lstTo->count() == 0) return Refuse(source + ": slides: there are no slides");

    QStringList keywords;
    for (int i = 0; i < window.lstKeywords->count(); ++i)
        keywords << window.lstKeywords->item(i)->text();
    bool nothing = false;
    const QStringList mine = vm::ShardKeywords(keywords, shard, &nothing);
    const QString shardText =
        shard.count > 1 ? QString(" (shard %1/%2)").arg(shard.index).arg(shard.count) : QString();
    if (nothing) {
        Out(QString("Nothing to make in shard %1/%2: it holds none of the %3 keywords.")
                .arg(shard.index)
                .arg(shard.count)
                .arg(keywords.size()));
        return kExitMade;
    }
    if (shard.count > 1) {
        window.lstKeywords->clear();
        window.lstKeywords->addItems(mine);
    }
    const int total = std::max<int>(1, mine.size());
    Out(QString("Making %1 video%2 of %3%4 at %5 with the voice \"%6\" into %7")
            .arg(total)
            .arg(total == 1 ? "" : "s")
            .arg(source, shardText, window.cboResolution->currentText(),
                 window.List1->currentText(), output));

    // Ctrl-C or a scheduler's stop: close the window, which stops the render
    // (its unfinished file goes) and ends the batch.
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, &window, [&] {
        if (gSignal != 0) window.close();
    });
    signalWatch.start(200);

    QStringList made;
    int reported = 0;
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    QObject::connect(&window, &frmVSL::batchProgress, &window, [&](int n, int m, int percent) {
        batchStarted = true;
        progress.Show(n, m, percent, CurrentKeyword(window));
    });
    QObject::connect(&window, &frmVSL::videoFinished, &window, [&] {
        progress.Break();
        const QString keyword = CurrentKeyword(window);
        const QString path = vm::VideoPath(keyword, window.txtFilename->text());
        const QFileInfo file(path);
        const QStringList failures = window.LastBatchFailures();
        for (; reported < failures.size(); ++reported) Err("  problem: " + failures[reported]);
        if (file.isFile() && file.lastModified() >= started) {
            made << path;
            // The picture track (slides, then the last slide held) or the
            // narration, whichever is longer, as the render lays them out.
            const bool narrated = !window.txtArticle[0]->toPlainText().isEmpty();
            const int planned = std::max(window.iSlidesLength + window.iLastSlideTime,
                                         narrated ? window.iAudioLength + 1 : 0);
            // The narration is still there: the clean-up follows this signal.
            const double narration =
                narrated ? VideoEdit::MediaLength(vm::NarrationPath(keyword)) : 0.0;
            Out(QString("made %1 (planned %2 s, narration %3 s)")
                    .arg(path)
                    .arg(planned)
                    .arg(std::max(0.0, narration), 0, 'f', 2));
        }
    });

    QElapsedTimer clock;
    clock.start();
    window.Command1_Click();
    progress.Break();

    if (!batchStarted) return Refuse(source + ": " + QString(lastRefusal).replace("\n", " "));

    const QStringList failures = window.LastBatchFailures();
    Out(QString("Made %1 of %2 video%3 in %4 (%5).")
            .arg(made.size())
            .arg(total)
            .arg(total == 1 ? "" : "s")
            .arg(output, Duration(clock.elapsed())));
    if (!failures.isEmpty()) {
        Out("Problems:");
        for (const QString& failure : failures) Out("  " + failure);
    }
    if (gSignal != 0) {
        Err(QString("vidmill-batch: interrupted by signal %1").arg(int(gSignal)));
        return kExitFailed;
    }
    return made.size() == total && failures.isEmpty() ? kExitMade : kExitFailed;
}
