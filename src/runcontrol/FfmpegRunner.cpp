#include "FfmpegRunner.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace vm {
namespace {

constexpr int kStderrKeepBytes = 16 * 1024;  // ffmpeg can be chatty; the end is what matters
constexpr int kStderrTailLines = 6;

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

}  // namespace

ProcessResult RunProgram(const QString& program, const QStringList& args, int timeoutMs,
                         const std::function<void()>& onStarted) {
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

    QByteArray stderrBytes;
    bool done = false;
    bool failedToStart = false;
    bool timedOut = false;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);

    auto finish = [&] {
        done = true;
        loop.quit();
    };
    QObject::connect(&process, &QProcess::readyReadStandardError, [&] {
        stderrBytes += process.readAllStandardError();
        if (stderrBytes.size() > kStderrKeepBytes)
            stderrBytes = stderrBytes.right(kStderrKeepBytes);
    });
    QObject::connect(&process, &QProcess::started, [&] {
        if (onStarted) onStarted();
    });
    QObject::connect(&process, &QProcess::finished, finish);
    QObject::connect(&process, &QProcess::errorOccurred, [&](QProcess::ProcessError e) {
        // A crash also ends with finished(); only a start failure ends here.
        if (e == QProcess::FailedToStart) {
            failedToStart = true;
            finish();
        }
    });
    QObject::connect(&bound, &QTimer::timeout, [&] {
        timedOut = true;
        loop.quit();
    });

    process.start();
    // A start failure may already have been reported inside start().
    if (!done) {
        bound.start(timeoutMs);
        loop.exec();
        bound.stop();
    }

    if (timedOut) {
        process.kill();
        // Reap the killed child; kill() makes this quick, the bound is a backstop.
        process.waitForFinished(5000);
        result.message = QStringLiteral("%1 did not finish within %2 seconds and was stopped")
                             .arg(program)
                             .arg(timeoutMs / 1000.0);
        return result;
    }
    if (failedToStart) {
        result.message =
            QStringLiteral("%1 could not be started (%2)").arg(program, process.errorString());
        return result;
    }
    stderrBytes += process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit) {
        result.message = QStringLiteral("%1 crashed").arg(program);
        const QString tail = TailLines(stderrBytes);
        if (!tail.isEmpty()) result.message += QStringLiteral(": ") + tail;
        return result;
    }
    result.exitCode = process.exitCode();
    if (result.exitCode != 0) {
        result.message =
            QStringLiteral("%1 ended with exit code %2").arg(program).arg(result.exitCode);
        const QString tail = TailLines(stderrBytes);
        if (!tail.isEmpty()) result.message += QStringLiteral(": ") + tail;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace vm
