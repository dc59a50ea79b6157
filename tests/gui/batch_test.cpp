// "Make Videos!" on the real window: checks, the batch, failures and closing.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

#include "AppFolder.h"
#include "CompressorSettingsDialog.h"
#include "Controls.h"
#include "MediaProbe.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

class Batch : public testsupport::WindowTest {
protected:
    // A small, quick project: 240p, 1 second per slide, two solid slides.
    void SmallProject(const QString& adCopy = "Hi.") {
        ASSERT_TRUE(SelectQuickVoice());
        window->txtArticle[0]->setPlainText(adCopy);
        red = folder + "/red.jpg";
        blue = folder + "/blue.jpg";
        ASSERT_TRUE(testsupport::WriteSolidImage(red, 640, 360, Qt::red));
        ASSERT_TRUE(testsupport::WriteSolidImage(blue, 640, 360, Qt::blue));
        window->lstTo->addItems({red, blue});
        window->cboSeconds->setCurrentText("1");
        window->cboResolution->setCurrentIndex(4);
        window->chkRandomize->setChecked(false);
    }
    QStringList OutputFiles() const {
        return QDir(folder + "/output").entryList(QDir::Files, QDir::Name);
    }
    QString LastBox() const { return boxes.empty() ? QString() : boxes.back().text; }

    QString red, blue;
};

TEST_F(Batch, ChecksRunInOrderAndChangeNothing) {
    for (QTextEdit* page : window->txtArticle) page->clear();
    window->Command1_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please add some content (text) to your video.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);

    window->txtArticle[3]->setPlainText("only the fourth");
    window->chkAddBackgroundMusic->setChecked(true);
    window->Command1_Click();
    EXPECT_EQ(LastBox(), "Please select a background music for your video.");

    window->chkAddBackgroundMusic->setChecked(false);
    window->Command1_Click();
    EXPECT_EQ(LastBox(), "Please add some images to your video.");

    window->lstTo->addItem(folder + "/x.jpg");
    window->cboSeconds->setCurrentText("0.5");
    window->Command1_Click();
    EXPECT_TRUE(LastBox().contains("seconds per slide")) << LastBox().toStdString();

    window->cboSeconds->setCurrentText("3");
    window->cboResolution->setCurrentText("999p");
    window->Command1_Click();
    EXPECT_TRUE(LastBox().contains("resolution")) << LastBox().toStdString();

    window->cboResolution->setCurrentIndex(2);
    window->List1->setCurrentIndex(-1);
    window->Command1_Click();
    EXPECT_EQ(LastBox(), "Please select a voice from the list.");

    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_FALSE(window->IsRunning());
    EXPECT_FALSE(QDir(folder + "/output").exists());
}

TEST_F(Batch, ThreeKeywordsMakeThreeVideosInOrder) {
    SmallProject("Call a #KEYWORD# today.");
    window->lstKeywords->addItems({"dentist", "plumber", "roofer"});
    QStringList order;
    QObject::connect(window.get(), &frmVSL::videoFinished,
                     [&] { order << window->lstKeywords->currentItem()->text(); });
    window->Command1_Click();

    EXPECT_EQ(order, QStringList({"dentist", "plumber", "roofer"}));
    // The finish says what was made and where, and offers to open the folder.
    ASSERT_EQ(boxes.size(), 1u) << LastBox().toStdString();
    EXPECT_EQ(boxes[0].text, "Made 3 of 3 videos in " + folder + "/output.");
    EXPECT_EQ(boxes[0].title, "Videos Made");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Open);
    EXPECT_EQ(window->prgRender->value(), 100);
    EXPECT_EQ(window->prgRender->format(), "Made 3 of 3 videos");
    EXPECT_EQ(OutputFiles(), QStringList({"dentist.avi", "plumber.avi", "roofer.avi"}));
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_EQ(window->lblStatus->text(), "Ready.");
    EXPECT_EQ(window->lstKeywords->currentRow(), 2);

    const auto info = testsupport::ProbeMedia(folder + "/output/plumber.avi");
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.width, 426);
    EXPECT_EQ(info.height, 240);
    EXPECT_TRUE(info.hasAudio);
    // The narration is at least a second; the video covers it.
    EXPECT_GE(info.duration, 2.0);
    EXPECT_GE(info.audioDuration + 0.05, info.duration - 0.05);
}

TEST_F(Batch, AnyAdCopyIsNarratedAndTheSlideListIsLeftAsItWas) {
    SmallProject("");
    window->txtArticle[1]->setPlainText(
        "Only the second page speaks about #KEYWORD# today, and it goes on for a while "
        "so that the two pictures must be shown again.");
    // Shown again and shuffled for the video, never for the user's list.
    window->cboImageAdjust->setCurrentIndex(1);
    window->chkRandomize->setChecked(true);
    window->lstKeywords->addItems({"one", "two"});
    QList<int> shownSlides;
    QObject::connect(window.get(), &frmVSL::videoFinished,
                     [&] { shownSlides << window->lstTo->count(); });
    window->Command1_Click();
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    // While a video was made the list showed its slides, the repeats included.
    ASSERT_EQ(shownSlides.size(), 2);
    EXPECT_GT(shownSlides[0], 2);
    QStringList after;
    for (int i = 0; i < window->lstTo->count(); ++i) after << window->lstTo->item(i)->text();
    EXPECT_EQ(after, QStringList({red, blue}));
    EXPECT_EQ(window->lblImagesCount->text(), "2");
    const QString video = folder + "/output/two.avi";
    const auto info = testsupport::ProbeMedia(video);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_GT(testsupport::PeakAudioLevel(video, 0.0, 2.0), 0.05) << "the narration is heard";
}

TEST_F(Batch, EmptyKeywordListMakesOneVideoNamedAfterTheFilename) {
    SmallProject();
    window->txtFilename->setText("myvideo");
    window->chkTransitions->setChecked(false);
    window->Command1_Click();
    EXPECT_EQ(OutputFiles(), QStringList({"myvideo.avi"}));
    EXPECT_TRUE(window->Command1->isEnabled());
    const auto info = testsupport::ProbeMedia(folder + "/output/myvideo.avi");
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    // Two slides of 1 s; the narration "Hi." is shorter, so the last slide
    // shows again for a second: 3 s.
    EXPECT_EQ(info.videoFrames, 75);
    const QString video = folder + "/output/myvideo.avi";
    for (int frame : {12, 37, 62}) {
        const QColor seen = testsupport::AverageColor(video, frame);
        const QColor want = frame < 25 ? QColor(Qt::red) : QColor(Qt::blue);
        EXPECT_LT(testsupport::ColorDistance(seen, want), 40)
            << "frame " << frame << ": " << seen.name().toStdString();
    }
}

TEST_F(Batch, UncheckingCompressionMakesTheNextVideoUncompressed) {
    SmallProject();
    window->chkTransitions->setChecked(false);
    window->txtFilename->setText("packed");
    window->Command1_Click();
    window->chkEnableVideoCompressor->setChecked(false);
    window->txtFilename->setText("raw");
    window->Command1_Click();
    EXPECT_EQ(testsupport::ProbeMedia(folder + "/output/packed.avi").videoCodec, "mpeg4");
    EXPECT_EQ(testsupport::ProbeMedia(folder + "/output/raw.avi").videoCodec, "rawvideo");
}

TEST_F(Batch, MusicRunsUnderTheNarrationForTheWholeVideo) {
    SmallProject("Hello there, this is our new shop in town.");
    window->chkTransitions->setChecked(false);
    const QString music = folder + "/my music 'best'.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(music, 60));
    window->lblSelectedMP3->setText(music);
    window->chkAddBackgroundMusic->setChecked(true);
    window->chkNoCut->setChecked(true);
    window->txtFilename->setText("music");
    window->Command1_Click();
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();

    const QString video = folder + "/output/music.avi";
    const auto info = testsupport::ProbeMedia(video);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    // Narration of about 2.5 s plus 5 s for the music: the music, cut to the
    // video plus 3 s, is laid for one second more than the video's plan.
    EXPECT_EQ(info.videoFrames, (window->iMusicCutLength) * 25);
    EXPECT_NEAR(info.audioDuration, info.duration, 0.1);
    const double speech = testsupport::PeakAudioLevel(video, 0.2, 1.5);
    const double end = info.duration - 1.5;
    const double musicOnly = testsupport::PeakAudioLevel(video, end, info.duration - 0.1);
    EXPECT_GT(musicOnly, 0.003) << "music is heard to the end";
    EXPECT_GT(speech, 3 * musicOnly) << speech << " vs " << musicOnly;
}

TEST_F(Batch, AnImageThatVanishedIsReportedForEveryVideoAndTheWindowGoesIdle) {
    // (Which videos of a batch an image that vanishes midway takes with it is
    // the engine's to show; here the report reaches the user.)
    SmallProject();
    window->lstKeywords->addItems({"first", "second"});
    ASSERT_TRUE(QFile::rename(blue, blue + ".away"));
    window->Command1_Click();
    EXPECT_TRUE(OutputFiles().filter(".avi").isEmpty());
    ASSERT_EQ(window->LastBatchFailures().size(), 2);
    EXPECT_TRUE(window->LastBatchFailures()[0].startsWith("first: "));
    EXPECT_TRUE(window->LastBatchFailures()[1].contains("blue.jpg"));
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(LastBox().contains("second: ")) << LastBox().toStdString();
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_EQ(window->lblStatus->text(), "Ready.");
    // The slide list is the user's again.
    EXPECT_EQ(window->lstTo->count(), 2);
    EXPECT_TRUE(window->Command4->isEnabled());
}

TEST_F(Batch, KeywordsThatCannotBeFileNamesAreNamedBeforeTheStart) {
    SmallProject("Call a #KEYWORD# today.");
    window->lstKeywords->addItems({"good", "../bad", "fine", ".."});
    answer = QMessageBox::No;
    window->Command1_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "These keywords cannot be file names and will be skipped:\n\n../bad\n..\n\nGo on?");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_FALSE(QDir(folder + "/output").exists());

    answer = QMessageBox::Yes;
    window->Command1_Click();
    EXPECT_EQ(OutputFiles(), QStringList({"fine.avi", "good.avi"}));
    EXPECT_TRUE(window->LastBatchFailures().isEmpty());
    EXPECT_EQ(LastBox(), "Made 2 of 2 videos in " + folder + "/output.");
    EXPECT_FALSE(QFile::exists(folder + "/bad.avi"));
}

TEST_F(Batch, ARenderThatGoesQuietIsAbandonedAndTheNextBatchIsUnharmed) {
    SmallProject();
    window->cboResolution->setCurrentIndex(0);
    window->cboSeconds->setCurrentText("5");
    window->chkEnableVideoCompressor->setChecked(false);  // raw 1080p frames: a slow render
    window->lstKeywords->addItems({"one", "two"});
    window->SetRenderSilenceBound(1);
    window->Command1_Click();
    ASSERT_EQ(window->LastBatchFailures().size(), 2)
        << window->LastBatchFailures().join("\n").toStdString();
    EXPECT_TRUE(window->LastBatchFailures()[0].contains("reported nothing"));
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_TRUE(OutputFiles().filter(".avi").isEmpty()) << OutputFiles().join(",").toStdString();

    // The abandoned renders' late completions do not end the next waits early.
    window->SetRenderSilenceBound(120000);
    window->cboResolution->setCurrentIndex(4);
    window->cboSeconds->setCurrentText("1");
    QStringList finishedWith;
    QObject::connect(window.get(), &frmVSL::videoFinished, [&] {
        finishedWith << window->lstKeywords->currentItem()->text();
        EXPECT_TRUE(QFile::exists(folder + "/output/" + window->lstKeywords->currentItem()->text() +
                                  ".avi"));
    });
    window->Command1_Click();
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    EXPECT_EQ(finishedWith, QStringList({"one", "two"}));
}

TEST_F(Batch, ClosingTheWindowDuringARenderLeavesNoVideo) {
    SmallProject("Hello there.");
    window->cboResolution->setCurrentIndex(0);
    window->cboSeconds->setCurrentText("5");
    window->chkEnableVideoCompressor->setChecked(false);  // raw 1080p frames: a slow render
    window->lstKeywords->addItems({"one", "two"});
    window->show();
    bool closed = false;
    QObject::connect(window.get(), &frmVSL::batchProgress, [&](int, int, int percent) {
        if (percent > 0 && !closed) {
            closed = true;
            window->close();
        }
    });
    window->Command1_Click();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(window->IsClosing());
    const QStringList left = OutputFiles();
    for (const QString& name : left) {
        EXPECT_FALSE(name.endsWith(".avi")) << name.toStdString();
        EXPECT_FALSE(name.contains(".part")) << name.toStdString();
        EXPECT_FALSE(name.endsWith(".wav")) << name.toStdString();
    }
}

// What the user may still do while a batch waits: the run keeps its running
// state until its last video and makes exactly the videos still listed.
class BatchMeddling : public Batch {
protected:
    // Records whether the window ever looked idle while a video was being
    // made, and renders nothing larger than needed.
    void WatchRunningState() {
        QObject::connect(window.get(), &frmVSL::batchProgress, [this](int, int, int) {
            if (window->Command1->isEnabled() || window->Command5->isEnabled())
                idleWhileRunning = true;
        });
    }
    // Runs `action` once, on the first progress report of a render.
    void OnFirstRenderProgress(std::function<void()> action) {
        QObject::connect(window.get(), &frmVSL::batchProgress,
                         [this, action](int, int, int percent) {
                             if (acted || percent == 0) return;
                             acted = true;
                             action();
                         });
    }
    bool idleWhileRunning = false;
    bool acted = false;
};

TEST_F(BatchMeddling, DeletingAllKeywordsMidRunChangesOnlyTheNextBatch) {
    SmallProject("Call a #KEYWORD# today.");
    window->lstKeywords->addItems({"one", "two", "three"});
    WatchRunningState();
    OnFirstRenderProgress([this] { window->mnuDeleteAllKeywords->trigger(); });
    window->Command1_Click();
    ASSERT_TRUE(acted);
    EXPECT_EQ(window->lstKeywords->count(), 0);
    // The batch makes the keywords it started with, and no "myfile.avi".
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi", "three.avi", "two.avi"}));
    EXPECT_FALSE(idleWhileRunning);
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_EQ(window->lblStatus->text(), "Ready.");
}

TEST_F(BatchMeddling, ClickingTheLastKeywordMidRunKeepsTheRunGoing) {
    SmallProject("Call a #KEYWORD# today.");
    window->lstKeywords->addItems({"one", "two", "three"});
    WatchRunningState();
    OnFirstRenderProgress([this] { window->lstKeywords->setCurrentRow(2); });
    window->Command1_Click();
    ASSERT_TRUE(acted);
    EXPECT_FALSE(idleWhileRunning) << "the first video's end looked like the batch's end";
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi", "three.avi", "two.avi"}));
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_FALSE(window->tmrShRunning->isActive());
}

TEST_F(BatchMeddling, TheVoiceTestMidRunLeavesMakeVideosDisabled) {
    SpVoice::SetSoundOutputMissingForTesting(true);
    SmallProject();
    window->lstKeywords->addItems({"one", "two"});
    WatchRunningState();
    bool enabledAfterTest = true;
    OnFirstRenderProgress([&] {
        window->Command2_Click();
        enabledAfterTest = window->Command1->isEnabled();
    });
    window->Command1_Click();
    SpVoice::SetSoundOutputMissingForTesting(false);
    ASSERT_TRUE(acted);
    EXPECT_FALSE(enabledAfterTest);
    EXPECT_FALSE(idleWhileRunning);
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi", "two.avi"}));
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_FALSE(window->shRunning->isVisible());
}

TEST_F(BatchMeddling, AResolutionPickedMidRunWaitsForTheNextBatch) {
    SmallProject();
    window->cboResolution->setCurrentIndex(0);
    window->lstKeywords->addItems({"one", "two", "three"});
    OnFirstRenderProgress([this] { window->cboResolution->setCurrentIndex(4); });
    window->Command1_Click();
    ASSERT_TRUE(acted);
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    // The whole batch keeps the size it started with; the next one takes 240p.
    for (const char* name : {"one.avi", "two.avi", "three.avi"}) {
        const auto info = testsupport::ProbeMedia(folder + "/output/" + name);
        EXPECT_EQ(QSize(info.width, info.height), QSize(1920, 1080)) << name;
    }
    window->lstKeywords->clear();
    window->txtFilename->setText("next");
    window->Command1_Click();
    const auto info = testsupport::ProbeMedia(folder + "/output/next.avi");
    EXPECT_EQ(QSize(info.width, info.height), QSize(426, 240));
}

}  // namespace

// The "For Upload" group: what it greys out, how MP4 quality is set, what a
// project keeps of it, and the files a batch makes with it.
TEST_F(Batch, UploadChoicesMakePortraitMp4WithCaptionsCoverAndText) {
    SmallProject("Call a #KEYWORD# today.");
    frmVSL& w = *window;
    EXPECT_TRUE(w.cboVideoCompressor->isEnabled());
    EXPECT_FALSE(w.chkHighlightWords->isEnabled());
    EXPECT_FALSE(w.spnCoverSlide->isEnabled());
    w.cboFormat->setCurrentIndex(1);
    EXPECT_FALSE(w.cboVideoCompressor->isEnabled());
    EXPECT_FALSE(w.chkEnableVideoCompressor->isEnabled());
    // With MP4 the compressor settings are the H.264 quality.
    CompressorSettingsDialog::ShownHook() = [](CompressorSettingsDialog* dialog) {
        EXPECT_EQ(dialog->spnValue->value(), 23);
        EXPECT_EQ(dialog->spnValue->maximum(), 51);
        dialog->spnValue->setValue(30);
        dialog->cmdOK->click();
    };
    w.Command5_Click();
    CompressorSettingsDialog::ShownHook() = nullptr;
    EXPECT_EQ(w.mp4Crf, 30);
    w.cboShape->setCurrentIndex(1);
    w.cboFit->setCurrentIndex(2);
    w.cboCaptions->setCurrentIndex(3);
    EXPECT_TRUE(w.chkHighlightWords->isEnabled());
    w.chkCover->setChecked(true);
    w.spnCoverSlide->setValue(2);
    w.txtTitleTemplate->setText("#KEYWORD# now");
    w.txtDescriptionTemplate->setPlainText("About #KEYWORD#.\nSecond line.");

    // Saved and opened again into a fresh window: the same choices.
    const QString project = folder + "/upload.json";
    QString error;
    ASSERT_TRUE(w.SaveProject(project, &error)) << error.toStdString();
    frmVSL other;
    ASSERT_TRUE(other.LoadProject(project, &error)) << error.toStdString();
    EXPECT_EQ(other.cboFormat->currentIndex(), 1);
    EXPECT_EQ(other.mp4Crf, 30);
    EXPECT_EQ(other.cboShape->currentIndex(), 1);
    EXPECT_EQ(other.cboFit->currentIndex(), 2);
    EXPECT_EQ(other.cboCaptions->currentIndex(), 3);
    EXPECT_EQ(other.spnCoverSlide->value(), 2);
    EXPECT_EQ(other.txtDescriptionTemplate->toPlainText(), "About #KEYWORD#.\nSecond line.");
    EXPECT_FALSE(other.cboVideoCompressor->isEnabled());

    // A cover slide past the list is refused before anything is made.
    w.spnCoverSlide->setValue(3);
    w.Command1_Click();
    EXPECT_EQ(LastBox(),
              "The videos cannot be made: cover.slide: expected a slide number from 1 to 2, got 3");
    EXPECT_FALSE(QDir(folder + "/output").exists());

    w.spnCoverSlide->setValue(2);
    w.lstKeywords->addItem("dentist");
    w.Command1_Click();
    EXPECT_EQ(LastBox(), "Made 1 of 1 video in " + folder + "/output.");
    EXPECT_EQ(OutputFiles(),
              QStringList({"dentist.jpg", "dentist.mp4", "dentist.srt", "dentist.txt"}));
    const auto info = testsupport::ProbeMedia(folder + "/output/dentist.mp4");
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(QSize(info.width, info.height), QSize(240, 426));
    EXPECT_EQ(info.videoCodec, "h264");
    // Fill: the red slide covers the whole portrait frame.
    const QColor shown = testsupport::AverageColor(folder + "/output/dentist.mp4", 26);
    EXPECT_LT(testsupport::ColorDistance(shown, Qt::red), 40) << shown.name().toStdString();
    QFile text(folder + "/output/dentist.txt");
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(text.readAll()), "dentist now\n\nAbout dentist.\nSecond line.\n");
}
