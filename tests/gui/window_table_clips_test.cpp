// A table of videos made through the window, and video clips among the slides.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>

#include "Controls.h"
#include "ImagesPanel.h"
#include "MediaProbe.h"
#include "MusicChooser.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

using TableAndClips = testsupport::WindowTest;

// "Open Spreadsheet..." with a table as a spreadsheet in a European locale
// saves it; "Make Videos!" makes one video per row, each with its row's name
// and its row's own resolution.
TEST_F(TableAndClips, ASpreadsheetMakesOneVideoPerRow) {
    ASSERT_TRUE(SelectQuickVoice());
    ui->txtArticle[0]->setPlainText("Hi.");
    const QString red = folder + "/red.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(red, 640, 360, Qt::red));
    ui->lstTo->addItem(red);
    ui->cboSeconds->setCurrentText("1");
    ui->cboResolution->setCurrentIndex(4);  // 240p
    const QString table = folder + "/videos.csv";
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBFkeyword;resolution\r\nred roses;\r\nblue sky;360p\r\n");
    file.close();
    SpreadsheetChooser() = [table](QWidget*) { return table; };
    testsupport::Find<QAction>(window.get(), "mnuOpenSpreadsheet")->trigger();
    SpreadsheetChooser() = nullptr;
    ASSERT_TRUE(boxes.empty()) << boxes[0].text.toStdString();

    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(QDir(folder + "/output").entryList({"*.avi"}, QDir::Files, QDir::Name),
              QStringList({"blue sky.avi", "red roses.avi"}));
    const testsupport::MediaInfo roses = testsupport::ProbeMedia(folder + "/output/red roses.avi");
    const testsupport::MediaInfo sky = testsupport::ProbeMedia(folder + "/output/blue sky.avi");
    ASSERT_TRUE(roses.ok && sky.ok) << roses.error.toStdString() << sky.error.toStdString();
    EXPECT_EQ(roses.height, 240);
    EXPECT_EQ(sky.height, 360);
    EXPECT_GE(roses.videoFrames, 25);
    EXPECT_GE(sky.videoFrames, 25);
}

// The clip settings reach the project file; a clip in the slide list shows
// its first frame and its playing time.
TEST_F(TableAndClips, ClipSettingsAreSavedAndAClipShowsAsOne) {
    const QString clip = folder + "/clips/waves.mp4";
    ASSERT_TRUE(QDir().mkpath(folder + "/clips"));
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=s=320x240:r=25:d=2",
                            "-pix_fmt", "yuv420p", clip});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);

    window->ShowPanel(1);
    ASSERT_TRUE(ui->Dir1->setPath(folder + "/clips"));
    ASSERT_EQ(testsupport::Items(ui->lstFrom), QStringList{"waves.mp4"});
    ui->lstFrom->setCurrentRow(0);
    ui->Command3->click();
    auto* panel = window->findChild<ImagesPanel*>("frTab_1");
    ASSERT_TRUE(testsupport::WaitFor([panel] { return !panel->PicturesPending(); }, 30000));
    EXPECT_EQ(ui->lstTo->ShownText(0), "waves.mp4 \u00b7 0:02");
    EXPECT_FALSE(ui->lstTo->item(0)->data(SlideList::kThumbnailRole).value<QPixmap>().isNull());

    window->ShowPanel(2);
    ui->cboClipFill->setCurrentIndex(ui->cboClipFill->findData("loop"));
    ui->cboClipSound->setCurrentIndex(ui->cboClipSound->findData("under"));
    QString error;
    ASSERT_TRUE(window->SaveProject(folder + "/clips.json", &error)) << error.toStdString();
    QFile saved(folder + "/clips.json");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject project = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_EQ(project.value("clipFill").toString(), "loop");
    EXPECT_EQ(project.value("clipSound").toString(), "under");
    EXPECT_TRUE(project.value("slides").toArray().first().toString().endsWith("clips/waves.mp4"));
}

}  // namespace
