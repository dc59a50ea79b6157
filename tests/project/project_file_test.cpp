#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "ProjectFile.h"

using namespace vm;

namespace {

ProjectFile Everything() {
    ProjectFile p;
    p.adCopies = QStringList{"Need #KEYWORD#?\nCall us.", "", "Second \"quoted\" copy", "Ünïcode"};
    p.voice = "gmw/en-US - English (America) (espeak-ng)";
    p.slides = QStringList{"images/a.jpg", "/abs/b.gif"};
    p.secondsPerSlide = 7;
    p.whenNarrationIsLonger = 1;
    p.transitions = false;
    p.randomize = false;
    p.resolution = 4;
    p.compressor = "Microsoft Video-1";
    p.compression = false;
    p.keywords = QStringList{"dentist", "roofer"};
    p.outputName = "batch";
    p.music = true;
    p.musicFile = "music/song.mp3";
    p.musicReduceVolume = true;
    p.format = 1;
    p.mp4Crf = 18;
    p.shape = 1;
    p.fit = 1;
    p.captions = 3;
    p.highlightWords = true;
    p.cover = true;
    p.coverSlide = 2;
    p.titleTemplate = "Best #KEYWORD#";
    p.descriptionTemplate = "Line one\nline two";
    p.motion = true;
    p.motionStrength = 15;
    p.transitionSet = "dissolve";
    p.transitionSeconds = 1.5;
    p.speechRate = 1.25;
    p.evenLoudness = true;
    p.musicDuck = true;
    p.musicDuckDb = 9;
    return p;
}

QString ParseError(const QByteArray& json) {
    ProjectFile p;
    QString error;
    EXPECT_FALSE(ParseProject(json, &p, &error)) << json.constData();
    return error;
}

}  // namespace

TEST(ProjectFile, EverySettingSurvivesAWriteAndARead) {
    const ProjectFile written = Everything();
    const QByteArray json = WriteProject(written);
    ProjectFile read;
    QString error;
    ASSERT_TRUE(ParseProject(json, &read, &error)) << error.toStdString();
    EXPECT_EQ(read.adCopies, written.adCopies);
    EXPECT_EQ(read.voice, written.voice);
    EXPECT_EQ(read.slides, written.slides);
    EXPECT_EQ(read.secondsPerSlide, 7);
    EXPECT_EQ(read.whenNarrationIsLonger, 1);
    EXPECT_EQ(read.transitions, false);
    EXPECT_EQ(read.randomize, false);
    EXPECT_EQ(read.resolution, 4);
    EXPECT_EQ(read.compressor, written.compressor);
    EXPECT_EQ(read.compression, false);
    EXPECT_EQ(read.keywords, written.keywords);
    EXPECT_EQ(read.outputName, "batch");
    EXPECT_EQ(read.music, true);
    EXPECT_EQ(read.musicFile, "music/song.mp3");
    EXPECT_EQ(read.musicReduceVolume, true);
    EXPECT_EQ(read.format, 1);
    EXPECT_EQ(read.mp4Crf, 18);
    EXPECT_EQ(read.shape, 1);
    EXPECT_EQ(read.fit, 1);
    EXPECT_EQ(read.captions, 3);
    EXPECT_EQ(read.highlightWords, true);
    EXPECT_EQ(read.cover, true);
    EXPECT_EQ(read.coverSlide, 2);
    EXPECT_EQ(read.titleTemplate, written.titleTemplate);
    EXPECT_EQ(read.descriptionTemplate, written.descriptionTemplate);
    EXPECT_EQ(read.motionStrength, 15);
    EXPECT_EQ(read.transitionSet, "dissolve");
    EXPECT_EQ(read.transitionSeconds, 1.5);
    EXPECT_EQ(read.speechRate, 1.25);
    EXPECT_EQ(read.musicDuckDb, 9);
    // Stable: writing what was read gives the same bytes.
    EXPECT_EQ(WriteProject(read), json);
}

TEST(ProjectFile, WrittenFileIsReadableWithSortedKeys) {
    const QString text = QString::fromUtf8(WriteProject(Everything()));
    // One field a line, indented, values a person can read.
    EXPECT_TRUE(text.contains("\n    \"resolution\": \"240p\",\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"whenNarrationIsLonger\": \"repeatImages\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"images/a.jpg\"")) << "relative paths are kept as written";
    EXPECT_TRUE(text.endsWith("}\n"));
    const QStringList keys = {"adCopies",        "compression",
                              "compressor",      "keywords",
                              "music",           "outputName",
                              "randomize",       "resolution",
                              "secondsPerSlide", "slides",
                              "transitions",     "version",
                              "voice",           "whenNarrationIsLonger"};
    int last = -1;
    for (const QString& key : keys) {
        const int at = text.indexOf("\n    \"" + key + "\":");
        ASSERT_GT(at, last) << key.toStdString() << " missing or out of order";
        last = at;
    }
}

TEST(ProjectFile, MissingFieldsStayUnset) {
    ProjectFile p;
    QString error;
    ASSERT_TRUE(ParseProject(R"({"keywords": ["a"], "music": {"file": "x.mp3"}})", &p, &error))
        << error.toStdString();
    EXPECT_EQ(p.keywords, QStringList{"a"});
    EXPECT_EQ(p.musicFile, "x.mp3");
    EXPECT_FALSE(p.music.has_value());
    EXPECT_FALSE(p.musicReduceVolume.has_value());
    EXPECT_FALSE(p.adCopies || p.voice || p.slides || p.secondsPerSlide ||
                 p.whenNarrationIsLonger || p.transitions || p.randomize || p.resolution ||
                 p.compressor || p.compression || p.outputName);
    // An empty project is a project.
    ASSERT_TRUE(ParseProject("{}", &p, &error));
    EXPECT_FALSE(p.keywords.has_value());
}

TEST(ProjectFile, BadFilesNameTheFieldAndWhatWasExpected) {
    struct Case {
        const char* json;
        const char* expected;
    };
    const Case cases[] = {
        {"{\"keywords\": [\"a\",]}", "not valid JSON"},
        {"{\n  \"voice\": \"x\"\n  \"slides\": []\n}", "line 3"},
        {"[1, 2]", "one JSON object"},
        {R"({"colour": "red"})", "colour: unknown field"},
        {R"({"music": {"volume": 3}})", "music.volume: unknown field"},
        {R"({"music": true})", "music: expected an object"},
        {R"({"secondsPerSlide": "three"})",
         "secondsPerSlide: expected a whole number from 1 to 32767, got \"three\""},
        {R"({"secondsPerSlide": 2.5})", "secondsPerSlide: expected a whole number"},
        {R"({"secondsPerSlide": 0})", "secondsPerSlide: expected a whole number"},
        {R"({"transitions": "yes"})", "transitions: expected true or false, got \"yes\""},
        {R"({"music": {"enabled": 1}})", "music.enabled: expected true or false, got 1"},
        {R"({"slides": "a.jpg"})", "slides: expected a list of texts, got \"a.jpg\""},
        {R"({"slides": ["a.jpg", 3]})", "slides[1]: expected a text in quotes, got 3"},
        {R"({"keywords": ["a", ""]})", "keywords[1]: expected a text that is not empty"},
        {R"({"resolution": "4k"})", "resolution: expected one of \"1080p\", \"720p\""},
        {R"({"whenNarrationIsLonger": 1})", "whenNarrationIsLonger: expected one of"},
        {R"({"adCopies": ["a", "b", "c", "d", "e"]})", "adCopies: expected at most 4"},
        {R"({"voice": null})", "voice: expected a text in quotes, got null"},
        {R"({"outputName": ""})", "outputName: expected a file name that is not empty"},
        {R"({"version": 2})", "version: expected 1, got 2"},
        {R"({"format": "mov"})", "format: expected one of \"avi\", \"mp4\", got \"mov\""},
        {R"({"mp4Crf": 52})", "mp4Crf: expected a whole number from 0 to 51, got 52"},
        {R"({"shape": "Portrait"})", "shape: expected one of \"landscape\", \"portrait\""},
        {R"({"fit": "stretch"})", "fit: expected one of \"fit\", \"blur\", \"fill\""},
        {R"({"captions": true})", "captions: expected one of \"none\", \"srt\""},
        {R"({"cover": {"slide": 0}})", "cover.slide: expected a whole number from 1"},
        {R"({"cover": {"headline": "x"}})",
         "cover.headline: unknown field (cover knows enabled, slide)"},
        {R"({"titleTemplate": 5})", "titleTemplate: expected a text in quotes, got 5"},
        {R"({"transitionSet": "swirl"})",
         "transitionSet: expected \"ten\", \"all\" or one of fade, "},
        {R"({"transitionSeconds": 3})",
         "transitionSeconds: expected a number from 0.5 to 2, got 3"},
        {R"({"speechRate": 0.5})", "speechRate: expected a number from 0.7 to 1.5, got 0.5"},
        {R"({"motion": {"strength": 50}})",
         "motion.strength: expected a whole number from 1 to 30"},
        {R"({"music": {"duckDb": 0}})", "music.duckDb: expected a number from 1 to 30, got 0"},
    };
    for (const Case& c : cases) {
        const QString error = ParseError(c.json);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.expected)))
            << "for " << c.json << "\n got: " << error.toStdString();
        EXPECT_FALSE(error.contains('\n')) << "one line: " << error.toStdString();
    }
}

TEST(ProjectFile, PathsResolveAgainstTheProjectFolderAndKeepTheirForm) {
    EXPECT_EQ(ResolveProjectPath("images/a.jpg", "/p/proj"), "/p/proj/images/a.jpg");
    EXPECT_EQ(ResolveProjectPath("../shared/a.jpg", "/p/proj"), "/p/shared/a.jpg");
    EXPECT_EQ(ResolveProjectPath("/abs/a.jpg", "/p/proj"), "/abs/a.jpg");
    EXPECT_EQ(ResolveProjectPath("", "/p/proj"), "");

    // Saved into the folder it was read from: exactly as written.
    EXPECT_EQ(StoredProjectPath("/p/proj/images/a.jpg", "./images/a.jpg", "/p/proj", "/p/proj"),
              "./images/a.jpg");
    // Saved elsewhere: still relative, now to the new folder.
    EXPECT_EQ(StoredProjectPath("/p/proj/images/a.jpg", "images/a.jpg", "/p/proj", "/p/other"),
              "../proj/images/a.jpg");
    // Absolute as written, or chosen in the window: stored as it is.
    EXPECT_EQ(StoredProjectPath("/abs/a.jpg", "/abs/a.jpg", "/p/proj", "/p/other"), "/abs/a.jpg");
    EXPECT_EQ(StoredProjectPath("/p/proj/b.jpg", "", "", "/p/proj"), "/p/proj/b.jpg");
}

TEST(ProjectFile, MissingSlidesAndMusicAreNamed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("images");
    for (const QString name : {"images/a.jpg", "song.mp3"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    ProjectFile p;
    p.slides = QStringList{"images/a.jpg", dir.filePath("images/a.jpg")};
    p.music = true;
    p.musicFile = "song.mp3";
    EXPECT_EQ(MissingProjectFile(p, dir.path()), "");

    p.slides->append("images/gone.jpg");
    EXPECT_EQ(MissingProjectFile(p, dir.path()),
              "slides[2]: the image " + dir.filePath("images/gone.jpg") + " does not exist");
    p.slides->removeLast();
    p.slides->append("images");  // a folder is no image
    EXPECT_TRUE(MissingProjectFile(p, dir.path()).startsWith("slides[2]:"));
    p.slides->removeLast();

    p.musicFile = "other.mp3";
    EXPECT_TRUE(MissingProjectFile(p, dir.path()).startsWith("music.file: the music file "));
    // With music off, an absent file does no harm.
    p.music = false;
    EXPECT_EQ(MissingProjectFile(p, dir.path()), "");
}

TEST(ProjectFile, FilesAreWrittenWholeAndReadBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("p.json");
    QString error;
    ASSERT_TRUE(WriteProjectFile(path, Everything(), &error)) << error.toStdString();
    ProjectFile read;
    ASSERT_TRUE(ReadProjectFile(path, &read, &error)) << error.toStdString();
    EXPECT_EQ(read.keywords, Everything().keywords);
    EXPECT_FALSE(ReadProjectFile(dir.filePath("none.json"), &read, &error));
    EXPECT_TRUE(error.startsWith("cannot be read")) << error.toStdString();
    EXPECT_FALSE(WriteProjectFile(dir.filePath("no/such/folder/p.json"), Everything(), &error));
}

TEST(ProjectFile, SecondsPerSlideUpToTheLargestSixteenBitValue) {
    ProjectFile p;
    QString error;
    EXPECT_TRUE(ParseProject(R"({"secondsPerSlide": 32767})", &p, &error)) << error.toStdString();
    EXPECT_EQ(*p.secondsPerSlide, 32767);
    EXPECT_FALSE(ParseProject(R"({"secondsPerSlide": 32768})", &p, &error));
    EXPECT_TRUE(error.startsWith("secondsPerSlide: expected a whole number from 1 to 32767"))
        << error.toStdString();
}
