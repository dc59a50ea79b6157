#include "WindowMemory.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "AppFolder.h"

namespace memory {
namespace {

QSettings Store() {
    return QSettings(vm::UserPath("settings.ini"), QSettings::IniFormat);
}

}  // namespace

QStringList RecentProjects() {
    return Store().value("recentProjects").toStringList().mid(0, kRecentProjects);
}

void AddRecentProject(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList recent = RecentProjects();
    recent.removeAll(full);
    recent.prepend(full);
    Store().setValue("recentProjects", recent.mid(0, kRecentProjects));
}

void ForgetRecentProject(const QString& path) {
    QStringList recent = RecentProjects();
    recent.removeAll(QFileInfo(path).absoluteFilePath());
    Store().setValue("recentProjects", recent);
}

QString LastFolder(const QString& kind) {
    const QString folder = Store().value("lastFolder/" + kind).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void RememberFolder(const QString& kind, const QString& path) {
    if (path.isEmpty()) return;
    const QFileInfo info(path);
    Store().setValue("lastFolder/" + kind,
                     info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

}  // namespace memory
