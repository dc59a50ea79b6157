// The main window as it opens: controls, defaults, layout and start-up rules.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>

#include "AppFolder.h"
#include "AppPaths.h"
#include "BatchSettings.h"
#include "Compressors.h"
#include "Controls.h"
#include "ProjectFile.h"
#include "SpVoice.h"
#include "TestSupport.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

class WindowStartup : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("window_startup");
        window = std::make_unique<frmVSL>();
        window->show();
    }
    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
};

TEST_F(WindowStartup, OpensOnTheFirstPanelAndTheFirstAdCopy) {
    frmVSL& w = *window;
    EXPECT_EQ(w.windowTitle(), "Vid Mill v2.5.5");
    EXPECT_EQ(w.Label6->text(), "Vid Mill");
    EXPECT_EQ(w.Label9->text(), "");
    EXPECT_EQ(w.centralWidget()->size(), QSize(923, 541));

    EXPECT_TRUE(w.frTab[0]->isVisible());
    EXPECT_FALSE(w.frTab[1]->isVisible());
    EXPECT_FALSE(w.frTab[2]->isVisible());
    EXPECT_FALSE(w.vMenu[0]->NotSelected());
    EXPECT_TRUE(w.vMenu[1]->NotSelected());
    EXPECT_TRUE(w.vMenu[2]->NotSelected());

    EXPECT_FALSE(w.vAdCopy[0]->NotSelected());
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(w.vAdCopy[i]->NotSelected()) << i;
    EXPECT_TRUE(w.txtArticle[0]->isVisible());
    for (int i = 1; i < 4; ++i) {
        EXPECT_FALSE(w.txtArticle[i]->isVisible()) << i;
        EXPECT_EQ(w.txtArticle[i]->toPlainText(), "") << i;
        EXPECT_EQ(w.txtArticle[i]->geometry(), w.txtArticle[0]->geometry()) << i;
    }
    // The placeholder comes with the speech objects; without them the page
    // stays empty and the failure was reported.
    if (w.oVoice)
        EXPECT_EQ(w.txtArticle[0]->toPlainText(), "Enter your content here.");
    else
        EXPECT_EQ(w.txtArticle[0]->toPlainText(), "");
}

TEST_F(WindowStartup, SpeechObjectsAndVoicesAreReady) {
    // espeak-ng is installed on every machine the program is built on.
    ASSERT_TRUE(window->oVoice) << "the speech objects were not created at start-up";
    EXPECT_GT(window->List1->count(), 0);
    EXPECT_EQ(window->txtArticle[0]->toPlainText(), "Enter your content here.");
    for (const MsgBoxCall& call : boxes.calls)
        EXPECT_NE(call.title, "Not Supported") << call.text.toStdString();
}

TEST_F(WindowStartup, ChoiceListsAndOptionsHaveTheirDefaults) {
    frmVSL& w = *window;
    EXPECT_EQ(w.cboSeconds->count(), 3);
    EXPECT_EQ(w.cboSeconds->currentText(), "3");
    EXPECT_EQ(w.cboSeconds->itemText(2), "5");
    ASSERT_EQ(w.cboResolution->count(), 5);
    EXPECT_EQ(w.cboResolution->currentText(), "480p");
    EXPECT_EQ(w.cboResolution->currentIndex(), 2);
    EXPECT_EQ(w.cboResolution->itemText(0), "1080p (HD)");
    EXPECT_EQ(w.cboResolution->itemText(4), "240p");
    ASSERT_EQ(w.cboImageAdjust->count(), 2);
    EXPECT_EQ(w.cboImageAdjust->currentIndex(), 0);
    EXPECT_EQ(w.cboImageAdjust->currentText(), "Show the last image until the audio ends");
    EXPECT_EQ(w.cboImageAdjust->itemText(1), "Show the images again until the audio ends");
    EXPECT_TRUE(w.chkTransitions->isChecked());
    EXPECT_TRUE(w.chkRandomize->isChecked());
    EXPECT_TRUE(w.chkEnableVideoCompressor->isChecked());

    // Music starts off; its group sits in the Text to Speech panel, under the
    // ad copy.
    EXPECT_EQ(w.Frame1->parentWidget(), w.frTab[0]);
    EXPECT_FALSE(w.Frame1->isHidden());
    EXPECT_FALSE(w.chkAddBackgroundMusic->isChecked());
    EXPECT_FALSE(w.chkDuckMusic->isChecked());
    EXPECT_FALSE(w.spnDuckDb->isEnabled());
    EXPECT_FALSE(w.chkMotion->isChecked());
    EXPECT_EQ(w.cboTransitionSet->currentData().toString(), "ten");
    EXPECT_EQ(w.spnSpeechRate->value(), 1.0);
    EXPECT_FALSE(w.chkNoCut->isChecked());
    EXPECT_EQ(w.lblSelectedMP3->text(), "");

    EXPECT_EQ(w.lstKeywords->count(), 0);
    EXPECT_EQ(w.lstFrom->count(), 0);
    EXPECT_EQ(w.lstTo->count(), 0);
    EXPECT_EQ(w.lblImagesCount->text(), "0");
    EXPECT_EQ(w.lblStatus->text(), "");
    EXPECT_TRUE(w.shRunning->isHidden());
    EXPECT_EQ(w.txtFilename->text(), "myfile");
    EXPECT_EQ(w.File1->Pattern(), "*.jpg;*.gif");
    EXPECT_EQ(w.fileWav->Pattern(), "*.wav");
    EXPECT_EQ(w.prgRender->value(), 0);

    EXPECT_GT(w.Drive1->count(), 0);
    EXPECT_EQ(w.Dir1->Path(), QDir::currentPath());
    EXPECT_EQ(w.iAudioLength, 0);
    EXPECT_EQ(w.iMusicCutLength, 0);
}

TEST_F(WindowStartup, CompressorListFollowsTheComponent) {
    const Compressors& list = Compressors::Instance();
    ASSERT_EQ(window->cboVideoCompressor->count(), list.Count());
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(window->cboVideoCompressor->itemText(i), list.Name(i)) << i;
    if (list.Count() > 0) {
        EXPECT_EQ(window->cboVideoCompressor->currentIndex(), list.DefaultIndex());
    }
}

TEST_F(WindowStartup, TimersMenusAndTheSettingsABatchStartsFrom) {
    frmVSL& w = *window;
    EXPECT_FALSE(w.tmrShRunning->isActive());
    EXPECT_EQ(w.tmrShRunning->interval(), 200);
    EXPECT_FALSE(w.tmrCountdown->isActive());
    EXPECT_EQ(w.tmrCountdown->interval(), 1000);

    // A project field left out gets what the window shows at start-up,
    // whether the window or vidmill-batch opens the project.
    const QString saved = vm::AppFolder() + "/startup.json";
    QString error;
    ASSERT_TRUE(w.SaveProject(saved, &error)) << error.toStdString();
    vm::Settings fromWindow;
    ASSERT_TRUE(vm::ReadProjectFile(saved, &fromWindow, &error)) << error.toStdString();
    QStringList voices;
    for (int i = 0; i < w.List1->count(); ++i) voices << w.List1->itemText(i);
    EXPECT_EQ(QString(vm::WriteProject(fromWindow)),
              QString(vm::WriteProject(vm::MachineDefaults(voices, Compressors::Instance()))));
    ASSERT_EQ(w.mnuKeywords->actions().size(), 3);
    EXPECT_EQ(w.mnuEditKeywords->text(), "Edit");
    EXPECT_EQ(w.mnuDeleteAllKeywords->text(), "Delete All");
    EXPECT_EQ(w.mnuCancelKeywords->text(), "Cancel");
}

TEST_F(WindowStartup, EveryControlIsFoundByItsName) {
    frmVSL& w = *window;
    const std::vector<std::pair<const char*, QObject*>> named = {
        {"Picture1", w.Picture1},
        {"Label6", w.Label6},
        {"Label9", w.Label9},
        {"lblStatus", w.lblStatus},
        {"shRunning", w.shRunning},
        {"Image1", w.Image1},
        {"Image2", w.Image2},
        {"Image6", w.Image6},
        {"cmdCreateDemoProject", w.cmdCreateDemoProject},
        {"Label8", w.Label8},
        {"Label1", w.Label1},
        {"List1", w.List1},
        {"Command2", w.Command2},
        {"Label2", w.Label2},
        {"Label20", w.Label20},
        {"Label19", w.Label19},
        {"Label28", w.Label28},
        {"Label31", w.Label31},
        {"Label29", w.Label29},
        {"cmdKeywords", w.cmdKeywords},
        {"lstKeywords", w.lstKeywords},
        {"Label30", w.Label30},
        {"Label35", w.Label35},
        {"Frame1", w.Frame1},
        {"chkAddBackgroundMusic", w.chkAddBackgroundMusic},
        {"cmdSelectMP3", w.cmdSelectMP3},
        {"chkNoCut", w.chkNoCut},
        {"Label15", w.Label15},
        {"lblSelectedMP3", w.lblSelectedMP3},
        {"Label3", w.Label3},
        {"Drive1", w.Drive1},
        {"Dir1", w.Dir1},
        {"lstFrom", w.lstFrom},
        {"Label27", w.Label27},
        {"Label22", w.Label22},
        {"Command3", w.Command3},
        {"Command6", w.Command6},
        {"Label11", w.Label11},
        {"lstTo", w.lstTo},
        {"Command4", w.Command4},
        {"Label14", w.Label14},
        {"lblImagesCount", w.lblImagesCount},
        {"Label12", w.Label12},
        {"cboSeconds", w.cboSeconds},
        {"Label13", w.Label13},
        {"cboImageAdjust", w.cboImageAdjust},
        {"chkTransitions", w.chkTransitions},
        {"chkRandomize", w.chkRandomize},
        {"Label10", w.Label10},
        {"ImagePreview", w.ImagePreview},
        {"Label16", w.Label16},
        {"cboResolution", w.cboResolution},
        {"Label17", w.Label17},
        {"chkEnableVideoCompressor", w.chkEnableVideoCompressor},
        {"cboVideoCompressor", w.cboVideoCompressor},
        {"Command5", w.Command5},
        {"Label18", w.Label18},
        {"Shape1", w.Shape1},
        {"Label23", w.Label23},
        {"Label24", w.Label24},
        {"Label25", w.Label25},
        {"Label26", w.Label26},
        {"Command1", w.Command1},
        {"cmdOpenOutputFolder", w.cmdOpenOutputFolder},
        {"Label7", w.Label7},
        {"Label32", w.Label32},
        {"Label33", w.Label33},
        {"Label34", w.Label34},
        {"prgRender", w.prgRender},
        {"txtFilename", w.txtFilename},
        {"lstAdCopies", w.lstAdCopies},
        {"txtArticle_old", w.txtArticle_old},
        {"txtArticleFinal", w.txtArticleFinal},
        {"lstTmpImages", w.lstTmpImages},
        {"txtCommand", w.txtCommand},
        {"lblStatusIndividual", w.lblStatusIndividual},
        {"File1", w.File1},
        {"fileWav", w.fileWav},
        {"tmrShRunning", w.tmrShRunning},
        {"tmrCountdown", w.tmrCountdown},
        {"mnuKeywords", w.mnuKeywords},
        {"mnuEditKeywords", w.mnuEditKeywords},
        {"mnuDeleteAllKeywords", w.mnuDeleteAllKeywords},
        {"mnuCancelKeywords", w.mnuCancelKeywords}};
    for (const auto& [name, member] : named) {
        ASSERT_NE(member, nullptr) << name;
        EXPECT_EQ(w.findChild<QObject*>(name), member) << name;
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.findChild<QObject*>(QString("frTab_%1").arg(i)), w.frTab[i]);
        EXPECT_EQ(w.findChild<QObject*>(QString("vMenu_%1").arg(i)), w.vMenu[i]);
        EXPECT_EQ(w.findChild<QObject*>(QString("lblMenu_%1").arg(i)), w.lblMenu[i]);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.findChild<QObject*>(QString("txtArticle_%1").arg(i)), w.txtArticle[i]);
        EXPECT_EQ(w.findChild<QObject*>(QString("vAdCopy_%1").arg(i)), w.vAdCopy[i]);
        EXPECT_EQ(w.findChild<QObject*>(QString("lblAdCopy_%1").arg(i)), w.lblAdCopy[i]);
        EXPECT_EQ(w.lblAdCopy[i]->text(), QString("Ad Copy %1").arg(i + 1));
    }
}

TEST_F(WindowStartup, FixedGeometryOfHeadersAndPages) {
    frmVSL& w = *window;
    EXPECT_EQ(w.Picture1->geometry(), QRect(0, 0, 923, 49));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w.frTab[i]->geometry(), QRect(33, 111, 853, 412)) << i;
    EXPECT_EQ(w.frTab[0]->title(), "Text To Speech");
    EXPECT_EQ(w.frTab[1]->title(), "Images ");
    EXPECT_EQ(w.frTab[2]->title(), "Make Video ");
    EXPECT_EQ(w.vMenu[0]->geometry(), QRect(30, 54, 142, 37));
    EXPECT_EQ(w.vMenu[1]->geometry(), QRect(183, 54, 100, 37));
    EXPECT_EQ(w.vMenu[2]->geometry(), QRect(291, 54, 124, 37));
    const int adLefts[] = {57, 153, 246, 339};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.vAdCopy[i]->geometry(), QRect(adLefts[i], 78, 88, 28)) << i;
        EXPECT_EQ(w.txtArticle[i]->geometry(), QRect(54, 117, 541, 157)) << i;
    }
    EXPECT_EQ(w.shRunning->size(), QSize(16, 16));
    EXPECT_EQ(w.Image1->size(), QSize(16, 16));
    EXPECT_FALSE(w.Image1->pixmap().isNull());
}

// What a person would see as broken: a control sticking out of its panel,
// two controls on top of each other, or a caption cut off.
TEST_F(WindowStartup, PanelsHoldTheirControlsWithoutOverlapOrCutText) {
    frmVSL& w = *window;
    for (int p = 0; p < 3; ++p) {
        w.ShowPanel(p);
        QGroupBox* panel = w.frTab[p];
        std::vector<QWidget*> shown;
        for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isHidden() || child == w.Shape1) continue;
            shown.push_back(child);
            const QRect inner = panel->rect().adjusted(2, 16, -2, -2);
            EXPECT_TRUE(inner.contains(child->geometry()))
                << child->objectName().toStdString() << " leaves panel " << p;
        }
        for (size_t a = 0; a < shown.size(); ++a)
            for (size_t b = a + 1; b < shown.size(); ++b)
                EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry()))
                    << shown[a]->objectName().toStdString() << " overlaps "
                    << shown[b]->objectName().toStdString();
    }
    std::vector<QWidget*> captions;
    for (QLabel* l : w.findChildren<QLabel*>()) captions.push_back(l);
    for (QPushButton* b : w.findChildren<QPushButton*>()) captions.push_back(b);
    for (QCheckBox* c : w.findChildren<QCheckBox*>()) captions.push_back(c);
    for (QWidget* c : captions) {
        const QString name = c->objectName();
        if (auto* label = qobject_cast<QLabel*>(c)) {
            // A path shortens itself to fit.
            if (label->text().isEmpty() || qobject_cast<PathLabel*>(label)) continue;
            if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height())
                    << name.toStdString();
                continue;
            }
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << name.toStdString();
            EXPECT_LE(label->fontMetrics().height(), label->height()) << name.toStdString();
        } else {
            EXPECT_LE(c->sizeHint().width(), c->width()) << name.toStdString();
        }
    }
}

TEST_F(WindowStartup, HeaderAndPanelStripAreClearOfEachOther) {
    QWidget* client = window->centralWidget();
    std::vector<QWidget*> shown;
    for (QWidget* child : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden() || child == window->Picture1) continue;
        if (std::find(window->frTab.begin(), window->frTab.end(), child) != window->frTab.end())
            continue;
        shown.push_back(child);
        EXPECT_TRUE(client->rect().contains(child->geometry()))
            << child->objectName().toStdString();
        EXPECT_GE(child->geometry().top(), 49) << child->objectName().toStdString();
        EXPECT_LE(child->geometry().bottom(), 110) << child->objectName().toStdString();
    }
    for (size_t a = 0; a < shown.size(); ++a)
        for (size_t b = a + 1; b < shown.size(); ++b)
            EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry()))
                << shown[a]->objectName().toStdString() << " overlaps "
                << shown[b]->objectName().toStdString();
}

TEST(FfmpegPath, BesideTheProgramWithSingleSeparators) {
    EXPECT_EQ(FfmpegBesideProgram("/"), "/ffmpeg");
    EXPECT_EQ(FfmpegBesideProgram("/opt/vidmill"), "/opt/vidmill/ffmpeg");
    EXPECT_EQ(FfmpegBesideProgram("/opt/vidmill/"), "/opt/vidmill/ffmpeg");
}

TEST(FfmpegPath, ProgramFolderFirstThenPath) {
    const QString folder = testsupport::FreshAppFolder("ffmpeg_path");
    const QString onPath = QStandardPaths::findExecutable("ffmpeg");
    ASSERT_FALSE(onPath.isEmpty()) << "ffmpeg is not installed";

    // A folder at the root (no ffmpeg there): the one on PATH.
    EXPECT_EQ(FindFfmpeg("/"), onPath);

    // A plain file named ffmpeg is not a program.
    QFile fake(folder + "/ffmpeg");
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\n");
    fake.close();
    EXPECT_EQ(FindFfmpeg(folder), onPath);

    ASSERT_TRUE(fake.setPermissions(fake.permissions() | QFile::ExeOwner));
    EXPECT_EQ(FindFfmpeg(folder), folder + "/ffmpeg");
    EXPECT_EQ(FindFfmpeg(folder + "/"), folder + "/ffmpeg");
}

TEST(FfmpegPath, WindowTakesTheRuleAtStartUp) {
    uitest::MsgBoxRecorder boxes;
    const QString folder = testsupport::FreshAppFolder("ffmpeg_window");
    frmVSL w;
    EXPECT_EQ(w.sFfmpegPath, FindFfmpeg(vm::AppFolder()));
    EXPECT_FALSE(w.sFfmpegPath.contains("//"));
}

}  // namespace
