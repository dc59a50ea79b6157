#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Runs a command-line tool (ffmpeg) as a child process and waits for it on the
// event loop, so timers and window events keep running meanwhile. The program
// gets its arguments as a list, never through a shell. Standard input and
// output go to the null device; standard error is kept for the report.
namespace vm {

struct ProcessResult {
    bool ok = false;    // started, ended normally, exit code 0
    int exitCode = -1;  // -1 when the program did not start or did not end normally
    QString message;    // why it failed (empty on success)
};

constexpr int kFfmpegTimeoutMs = 120000;

// Starts `program` with `args` and returns when it has ended, failed to start
// or run longer than `timeoutMs` (then it is killed). `onStarted` runs once the
// process is up. A failure message names the program and, for a non-zero exit,
// ends with the last lines the program wrote to standard error.
ProcessResult RunProgram(const QString& program, const QStringList& args,
                         int timeoutMs = kFfmpegTimeoutMs,
                         const std::function<void()>& onStarted = {});

}  // namespace vm
