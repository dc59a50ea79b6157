// Project files in the window: saving every setting, opening it into a fresh
// window, what a refused project leaves behind, and the two buttons.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>

#include "Controls.h"
#include "ProjectChooser.h"
#include "TestSupport.h"
#include "WindowUi.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

// Every setting a project holds, as the controls show it.
QStringList Controls(const frmVSL& window) {
    const testsupport::Ui w(&window);
    QStringList c;
    for (const QTextEdit* page : w.txtArticle) c << "page=" + page->toPlainText();
    c << "voice=" + w.List1->currentText() << QString("voiceIndex=%1").arg(w.List1->currentIndex());
    for (int i = 0; i < w.lstTo->count(); ++i) c << "slide=" + w.lstTo->item(i)->text();
    c << "images=" + w.lblImagesCount->text();
    c << "seconds=" + w.cboSeconds->currentText();
    c << QString("adjust=%1").arg(w.cboImageAdjust->currentIndex());
    c << QString("transitions=%1").arg(w.chkTransitions->isChecked());
    c << QString("randomize=%1").arg(w.chkRandomize->isChecked());
    c << "resolution=" + w.cboResolution->currentText();
    c << "compressor=" + w.cboVideoCompressor->currentText();
    c << QString("compression=%1").arg(w.chkEnableVideoCompressor->isChecked());
    for (int i = 0; i < w.lstKeywords->count(); ++i)
        c << "keyword=" + w.lstKeywords->item(i)->text();
    c << "name=" + w.txtFilename->text();
    c << QString("music=%1").arg(w.chkAddBackgroundMusic->isChecked());
    c << "mp3=" + w.lblSelectedMP3->text();
    c << QString("reduce=%1").arg(w.chkNoCut->isChecked());
    return c;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

class ProjectWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        app = testsupport::FreshAppFolder(QString("project-%1").arg(info->name()));
        dir = app + "/proj";
        ASSERT_TRUE(QDir().mkpath(dir + "/images"));
        ASSERT_TRUE(QDir().mkpath(app + "/elsewhere"));
        for (const QString name : {"images/a.jpg", "images/b.gif", "../elsewhere/c.jpg"})
            ASSERT_TRUE(testsupport::WriteSolidImage(dir + "/" + name, 32, 24, Qt::blue));
        Write(dir + "/song.mp3", "not really music, only its path matters here");
    }
    void TearDown() override { SetProjectChooser(previousChooser); }

    // A window whose every setting differs from the start-up state.
    void ChangeEverything(frmVSL& window) {
        const testsupport::Ui w(&window);
        for (int i = 0; i < 4; ++i)
            w.txtArticle[i]->setPlainText(QString("Copy %1 about #KEYWORD#.\nSecond line.").arg(i));
        ASSERT_GE(w.List1->count(), 2) << "needs two voices";
        w.List1->setCurrentIndex(w.List1->currentIndex() == 0 ? 1 : 0);
        w.lstTo->clear();
        w.lstTo->addItems({dir + "/images/b.gif", dir + "/images/a.jpg",
                           QDir::cleanPath(dir + "/../elsewhere/c.jpg")});
        w.lblImagesCount->setText("3");
        w.cboSeconds->setEditText("7");
        w.cboImageAdjust->setCurrentIndex(1);
        w.chkTransitions->setChecked(false);
        w.chkRandomize->setChecked(false);
        w.cboResolution->setCurrentIndex(4);
        ASSERT_GE(w.cboVideoCompressor->count(), 2) << "needs two compressors";
        w.cboVideoCompressor->setCurrentIndex(w.cboVideoCompressor->currentIndex() == 0 ? 1 : 0);
        w.chkEnableVideoCompressor->setChecked(false);
        w.lstKeywords->clear();
        w.lstKeywords->addItems({"dentist", "plumber near me", "roofer"});
        w.txtFilename->setText("campaign");
        w.chkAddBackgroundMusic->setChecked(true);
        w.lblSelectedMP3->SetPath(dir + "/song.mp3");
        w.chkNoCut->setChecked(true);
    }

    uitest::MsgBoxRecorder boxes;
    ProjectChooser previousChooser = SetProjectChooser({});
    QString app;
    QString dir;
};

}  // namespace

TEST_F(ProjectWindow, EverySettingOpensUnchangedInAFreshWindow) {
    QStringList changed;
    {
        frmVSL first;
        const QStringList startup = Controls(first);
        ChangeEverything(first);
        changed = Controls(first);
        // Every setting really differs from start-up (pages, voice, ...).
        for (const QString& entry : startup) {
            if (entry.startsWith("page=") || entry.startsWith("keyword=")) continue;
            EXPECT_FALSE(changed.contains(entry)) << entry.toStdString() << " was not changed";
        }
        QString error;
        ASSERT_TRUE(first.SaveProject(dir + "/p.json", &error)) << error.toStdString();
    }
    frmVSL second;
    QString error;
    ASSERT_TRUE(second.OpenProject(dir + "/p.json", &error)) << error.toStdString();
    EXPECT_EQ(Controls(second), changed);
    EXPECT_TRUE(boxes.calls.empty() || boxes.calls.front().text == "Voice Not Supported.");

    // Saved again, the file is the same bytes.
    ASSERT_TRUE(second.SaveProject(dir + "/again.json", &error)) << error.toStdString();
    EXPECT_EQ(Read(dir + "/again.json"), Read(dir + "/p.json"));
    EXPECT_TRUE(Read(dir + "/p.json").contains("\"secondsPerSlide\": 7"));
}

TEST_F(ProjectWindow, RelativePathsStayRelativeAndResolveAgainstTheProjectFolder) {
    Write(dir + "/rel.json", R"({
        "slides": ["images/a.jpg", "./images/b.gif", "../elsewhere/c.jpg", "%ABS%"],
        "music": {"enabled": true, "file": "song.mp3", "reduceVolume": false}
    })" + QByteArray());
    QByteArray text = Read(dir + "/rel.json");
    const QString absolute = QDir::cleanPath(app + "/elsewhere/c.jpg");
    text.replace("%ABS%", absolute.toUtf8());
    Write(dir + "/rel.json", text);

    frmVSL w;
    QString error;
    ASSERT_TRUE(w.OpenProject(dir + "/rel.json", &error)) << error.toStdString();
    const testsupport::Ui u(&w);
    ASSERT_EQ(u.lstTo->count(), 4);
    EXPECT_EQ(u.lstTo->item(0)->text(), dir + "/images/a.jpg");
    EXPECT_EQ(u.lstTo->item(1)->text(), dir + "/images/b.gif");
    EXPECT_EQ(u.lstTo->item(2)->text(), absolute);
    EXPECT_EQ(u.lblImagesCount->text(), "4");
    EXPECT_EQ(u.lblSelectedMP3->text(), dir + "/song.mp3");

    // Into the same folder: exactly as written.
    ASSERT_TRUE(w.SaveProject(dir + "/same.json", &error));
    const QString same = QString::fromUtf8(Read(dir + "/same.json"));
    for (const QString form :
         {"\"images/a.jpg\"", "\"./images/b.gif\"", "\"../elsewhere/c.jpg\"", "\"song.mp3\""})
        EXPECT_TRUE(same.contains(form)) << form.toStdString() << " in\n" << same.toStdString();
    EXPECT_TRUE(same.contains("\"" + absolute + "\""));

    // Into another folder: still relative, now from there, and it opens to
    // the same images.
    ASSERT_TRUE(w.SaveProject(app + "/elsewhere/moved.json", &error));
    const QString moved = QString::fromUtf8(Read(app + "/elsewhere/moved.json"));
    EXPECT_TRUE(moved.contains("\"../proj/images/a.jpg\"")) << moved.toStdString();
    EXPECT_TRUE(moved.contains("\"c.jpg\"")) << moved.toStdString();
    frmVSL other;
    ASSERT_TRUE(other.OpenProject(app + "/elsewhere/moved.json", &error)) << error.toStdString();
    EXPECT_EQ(Controls(other), Controls(w));
}

TEST_F(ProjectWindow, MissingFieldsTakeTheStartupValues) {
    frmVSL fresh;
    const QStringList startup = Controls(fresh);
    frmVSL w;
    ChangeEverything(w);
    Write(dir + "/few.json", R"({"keywords": ["one", "two"], "resolution": "720p"})");
    QString error;
    ASSERT_TRUE(w.OpenProject(dir + "/few.json", &error)) << error.toStdString();
    QStringList expected = startup;
    expected.replace(expected.indexOf("resolution=480p"), "resolution=720p");
    expected.insert(expected.indexOf("name=myfile"), "keyword=two");
    expected.insert(expected.indexOf("keyword=two"), "keyword=one");
    EXPECT_EQ(Controls(w), expected);
}

TEST_F(ProjectWindow, ARefusedProjectNamesTheProblemAndChangesNothing) {
    frmVSL w;
    ChangeEverything(w);
    const QStringList before = Controls(w);
    struct Case {
        QByteArray json;
        QString expected;
    };
    const Case cases[] = {
        {"{\"voice\": \"Klingon (nowhere)\"}",
         "voice: \"Klingon (nowhere)\" is not installed on this machine"},
        {"{\"compressor\": \"No Such Codec\"}",
         "compressor: \"No Such Codec\" is not available on this machine"},
        // A missing picture opens (marked); a folder in its place does not.
        {"{\"slides\": [\"images/a.jpg\", \"images\"]}",
         "slides[1]: the image " + dir + "/images is a folder, not a picture"},
        {"{\"keywords\": [\"fine\", \"a/b\"]}", "keywords[1]: "},
        {"{\"outputName\": \"..\"}", "outputName: "},
        {"{\"music\": {\"enabled\": true, \"file\": \"gone.mp3\"}}", "music.file: the music file "},
        {"{\"keywords\": [\"fine\"], \"speed\": 2}", "speed: unknown field"},
        {"{\"randomize\": \"no\"}", "randomize: expected true or false, got \"no\""},
        {"{\"transitionSet\": \"swirl\"}", "transitionSet: expected \"ten\", \"all\" or one of"},
        {"not json at all", "not valid JSON"},
    };
    for (const Case& c : cases) {
        Write(dir + "/bad.json", c.json);
        QString error;
        EXPECT_FALSE(w.OpenProject(dir + "/bad.json", &error)) << c.json.constData();
        EXPECT_TRUE(error.startsWith(c.expected))
            << c.json.constData() << "\n got: " << error.toStdString();
        EXPECT_EQ(Controls(w), before) << c.json.constData();
    }
    QString error;
    EXPECT_FALSE(w.OpenProject(dir + "/none.json", &error));
    EXPECT_TRUE(error.startsWith("cannot be read")) << error.toStdString();
}

TEST_F(ProjectWindow, ButtonsSitBesideTheDemoButtonAndUseTheChooser) {
    frmVSL w;
    w.show();
    const testsupport::Ui u(&w);
    ASSERT_NE(u.cmdSaveProject, nullptr);
    ASSERT_NE(u.cmdOpenProject, nullptr);
    EXPECT_EQ(u.cmdSaveProject->text(), "Save Project...");
    EXPECT_EQ(u.cmdOpenProject->text(), "Open Project...");
    // In the panel strip with the demo button, overlapping nothing, text whole.
    QWidget* client = w.findChild<QWidget*>("client");
    for (QPushButton* b : {u.cmdSaveProject, u.cmdOpenProject}) {
        ASSERT_EQ(b->parentWidget(), client);
        EXPECT_TRUE(b->isVisible());
        EXPECT_EQ(b->geometry().top(), u.cmdCreateDemoProject->geometry().top());
        EXPECT_TRUE(client->rect().contains(b->geometry()));
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text()) + 8);
        for (QWidget* other : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other == b || !other->isVisible()) continue;
            EXPECT_FALSE(b->geometry().intersects(other->geometry()))
                << b->objectName().toStdString() << " overlaps "
                << other->objectName().toStdString();
        }
    }

    ChangeEverything(w);
    const QStringList changed = Controls(w);
    QString offered;
    SetProjectChooser(
        [&](QWidget*, bool forSaving) { return forSaving ? offered : dir + "/clicked.json"; });
    // Cancelling writes nothing and says nothing.
    offered.clear();
    uitest::Click(u.cmdSaveProject);
    EXPECT_FALSE(QFile::exists(dir + "/clicked.json"));
    offered = dir + "/clicked";  // the extension is added
    uitest::Click(u.cmdSaveProject);
    ASSERT_TRUE(QFile::exists(dir + "/clicked.json"));
    EXPECT_TRUE(boxes.calls.empty());

    frmVSL fresh;
    fresh.show();
    boxes.calls.clear();
    uitest::Click(testsupport::Find<QPushButton>(&fresh, "cmdOpenProject"));
    EXPECT_EQ(Controls(fresh), changed);
    EXPECT_TRUE(boxes.calls.empty());

    // A bad file: one box that names the file and the problem.
    Write(dir + "/clicked.json", "{\"colour\": 1}");
    uitest::Click(testsupport::Find<QPushButton>(&fresh, "cmdOpenProject"));
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_TRUE(boxes.calls[0].text.contains("clicked.json"));
    EXPECT_TRUE(boxes.calls[0].text.contains("colour: unknown field"));
    EXPECT_EQ(Controls(fresh), changed);
}
