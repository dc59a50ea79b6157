#include "FfmpegRunner.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <QProcess>
#include <atomic>
#include <csignal>

namespace vm {
namespace {

constexpr int kStderrKeepBytes = 16 * 1024;  // ffmpeg can be chatty; the end is what matters
constexpr int kStderrTailLines = 6;
// How long starting a program, or reaping one that was killed, may take.
constexpr int kStartBoundMs = 5000;

// The last few non-empty lines; ffmpeg ends its progress lines with CR.
QString TailLines(const QByteArray& bytes) {
    QString text = QString::fromLocal8Bit(bytes);
    text.replace('\r', '\n');
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines) line = line.trimmed();
    lines.removeAll(QString());
    if (lines.size() > kStderrTailLines) lines = lines.mid(lines.size() - kStderrTailLines);
    return lines.join(QStringLiteral(" | "));
}

QString WithTail(QString message, const QByteArray& stderrBytes) {
    const QString tail = TailLines(stderrBytes);
    if (!tail.isEmpty()) message += QStringLiteral(": ") + tail;
    return message;
}

}  // namespace

ProcessResult RunProgram(const QString& program, const QStringList& args, int timeoutMs,
                         std::stop_token stop) {
    ProcessResult result;
    if (program.isEmpty()) {
        result.message = QStringLiteral("no program given");
        return result;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    // The program goes with us, however we end (kill -9 included). We wait
    // for it on this thread, which the kernel takes as its parent.
    const pid_t parent = getpid();
    process.setChildProcessModifier([parent] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
    });
    process.start();
    if (!process.waitForStarted(kStartBoundMs)) {
        result.message =
            QStringLiteral("%1 could not be started (%2)").arg(program, process.errorString());
        return result;
    }
    // A stop kills the program; the wait below then returns at once.
    std::atomic<bool> stopped{false};
    const auto pid = static_cast<pid_t>(process.processId());
    std::stop_callback onStop(stop, [pid, &stopped] {
        stopped = true;
        ::kill(pid, SIGKILL);
    });
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(kStartBoundMs);  // reap it; kill() makes this quick
    }
    const QByteArray stderrBytes = process.readAllStandardError().right(kStderrKeepBytes);
    if (stopped) {
        result.message = QStringLiteral("%1 was stopped").arg(program);
    } else if (!finished) {
        result.message = QStringLiteral("%1 did not finish within %2 seconds and was stopped")
                             .arg(program)
                             .arg(timeoutMs / 1000.0);
    } else if (process.exitStatus() != QProcess::NormalExit) {
        result.message = WithTail(QStringLiteral("%1 crashed").arg(program), stderrBytes);
    } else if ((result.exitCode = process.exitCode()) != 0) {
        result.message =
            WithTail(QStringLiteral("%1 ended with exit code %2").arg(program).arg(result.exitCode),
                     stderrBytes);
    } else {
        result.ok = true;
    }
    return result;
}

}  // namespace vm
