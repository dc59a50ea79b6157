#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "ProductionEngine.h"

// The report of a batch as JSON: the seed that repeats it, and one entry per
// keyword with what became of its video.
namespace vm {

QByteArray BatchReportJson(const std::vector<VideoReport>& videos, uint64_t seed, bool stopped);

// Writes the whole file or leaves an older one in place.
bool WriteBatchReport(const QString& path, const std::vector<VideoReport>& videos, uint64_t seed,
                      bool stopped, QString* error);

}  // namespace vm
