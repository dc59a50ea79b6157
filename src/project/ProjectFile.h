#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "Settings.h"
#include "SettingsTable.h"

// A project file: every setting of a batch as JSON, so a batch can be saved,
// opened again, and run on a machine without a display. Its fields are the
// keys of the settings table; a field the file leaves out keeps its default.
namespace vm {

// The file version this program writes and reads.
constexpr int kProjectVersion = 1;

// Reads project JSON. On failure returns false with one line in `error`
// naming the field and what was expected ("secondsPerSlide: expected a
// whole number from 1 to 32767, got \"three\"").
bool ParseProject(const QByteArray& json, Settings* project, QString* error);

// The settings that are set, as the project file holds them.
QJsonObject ProjectJson(const Settings& project);
// Indented JSON with sorted keys and a final line break; only the fields
// that are set are written.
QByteArray WriteProject(const Settings& project);

// ParseProject on the file's content; the error names the file when it
// cannot be read.
bool ReadProjectFile(const QString& path, Settings* project, QString* error);
// Writes the whole file or leaves the old one in place.
bool WriteProjectFile(const QString& path, const Settings& project, QString* error);

// The frame size of the project's resolution in its shape: portrait turns
// the landscape size on its side, square is as high as the landscape size.
struct FrameSize {
    int width = 0;
    int height = 0;
};
FrameSize ProjectFrameSize(const Settings& project);
// The size of a cover picture: 1280x720 turned like the video.
FrameSize CoverSize(const Settings& project);

// A path as written in a project file, made usable: relative ones are taken
// relative to `projectFolder`.
QString ResolveProjectPath(const QString& written, const QString& projectFolder);

// The form a path gets when a project is saved into `newFolder`. `written`
// is how the path was written in the project it came from (empty when it
// came from the user), `oldFolder` that project's folder. Paths keep the
// form they were written in: a relative one stays relative (to the new
// folder), anything else is stored as it is.
QString StoredProjectPath(const QString& path, const QString& written, const QString& oldFolder,
                          const QString& newFolder);

// The first slide or music file that does not exist, as a field-naming
// line; empty when every file the project names is there. The music file is
// only checked when music is on. With `slidesMayBeMissing` (the window opens
// such a project and marks them) only a slide that is a folder counts.
QString MissingProjectFile(const Settings& project, const QString& projectFolder,
                           bool slidesMayBeMissing = false);

}  // namespace vm
