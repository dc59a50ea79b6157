// The main window's handlers: background music. The music file is chosen
// once and used by every video; the production engine prepares each video's
// track from it.
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>

#include "Controls.h"
#include "MusicChooser.h"
#include "frmVSL.h"

namespace {

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
    const QString chosen = SelectMP3File();
    if (chosen != lblSelectedMP3->text()) MarkModified();
    lblSelectedMP3->setText(chosen);
}

void frmVSL::chkAddBackgroundMusic_Click() {
    if (chkAddBackgroundMusic->isChecked() && lblSelectedMP3->text().isEmpty()) {
        cmdSelectMP3_Click();
        // Reduction goes on whatever the chooser returned.
        chkNoCut->setChecked(true);
    }
}
