// The project being edited: changes are marked, a refused file changes
// nothing, and paths come back in the form they were written in.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include "ProjectModel.h"
#include "TestSupport.h"

using namespace vm;

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

}  // namespace

TEST(ProjectModel, ChangesAreMarkedOpeningAndSavingClearThem) {
    const QString dir = testsupport::FreshAppFolder("model_changes");
    ProjectModel model;
    Settings defaults;
    defaults.Set(setting::voice, "a voice");
    model.SetDefaults(defaults);
    EXPECT_EQ(model.Get(setting::voice), "a voice");
    EXPECT_FALSE(model.IsModified());

    QSignalSpy changed(&model, &ProjectModel::changed);
    QSignalSpy modified(&model, &ProjectModel::modifiedChanged);
    model.Set(setting::speechRate, 1.0);  // the value it has: no change
    EXPECT_EQ(changed.count(), 0);
    model.Set(setting::speechRate, 1.25);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<const SettingDef*>(), &setting::speechRate);
    EXPECT_TRUE(model.IsModified());
    EXPECT_EQ(modified.count(), 1);

    ASSERT_TRUE(model.Save(dir + "/p.json", nullptr));
    EXPECT_FALSE(model.IsModified());
    EXPECT_EQ(model.Path(), dir + "/p.json");

    // A refused project leaves everything as it was.
    ASSERT_TRUE(Write(dir + "/other.json", R"({"speechRate": 0.8, "shape": "square"})"));
    QString error;
    const auto refuse = [](const Settings&, const QString&) { return QString("no, thanks"); };
    EXPECT_FALSE(model.Open(dir + "/other.json", refuse, &error));
    EXPECT_EQ(error, "no, thanks");
    EXPECT_EQ(model.Get(setting::speechRate), 1.25);
    EXPECT_EQ(model.Path(), dir + "/p.json");

    // Opened: the file's values, the defaults for the rest, nothing to save.
    QSignalSpy reset(&model, &ProjectModel::reset);
    ASSERT_TRUE(model.Open(dir + "/other.json", {}, &error)) << error.toStdString();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.Get(setting::speechRate), 0.8);
    EXPECT_TRUE(model.Values().Is(setting::shape, "square"));
    EXPECT_EQ(model.Get(setting::voice), "a voice");
    EXPECT_FALSE(model.IsModified());
}

TEST(ProjectModel, PathsAreHeldFullAndSavedInTheFormTheyWereWritten) {
    const QString dir = testsupport::FreshAppFolder("model_paths");
    ASSERT_TRUE(QDir().mkpath(dir + "/proj/images"));
    ASSERT_TRUE(QDir().mkpath(dir + "/moved"));
    // One picture twice, written two ways, and an absolute one.
    ASSERT_TRUE(Write(dir + "/proj/p.json",
                      QString(R"({"slides": ["./images/a.jpg", "images/a.jpg", "%1/b.jpg"],
                                  "music": {"file": "song.mp3"}})")
                          .arg(dir)
                          .toUtf8()));
    ProjectModel model;
    QString error;
    ASSERT_TRUE(model.Open(dir + "/proj/p.json", {}, &error)) << error.toStdString();
    EXPECT_EQ(model.Get(setting::slides),
              QStringList({dir + "/proj/images/a.jpg", dir + "/proj/images/a.jpg", dir + "/b.jpg"}));
    EXPECT_EQ(model.Get(setting::musicFile), dir + "/proj/song.mp3");

    ASSERT_TRUE(model.Save(dir + "/proj/same.json", &error));
    Settings same;
    ASSERT_TRUE(ReadProjectFile(dir + "/proj/same.json", &same, &error));
    EXPECT_EQ(same.Get(setting::slides),
              QStringList({"./images/a.jpg", "images/a.jpg", dir + "/b.jpg"}));

    // Saved elsewhere: relative to the new folder; a slide added since is
    // written as the user chose it (full).
    QStringList slides = model.Get(setting::slides);
    slides << dir + "/proj/images/c.jpg";
    model.Set(setting::slides, slides);
    ASSERT_TRUE(model.Save(dir + "/moved/m.json", &error));
    Settings moved;
    ASSERT_TRUE(ReadProjectFile(dir + "/moved/m.json", &moved, &error));
    EXPECT_EQ(moved.Get(setting::slides),
              QStringList({"../proj/images/a.jpg", "../proj/images/a.jpg", dir + "/b.jpg",
                           dir + "/proj/images/c.jpg"}));
    EXPECT_EQ(moved.Get(setting::musicFile), "../proj/song.mp3");
    EXPECT_TRUE(Read(dir + "/moved/m.json").endsWith("}\n"));
}
