// Help: the tips, the web links, the output folder, the compressor settings
// and the troubleshooting dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include "AppFolder.h"
#include "CompressorSettingsDialog.h"
#include "Compressors.h"
#include "Controls.h"
#include "MakeVideoPanel.h"
#include "Shell.h"
#include "TestSupport.h"
#include "WindowUi.h"
#include "frmInfo.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

class Help : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("help");
        window = std::make_unique<frmVSL>();
        ui = std::make_unique<testsupport::Ui>(window.get());
        window->show();
        boxes.calls.clear();  // whatever start-up reported is not ours
    }
    void TearDown() override {
        frmInfo::ShownHook() = nullptr;
        CompressorSettingsDialog::ShownHook() = nullptr;
    }
    // The first compressor with (or without) a setting, or -1.
    static int FindCompressor(bool withSettings) {
        const Compressors& list = Compressors::Instance();
        for (int i = 0; i < list.Count(); ++i)
            if (list.HasSettings(i) == withSettings) return i;
        return -1;
    }

    uitest::MsgBoxRecorder boxes;
    uitest::ShellRecorder shell;
    std::unique_ptr<frmVSL> window;
    std::unique_ptr<testsupport::Ui> ui;
};

TEST_F(Help, TipsShowTheirTextWithTheInformationIcon) {
    uitest::Click(ui->Label18);
    uitest::Click(ui->Label15);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].text,
              "This option allows you to adjust the settings of the selected codec. Most of the "
              "codecs don't have extra settings. One that has is '" +
                  DefaultCompressorName() + "'.");
    EXPECT_EQ(boxes.calls[0].title, "Settings");
    EXPECT_EQ(boxes.calls[1].text,
              "If you can't hear the background music in your videos, please uncheck the "
              "'Automatically reduce the volume of the background music.' option. ");
    EXPECT_EQ(boxes.calls[1].title, "Info");
    for (const MsgBoxCall& call : boxes.calls) {
        EXPECT_EQ(call.icon, QMessageBox::Information);
        EXPECT_EQ(call.buttons, QMessageBox::Ok);
    }
}

TEST_F(Help, PlayerLinkOpensThePlayersHomePage) {
    uitest::Click(ui->Label34);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], QUrl("https://www.videolan.org/vlc/"));
}

TEST_F(Help, OpenTargetFolderCreatesAndOpensTheOutputFolder) {
    const QString output = vm::UserPath("output");
    ASSERT_FALSE(QFileInfo::exists(output));
    ui->cmdOpenOutputFolder->click();
    EXPECT_TRUE(QFileInfo(output).isDir());
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_TRUE(shell.opened[0].isLocalFile());
    EXPECT_EQ(shell.opened[0].toLocalFile(), output);

    // An existing folder (with a video in it) is opened as it is.
    testsupport::WriteSolidImage(output + "/keep.jpg", 8, 8, Qt::red);
    ui->cmdOpenOutputFolder->click();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[1].toLocalFile(), output);
    EXPECT_TRUE(QFileInfo::exists(output + "/keep.jpg"));
    EXPECT_TRUE(ui->lblOutputFolder->text().endsWith(output));
}

TEST_F(Help, WithNothingToOpenThemTheFolderAndTheLinksSaySo) {
    // A machine with no file manager and no browser.
    const ShellOpenHandler previous = SetShellOpenHandler([](const QUrl&) { return false; });
    ui->cmdOpenOutputFolder->click();
    uitest::Click(ui->Label34);
    SetShellOpenHandler(previous);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].text,
              "The folder could not be opened: no file manager was found to show it.\n\nYou can "
              "go there yourself:\n" +
                  vm::UserPath("output"));
    EXPECT_EQ(boxes.calls[1].text,
              "The web page https://www.videolan.org/vlc/ could not be opened: no web browser was "
              "found.");
}

TEST_F(Help, AnOpenerThatFailsIsReportedWithTheFolder) {
    // The desktop's opener starts and then finds nothing to show folders with.
    const QString opener = vm::UserPath("opener.sh");
    QFile script(opener);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho 'xdg-open: no method available for opening' >&2\nexit 3\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const QString previous = SetFolderOpener(opener);
    // The real opener runs, not the recorder.
    const ShellOpenHandler recorder = SetShellOpenHandler({});
    ui->cmdOpenOutputFolder->click();
    const bool said = testsupport::WaitFor([&] { return !boxes.calls.empty(); }, 10000);
    // And one that is not there at all.
    SetFolderOpener(vm::UserPath("no-such-opener"));
    ui->cmdOpenOutputFolder->click();
    const bool saidAgain = testsupport::WaitFor([&] { return boxes.calls.size() == 2; }, 10000);
    SetFolderOpener(previous);
    SetShellOpenHandler(recorder);
    ASSERT_TRUE(said && saidAgain) << boxes.calls.size();
    const QString where = "\n\nYou can go there yourself:\n" + vm::UserPath("output");
    EXPECT_EQ(boxes.calls[0].text, "The folder could not be opened: " + opener +
                                       " ended with code 3. It said: xdg-open: no method "
                                       "available for opening" +
                                       where);
    EXPECT_EQ(boxes.calls[1].text, "The folder could not be opened: " +
                                       vm::UserPath("no-such-opener") + " could not be started." +
                                       where);
}

TEST_F(Help, CompressorSettingsWithNothingSelectedExplains) {
    ui->cboVideoCompressor->setCurrentIndex(-1);
    ui->Command5->click();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_TRUE(boxes.calls[0].text.contains("select a video compressor"));

    boxes.calls.clear();
    if (ui->cboVideoCompressor->count() > 0) ui->cboVideoCompressor->setCurrentIndex(0);
    ui->cboResolution->setCurrentIndex(-1);
    ui->Command5->click();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].title, "Error");
}

TEST_F(Help, CompressorWithoutSettingsSaysSo) {
    const int index = FindCompressor(false);
    if (index < 0) GTEST_SKIP() << "every compressor here has a setting";
    ui->cboVideoCompressor->setCurrentIndex(index);
    bool dialogShown = false;
    CompressorSettingsDialog::ShownHook() = [&](CompressorSettingsDialog* d) {
        dialogShown = true;
        d->reject();
    };
    ui->Command5->click();
    EXPECT_FALSE(dialogShown);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(boxes.calls[0].text.contains("has no settings"))
        << boxes.calls[0].text.toStdString();
    EXPECT_EQ(boxes.calls[0].icon, QMessageBox::Information);
}

TEST_F(Help, SettingsDialogChangesTheCompressorsValue) {
    const int index = FindCompressor(true);
    ASSERT_GE(index, 0) << "no compressor with a setting (MPEG-4's quantiser is expected)";
    Compressors& list = Compressors::Instance();
    const CompressorSetting before = list.Setting(index);
    const int wanted = before.value == before.maximum ? before.minimum : before.value + 1;

    // Compression switched off does not stop the settings from opening.
    ui->chkEnableVideoCompressor->setChecked(false);
    ui->cboVideoCompressor->setCurrentIndex(index);
    CompressorSettingsDialog::ShownHook() = [&](CompressorSettingsDialog* d) {
        EXPECT_EQ(d->spnValue->minimum(), before.minimum);
        EXPECT_EQ(d->spnValue->maximum(), before.maximum);
        EXPECT_EQ(d->spnValue->value(), before.value);
        d->spnValue->setValue(wanted);
        d->cmdOK->click();
    };
    {
        uitest::ModalGuard guard;
        ui->Command5->click();
        EXPECT_FALSE(guard.Fired());
    }
    EXPECT_EQ(list.Setting(index).value, wanted);

    // Cancel keeps the value.
    CompressorSettingsDialog::ShownHook() = [&](CompressorSettingsDialog* d) {
        d->spnValue->setValue(before.value);
        d->cmdCancel->click();
    };
    {
        uitest::ModalGuard guard;
        ui->Command5->click();
        EXPECT_FALSE(guard.Fired());
    }
    EXPECT_EQ(list.Setting(index).value, wanted);
    list.SetSettingValue(index, before.value);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(Help, InfoDialogShowsItsTextsAndLink) {
    bool opened = false;
    frmInfo::ShownHook() = [&](frmInfo* d) {
        opened = true;
        EXPECT_TRUE(d->isModal());
        EXPECT_EQ(d->windowTitle(), "Info");
        // As large as it was made, or as the screen has room for with its
        // frame (800x600 here).
        const QSize frame = d->frameGeometry().size() - d->size();
        EXPECT_EQ(d->size(),
                  QSize(1079, 538).boundedTo(d->screen()->availableGeometry().size() - frame));
        EXPECT_EQ(d->Label1->text(), "Text to Speech:");
        EXPECT_TRUE(d->Label1->font().bold());
        EXPECT_EQ(d->Label2->text(),
                  "Always test a your content (text to speech)  before creating a video (select a "
                  "voice and click the test button).");
        EXPECT_EQ(d->Label5->text(), "Option 2: Their voice files are missing.");
        // The help speaks of this system: its speech engines and compressors.
        for (QLabel* l : d->findChildren<QLabel*>()) {
            for (const char* elsewhere : {"SAPI", "Windows", "Microsoft"})
                EXPECT_FALSE(l->text().contains(elsewhere)) << l->objectName().toStdString();
        }
        EXPECT_TRUE(d->Label7->text().contains("apt-get install"))
            << d->Label7->text().toStdString();
        EXPECT_EQ(d->Label9->text(), "Here's a Link that may help:");
        EXPECT_EQ(d->Label20->text(),
                  "A: Create a video without a compressor. If everything works ok without a "
                  "compressor, then you need to pick another compresor.");
        EXPECT_EQ(d->Label21->text(),
                  "We strongly recommend you to make a test video with a compressor. Once that "
                  "everyhing goes ok, go on with a real project.");
        EXPECT_EQ(d->Label8->text(), frmInfo::SpeechDownloadAddress());
        EXPECT_EQ(d->Command1->text(), "Close");

        // Every text lies inside its page, in its column, clear of the
        // others; Close is below the page's scrolling area.
        const QList<QLabel*> labels = d->findChildren<QLabel*>();
        const auto* scroll = d->findChild<QWidget*>("infoScroll");
        ASSERT_NE(scroll, nullptr);
        EXPECT_FALSE(scroll->geometry().intersects(d->Command1->geometry()));
        EXPECT_TRUE(d->rect().contains(d->Command1->geometry()));
        for (QLabel* l : labels) {
            EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry()))
                << l->objectName().toStdString();
            if (l->wordWrap()) {
                EXPECT_LE(l->heightForWidth(l->width()), l->height())
                    << l->objectName().toStdString();
            }
            for (QLabel* other : labels) {
                if (other == l) continue;
                EXPECT_FALSE(l->geometry().intersects(other->geometry()))
                    << l->objectName().toStdString() << " / " << other->objectName().toStdString();
            }
        }

        uitest::Click(d->Label8);
        d->Command1->click();
    };
    uitest::ModalGuard guard;
    uitest::Click(ui->Label8);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(guard.Fired()) << "Close did not close the dialog";
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], QUrl("https://github.com/espeak-ng/espeak-ng/releases"));
}

}  // namespace
