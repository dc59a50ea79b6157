#pragma once

#include <QString>
#include <QStringList>

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

// The keywords of the shard, in list order. An empty list stands for the one
// video named after the output name; it belongs to shard 0, so the result
// for the other shards is empty and `makesNothing` is set.
QStringList ShardKeywords(const QStringList& keywords, const BatchShard& shard, bool* makesNothing);

}  // namespace vm
