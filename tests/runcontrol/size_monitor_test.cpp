#include <gtest/gtest.h>

#include <QFile>

#include "SizeMonitor.h"
#include "TestSupport.h"

using namespace vm;

TEST(GetFileSizeText, ReadsSizesAndMissingFiles) {
    const QString folder = testsupport::FreshAppFolder("sizes");
    EXPECT_EQ(GetFileSizeText(""), "0");
    EXPECT_EQ(GetFileSizeText(folder + "/missing.wav"), "-1");
    QFile file(folder + "/a.wav");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1234, 'x'));
    file.close();
    EXPECT_EQ(GetFileSizeText(folder + "/a.wav"), "1234");
    // Read as a signed 32-bit number: 2.5 GiB reads negative (a sparse file
    // takes no room).
    QFile big(folder + "/big.wav");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(2684354560LL));
    big.close();
    EXPECT_EQ(GetFileSizeText(folder + "/big.wav"), "-1610612736");
}

TEST(MonitorTick, FileGrowingOverThreeTicksSettlesOnFirstRepeat) {
    QString oldSize, current;
    EXPECT_EQ(MonitorTick("100", oldSize, current), MonitorDecision::First);
    EXPECT_EQ(MonitorTick("200", oldSize, current), MonitorDecision::Growing);
    EXPECT_EQ(MonitorTick("300", oldSize, current), MonitorDecision::Growing);
    EXPECT_EQ(current, "300");
    EXPECT_EQ(MonitorTick("300", oldSize, current), MonitorDecision::Settled);
}

TEST(MonitorTick, ReadingEqualToPreviousWatchEndsAtFirstTick) {
    QString oldSize, current;
    MonitorTick("500", oldSize, current);
    EXPECT_EQ(MonitorTick("500", oldSize, current), MonitorDecision::Settled);
    // A new watch keeps the old reading: the same size settles at once.
    EXPECT_EQ(MonitorTick("500", oldSize, current), MonitorDecision::Settled);
    // A different file size is compared with the last reading first.
    EXPECT_EQ(MonitorTick("700", oldSize, current), MonitorDecision::Growing);
    EXPECT_EQ(MonitorTick("700", oldSize, current), MonitorDecision::Settled);
}

TEST(MonitorTick, EmptyPathReadingIsIgnored) {
    QString oldSize, current;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(MonitorTick("0", oldSize, current), MonitorDecision::Ignored);
    EXPECT_TRUE(oldSize.isEmpty());
    EXPECT_TRUE(current.isEmpty());
}

TEST(CountdownTick, StatusChangesAtTick26For25) {
    int16_t countdown = 25;
    for (int tick = 1; tick <= 25; ++tick) EXPECT_FALSE(CountdownTick(countdown)) << tick;
    EXPECT_TRUE(CountdownTick(countdown));
    EXPECT_TRUE(CountdownTick(countdown));
    EXPECT_EQ(countdown, 0);
}
