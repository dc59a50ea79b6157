#include "AppFolder.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vm {
namespace {

QString& Override() {
    static QString folder;
    return folder;
}

QString& OutputOverride() {
    static QString folder;
    return folder;
}

// `folder` + "/" + `name` without doubled separators, so a program at the root
// of a file system still gives "/output".
QString Joined(const QString& folder, const QString& name) {
    return QDir::cleanPath(folder + "/" + name);
}

}  // namespace

QString AppFolder() {
    if (!Override().isEmpty()) return Override();
    return QCoreApplication::applicationDirPath();
}

void SetAppFolderForTesting(const QString& folder) {
    Override() = folder;
}

QString DataFolder() {
    const QString app = AppFolder();
    if (!Override().isEmpty() || QFileInfo(app + "/images").isDir()) return app;
    const QString installed = QDir::cleanPath(app + "/../share/vidmill");
    return QFileInfo(installed).isDir() ? installed : app;
}

QString DataPath(const QString& name) {
    return Joined(DataFolder(), name);
}

QString UserFolder() {
    const QString app = AppFolder();
    // Beside the program only where its data lies beside it too (the build
    // folder, or a copy of it): installed, nothing is written into bin/, even
    // by root, who may write there.
    if (!Override().isEmpty() ||
        (DataFolder() == app && access(QFile::encodeName(app).constData(), W_OK) == 0))
        return app;
    QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (videos.isEmpty()) videos = QDir::homePath() + "/Videos";
    const QString folder = Joined(videos, "Vid Mill");
    QDir().mkpath(folder);  // the keyword file is written straight into it
    return folder;
}

QString UserPath(const QString& name) {
    return Joined(UserFolder(), name);
}

QString OutputFolder() {
    if (!OutputOverride().isEmpty()) return OutputOverride();
    return UserPath("output");
}

void SetOutputFolder(const QString& folder) {
    OutputOverride() = folder;
}

}  // namespace vm
