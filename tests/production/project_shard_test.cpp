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

TEST(BatchShard, ShardsTogetherMakeEveryKeywordOnce) {
    QStringList keywords;
    for (int i = 0; i < 11; ++i) keywords << QString("k%1").arg(i);
    for (int count : {1, 2, 3, 4, 11, 15}) {
        QStringList all;
        for (int index = 0; index < count; ++index) {
            bool nothing = false;
            const QStringList mine = ShardKeywords(keywords, {index, count}, &nothing);
            EXPECT_EQ(nothing, mine.isEmpty());
            for (const QString& k : mine) EXPECT_EQ(keywords.indexOf(k) % count, index);
            all << mine;
        }
        all.sort();
        QStringList expected = keywords;
        expected.sort();
        EXPECT_EQ(all, expected) << "with " << count << " shards";
    }
    bool nothing = false;
    EXPECT_EQ(ShardKeywords(keywords, {1, 4}, &nothing), (QStringList{"k1", "k5", "k9"}));
}

TEST(BatchShard, TheSingleVideoOfAnEmptyListBelongsToShardZero) {
    bool nothing = true;
    EXPECT_TRUE(ShardKeywords({}, {0, 3}, &nothing).isEmpty());
    EXPECT_FALSE(nothing);
    EXPECT_TRUE(ShardKeywords({}, {2, 3}, &nothing).isEmpty());
    EXPECT_TRUE(nothing);
}
