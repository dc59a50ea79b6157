// The main window's handlers: background music. The music file is chosen
// once and used by every video; for each video the step copies it or runs it
// through ffmpeg into output/tmp9999.mp3.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "AppFolder.h"
#include "FfmpegRunner.h"
#include "Helpers.h"
#include "MusicChooser.h"
#include "MusicCommands.h"
#include "VideoEdit.h"
#include "frmVSL.h"

namespace {

// How long the output of a finished ffmpeg run may take to settle on disk.
constexpr int kMusicWatchMs = 30000;

MusicChooser& InstalledChooser() {
    static MusicChooser chooser;
    return chooser;
}

// Qt's own dialog: its name filter matches letter case loosely, so "*.mp3"
// also lists SONG.MP3 (some native dialogs match case exactly and would hide
// files written the other way).
QString RealChooser(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, "Select File", QDir::homePath(),
                                        "MP3 Files (*.mp3)", nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QString MusicFailure(const QString& mp3, const QString& why) {
    return QString("The background music \"%1\" could not be prepared: %2").arg(mp3, why);
}

}  // namespace

MusicChooser SetMusicChooser(MusicChooser chooser) {
    MusicChooser previous = std::move(InstalledChooser());
    InstalledChooser() = std::move(chooser);
    return previous;
}

QString frmVSL::SelectMP3File() {
    const MusicChooser& chooser = InstalledChooser();
    return chooser ? chooser(this) : RealChooser(this);
}

void frmVSL::cmdSelectMP3_Click() {
    // Cancelling returns "" and so clears an earlier choice.
    lblSelectedMP3->setText(SelectMP3File());
}

void frmVSL::chkAddBackgroundMusic_Click() {
    if (chkAddBackgroundMusic->isChecked() && lblSelectedMP3->text().isEmpty()) {
        cmdSelectMP3_Click();
        // Reduction goes on whatever the chooser returned.
        chkNoCut->setChecked(true);
    }
}

bool frmVSL::MusicStep(QString* error) {
    if (!chkAddBackgroundMusic->isChecked() || lblSelectedMP3->text().isEmpty()) return true;

    // The old track goes first, before anything here can fail: a video whose
    // music step fails must never pick up the previous video's music.
    sTempMusicFile = vm::AppPath("output/tmp9999.mp3");
    if (vm::FileExists(sTempMusicFile) && !QFile::remove(sTempMusicFile)) {
        if (error)
            *error = QString("The old background music file %1 could not be deleted.")
                         .arg(sTempMusicFile);
        return false;
    }
    iMusicCutLength = 0;
    sSelectedMP3 = lblSelectedMP3->text();
    QDir().mkpath(QFileInfo(sTempMusicFile).path());

    auto fail = [&](const QString& why) {
        QFile::remove(sTempMusicFile);
        iMusicCutLength = 0;
        if (error) *error = MusicFailure(sSelectedMP3, why);
        return false;
    };

    // The length is measured on every path, the plain copy included; a file
    // that cannot be read fails here instead of stopping the batch later.
    QString why;
    const double seconds = VideoEdit::MediaLength(sSelectedMP3, &why);
    if (seconds < 0) return fail(why.isEmpty() ? QString("its length cannot be read") : why);
    if (!vm::RoundMusicLength(seconds, &iMusicLength, &why)) return fail(why);

    switch (vm::DecideMusicAction(chkNoCut->isChecked(), iMusicLength, iVideoLength)) {
        case vm::MusicAction::Copy: {
            QFile source(sSelectedMP3);
            if (!source.copy(sTempMusicFile))
                return fail(QString("copying it to %1 failed (%2)")
                                .arg(sTempMusicFile, source.errorString()));
            if (QFileInfo(sTempMusicFile).size() <= 0) return fail("the copy is empty");
            return true;
        }
        case vm::MusicAction::Cut:
            iMusicCutLength = iVideoLength;
            if (CreateTempAudioCut(error)) return true;
            iMusicCutLength = 0;
            return false;
        case vm::MusicAction::Whole:
            return CreateTempAudio(error);
    }
    return fail("unknown way of preparing the music");
}

namespace {

// Runs one music command for the window: logs it, runs ffmpeg and checks
// that the output is there and stable. Leaves no partial file behind on
// failure.
bool RunMusicCommand(frmVSL* w, const vm::MusicCommand& command, QString* error) {
    auto fail = [&](const QString& why) {
        QFile::remove(w->sTempMusicFile);
        if (error) *error = MusicFailure(w->sSelectedMP3, why);
        return false;
    };

    QTextCursor end(w->txtCommand->document());
    end.movePosition(QTextCursor::End);
    end.insertText(vm::MusicLogEntry(command.text));

    // We wait for ffmpeg itself, so the old head start of eleven pauses before
    // watching the file (there only because the process was never waited on)
    // is gone; it cost about half a second per video.
    w->lblStatus->setText("Preparing Audio (Please Wait...)");
    const vm::ProcessResult run = vm::RunProgram(w->sFfmpegPath, command.args);
    if (!run.ok) return fail(run.message);

    const QFileInfo out(w->sTempMusicFile);
    if (!out.exists()) return fail(QString("ffmpeg wrote no file %1").arg(w->sTempMusicFile));
    if (out.size() == 0) return fail(QString("ffmpeg wrote an empty %1").arg(w->sTempMusicFile));

    QString why;
    if (!w->WatchFile(w->sTempMusicFile, kMusicWatchMs, &why)) return fail(why);
    return true;
}

}  // namespace

bool frmVSL::CreateTempAudioCut(QString* error) {
    sSelectedMP3 = lblSelectedMP3->text();
    vm::Pause(3);
    vm::MusicCommand command;
    QString why;
    if (!vm::BuildCreateTempAudioCut(sFfmpegPath, sSelectedMP3, iMusicCutLength, sTempMusicFile,
                                     &command, &why)) {
        QFile::remove(sTempMusicFile);
        if (error) *error = MusicFailure(sSelectedMP3, why);
        return false;
    }
    return RunMusicCommand(this, command, error);
}

bool frmVSL::CreateTempAudio(QString* error) {
    sSelectedMP3 = lblSelectedMP3->text();
    vm::Pause(3);
    return RunMusicCommand(
        this, vm::BuildCreateTempAudio(sFfmpegPath, sSelectedMP3, sTempMusicFile), error);
}
