// The output folder chosen in the Make Videos panel: kept in the project file,
// honoured by the window and by vidmill-batch; and the question when videos
// of the batch's names are already there (Replace / Skip existing / Cancel).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "MakeVideoPanel.h"
#include "ProjectChooser.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

class OutputFolder : public testsupport::WindowTest {
protected:
    void SmallProject() {
        ASSERT_TRUE(SelectQuickVoice());
        ui->txtArticle[0]->setPlainText("Hi #KEYWORD#.");
        const QString red = folder + "/red.jpg";
        ASSERT_TRUE(testsupport::WriteSolidImage(red, 640, 360, Qt::red));
        ui->lstTo->addItem(red);
        ui->cboSeconds->setCurrentText("1");
        ui->cboResolution->setCurrentIndex(4);
        ui->lstKeywords->addItems({"alpha", "beta"});
    }
    // "Browse..." choosing `chosen`.
    void Browse(const QString& chosen) {
        const OutputChooser previous = SetOutputChooser([&](QWidget*) { return chosen; });
        ui->root->findChild<QPushButton*>("cmdBrowseOutput")->click();
        SetOutputChooser(previous);
    }
    int Count(vm::VideoEvent::Kind kind) const {
        return int(std::count_if(events.begin(), events.end(),
                                 [kind](const vm::VideoEvent& e) { return e.kind == kind; }));
    }
};

TEST_F(OutputFolder, ChosenInTheWindowReachesTheFileTheWindowAndVidmillBatch) {
    ASSERT_NO_FATAL_FAILURE(SmallProject());
    const QString chosen = folder + "/my videos";
    ASSERT_TRUE(QDir().mkpath(chosen));
    Browse(chosen);
    EXPECT_TRUE(ui->lblOutputFolder->text().contains(chosen));

    // Saved beside the project, read back by a fresh window.
    const QString project = folder + "/project/p.json";
    ASSERT_TRUE(QDir().mkpath(folder + "/project"));
    QString error;
    ASSERT_TRUE(window->SaveProject(project, &error)) << error.toStdString();
    QFile file(project);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(file.readAll()).object().value("output").toString(), chosen);
    NewWindow();
    ASSERT_TRUE(window->OpenProject(project, &error)) << error.toStdString();
    EXPECT_TRUE(ui->lblOutputFolder->text().contains(chosen));

    // The window's batch goes there.
    ASSERT_TRUE(SelectQuickVoice());
    ASSERT_TRUE(MakeVideos());
    EXPECT_TRUE(QFileInfo::exists(chosen + "/alpha.avi"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/output/alpha.avi"));

    // vidmill-batch too, written relative to the project; --output goes first.
    QJsonObject json;
    {
        QFile in(project);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        json = QJsonDocument::fromJson(in.readAll()).object();
    }
    json["output"] = "../batch out";
    json["keywords"] = QJsonArray{"gamma"};
    {
        QFile out(project);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(json).toJson());
    }
    for (const QStringList& extra : {QStringList{}, QStringList{"--output", folder + "/given"}}) {
        QProcess batch;
        batch.setProcessChannelMode(QProcess::MergedChannels);
        batch.start(QCoreApplication::applicationDirPath() + "/vidmill-batch",
                    QStringList{"--jobs", "1"} + extra + QStringList{project});
        ASSERT_TRUE(batch.waitForFinished(180000)) << "vidmill-batch did not end in 180 s";
        ASSERT_EQ(batch.exitCode(), 0) << batch.readAll().toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(folder + "/batch out/gamma.avi"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/given/gamma.avi"));
}

TEST_F(OutputFolder, VideosAlreadyThereAskReplaceSkipOrCancel) {
    ASSERT_NO_FATAL_FAILURE(SmallProject());
    ASSERT_TRUE(MakeVideos());
    const QString alpha = folder + "/output/alpha.avi";
    ASSERT_TRUE(QFileInfo::exists(alpha));
    EXPECT_EQ(Count(vm::VideoEvent::Kind::Made), 2);
    for (const MsgBoxCall& box : boxes) EXPECT_NE(box.title, "Videos Already Made");

    // Cancel: nothing starts.
    boxes.clear();
    answer = QMessageBox::Cancel;
    ui->Command1->click();
    EXPECT_FALSE(window->IsRunning());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Videos Already Made");
    EXPECT_TRUE(boxes[0].text.contains("alpha.avi, beta.avi")) << boxes[0].text.toStdString();
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(boxes[0].labels.value(QMessageBox::Yes), "Replace");
    EXPECT_EQ(boxes[0].labels.value(QMessageBox::No), "Skip existing");

    // Skip existing: the unchanged videos stay as they are; a new keyword is made.
    ui->lstKeywords->addItem("gamma");
    events.clear();
    boxes.clear();
    answer = QMessageBox::No;
    const QDateTime before = QFileInfo(alpha).lastModified();
    answer = QMessageBox::No;
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(Count(vm::VideoEvent::Kind::Skipped), 2);
    EXPECT_EQ(Count(vm::VideoEvent::Kind::Made), 1);
    EXPECT_EQ(QFileInfo(alpha).lastModified(), before);
    EXPECT_TRUE(window->LastBatchFailures().isEmpty());
    EXPECT_TRUE(boxes.back().text.contains("2 were already there"))
        << boxes.back().text.toStdString();
    EXPECT_EQ(boxes.back().title, "Videos Made");

    // Replace: all three made again.
    events.clear();
    answer = QMessageBox::Yes;
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(Count(vm::VideoEvent::Kind::Made), 3);
    EXPECT_EQ(Count(vm::VideoEvent::Kind::Skipped), 0);
}

}  // namespace
