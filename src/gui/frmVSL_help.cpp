// The main window's handlers: help dialog, tips and links.
#include <QComboBox>
#include <QDir>
#include <QUrl>

#include "AppFolder.h"
#include "CompressorSettingsDialog.h"
#include "Compressors.h"
#include "MsgBox.h"
#include "Shell.h"
#include "frmInfo.h"
#include "frmVSL.h"

namespace {
const char* kMediaPlayerAddress = "https://www.videolan.org/vlc/";
}

void frmVSL::Label8_Click() {
    frmInfo info(this);
    info.exec();
}

void frmVSL::Label34_Click() {
    ShellOpenOrSay(this, QUrl(kMediaPlayerAddress));
}

void frmVSL::Label18_Click() {
    MsgBox(
        this,
        "This option allows you to adjust the settings of the selected codec. Most of the codecs "
        "don't have extra settings. One that has is '" +
            DefaultCompressorName() + "'.",
        "Settings", QMessageBox::Information, QMessageBox::Ok);
}

void frmVSL::Label15_Click() {
    MsgBox(this,
           "If you can't hear the background music in your videos, please uncheck the "
           "'Automatically reduce the volume of the background music.' option. ",
           "Info", QMessageBox::Information, QMessageBox::Ok);
}

void frmVSL::cmdOpenOutputFolder_Click() {
    OpenFolder(vm::OutputFolder());
}

void frmVSL::OpenFolder(const QString& folder) {
    // A file manager shown a missing folder shows nothing useful, so make it.
    QDir().mkpath(folder);
    ShellOpenOrSay(this, QUrl::fromLocalFile(folder));
}

void frmVSL::Command5_Click() {
    if (cboFormat->currentIndex() == 1) {
        // MP4 is always H.264: its one setting is the quality.
        const CompressorSetting quality{"Quality (CRF: 0 best - 51 smallest, 23 usual)", 0,
                                        vm::setting::kMaxMp4Crf, mp4Crf, vm::setting::mp4Crf.fallback.toInt()};
        CompressorSettingsDialog dialog("H.264 (MP4)", quality, this);
        if (dialog.exec() == QDialog::Accepted && dialog.Value() != mp4Crf) {
            mp4Crf = dialog.Value();
            MarkModified();
        }
        return;
    }
    const int index = cboVideoCompressor->currentIndex();
    // Both boxes accept typed text, so either may have no item selected.
    if (index < 0 || cboResolution->currentIndex() < 0) {
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
