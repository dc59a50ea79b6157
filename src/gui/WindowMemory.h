#pragma once

#include <QString>
#include <QStringList>

// What the window remembers between runs, in settings.ini in the program's
// user folder (beside the output folder): the projects opened or saved
// last, and the folder each kind of file dialog was last used in.
namespace memory {

// The last projects opened or saved, the newest first, at most kRecentProjects.
constexpr int kRecentProjects = 8;
QStringList RecentProjects();
// Puts `path` first (once).
void AddRecentProject(const QString& path);
void ForgetRecentProject(const QString& path);

// The folder a dialog for files of `kind` ("projects", "music", "output")
// was last used in; the home folder when none was or it has gone.
QString LastFolder(const QString& kind);
// Remembers the folder of `path` (a file, or a folder itself when it is one).
void RememberFolder(const QString& kind, const QString& path);

}  // namespace memory
