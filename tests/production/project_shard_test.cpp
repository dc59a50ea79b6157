#include <gtest/gtest.h>

#include <QSet>

#include "BatchShard.h"

using namespace vm;

TEST(BatchShard, ReadsIndexOverCountAndRefusesTheRest) {
    BatchShard shard;
    QString error;
    ASSERT_TRUE(ParseBatchShard("2/5", &shard, &error));
    EXPECT_EQ(shard.index, 2);
    EXPECT_EQ(shard.count, 5);
    ASSERT_TRUE(ParseBatchShard("0/1", &shard, &error));
    for (const char* bad : {"5/5", "1/0", "-1/3", "1", "a/b", "1/2/3", "", "1 / 2"}) {
        EXPECT_FALSE(ParseBatchShard(bad, &shard, &error)) << bad;
        EXPECT_TRUE(error.startsWith("--shard: expected I/N")) << error.toStdString();
    }
}

QStringList Keywords(const std::vector<VideoTask>& tasks) {
    QStringList keywords;
    for (const VideoTask& task : tasks) keywords << task.keyword;
    return keywords;
}

TEST(BatchShard, ShardsTogetherMakeEveryKeywordOnce) {
    QStringList keywords;
    for (int i = 0; i < 11; ++i) keywords << QString("k%1").arg(i);
    for (int count : {1, 2, 3, 4, 11, 15}) {
        QStringList all;
        for (int index = 0; index < count; ++index) {
            const auto mine = ShardTasks(BatchTasks(keywords), {index, count});
            for (const VideoTask& task : mine) {
                EXPECT_EQ(task.position % count, index);
                EXPECT_EQ(keywords[task.position], task.keyword);
            }
            all << Keywords(mine);
        }
        all.sort();
        QStringList expected = keywords;
        expected.sort();
        EXPECT_EQ(all, expected) << "with " << count << " shards";
    }
    EXPECT_EQ(Keywords(ShardTasks(BatchTasks(keywords), {1, 4})), (QStringList{"k1", "k5", "k9"}));
}

TEST(BatchShard, TheSingleVideoOfAnEmptyListBelongsToShardZero) {
    EXPECT_EQ(ShardTasks(BatchTasks({}), {0, 3}).size(), 1u);
    EXPECT_TRUE(ShardTasks(BatchTasks({}), {2, 3}).empty());
}
