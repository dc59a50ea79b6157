// The steps of one video with the real speech engines and the real ffmpeg:
// the narration file and the music track, measured.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include "MediaLength.h"
#include "Narration.h"
#include "NarrationText.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "VideoLayout.h"
#include "VideoPipeline.h"
#include "VideoRandom.h"

using namespace vm;

namespace {

double Length(const QString& path) {
    std::string error;
    return MediaLengthSeconds(path.toStdString(), &error);
}

class VideoBuild : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = testsupport::FreshAppFolder(QString("build_") + info->name());
        for (const VoiceToken& token : voice.GetVoices())
            if (token.Engine() == "espeak-ng" && token.Id() == "gmw/en-US") voice.setVoice(token);
        settings.outputFolder = folder + "/output";
        settings.ffmpegPath = "ffmpeg";
    }
    double Speak(const QString& text, const QString& keyword = "dentist") {
        double seconds = 0;
        QString error;
        const QString path = folder + "/output/" + keyword + ".wav";
        EXPECT_TRUE(
            SpeakNarrationFile(voice, NarrationTextFor(text, keyword), path, &seconds, &error))
            << error.toStdString();
        EXPECT_NEAR(Length(path), seconds, 0.01);
        return seconds;
    }

    QString folder;
    SpVoice voice;
    BatchSettings settings;
};

TEST_F(VideoBuild, NarrationFileHoldsThePiecesWithTheirPauses) {
    // The output folder is made on first use; a second narration replaces the file.
    const double first = Speak("Call a #KEYWORD# today.");
    EXPECT_GT(first, 1.0);
    EXPECT_TRUE(QFile::exists(folder + "/output/dentist.wav"));
    EXPECT_NEAR(Speak("Call a #KEYWORD# today."), first, 0.01);

    const double oneLine = Speak("Call a dentist today. We are open on Sunday.");
    const double twoLines = Speak("Call a dentist today.\nWe are open on Sunday.");
    EXPECT_GT(twoLines - oneLine, 0.3) << oneLine << " vs " << twoLines;

    const double hello = Speak("Hello there, my friend.");
    const double both = Speak("Hello there, my friend.[IMAGE]Goodbye for now, my friend.");
    EXPECT_GT(both, hello + 0.8);
    // A tag in another letter case does not cut and is not spoken.
    EXPECT_NEAR(Speak("Hello[image]World"), Speak("HelloWorld"), 0.01);

    // Without a keyword the tag is left out.
    EXPECT_EQ(NarrationTextFor("Call a #KEYWORD# today.", ""), "Call a today.");
}

TEST_F(VideoBuild, EachVideoPicksOneOfTheAdCopiesThatHaveWordsToSpeak) {
    // Spaces, tags and punctuation alone would make a silent video.
    const QStringList copies = {"zero", "   ", "two #KEYWORD#", "[IMAGE] ... [image]!"};
    QSet<int> seen;
    for (int position = 0; position < 60; ++position) {
        VideoRandom random(5, position);
        seen.insert(PickAdCopy(copies, "plumber", random));
    }
    EXPECT_EQ(seen, QSet<int>({0, 2}));
    VideoRandom random(5, 0);
    EXPECT_EQ(PickAdCopy({"", "", "", "only the fourth"}, "", random), 3);
    EXPECT_EQ(PickAdCopy({"#KEYWORD#", "", "", ""}, "!!!", random), -1);
    EXPECT_EQ(PickAdCopy({"#KEYWORD#", "", "", ""}, "", random), -1);  // the tag is left out
    EXPECT_EQ(AdCopyWordsProblem({"  ", "", "[IMAGE]", ""}),
              "No ad copy has words to speak: ad copies 1, 3 hold only spaces, [IMAGE] tags or "
              "punctuation.");
    EXPECT_EQ(AdCopyWordsProblem({"", "", "", ""}),
              "Every ad copy is empty: there is nothing to narrate.");
    EXPECT_TRUE(AdCopyWordsProblem({"", "x", "", ""}).isEmpty());
}

// Over many videos every slide comes first, last and in between about
// equally often (a shuffle that never left one in place would not).
TEST(VideoRandomOrder, EverySlideLandsInEveryPlace) {
    constexpr int kVideos = 4000;
    int seen[4][4] = {};
    for (int position = 0; position < kVideos; ++position) {
        VideoRandom random(17, position);
        QStringList slides{"0", "1", "2", "3"};
        random.Shuffle(slides);
        for (int place = 0; place < 4; ++place) ++seen[slides[place].toInt()][place];
    }
    for (int slide = 0; slide < 4; ++slide)
        for (int place = 0; place < 4; ++place)
            EXPECT_NEAR(seen[slide][place], kVideos / 4, kVideos / 16) << slide << " at " << place;
}

TEST_F(VideoBuild, MusicIsCopiedPassedWholeOrCutAndLowered) {
    const QString mp3 = folder + "/my \"best\"; song.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 12));
    settings.musicFile = mp3;
    const QString temp = folder + "/track.mp3";
    QStringList logged;
    auto log = [&](const QString& command) { logged << command; };
    MusicTrack track;
    QString error;

    // Reduction off: a plain copy, even of music longer than the video.
    settings.Set(vm::setting::musicReduceVolume, false);
    ASSERT_TRUE(PrepareMusic(settings, 5, temp, log, {}, &track, &error)) << error.toStdString();
    QFile a(mp3), b(temp);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    b.close();
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_EQ(track.laid, 12);
    EXPECT_NEAR(track.fileSeconds, 12, 0.1);

    // Reduction on, music exactly as long as the video: the whole file through ffmpeg.
    settings.Set(vm::setting::musicReduceVolume, true);
    ASSERT_TRUE(PrepareMusic(settings, 12, temp, log, {}, &track, &error)) << error.toStdString();
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0], "ffmpeg -i \"" + mp3 + "\"   " + temp);
    EXPECT_NEAR(Length(temp), Length(mp3), 0.1);

    // Longer music: cut to the video plus 3 seconds, laid a second past the video.
    ASSERT_TRUE(PrepareMusic(settings, 7, temp, log, {}, &track, &error)) << error.toStdString();
    EXPECT_EQ(logged[1], "ffmpeg -i \"" + mp3 + "\" -ss 0 -t 10 -filter:a \"volume=0.1\" " + temp);
    EXPECT_NEAR(Length(temp), 10.0, 0.1);
    EXPECT_EQ(track.laid, 8);
}

TEST_F(VideoBuild, MusicThatCannotBePreparedIsReportedAndLeavesNoFile) {
    const QString mp3 = folder + "/music.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 12));
    const QString temp = folder + "/track.mp3";
    MusicTrack track;
    QString error;
    settings.Set(vm::setting::musicReduceVolume, true);

    settings.musicFile = mp3;
    settings.ffmpegPath = folder + "/no-ffmpeg-here";
    EXPECT_FALSE(PrepareMusic(settings, 5, temp, {}, {}, &track, &error));
    EXPECT_TRUE(error.contains(mp3) && error.contains("could not be started"))
        << error.toStdString();
    EXPECT_FALSE(QFile::exists(temp));

    settings.ffmpegPath = "ffmpeg";
    QFile junk(folder + "/junk.mp3");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not audio\n");
    junk.close();
    for (const QString& bad : {junk.fileName(), folder + "/gone.mp3"}) {
        settings.musicFile = bad;
        for (bool reduce : {true, false}) {
            settings.Set(vm::setting::musicReduceVolume, reduce);
            error.clear();
            EXPECT_FALSE(PrepareMusic(settings, 5, temp, {}, {}, &track, &error));
            EXPECT_TRUE(error.contains(bad)) << error.toStdString();
            EXPECT_FALSE(QFile::exists(temp));
        }
    }
}

}  // namespace
