#include "MakeVideoPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include "AppFolder.h"
#include "BatchSettings.h"
#include "CompressorSettingsDialog.h"
#include "Compressors.h"
#include "Controls.h"
#include "MsgBox.h"
#include "ProjectModel.h"
#include "SettingsTable.h"
#include "Shell.h"
#include "UploadGroup.h"
#include "WidgetMaker.h"
#include "WindowMemory.h"

namespace {
const char* kMediaPlayerAddress = "https://www.videolan.org/vlc/";

OutputChooser& InstalledChooser() {
    static OutputChooser chooser;
    return chooser;
}
}  // namespace

OutputChooser SetOutputChooser(OutputChooser chooser) {
    OutputChooser previous = std::move(InstalledChooser());
    InstalledChooser() = std::move(chooser);
    return previous;
}

QString DefaultCompressorName() {
    const Compressors& list = Compressors::Instance();
    return list.Count() > 0 ? list.Name(list.DefaultIndex()) : QString("MPEG-4 part 2");
}

MakeVideoPanel::MakeVideoPanel(const QRect& place, vm::ProjectModel* project, QWidget* parent)
    : QGroupBox("Make Video ", parent), project_(project) {
    setObjectName("frTab_2");
    setGeometry(place);

    // Left: settings.
    ui::SetBold(ui::MakeLabel(this, "Label16", "Resolution:", QRect(20, 32, 120, 18)));
    resolution_ = ui::MakeCombo(this, "cboResolution", QRect(142, 28, 150, 24));
    static const char* sizes[] = {"1080p", "720p", "480p", "360p", "240p"};
    for (const char* size : sizes)
        resolution_->addItem(QString(size) + (size == sizes[0] ? " (HD)" : ""), size);
    ui::SetBold(ui::MakeLabel(this, "Label17", "Video Compressor:", QRect(20, 68, 120, 18)));
    compression_ = ui::MakeCheck(this, "chkEnableVideoCompressor", "Enable Video Compressor",
                                 QRect(142, 67, 250, 20), true);
    compressor_ = ui::MakeCombo(this, "cboVideoCompressor", QRect(142, 92, 260, 24));
    // An empty list leaves the box empty; "Make Videos!" then asks for a
    // compressor unless compression is switched off.
    const Compressors& compressors = Compressors::Instance();
    for (int i = 0; i < compressors.Count(); ++i) compressor_->addItem(compressors.Name(i));
    compressorSettings_ =
        ui::MakeButton(this, "Command5", "Compressor Settings", QRect(142, 122, 150, 26));
    LinkLabel* settingsTip =
        ui::MakeLink(this, "Label18", "?", QRect(300, 126, 16, 18), QColor(0, 0, 128), true);

    upload_ = new UploadGroup(QRect(20, 176, 414, 230), this);
    // The right-hand column takes the width the panel gains.
    auto* stretch = new Stretcher(this, place.size());
    BuildTips(stretch);
    BuildRun(stretch);

    connect(compressorSettings_, &QPushButton::clicked, this, &MakeVideoPanel::CompressorSettings);
    connect(settingsTip, &LinkLabel::clicked, this, [this] {
        MsgBox(this,
               "This option allows you to adjust the settings of the selected codec. Most of the "
               "codecs don't have extra settings. One that has is '" +
                   DefaultCompressorName() + "'.",
               "Settings", QMessageBox::Information, QMessageBox::Ok);
    });
    connect(upload_, &UploadGroup::formatChanged, this, &MakeVideoPanel::UpdateEnabled);
    UpdateEnabled();
}

void MakeVideoPanel::BuildTips(Stretcher* stretch) {
    // The tinted tips box, under the playback help on the right.
    auto* box = ui::Make<QFrame>(this, "Shape1");
    box->setGeometry(450, 290, 384, 116);
    box->setFrameShape(QFrame::Box);
    box->setAutoFillBackground(true);
    QPalette tint = box->palette();
    tint.setColor(QPalette::Window, QColor(232, 242, 255));
    tint.setColor(QPalette::WindowText, QColor(150, 175, 210));
    box->setPalette(tint);
    QLabel* title =
        ui::MakeLabel(this, "Label23", "Tips to Create Smaller Videos:", QRect(460, 295, 366, 16));
    ui::SetBold(title);
    QLabel* tips[] = {
        ui::MakeLabel(this, "Label24",
                      "- Use Small Images. We recommend you to use images with a filesize below 1 "
                      "Megabyte.",
                      QRect(460, 313, 366, 28)),
        ui::MakeLabel(this, "Label25",
                      "- Use a Video Compressor (we recommend you to use \"" +
                          DefaultCompressorName() + "\" but of course, you may use another one).",
                      QRect(460, 343, 366, 28)),
        ui::MakeLabel(this, "Label26",
                      "- If you don't need HD videos, don't use it (720p or 480p may be fine for "
                      "many projects).",
                      QRect(460, 373, 366, 28))};
    for (QLabel* l : tips) l->setWordWrap(true);
    for (QWidget* w : std::initializer_list<QWidget*>{box, title, tips[0], tips[1], tips[2]})
        stretch->Add(w, {0, 0, 1, 0});
}

void MakeVideoPanel::BuildRun(Stretcher* stretch) {
    // Right: run, progress, output and playback help.
    makeVideos_ = ui::MakeButton(this, "Command1", "Make Videos!", QRect(450, 26, 290, 46));
    QFont big = makeVideos_->font();
    big.setPixelSize(15);
    big.setBold(true);
    makeVideos_->setFont(big);
    stop_ = ui::MakeButton(this, "cmdStop", "Stop", QRect(746, 26, 88, 46));
    stop_->setEnabled(false);
    progress_ = ui::Make<QProgressBar>(this, "prgRender");
    progress_->setGeometry(450, 80, 384, 20);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(true);
    openFolder_ =
        ui::MakeButton(this, "cmdOpenOutputFolder", "Open Target Folder", QRect(450, 106, 286, 28));
    browseOutput_ = ui::MakeButton(this, "cmdBrowseOutput", "Browse...", QRect(742, 106, 92, 28));
    browseOutput_->setToolTip("Choose the folder the videos go to (kept in the project)");
    outputFolder_ = ui::Make<PathLabel>(this, "lblOutputFolder");
    outputFolder_->setGeometry(450, 138, 384, 18);

    QLabel* problems =
        ui::MakeLabel(this, "Label7", "Do You Have Problems to See the Generated Videos?",
                      QRect(450, 172, 384, 18));
    ui::SetBold(problems);
    QLabel* codec =
        ui::MakeLabel(this, "Label32",
                      "If your player shows videos with sound but no images, then there's a "
                      "missing codec in your pc but everything will work fine on YouTube etc.",
                      QRect(450, 194, 384, 44));
    codec->setWordWrap(true);
    QLabel* player = ui::MakeLabel(this, "Label33",
                                   "To fix this, please try with another player like VLC (free).",
                                   QRect(450, 242, 384, 18));
    LinkLabel* playerLink = ui::MakeLink(this, "Label34", "Click here to go to the VLC web site.",
                                         QRect(450, 264, 384, 18));

    for (QWidget* w : std::initializer_list<QWidget*>{stop_, browseOutput_})
        stretch->Add(w, {1, 0, 0, 0});
    for (QWidget* w :
         std::initializer_list<QWidget*>{makeVideos_, progress_, openFolder_, outputFolder_,
                                         problems, codec, player, playerLink})
        stretch->Add(w, {0, 0, 1, 0});

    connect(makeVideos_, &QPushButton::clicked, this, &MakeVideoPanel::makeVideosClicked);
    connect(stop_, &QPushButton::clicked, this, &MakeVideoPanel::stopClicked);
    connect(openFolder_, &QPushButton::clicked, this, [this] { OpenFolder(OutputFolder()); });
    connect(browseOutput_, &QPushButton::clicked, this, &MakeVideoPanel::BrowseOutput);
    // The folder shown follows the project's.
    connect(project_, &vm::ProjectModel::changed, this, [this](const vm::SettingDef* s) {
        if (s == &vm::setting::output) ShowOutputFolder(OutputFolder());
    });
    connect(project_, &vm::ProjectModel::reset, this,
            [this] { ShowOutputFolder(OutputFolder()); });
    connect(playerLink, &LinkLabel::clicked, this,
            [this] { ShellOpenOrSay(this, QUrl(kMediaPlayerAddress)); });
}

void MakeVideoPanel::UpdateEnabled() {
    const bool mp4 = upload_->Mp4();
    compression_->setEnabled(!mp4);
    compressor_->setEnabled(!mp4);
    const QString why =
        mp4 ? "MP4 videos are H.264; \"Compressor Settings\" sets their quality." : QString();
    compression_->setToolTip(why);
    compressor_->setToolTip(why);
}

void MakeVideoPanel::CompressorSettings() {
    namespace S = vm::setting;
    if (upload_->Mp4()) {
        // MP4 is always H.264: its one setting is the quality.
        const int crf = project_->Get(S::mp4Crf);
        const CompressorSetting quality{"Quality (CRF: 0 best - 51 smallest, 23 usual)",
                                        int(S::mp4Crf.lowest), int(S::mp4Crf.highest), crf,
                                        S::mp4Crf.fallback.toInt()};
        CompressorSettingsDialog dialog("H.264 (MP4)", quality, this);
        if (dialog.exec() == QDialog::Accepted) project_->Set(S::mp4Crf, dialog.Value());
        return;
    }
    const int index = compressor_->currentIndex();
    // Both boxes accept typed text, so either may have no item selected.
    if (index < 0 || resolution_->currentIndex() < 0) {
        MsgBox(this, "Please select a video compressor and a resolution from the lists first.",
               "Error", QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    Compressors& compressors = Compressors::Instance();
    if (!compressors.HasSettings(index)) {
        MsgBox(this,
               "The compressor \"" + compressors.Name(index) +
                   "\" has no settings to adjust. It is used as it is.",
               "Settings", QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    CompressorSettingsDialog dialog(compressors.Name(index), compressors.Setting(index), this);
    if (dialog.exec() == QDialog::Accepted) compressors.SetSettingValue(index, dialog.Value());
}

QString MakeVideoPanel::OutputFolder() const {
    return vm::ProjectOutputFolder(project_->Values(), project_->Folder());
}

void MakeVideoPanel::BrowseOutput() {
    const OutputChooser& chooser = InstalledChooser();
    const QString start = project_->Get(vm::setting::output).isEmpty()
                              ? memory::LastFolder("output")
                              : OutputFolder();
    const QString folder =
        chooser ? chooser(this)
                : QFileDialog::getExistingDirectory(this, "Output Folder", start,
                                                    QFileDialog::ShowDirsOnly |
                                                        QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) return;
    memory::RememberFolder("output", folder);
    project_->Set(vm::setting::output, QDir::cleanPath(QDir(folder).absolutePath()));
}

void MakeVideoPanel::SetRunning(bool running) {
    openFolder_->setEnabled(!running);
    browseOutput_->setEnabled(!running);
    makeVideos_->setEnabled(!running);
    compressorSettings_->setEnabled(!running);
    stop_->setEnabled(running);
}

void MakeVideoPanel::SetMakeVideosEnabled(bool enabled) {
    makeVideos_->setEnabled(enabled);
}

bool MakeVideoPanel::MakeVideosEnabled() const {
    return makeVideos_->isEnabled();
}

void MakeVideoPanel::AddShortcutTips(const QString& makeKeys, const QString& stopKeys) {
    makeVideos_->setToolTip("Make one video per keyword (" + makeKeys + ")");
    stop_->setToolTip("Stop the batch (" + stopKeys + ")");
}

void MakeVideoPanel::SetStopEnabled(bool enabled) {
    stop_->setEnabled(enabled);
}

void MakeVideoPanel::ShowProgress(int percent, const QString& text) {
    progress_->setValue(percent);
    progress_->setFormat(text);
}

void MakeVideoPanel::ShowOutputFolder(const QString& folder) {
    outputFolder_->SetPath("Videos go to " + folder);
}

void MakeVideoPanel::OpenFolder(const QString& folder) {
    // A file manager shown a missing folder shows nothing useful, so make it.
    QDir().mkpath(folder);
    OpenFolderOrSay(this, folder);
}
