#pragma once

#include <QString>
#include <vector>

#include "VideoPipeline.h"

// Splitting one keyword list across several machines: shard I of N makes the
// keywords whose position (from 0) modulo N is I, so N runs with I = 0..N-1
// make every video exactly once.
namespace vm {

struct BatchShard {
    int index = 0;
    int count = 1;
};

// Reads "I/N" (0 <= I < N). False with the reason in `error` otherwise.
bool ParseBatchShard(const QString& text, BatchShard* shard, QString* error);

// The videos of the shard, in list order: those whose keyword position
// modulo N is I. The single video of an empty keyword list has position 0,
// so it belongs to shard 0.
std::vector<VideoTask> ShardTasks(std::vector<VideoTask> tasks, const BatchShard& shard);

}  // namespace vm
