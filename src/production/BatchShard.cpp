#include "BatchShard.h"

#include <QRegularExpression>

namespace vm {

bool ParseBatchShard(const QString& text, BatchShard* shard, QString* error) {
    static const QRegularExpression form("^(\\d{1,6})/(\\d{1,6})$");
    const QRegularExpressionMatch match = form.match(text.trimmed());
    const int index = match.hasMatch() ? match.captured(1).toInt() : -1;
    const int count = match.hasMatch() ? match.captured(2).toInt() : 0;
    if (!match.hasMatch() || count < 1 || index >= count) {
        if (error)
            *error = QString("--shard: expected I/N with 0 <= I < N (for example 0/4), got \"%1\"")
                         .arg(text);
        return false;
    }
    *shard = BatchShard{index, count};
    return true;
}

std::vector<VideoTask> ShardTasks(std::vector<VideoTask> tasks, const BatchShard& shard) {
    if (shard.count == 1) return tasks;
    std::vector<VideoTask> mine;
    mine.reserve(tasks.size() / size_t(shard.count) + 1);
    for (const VideoTask& task : tasks)
        if (task.position % shard.count == shard.index) mine.push_back(task);
    return mine;
}

}  // namespace vm
