#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "BatchSettings.h"
#include "VideoPipeline.h"
#include "VideoRows.h"

class Compressors;

// A table of videos made into a batch's tasks: every row checked, before any
// video starts, by the rules a project file gets on this machine (ranges,
// choices, voices, compressors, files, names), each row's settings resolved
// on top of the batch's.
namespace vm {

// The tasks of `rows`, made on top of `batch` (the project as loaded from
// `projectFolder`); a row's paths are taken from `tableFolder`. Every
// problem of every row goes into `problems` ("row 14, voice: ..."); false
// when there was any, and then no task is made.
bool MakeRowTasks(const BatchSettings& batch, const QString& projectFolder,
                  const std::vector<VideoRow>& rows, const QString& tableFolder,
                  const QList<VoiceToken>& voices, const Compressors& compressors,
                  std::vector<VideoTask>* tasks, QStringList* problems);

// Reads the table at `tableFile` and makes its tasks with this machine's
// voices and compressors. A problem of the file itself is one line naming it.
bool LoadRowTasks(const QString& tableFile, const BatchSettings& batch,
                  const QString& projectFolder, std::vector<VideoTask>* tasks,
                  QStringList* problems);

}  // namespace vm
