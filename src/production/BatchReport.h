#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "ProductionEngine.h"

// The report of a batch as JSON: the seed that repeats it, what kind of
// videos were made (format, frame size, captions, cover) and one entry per
// keyword with what became of its video and the files beside it.
namespace vm {

QByteArray BatchReportJson(const std::vector<VideoReport>& videos, const BatchSettings& settings,
                           uint64_t seed, bool stopped);

// Why a report could not be written at `path` (a folder, in a folder that
// does not exist or cannot be written), found by making a file beside it;
// empty when it can.
QString ReportPathProblem(const QString& path);

// Writes the whole file or leaves an older one in place.
bool WriteBatchReport(const QString& path, const std::vector<VideoReport>& videos,
                      const BatchSettings& settings, uint64_t seed, bool stopped, QString* error);

}  // namespace vm
