#include "AppPaths.h"

#include <QFileInfo>
#include <QStandardPaths>

#include "Helpers.h"

QString FfmpegBesideProgram(const QString& appFolder) {
    return vm::Replace(appFolder + "/ffmpeg", "//", "/", 0);
}

QString FindFfmpeg(const QString& appFolder) {
    const QString beside = FfmpegBesideProgram(appFolder);
    const QFileInfo info(beside);
    if (info.isFile() && info.isExecutable()) return beside;
    const QString onPath = QStandardPaths::findExecutable("ffmpeg");
    return onPath.isEmpty() ? beside : onPath;
}
