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
    window.reset();  // start again so the window sees the demo files from its first moment
    window = std::make_unique<frmVSL>();
    window->cmdCreateDemoProject->click();
    ASSERT_GE(window->lstKeywords->count(), 5);
    // Two of the demo's keywords prove what the seven would, in less time.
    while (window->lstKeywords->count() > 2) delete window->lstKeywords->takeItem(2);
    const int keywords = window->lstKeywords->count();
    ASSERT_GE(window->lstTo->count(), 6);

    // What each video was planned to be, recorded as it finishes.
    QMap<QString, int> planned;
    QObject::connect(window.get(), &frmVSL::videoFinished, [&] {
        const int slides = window->lstTo->count();
        const int seconds = window->cboSeconds->currentText().toInt();
        const int pictures = slides * seconds + window->iLastSlideTime;
        planned[window->lstKeywords->currentItem()->text()] =
            std::max(pictures, window->iAudioLength + 1);
    });
    window->Command1->click();

    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_EQ(window->lblStatus->text(), "Ready.");
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    const QStringList videos = QDir(folder + "/output").entryList({"*.avi"}, QDir::Files);
    EXPECT_EQ(videos.size(), keywords);
    EXPECT_TRUE(
        QDir(folder + "/output").entryList({"*.wav"}, QDir::Files | QDir::Hidden).isEmpty());
    for (int i = 0; i < keywords; ++i) {
        const QString keyword = window->lstKeywords->item(i)->text();
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
