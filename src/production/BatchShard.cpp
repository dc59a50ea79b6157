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

QStringList ShardKeywords(const QStringList& keywords, const BatchShard& shard,
                          bool* makesNothing) {
    QStringList mine;
    for (int i = 0; i < keywords.size(); ++i) {
        if (i % shard.count == shard.index) mine << keywords[i];
    }
    const bool nothing = keywords.isEmpty() ? shard.index != 0 : mine.isEmpty();
    if (makesNothing) *makesNothing = nothing;
    return mine;
}

}  // namespace vm
