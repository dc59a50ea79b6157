#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "ProjectFile.h"

using namespace vm;

namespace {

// A value of `s` other than its default, within its limits: what a user
// who changed every setting would have.
QVariant Changed(const SettingDef& s) {
    using T = SettingDef::Type;
    switch (s.type) {
        case T::Flag:
            return !s.fallback.toBool();
        case T::Whole:
            return s.fallback.toInt() < s.highest ? s.fallback.toInt() + 1 : s.lowest;
        case T::Number:
            return s.fallback.toDouble() + 0.25 <= s.highest ? s.fallback.toDouble() + 0.25
                                                              : s.lowest;
        case T::Choice:
            return s.choices.last() != s.fallback.toString() ? s.choices.last()
                                                             : s.choices.first();
        case T::Texts:
            return QStringList{"images/a.jpg", "/abs/b \"quoted\" \u00dcn\u00efcode.gif"};
        case T::Text:
            // The texts with a check: a transition's name, a colour.
            if (s.check) return s.check("dissolve").isEmpty() ? "dissolve" : "#1E90FF";
            return "Need #KEYWORD#?\nCall \"us\".";
    }
    return {};
}

Settings EveryoneChanged() {
    Settings p;
    for (const SettingDef* s : AllSettings()) p.SetValue(*s, Changed(*s));
    // A caption style's part that is its style's anyway (upper case in
    // "oneWordAtATime") is one the file leaves out.
    for (const SettingDef* s : AllSettings())
        if (s->derived && p.Value(*s) == p.DefaultValue(*s)) p.Unset(*s);
    return p;
}

QString ParseError(const QByteArray& json) {
    Settings p;
    QString error;
    EXPECT_FALSE(ParseProject(json, &p, &error)) << json.constData();
    return error;
}

}  // namespace

// Walks the table: every setting, changed from its default, survives a write
// and a read, and the bytes are stable.
TEST(ProjectFile, EverySettingSurvivesAWriteAndARead) {
    const Settings written = EveryoneChanged();
    const QByteArray json = WriteProject(written);
    Settings read;
    QString error;
    ASSERT_TRUE(ParseProject(json, &read, &error)) << error.toStdString();
    for (const SettingDef* s : AllSettings()) {
        EXPECT_EQ(read.IsSet(*s), written.IsSet(*s)) << s->key;
        if (!s->derived)
            EXPECT_NE(read.Value(*s), s->fallback) << s->key << " is still its default";
        EXPECT_EQ(read.Value(*s), written.Value(*s)) << s->key;
    }
    EXPECT_EQ(WriteProject(read), json);
}

TEST(ProjectFile, WrittenFileIsReadableWithSortedKeys) {
    Settings p = EveryoneChanged();
    p.Set(setting::resolution, "240p");
    p.Set(setting::whenNarrationIsLonger, "repeatImages");
    const QString text = QString::fromUtf8(WriteProject(p));
    // One field a line, indented, values a person can read.
    EXPECT_TRUE(text.contains("\n    \"resolution\": \"240p\",\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"whenNarrationIsLonger\": \"repeatImages\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"images/a.jpg\"")) << "relative paths are kept as written";
    EXPECT_TRUE(text.contains("\"music\": {\n        \"duck\": true,")) << text.toStdString();
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

TEST(ProjectFile, MissingFieldsStayUnsetAndHaveTheirDefaults) {
    Settings p;
    QString error;
    ASSERT_TRUE(ParseProject(R"({"keywords": ["a"], "music": {"file": "x.mp3"}})", &p, &error))
        << error.toStdString();
    EXPECT_EQ(p.Get(setting::keywords), QStringList{"a"});
    EXPECT_EQ(p.Get(setting::musicFile), "x.mp3");
    int set = 0;
    for (const SettingDef* s : AllSettings()) {
        set += p.IsSet(*s);
        if (!p.IsSet(*s)) EXPECT_EQ(p.Value(*s), s->fallback) << s->key;
    }
    EXPECT_EQ(set, 2);
    // Only what is set is written.
    EXPECT_FALSE(WriteProject(p).contains("reduceVolume"));
    // An empty project is a project.
    ASSERT_TRUE(ParseProject("{}", &p, &error));
    EXPECT_FALSE(p.IsSet(setting::keywords));
}

// Each number's lowest and highest allowed values are read, one step beyond
// either is refused with the range in the message.
TEST(ProjectFile, NumbersAreReadUpToTheirBoundsAndNoFurther) {
    for (const SettingDef* s : AllSettings()) {
        if (s->type != SettingDef::Type::Whole && s->type != SettingDef::Type::Number) continue;
        const double step = s->type == SettingDef::Type::Whole ? 1 : 0.01;
        for (const double value : {s->lowest, s->highest, s->lowest - step, s->highest + step}) {
            QJsonObject root;
            if (s->Group().isEmpty())
                root[s->Key()] = value;
            else
                root[s->Group()] = QJsonObject{{s->Field(), value}};
            const QByteArray json = QJsonDocument(root).toJson();
            Settings p;
            QString error;
            const bool inside = value >= s->lowest && value <= s->highest;
            EXPECT_EQ(ParseProject(json, &p, &error), inside) << s->key << " = " << value;
            if (inside) EXPECT_EQ(p.Value(*s).toDouble(), value) << s->key;
            if (!inside)
                EXPECT_TRUE(error.startsWith(s->Key() + ": expected ")) << error.toStdString();
        }
    }
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
        {R"({"captionStyle": {"preset": "fancy"}})",
         "captionStyle.preset: expected one of \"classic\", \"boldCentre\""},
        {R"({"captionStyle": {"highlight": "gold"}})",
         "captionStyle.highlight: expected a colour written #RRGGBB, got \"gold\""},
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
    Settings p;
    const QStringList slides{"images/a.jpg", dir.filePath("images/a.jpg")};
    p.Set(setting::slides, slides);
    p.Set(setting::music, true);
    p.Set(setting::musicFile, "song.mp3");
    EXPECT_EQ(MissingProjectFile(p, dir.path()), "");

    p.Set(setting::slides, slides + QStringList{"images/gone.jpg"});
    EXPECT_EQ(MissingProjectFile(p, dir.path()),
              "slides[2]: the image " + dir.filePath("images/gone.jpg") + " does not exist");
    p.Set(setting::slides, slides + QStringList{"images"});  // a folder is no image
    EXPECT_TRUE(MissingProjectFile(p, dir.path()).startsWith("slides[2]:"));
    // A clip that cannot play is refused before any video starts.
    QFile clip(dir.filePath("images/clip.mp4"));
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    clip.write("not a video");
    clip.close();
    p.Set(setting::slides, slides + QStringList{"images/clip.mp4"});
    EXPECT_TRUE(MissingProjectFile(p, dir.path())
                    .startsWith("slides[2]: the clip " + dir.filePath("images/clip.mp4") +
                                " cannot be played: "));
    p.Set(setting::slides, slides);

    p.Set(setting::musicFile, "other.mp3");
    EXPECT_TRUE(MissingProjectFile(p, dir.path()).startsWith("music.file: the music file "));
    // With music off, an absent file does no harm.
    p.Set(setting::music, false);
    EXPECT_EQ(MissingProjectFile(p, dir.path()), "");
}

TEST(ProjectFile, FilesAreWrittenWholeAndReadBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("p.json");
    QString error;
    ASSERT_TRUE(WriteProjectFile(path, EveryoneChanged(), &error)) << error.toStdString();
    Settings read;
    ASSERT_TRUE(ReadProjectFile(path, &read, &error)) << error.toStdString();
    EXPECT_EQ(read, EveryoneChanged());
    EXPECT_FALSE(ReadProjectFile(dir.filePath("none.json"), &read, &error));
    EXPECT_TRUE(error.startsWith("cannot be read")) << error.toStdString();
    EXPECT_FALSE(
        WriteProjectFile(dir.filePath("no/such/folder/p.json"), EveryoneChanged(), &error));
}
