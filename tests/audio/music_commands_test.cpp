// Background music in values: command texts and argument lists, the rounding
// of the measured length, the copy / whole / cut choice and the 16-bit limit.
#include <gtest/gtest.h>

#include <cmath>

#include "MusicCommands.h"

using namespace vm;

namespace {
const QString kFfmpeg = "/opt/vid mill/ffmpeg";
const QString kOut = "/opt/vid mill/output/tmp9999.mp3";
}  // namespace

TEST(MusicCommands, CutCommandTextAndArguments) {
    MusicCommand cmd;
    QString error;
    ASSERT_TRUE(BuildCreateTempAudioCut(kFfmpeg, "/music/a b.mp3", 30, kOut, &cmd, &error));
    // Only the input is quoted; program and output are written bare.
    EXPECT_EQ(cmd.text,
              "/opt/vid mill/ffmpeg -i \"/music/a b.mp3\" -ss 0 -t 33 -filter:a \"volume=0.1\" "
              "/opt/vid mill/output/tmp9999.mp3");
    EXPECT_TRUE(cmd.text.contains(" -ss 0 -t 33 "));
    // The run itself gets one argument per item, no quotes added, nothing split.
    EXPECT_EQ(cmd.args, QStringList({"-nostdin", "-hide_banner", "-i", "/music/a b.mp3", "-ss", "0",
                                     "-t", "33", "-filter:a", "volume=0.1", kOut}));
}

TEST(MusicCommands, WholeFileCommandTextAndArguments) {
    const MusicCommand cmd = BuildCreateTempAudio(kFfmpeg, "/m/x;\"y\".mp3", kOut);
    EXPECT_EQ(cmd.text,
              "/opt/vid mill/ffmpeg -i \"/m/x;\"y\".mp3\"   /opt/vid mill/output/tmp9999.mp3");
    EXPECT_EQ(cmd.args, QStringList({"-nostdin", "-hide_banner", "-i", "/m/x;\"y\".mp3", kOut}));
}

TEST(MusicCommands, CutLengthMustFitSixteenBits) {
    MusicCommand cmd;
    QString error;
    ASSERT_TRUE(BuildCreateTempAudioCut(kFfmpeg, "m.mp3", 32764, kOut, &cmd, &error));
    EXPECT_TRUE(cmd.text.contains(" -t 32767 "));
    EXPECT_TRUE(cmd.args.contains("32767"));

    cmd = {};
    EXPECT_FALSE(BuildCreateTempAudioCut(kFfmpeg, "m.mp3", 32765, kOut, &cmd, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(cmd.text.isEmpty()) << "no command may be built from a wrapped number";
    error.clear();
    EXPECT_FALSE(BuildCreateTempAudioCut(kFfmpeg, "m.mp3", 32767, kOut, &cmd, &error));
    EXPECT_FALSE(BuildCreateTempAudioCut(kFfmpeg, "m.mp3", -1, kOut, &cmd, &error));
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(BuildCreateTempAudioCut(kFfmpeg, "m.mp3", 0, kOut, &cmd, &error));
    EXPECT_TRUE(cmd.text.contains(" -ss 0 -t 3 "));
}

TEST(MusicCommands, LogEntry) {
    EXPECT_EQ(MusicLogEntry("ffmpeg -i \"a\"   b"),
              "Temp Audio Creation Command -------------- \r\n\r\nffmpeg -i \"a\"   b\r\n\r\n"
              "-------------- ");
}

TEST(MusicCommands, LengthRoundsToNearestHalvesToEven) {
    const std::pair<double, int> cases[] = {
        {94.5, 94}, {95.5, 96}, {94.4999, 94}, {94.5001, 95}, {0.5, 0},   {1.5, 2},
        {12.0, 12}, {12.7, 13}, {0.0, 0},      {-0.5, 0},     {-1.5, -2}, {32767.4, 32767}};
    for (const auto& [seconds, expected] : cases) {
        int16_t rounded = -999;
        QString error;
        EXPECT_TRUE(RoundMusicLength(seconds, &rounded, &error)) << seconds;
        EXPECT_EQ(rounded, expected) << seconds;
    }
}

TEST(MusicCommands, LengthOutsideSixteenBitsIsAnError) {
    for (double seconds : {32767.5, 40000.0, -32769.0, std::nan(""), HUGE_VAL}) {
        int16_t rounded = 7;
        QString error;
        EXPECT_FALSE(RoundMusicLength(seconds, &rounded, &error)) << seconds;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(rounded, 7) << "left untouched on failure";
    }
}

TEST(MusicCommands, DecisionCopyWholeOrCut) {
    // Reduction off: always a copy, even for music far longer than the video.
    EXPECT_EQ(DecideMusicAction(false, 600, 30), MusicAction::Copy);
    EXPECT_EQ(DecideMusicAction(false, 10, 30), MusicAction::Copy);
    // Reduction on: only music longer than the video is cut.
    EXPECT_EQ(DecideMusicAction(true, 31, 30), MusicAction::Cut);
    EXPECT_EQ(DecideMusicAction(true, 30, 30), MusicAction::Whole);
    EXPECT_EQ(DecideMusicAction(true, 29, 30), MusicAction::Whole);
}
