// Background music through the window's controls: choosing the file, the
// check box, and the music step with the real ffmpeg program. The music group
// stays hidden in the window, so the tests drive its members directly.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "FfmpegRunner.h"
#include "MsgBox.h"
#include "MusicChooser.h"
#include "TestSupport.h"
#include "frmVSL.h"

namespace {

double Duration(const QString& path) {
    QProcess p;
    p.start("ffprobe",
            {"-v", "error", "-show_entries", "format=duration", "-of", "default=nw=1:nk=1", path});
    if (!p.waitForFinished(30000)) return -1;
    bool ok = false;
    const double d = p.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok ? d : -1;
}

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class MusicWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        app = testsupport::FreshAppFolder(QString("music_") + info->name());
        QDir().mkpath(app + "/output");
        oldBox = SetMsgBoxHandler([](const MsgBoxCall&) { return QMessageBox::Ok; });
        w = std::make_unique<frmVSL>();
        oldChooser = SetMusicChooser([this](QWidget*) {
            ++chooserCalls;
            return chooserAnswer;
        });
    }
    void TearDown() override {
        w.reset();
        SetMusicChooser(oldChooser);
        SetMsgBoxHandler(oldBox);
    }
    QString Temp() const { return app + "/output/tmp9999.mp3"; }
    // Music on, a file chosen, reduction as given.
    void ChooseMusic(const QString& mp3, bool reduce) {
        w->lblSelectedMP3->setText(mp3);
        w->chkAddBackgroundMusic->setChecked(true);
        w->chkNoCut->setChecked(reduce);
    }

    QString app;
    std::unique_ptr<frmVSL> w;
    int chooserCalls = 0;
    QString chooserAnswer;
    MusicChooser oldChooser;
    MsgBoxHandler oldBox;
};

}  // namespace

TEST_F(MusicWindow, CheckingTheBoxWithoutAFileOpensTheChooserAndTurnsReductionOn) {
    ASSERT_FALSE(w->Frame1->isVisible());
    w->chkNoCut->setChecked(false);
    chooserAnswer = "";  // cancelled
    w->chkAddBackgroundMusic->click();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_TRUE(w->chkNoCut->isChecked()) << "checked even when the chooser was cancelled";
    EXPECT_TRUE(w->lblSelectedMP3->text().isEmpty());

    // Unchecking does nothing else.
    w->chkNoCut->setChecked(false);
    w->chkAddBackgroundMusic->click();
    EXPECT_FALSE(w->chkAddBackgroundMusic->isChecked());
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_FALSE(w->chkNoCut->isChecked());

    // A file already chosen: checking opens nothing.
    w->lblSelectedMP3->setText("/music/song.mp3");
    w->chkAddBackgroundMusic->click();
    EXPECT_TRUE(w->chkAddBackgroundMusic->isChecked());
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_FALSE(w->chkNoCut->isChecked());
}

TEST_F(MusicWindow, SelectButtonSetsAndCancelClearsTheChoice) {
    chooserAnswer = "/music/my song.mp3";
    w->cmdSelectMP3->click();
    EXPECT_EQ(w->lblSelectedMP3->text(), "/music/my song.mp3");

    chooserAnswer = "";
    w->cmdSelectMP3->click();
    EXPECT_EQ(chooserCalls, 2);
    EXPECT_TRUE(w->lblSelectedMP3->text().isEmpty());

    // With the choice cleared the next video gets no music: the step does nothing.
    w->chkAddBackgroundMusic->setChecked(true);
    QString error;
    EXPECT_TRUE(w->MusicStep(&error));
    EXPECT_FALSE(QFileInfo::exists(Temp()));
    EXPECT_TRUE(w->txtCommand->toPlainText().isEmpty());
}

TEST_F(MusicWindow, RealChooserIsTheSelectFileDialogAndListsMp3InAnyCase) {
    SetMusicChooser({});
    const QString dir = app + "/songs";
    QDir().mkpath(dir);
    for (const char* name : {"a.mp3", "B.MP3", "c.Mp3", "d.wav"}) {
        QFile f(dir + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString title, startDir, filters;
    QStringList listed;
    bool handled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (handled) return;
        QFileDialog* dialog = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(top); d && d->isVisible()) dialog = d;
        if (!dialog) return;
        handled = true;
        title = dialog->windowTitle();
        startDir = dialog->directory().absolutePath();
        filters = dialog->nameFilters().join(";");
        dialog->setDirectory(dir);
        auto* view = dialog->findChild<QListView*>("listView");
        auto names = [&] {
            QStringList out;
            if (!view || !view->model()) return out;
            const QModelIndex root = view->rootIndex();
            for (int r = 0; r < view->model()->rowCount(root); ++r) {
                const QModelIndex i = view->model()->index(r, 0, root);
                if (view->model()->flags(i) & Qt::ItemIsEnabled) out << i.data().toString();
            }
            return out;
        };
        testsupport::WaitFor([&] { return names().size() >= 3; }, 5000);
        listed = names();
        // As a user would: type the name, press Open.
        if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit")) edit->setText("B.MP3");
        static_cast<QDialog*>(dialog)->accept();
    });
    poll.start(50);
    // Backstop so a dialog that never showed cannot hang the test.
    QTimer::singleShot(15000, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(top)) d->reject();
    });
    w->cmdSelectMP3_Click();
    poll.stop();
    ASSERT_TRUE(handled);
    EXPECT_EQ(title, "Select File");
    EXPECT_EQ(startDir, QDir::homePath());
    EXPECT_EQ(filters, "MP3 Files (*.mp3)");
    listed.sort();
    EXPECT_EQ(listed, QStringList({"B.MP3", "a.mp3", "c.Mp3"}));
    EXPECT_EQ(w->lblSelectedMP3->text(), dir + "/B.MP3");
}

TEST_F(MusicWindow, CutForTenSecondVideoWithRealFfmpeg) {
    const QString mp3 = app + "/music.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 40));
    ChooseMusic(mp3, true);
    w->sTempMusicFile = Temp();
    w->iMusicCutLength = 10;
    QString error;
    ASSERT_TRUE(w->CreateTempAudioCut(&error)) << error.toStdString();
    EXPECT_NEAR(Duration(Temp()), 13.0, 0.1);
    EXPECT_EQ(w->lblStatus->text(), "Preparing Audio (Please Wait...)");
    EXPECT_EQ(w->lblOutputFilename->text(), Temp());
    // The log: one entry, no separator before it, line breaks as lines.
    const QString expected = "Temp Audio Creation Command -------------- \n\n" + w->sFfmpegPath +
                             " -i \"" + mp3 + "\" -ss 0 -t 13 -filter:a \"volume=0.1\" " + Temp() +
                             "\n\n-------------- ";
    EXPECT_EQ(w->txtCommand->toPlainText(), expected);
    // Run again without the music step's deletion: ffmpeg refuses to
    // overwrite instead of waiting for an answer, and the failure is reported.
    error.clear();
    EXPECT_FALSE(w->CreateTempAudioCut(&error));
    EXPECT_TRUE(error.contains("already exists")) << error.toStdString();
    EXPECT_EQ(w->txtCommand->toPlainText(), expected + expected);
}

TEST_F(MusicWindow, OddPathWorksAndFailuresAreReportedWithoutAStaleFile) {
    const QString mp3 = app + "/my \"best\"; song.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 3));
    ChooseMusic(mp3, true);
    w->sTempMusicFile = Temp();
    QString error;
    ASSERT_TRUE(w->CreateTempAudio(&error)) << error.toStdString();
    EXPECT_NEAR(Duration(Temp()), Duration(mp3), 0.1);
    EXPECT_TRUE(w->txtCommand->toPlainText().contains(" -i \"" + mp3 + "\"   " + Temp()));

    // No ffmpeg program.
    const QString ffmpeg = w->sFfmpegPath;
    w->sFfmpegPath = app + "/bin/no-ffmpeg";
    QFile::remove(Temp());
    error.clear();
    EXPECT_FALSE(w->CreateTempAudio(&error));
    EXPECT_TRUE(error.contains(mp3)) << error.toStdString();
    EXPECT_TRUE(error.contains("could not be started")) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Temp()));

    // Input that is not audio.
    w->sFfmpegPath = ffmpeg;
    QFile junk(app + "/junk.mp3");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not audio\n");
    junk.close();
    w->lblSelectedMP3->setText(junk.fileName());
    w->iMusicCutLength = 10;
    error.clear();
    EXPECT_FALSE(w->CreateTempAudioCut(&error));
    EXPECT_TRUE(error.contains(junk.fileName())) << error.toStdString();
    EXPECT_TRUE(error.contains("exit code")) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Temp()));

    // A cut length past the 16-bit range never reaches ffmpeg.
    w->lblSelectedMP3->setText(mp3);
    w->iMusicCutLength = 32765;
    const QString logBefore = w->txtCommand->toPlainText();
    EXPECT_FALSE(w->CreateTempAudioCut(&error));
    EXPECT_EQ(w->txtCommand->toPlainText(), logBefore);
}

TEST_F(MusicWindow, OldTrackIsDeletedFirstEvenWhenTheStepFails) {
    QFile stale(Temp());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("music of the previous video");
    stale.close();
    ChooseMusic(app + "/gone.mp3", false);
    QString error;
    EXPECT_FALSE(w->MusicStep(&error));
    EXPECT_TRUE(error.contains(app + "/gone.mp3")) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Temp()));
    EXPECT_EQ(w->sTempMusicFile, Temp());
}

TEST_F(MusicWindow, StepCopiesPassesWholeOrCutsByLengthAndSetting) {
    const QString mp3 = app + "/music.mp3";
    ASSERT_TRUE(testsupport::WriteToneMp3(mp3, 12));
    QString error;

    // Reduction off: a plain copy even of music longer than the video; still measured.
    ChooseMusic(mp3, false);
    w->iVideoLength = 5;
    ASSERT_TRUE(w->MusicStep(&error)) << error.toStdString();
    EXPECT_EQ(w->iMusicLength, 12);
    EXPECT_EQ(w->iMusicCutLength, 0);
    EXPECT_EQ(Contents(Temp()), Contents(mp3));
    EXPECT_TRUE(w->txtCommand->toPlainText().isEmpty());

    // Reduction on, music exactly as long as the video: the whole file.
    w->chkNoCut->setChecked(true);
    w->iVideoLength = 12;
    ASSERT_TRUE(w->MusicStep(&error)) << error.toStdString();
    EXPECT_EQ(w->iMusicCutLength, 0);
    EXPECT_FALSE(w->txtCommand->toPlainText().contains(" -t "));
    EXPECT_NEAR(Duration(Temp()), Duration(mp3), 0.1);

    // Longer music: cut to the video plus 3 seconds.
    w->iVideoLength = 7;
    ASSERT_TRUE(w->MusicStep(&error)) << error.toStdString();
    EXPECT_EQ(w->iMusicCutLength, 7);
    EXPECT_TRUE(w->txtCommand->toPlainText().contains(" -ss 0 -t 10 "));
    EXPECT_NEAR(Duration(Temp()), 10.0, 0.1);
}
