// The music file is chosen once and used by every video; the production
// engine prepares each video's track from it.
#include "MusicGroup.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QPushButton>

#include "Controls.h"
#include "MsgBox.h"
#include "MusicChooser.h"
#include "WidgetMaker.h"

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

MusicGroup::MusicGroup(const QRect& place, QWidget* parent) : QGroupBox(QString(), parent) {
    setObjectName("Frame1");
    setGeometry(place);
    music_ = ui::MakeCheck(this, "chkAddBackgroundMusic", "Add Background Music (Mp3)",
                           QRect(8, 6, 200, 20));
    auto* select = ui::MakeButton(this, "cmdSelectMP3", "Select MP3 File", QRect(210, 3, 116, 26));
    file_ = ui::Make<PathLabel>(this, "lblSelectedMP3");
    file_->setGeometry(334, 7, 199, 18);
    file_->SetWholeTextTip(false);
    reduceVolume_ =
        ui::MakeCheck(this, "chkNoCut", "Automatically reduce the volume of the background music.",
                      QRect(8, 32, 380, 20));
    LinkLabel* tip = ui::MakeLink(this, "Label15", "Please Read", QRect(392, 34, 90, 18));
    duck_ = ui::MakeCheck(this, "chkDuckMusic", "Lower the music while the voice speaks by",
                          QRect(8, 57, 290, 20));
    duck_->setToolTip(
        "The music steps back under the voice and comes back in its pauses; it also fades in "
        "at the start and out at the end.");
    duckDb_ = ui::Make<QDoubleSpinBox>(this, "spnDuckDb");
    duckDb_->setGeometry(300, 55, 76, 24);
    duckDb_->setDecimals(0);
    duckDb_->setSuffix(" dB");
    // The file's name takes what room the group gains.
    (new Stretcher(this, size()))->Add(file_, {0, 0, 1, 0});

    connect(select, &QPushButton::clicked, this, &MusicGroup::SelectFile);
    connect(music_, &QCheckBox::clicked, this, &MusicGroup::MusicClicked);
    connect(duck_, &QCheckBox::toggled, duckDb_, &QWidget::setEnabled);
    duckDb_->setEnabled(duck_->isChecked());
    connect(tip, &LinkLabel::clicked, this, [this] {
        MsgBox(this,
               "If you can't hear the background music in your videos, please uncheck the "
               "'Automatically reduce the volume of the background music.' option. ",
               "Info", QMessageBox::Information, QMessageBox::Ok);
    });
}

void MusicGroup::SelectFile() {
    const MusicChooser& chooser = InstalledChooser();
    file_->SetPath(chooser ? chooser(this) : RealChooser(this));
}

void MusicGroup::MusicClicked() {
    if (music_->isChecked() && file_->text().isEmpty()) {
        SelectFile();
        // Reduction goes on whatever the chooser returned.
        reduceVolume_->setChecked(true);
    }
}
