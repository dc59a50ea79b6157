#pragma once

#include <QString>
#include <QStringList>
#include <stop_token>

// Runs a command-line tool (ffmpeg) as a child process and waits for it. The
// program gets its arguments as a list, never through a shell. Standard input
// and output go to the null device; standard error is kept for the report.
// Made for worker threads: it needs no event loop.
namespace vm {

struct ProcessResult {
    bool ok = false;    // started, ended normally, exit code 0
    int exitCode = -1;  // -1 when the program did not start or did not end normally
    QString message;    // why it failed (empty on success)
};

constexpr int kFfmpegTimeoutMs = 120000;

// Starts `program` with `args` and returns when it has ended, failed to start,
// run longer than `timeoutMs` or been stopped through `stop` (in the last two
// cases it is killed). A failure message names the program and, for a
// non-zero exit, ends with the last lines the program wrote to standard error.
ProcessResult RunProgram(const QString& program, const QStringList& args,
                         int timeoutMs = kFfmpegTimeoutMs, std::stop_token stop = {});

}  // namespace vm
