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
#include "MusicChooser.h"
#include "SettingsTable.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

class Batch : public testsupport::WindowTest {
protected:
    // A small, quick project: 240p, 1 second per slide, two solid slides.
    void SmallProject(const QString& adCopy = "Hi.") {
        ASSERT_TRUE(SelectQuickVoice());
        ui->txtArticle[0]->setPlainText(adCopy);
        red = folder + "/red.jpg";
        blue = folder + "/blue.jpg";
        ASSERT_TRUE(testsupport::WriteSolidImage(red, 640, 360, Qt::red));
        ASSERT_TRUE(testsupport::WriteSolidImage(blue, 640, 360, Qt::blue));
        ui->lstTo->addItems({red, blue});
        ui->cboSeconds->setCurrentText("1");
        ui->cboResolution->setCurrentIndex(4);
        ui->chkRandomize->setChecked(false);
    }
    QStringList OutputFiles() const {
        return QDir(folder + "/output").entryList(QDir::Files, QDir::Name);
    }
    QString LastBox() const { return boxes.empty() ? QString() : boxes.back().text; }

    QString red, blue;
};

TEST_F(Batch, ChecksRunInOrderAndChangeNothing) {
    for (QTextEdit* page : ui->txtArticle) page->clear();
    ui->Command1->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please add some content (text) to your video.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);

    ui->txtArticle[3]->setPlainText("only the fourth");
    ui->chkAddBackgroundMusic->setChecked(true);
    ui->Command1->click();
    EXPECT_EQ(LastBox(), "Please select a background music for your video.");

    ui->chkAddBackgroundMusic->setChecked(false);
    ui->Command1->click();
    EXPECT_EQ(LastBox(), "Please add some images to your video.");

    ASSERT_TRUE(testsupport::WriteSolidImage(folder + "/x.jpg", 64, 36, Qt::red));
    ui->lstTo->addItem(folder + "/x.jpg");
    ui->cboSeconds->setCurrentText("0.5");
    ui->Command1->click();
    EXPECT_TRUE(LastBox().contains("seconds per slide")) << LastBox().toStdString();

    ui->cboSeconds->setCurrentText("3");
    ui->cboResolution->setCurrentText("999p");
    ui->Command1->click();
    EXPECT_TRUE(LastBox().contains("resolution")) << LastBox().toStdString();

    ui->cboResolution->setCurrentIndex(2);
    ui->List1->setCurrentIndex(-1);
    ui->Command1->click();
    EXPECT_EQ(LastBox(), "Please select a voice from the list.");

    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_FALSE(window->IsRunning());
    EXPECT_FALSE(QDir(folder + "/output").exists());
}

TEST_F(Batch, ThreeKeywordsMakeThreeVideosInOrder) {
    SmallProject("Call a #KEYWORD# today.");
    ui->lstKeywords->addItems({"dentist", "plumber", "roofer"});
    QStringList order;
    QObject::connect(window.get(), &frmVSL::videoFinished,
                     [&] { order << ui->lstKeywords->currentItem()->text(); });
    ASSERT_TRUE(MakeVideos());

    EXPECT_EQ(order, QStringList({"dentist", "plumber", "roofer"}));
    // The finish says what was made and where, and offers to open the folder.
    ASSERT_EQ(boxes.size(), 1u) << LastBox().toStdString();
    EXPECT_EQ(boxes[0].text, "Made 3 of 3 videos in " + folder + "/output.");
    EXPECT_EQ(boxes[0].title, "Videos Made");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Open);
    EXPECT_EQ(ui->prgRender->value(), 100);
    EXPECT_EQ(ui->prgRender->format(), "Made 3 of 3 videos");
    EXPECT_EQ(OutputFiles(), QStringList({"dentist.avi", "plumber.avi", "roofer.avi"}));
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_EQ(ui->lblStatus->text(), "Ready.");
    EXPECT_EQ(ui->lstKeywords->currentRow(), 2);

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
    ui->txtArticle[1]->setPlainText(
        "Only the second page speaks about #KEYWORD# today, and it goes on for a while "
        "so that the two pictures must be shown again.");
    // Shown again and shuffled for the video, never for the user's list.
    ui->cboImageAdjust->setCurrentIndex(1);
    ui->chkRandomize->setChecked(true);
    ui->lstKeywords->addItems({"one", "two"});
    QString error;
    ASSERT_TRUE(window->SaveProject(folder + "/saved.json", &error)) << error.toStdString();
    QList<int> shownSlides;
    bool projectTouched = false;
    QObject::connect(window.get(), &frmVSL::videoFinished, [&] {
        shownSlides << ui->lstTo->count();
        // What the list shows is the batch's, never the project's.
        projectTouched = projectTouched || window->IsModified() ||
                         window->Project().Get(vm::setting::slides) != QStringList({red, blue});
    });
    ASSERT_TRUE(MakeVideos());
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    // While a video was made the list showed its slides, the repeats included.
    ASSERT_EQ(shownSlides.size(), 2);
    EXPECT_GT(shownSlides[0], 2);
    EXPECT_FALSE(projectTouched);
    EXPECT_FALSE(window->IsModified());
    EXPECT_EQ(testsupport::Items(ui->lstTo), QStringList({red, blue}));
    EXPECT_EQ(ui->lblImagesCount->text(), "2");
    const QString video = folder + "/output/two.avi";
    const auto info = testsupport::ProbeMedia(video);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_GT(testsupport::PeakAudioLevel(video, 0.0, 2.0), 0.05) << "the narration is heard";
}

TEST_F(Batch, EmptyKeywordListMakesOneVideoNamedAfterTheFilename) {
    SmallProject();
    ui->txtFilename->setText("myvideo");
    ui->chkTransitions->setChecked(false);
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(OutputFiles(), QStringList({"myvideo.avi"}));
    EXPECT_TRUE(ui->Command1->isEnabled());
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
    ui->chkTransitions->setChecked(false);
    ui->txtFilename->setText("packed");
    ASSERT_TRUE(MakeVideos());
    ui->chkEnableVideoCompressor->setChecked(false);
    ui->txtFilename->setText("raw");
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(testsupport::ProbeMedia(folder + "/output/packed.avi").videoCodec, "mpeg4");
    EXPECT_EQ(testsupport::ProbeMedia(folder + "/output/raw.avi").videoCodec, "rawvideo");
}

TEST_F(Batch, MusicRunsUnderTheNarrationForTheWholeVideo) {
    SmallProject("Hello there, this is our new shop in town.");
    ui->chkTransitions->setChecked(false);
    const QString music = folder + "/my music 'best'.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(music, 60));
    const MusicChooser previous = SetMusicChooser([&](QWidget*) { return music; });
    ui->cmdSelectMP3->click();
    SetMusicChooser(previous);
    ui->chkAddBackgroundMusic->setChecked(true);
    ui->chkNoCut->setChecked(true);
    ui->txtFilename->setText("music");
    ASSERT_TRUE(MakeVideos());
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();

    const QString video = folder + "/output/music.avi";
    const auto info = testsupport::ProbeMedia(video);
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    // Narration of about 2.5 s plus 5 s for the music: the music, cut to the
    // video plus 3 s, is laid for one second more than the video's plan.
    const auto rendering = std::find_if(events.begin(), events.end(), [](const auto& e) {
        return e.kind == vm::VideoEvent::Kind::Rendering;
    });
    ASSERT_NE(rendering, events.end());
    EXPECT_EQ(info.videoFrames, int(rendering->musicSeconds) * 25);
    EXPECT_NEAR(info.audioDuration, info.duration, 0.1);
    const double speech = testsupport::PeakAudioLevel(video, 0.2, 1.5);
    const double end = info.duration - 1.5;
    const double musicOnly = testsupport::PeakAudioLevel(video, end, info.duration - 0.1);
    EXPECT_GT(musicOnly, 0.003) << "music is heard to the end";
    EXPECT_GT(speech, 3 * musicOnly) << speech << " vs " << musicOnly;
}

TEST_F(Batch, AnImageThatVanishedIsNamedBeforeTheStartAndTheWindowStaysIdle) {
    // (Which videos of a batch an image that vanishes midway takes with it is
    // the engine's to show; here one gone before the start is named first.)
    SmallProject();
    ui->lstKeywords->addItems({"first", "second"});
    ASSERT_TRUE(QFile::rename(blue, blue + ".away"));
    ui->Command1->click();
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(LastBox().contains("blue.jpg")) << LastBox().toStdString();
    EXPECT_FALSE(window->IsRunning());
    EXPECT_TRUE(OutputFiles().filter(".avi").isEmpty());
    EXPECT_TRUE(ui->Command1->isEnabled());
    // The slide list is the user's as it was.
    EXPECT_EQ(ui->lstTo->count(), 2);
    EXPECT_TRUE(ui->Command4->isEnabled());
}

TEST_F(Batch, KeywordsThatCannotBeFileNamesAreNamedBeforeTheStart) {
    SmallProject("Call a #KEYWORD# today.");
    ui->lstKeywords->addItems({"good", "../bad", "fine", ".."});
    answer = QMessageBox::No;
    ui->Command1->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "These keywords cannot be file names and will be skipped:\n\n../bad\n..\n\nGo on?");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_FALSE(QDir(folder + "/output").exists());

    answer = QMessageBox::Yes;
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(OutputFiles(), QStringList({"fine.avi", "good.avi"}));
    EXPECT_TRUE(window->LastBatchFailures().isEmpty());
    EXPECT_EQ(LastBox(), "Made 2 of 2 videos in " + folder + "/output.");
    EXPECT_FALSE(QFile::exists(folder + "/bad.avi"));
}

TEST_F(Batch, AFileOfTheUsersThatAVideoWouldReplaceIsAskedAboutFirst) {
    SmallProject("Call a #KEYWORD# today.");
    ui->lstKeywords->addItems({"mine", "fresh"});
    ASSERT_TRUE(QDir().mkpath(folder + "/output"));
    QFile own(folder + "/output/mine.avi");
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("the user's own file");
    own.close();

    answer = QMessageBox::No;
    ui->Command1->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("mine.avi")) << LastBox().toStdString();
    EXPECT_TRUE(boxes[0].text.endsWith("Replace them?")) << LastBox().toStdString();
    EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(window->IsRunning());
    EXPECT_EQ(OutputFiles(), QStringList({"mine.avi"}));
    EXPECT_EQ(QFileInfo(folder + "/output/mine.avi").size(), 19);

    answer = QMessageBox::Yes;
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(OutputFiles(), QStringList({"fresh.avi", "mine.avi"}));
    EXPECT_TRUE(testsupport::ProbeMedia(folder + "/output/mine.avi").ok);
    // Made here now: the next batch replaces it without asking.
    boxes.clear();
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(LastBox(), "Made 2 of 2 videos in " + folder + "/output.");
}

TEST_F(Batch, ARenderThatGoesQuietIsAbandonedAndTheNextBatchIsUnharmed) {
    SmallProject();
    ui->cboResolution->setCurrentIndex(0);
    ui->cboSeconds->setCurrentText("5");
    ui->chkEnableVideoCompressor->setChecked(false);  // raw 1080p frames: a slow render
    ui->lstKeywords->addItems({"one", "two"});
    window->SetRenderSilenceBound(1);
    ASSERT_TRUE(MakeVideos());
    ASSERT_EQ(window->LastBatchFailures().size(), 2)
        << window->LastBatchFailures().join("\n").toStdString();
    EXPECT_TRUE(window->LastBatchFailures()[0].contains("reported nothing"));
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_TRUE(OutputFiles().filter(".avi").isEmpty()) << OutputFiles().join(",").toStdString();

    // The abandoned renders' late completions do not end the next waits early.
    window->SetRenderSilenceBound(120000);
    ui->cboResolution->setCurrentIndex(4);
    ui->cboSeconds->setCurrentText("1");
    QStringList finishedWith;
    QObject::connect(window.get(), &frmVSL::videoFinished, [&] {
        finishedWith << ui->lstKeywords->currentItem()->text();
        EXPECT_TRUE(
            QFile::exists(folder + "/output/" + ui->lstKeywords->currentItem()->text() + ".avi"));
    });
    ASSERT_TRUE(MakeVideos());
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    EXPECT_EQ(finishedWith, QStringList({"one", "two"}));
}

TEST_F(Batch, ClosingTheWindowDuringARenderLeavesNoVideo) {
    SmallProject("Hello there.");
    ui->cboResolution->setCurrentIndex(0);
    ui->cboSeconds->setCurrentText("5");
    ui->chkEnableVideoCompressor->setChecked(false);  // raw 1080p frames: a slow render
    ui->lstKeywords->addItems({"one", "two"});
    window->show();
    bool closed = false;
    QObject::connect(window.get(), &frmVSL::batchProgress, [&](int, int, int percent) {
        if (percent > 0 && !closed) {
            closed = true;
            window->close();
        }
    });
    ASSERT_TRUE(MakeVideos());
    EXPECT_TRUE(closed);
    EXPECT_TRUE(window->IsClosing());
    const QStringList left = OutputFiles();
    for (const QString& name : left) {
        EXPECT_FALSE(name.endsWith(".avi")) << name.toStdString();
        EXPECT_FALSE(name.contains(".part")) << name.toStdString();
        EXPECT_FALSE(name.endsWith(".wav")) << name.toStdString();
    }
}

// Whenever Stop is pressed, the window is ready again once the batch has
// ended: buttons, status, the running dot, the slide list and the project.
TEST_F(Batch, StopAtAnyMomentLeavesTheWindowReady) {
    SmallProject("Call a #KEYWORD# today.");
    window->show();
    QString error;
    ASSERT_TRUE(window->SaveProject(folder + "/stop.json", &error)) << error.toStdString();
    struct Moment {
        const char* name;
        QStringList keywords;
        int video;    // 1-based; 0: once the first video has ended
        bool render;  // while it renders, else as it starts (its narration)
    };
    const Moment moments[] = {
        {"narration of the first video", {"one", "two", "three"}, 1, false},
        {"render of the first video", {"one", "two", "three"}, 1, true},
        {"between videos", {"one", "two", "three"}, 0, false},
        {"render of the last keyword", {"one", "two"}, 2, true},
        {"render of the only video", {}, 1, true},
    };
    // With one worker, and with two (the next video renders beside the first).
    for (int workers : {1, 2})
    for (const Moment& m : moments) {
        SCOPED_TRACE(QString("%1, %2 worker(s)").arg(m.name).arg(workers).toStdString());
        window->SetWorkers(workers);
        ui->lstKeywords->clear();
        ui->lstKeywords->addItems(m.keywords);
        QObject once;  // the connections of this round
        bool stopped = false;
        auto stop = [&] {
            if (stopped) return;
            stopped = true;
            ui->cmdStop->click();
        };
        QObject::connect(window.get(), &frmVSL::batchProgress, &once, [&](int n, int, int percent) {
            if (m.video == n && (percent > 0) == m.render) stop();
        });
        QObject::connect(window.get(), &frmVSL::videoFinished, &once, [&] {
            if (m.video == 0) stop();
        });
        ASSERT_TRUE(MakeVideos());
        ASSERT_TRUE(stopped);
        EXPECT_FALSE(window->IsRunning());
        EXPECT_EQ(boxes.back().title, "Stopped");
        EXPECT_TRUE(ui->Command1->isEnabled());
        EXPECT_TRUE(ui->Command5->isEnabled());
        EXPECT_TRUE(ui->cmdOpenOutputFolder->isEnabled());
        EXPECT_FALSE(ui->cmdStop->isEnabled());
        EXPECT_TRUE(ui->Command4->isEnabled());
        EXPECT_EQ(ui->lblStatus->text(), "Ready.");
        EXPECT_FALSE(ui->shRunning->isVisible());
        EXPECT_FALSE(ui->tmrShRunning->isActive());
        EXPECT_FALSE(ui->tmrCountdown->isActive());
        EXPECT_EQ(testsupport::Items(ui->lstTo), QStringList({red, blue}));
        EXPECT_TRUE(OutputFiles().filter(".part").isEmpty())
            << OutputFiles().join(",").toStdString();
    }
    // The keyword lists were edits; the slides never were.
    EXPECT_EQ(window->Project().Get(vm::setting::slides), QStringList({red, blue}));
}

// What the user may still do while a batch waits: the run keeps its running
// state until its last video and makes exactly the videos still listed.
class BatchMeddling : public Batch {
protected:
    // Records whether the window ever looked idle while a video was being
    // made, and renders nothing larger than needed.
    void WatchRunningState() {
        QObject::connect(window.get(), &frmVSL::batchProgress, [this](int, int, int) {
            if (ui->Command1->isEnabled() || ui->Command5->isEnabled()) idleWhileRunning = true;
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
    ui->lstKeywords->addItems({"one", "two", "three"});
    WatchRunningState();
    OnFirstRenderProgress([this] { ui->mnuDeleteAllKeywords->trigger(); });
    ASSERT_TRUE(MakeVideos());
    ASSERT_TRUE(acted);
    EXPECT_EQ(ui->lstKeywords->count(), 0);
    // The batch makes the keywords it started with, and no "myfile.avi".
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi", "three.avi", "two.avi"}));
    EXPECT_FALSE(idleWhileRunning);
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_EQ(ui->lblStatus->text(), "Ready.");
}

TEST_F(BatchMeddling, ClickingTheLastKeywordMidRunKeepsTheRunGoing) {
    SmallProject("Call a #KEYWORD# today.");
    ui->lstKeywords->addItems({"one", "two", "three"});
    WatchRunningState();
    OnFirstRenderProgress([this] { ui->lstKeywords->setCurrentRow(2); });
    ASSERT_TRUE(MakeVideos());
    ASSERT_TRUE(acted);
    EXPECT_FALSE(idleWhileRunning) << "the first video's end looked like the batch's end";
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi", "three.avi", "two.avi"}));
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_FALSE(ui->tmrShRunning->isActive());
}

TEST_F(BatchMeddling, TheVoiceTestMidRunLeavesMakeVideosDisabled) {
    SpVoice::SetSoundOutputMissingForTesting(true);
    SmallProject();
    ui->lstKeywords->addItems({"one", "two"});
    WatchRunningState();
    bool enabledAfterTest = true;
    OnFirstRenderProgress([&] {
        ui->Command2->click();
        enabledAfterTest = ui->Command1->isEnabled();
    });
    ASSERT_TRUE(MakeVideos());
    SpVoice::SetSoundOutputMissingForTesting(false);
    ASSERT_TRUE(acted);
    EXPECT_FALSE(enabledAfterTest);
    EXPECT_FALSE(idleWhileRunning);
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi", "two.avi"}));
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_FALSE(ui->shRunning->isVisible());
}

TEST_F(BatchMeddling, AResolutionPickedMidRunWaitsForTheNextBatch) {
    SmallProject();
    ui->cboResolution->setCurrentIndex(0);
    ui->lstKeywords->addItems({"one", "two", "three"});
    OnFirstRenderProgress([this] { ui->cboResolution->setCurrentIndex(4); });
    ASSERT_TRUE(MakeVideos());
    ASSERT_TRUE(acted);
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    // The whole batch keeps the size it started with; the next one takes 240p.
    for (const char* name : {"one.avi", "two.avi", "three.avi"}) {
        const auto info = testsupport::ProbeMedia(folder + "/output/" + name);
        EXPECT_EQ(QSize(info.width, info.height), QSize(1920, 1080)) << name;
    }
    ui->lstKeywords->clear();
    ui->txtFilename->setText("next");
    ASSERT_TRUE(MakeVideos());
    const auto info = testsupport::ProbeMedia(folder + "/output/next.avi");
    EXPECT_EQ(QSize(info.width, info.height), QSize(426, 240));
}

}  // namespace

// The "For Upload" group: what it greys out, how MP4 quality is set, what a
// project keeps of it, and the files a batch makes with it.
TEST_F(Batch, UploadChoicesMakePortraitMp4WithCaptionsCoverAndText) {
    SmallProject("Call a #KEYWORD# today.");
    testsupport::Ui& w = *ui;
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
    w.Command5->click();
    CompressorSettingsDialog::ShownHook() = nullptr;
    EXPECT_EQ(window->Project().Get(vm::setting::mp4Crf), 30);
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
    ASSERT_TRUE(window->SaveProject(project, &error)) << error.toStdString();
    frmVSL other;
    ASSERT_TRUE(other.OpenProject(project, &error)) << error.toStdString();
    const testsupport::Ui o(&other);
    EXPECT_EQ(o.cboFormat->currentIndex(), 1);
    EXPECT_EQ(other.Project().Get(vm::setting::mp4Crf), 30);
    EXPECT_EQ(o.cboShape->currentIndex(), 1);
    EXPECT_EQ(o.cboFit->currentIndex(), 2);
    EXPECT_EQ(o.cboCaptions->currentIndex(), 3);
    EXPECT_EQ(o.spnCoverSlide->value(), 2);
    EXPECT_EQ(o.txtDescriptionTemplate->toPlainText(), "About #KEYWORD#.\nSecond line.");
    EXPECT_FALSE(o.cboVideoCompressor->isEnabled());

    // A cover slide past the list is refused before anything is made.
    w.spnCoverSlide->setValue(3);
    w.Command1->click();
    EXPECT_EQ(LastBox(),
              "The videos cannot be made: cover.slide: expected a slide number from 1 to 2, got 3");
    EXPECT_FALSE(QDir(folder + "/output").exists());

    w.spnCoverSlide->setValue(2);
    w.lstKeywords->addItem("dentist");
    ASSERT_TRUE(MakeVideos());
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
