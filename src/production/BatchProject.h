#pragma once

#include <QString>

#include "BatchSettings.h"

// A project file, or the demo project, made into a batch on this machine the
// way vidmill-batch makes it: read, checked against this machine's voices,
// compressors and files and the way the window checks it, filled from this
// machine's defaults and resolved. The output folder is the caller's.
namespace vm {

// `projectFile` empty: the demo project (its ad copy, keywords and pictures
// shipped with the program). `source` names it for messages ("the demo
// project" or the file). False with one line saying what is wrong
// ("spring.json: slides[1]: the image ... does not exist").
bool LoadBatchProject(const QString& projectFile, BatchSettings* settings, QString* source,
                      QString* error);

}  // namespace vm
