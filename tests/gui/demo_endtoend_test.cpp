// The whole program as a new user meets it: "Create Demo Project", then
// "Make Videos!" with every other setting as it starts up.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "Controls.h"
#include "MediaProbe.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

using DemoEndToEnd = testsupport::WindowTest;

TEST_F(DemoEndToEnd, DemoProjectMakesOneNarratedVideoPerKeyword) {
    ASSERT_TRUE(testsupport::CopyDemoData(folder));
    NewWindow();  // so the window sees the demo files from its first moment
    ui->cmdCreateDemoProject->click();
    ASSERT_GE(ui->lstKeywords->count(), 5);
    // Two of the demo's keywords prove what the seven would, in less time.
    while (ui->lstKeywords->count() > 2) delete ui->lstKeywords->takeItem(2);
    const int keywords = ui->lstKeywords->count();
    ASSERT_GE(ui->lstTo->count(), 6);

    ASSERT_TRUE(MakeVideos());
    // What each video was planned to be: its slides as shown, and its plan.
    QMap<QString, int> planned;
    const int seconds = ui->cboSeconds->currentText().toInt();
    QMap<QString, vm::TimingPlan> plans;
    for (const vm::VideoEvent& e : events) {
        if (e.kind == vm::VideoEvent::Kind::Planned) plans[e.keyword] = e.plan;
        if (e.kind != vm::VideoEvent::Kind::Rendering) continue;
        const vm::TimingPlan& plan = plans[e.keyword];
        const int pictures = int(e.slides.size()) * seconds + plan.iLastSlideTime;
        planned[e.keyword] = std::max(pictures, plan.iAudioLength + 1);
    }

    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_EQ(ui->lblStatus->text(), "Ready.");
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    const QStringList videos = QDir(folder + "/output").entryList({"*.avi"}, QDir::Files);
    EXPECT_EQ(videos.size(), keywords);
    EXPECT_TRUE(
        QDir(folder + "/output").entryList({"*.wav"}, QDir::Files | QDir::Hidden).isEmpty());
    for (int i = 0; i < keywords; ++i) {
        const QString keyword = ui->lstKeywords->item(i)->text();
        const auto info = testsupport::ProbeMedia(folder + "/output/" + keyword + ".avi");
        ASSERT_TRUE(info.ok) << keyword.toStdString() << ": " << info.error.toStdString();
        EXPECT_EQ(info.width, 854);
        EXPECT_EQ(info.height, 480);
        EXPECT_EQ(info.videoCodec, "mpeg4");
        EXPECT_EQ(info.videoFrames, planned.value(keyword) * 25) << keyword.toStdString();
        EXPECT_TRUE(info.hasAudio);
        // Narration is there: the first seconds are not silent.
        EXPECT_GT(testsupport::PeakAudioLevel(folder + "/output/" + keyword + ".avi", 0.0, 5.0),
                  0.05);
    }
}

}  // namespace
