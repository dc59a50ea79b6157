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
#include "WindowUi.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

class WindowStartup : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("window_startup");
        window = std::make_unique<frmVSL>();
        ui = std::make_unique<testsupport::Ui>(window.get());
        window->show();
    }
    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
    std::unique_ptr<testsupport::Ui> ui;
};

TEST_F(WindowStartup, OpensOnTheFirstPanelAndTheFirstAdCopy) {
    testsupport::Ui& w = *ui;
    EXPECT_EQ(window->windowTitle(), "Vid Mill v2.5.5");
    EXPECT_EQ(w.Label6->text(), "Vid Mill");
    EXPECT_EQ(w.Label9->text(), "");
    EXPECT_EQ(window->findChild<QWidget*>("client")->size(), QSize(923, 541));

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
    // The placeholder comes with the voices; without them the page stays
    // empty and the failure was reported.
    if (w.List1->count() > 0)
        EXPECT_EQ(w.txtArticle[0]->toPlainText(), "Enter your content here.");
    else
        EXPECT_EQ(w.txtArticle[0]->toPlainText(), "");
}

TEST_F(WindowStartup, SpeechObjectsAndVoicesAreReady) {
    // espeak-ng is installed on every machine the program is built on.
    ASSERT_GT(ui->List1->count(), 0) << "no voices were listed at start-up";
    EXPECT_EQ(ui->txtArticle[0]->toPlainText(), "Enter your content here.");
    for (const MsgBoxCall& call : boxes.calls)
        EXPECT_NE(call.title, "Not Supported") << call.text.toStdString();
}

TEST_F(WindowStartup, ChoiceListsAndOptionsHaveTheirDefaults) {
    testsupport::Ui& w = *ui;
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
    EXPECT_EQ(w.prgRender->value(), 0);

    EXPECT_GT(w.Drive1->count(), 0);
    EXPECT_EQ(w.Dir1->Path(), QDir::currentPath());
    // Nothing to save yet.
    EXPECT_FALSE(window->IsModified());
}

TEST_F(WindowStartup, CompressorListFollowsTheComponent) {
    const Compressors& list = Compressors::Instance();
    ASSERT_EQ(ui->cboVideoCompressor->count(), list.Count());
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(ui->cboVideoCompressor->itemText(i), list.Name(i)) << i;
    if (list.Count() > 0) {
        EXPECT_EQ(ui->cboVideoCompressor->currentIndex(), list.DefaultIndex());
    }
}

TEST_F(WindowStartup, TimersMenusAndTheSettingsABatchStartsFrom) {
    testsupport::Ui& w = *ui;
    EXPECT_FALSE(w.tmrShRunning->isActive());
    EXPECT_EQ(w.tmrShRunning->interval(), 200);
    EXPECT_FALSE(w.tmrCountdown->isActive());
    EXPECT_EQ(w.tmrCountdown->interval(), 1000);

    // A project field left out gets what the window shows at start-up,
    // whether the window or vidmill-batch opens the project.
    const QString saved = vm::AppFolder() + "/startup.json";
    QString error;
    ASSERT_TRUE(window->SaveProject(saved, &error)) << error.toStdString();
    vm::Settings fromWindow;
    ASSERT_TRUE(vm::ReadProjectFile(saved, &fromWindow, &error)) << error.toStdString();
    QStringList voices;
    for (int i = 0; i < w.List1->count(); ++i) voices << w.List1->itemText(i);
    EXPECT_EQ(QString(vm::WriteProject(fromWindow)),
              QString(vm::WriteProject(vm::MachineDefaults(voices, Compressors::Instance()))));
    ASSERT_EQ(w.mnuKeywords->actions().size(), 4);
    EXPECT_EQ(w.mnuEditKeywords->text(), "Edit");
    EXPECT_EQ(w.mnuDeleteAllKeywords->text(), "Delete All");
    EXPECT_EQ(w.mnuCancelKeywords->text(), "Cancel");
}

TEST_F(WindowStartup, EveryControlIsFoundByItsName) {
    // The controls a user acts on were found by the fixture's Ui; these are
    // the texts and frames around them: each name once, on a control of its
    // kind.
    const std::vector<std::pair<const char*, const char*>> named = {
        {"Label1", "QLabel"},        {"Label2", "QLabel"},        {"Label28", "QLabel"},
        {"Label29", "QLabel"},       {"Label30", "QLabel"},       {"Label35", "QLabel"},
        {"lblSpeechRate", "QLabel"}, {"Label3", "QLabel"},        {"Label10", "QLabel"},
        {"Label11", "QLabel"},       {"Label12", "QLabel"},       {"Label13", "QLabel"},
        {"Label14", "QLabel"},       {"lblTransitionSeconds", "QLabel"},
        {"lblMotionStrength", "QLabel"}, {"Label16", "QLabel"},   {"Label17", "QLabel"},
        {"Label23", "QLabel"},       {"Label24", "QLabel"},       {"Label25", "QLabel"},
        {"Label26", "QLabel"},       {"Label7", "QLabel"},        {"Label32", "QLabel"},
        {"Label33", "QLabel"},       {"grpUpload", "QGroupBox"},  {"frmVSL", "QMainWindow"}};
    for (const auto& [name, kind] : named) {
        const QList<QObject*> found = window->findChildren<QObject*>(name);
        const bool self = window->objectName() == name;
        ASSERT_EQ(found.size() + (self ? 1 : 0), 1) << name;
        EXPECT_TRUE((self ? window.get() : found[0])->inherits(kind)) << name;
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ui->lblAdCopy[i]->text(), QString("Ad Copy %1").arg(i + 1));
}

TEST_F(WindowStartup, FixedGeometryOfHeadersAndPages) {
    testsupport::Ui& w = *ui;
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
        QGroupBox* panel = ui->frTab[p];
        std::vector<QWidget*> shown;
        for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isHidden() || child == ui->Shape1) continue;
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
    QWidget* client = window->findChild<QWidget*>("client");
    std::vector<QWidget*> shown;
    for (QWidget* child : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden() || child == ui->Picture1) continue;
        if (std::find(ui->frTab.begin(), ui->frTab.end(), child) != ui->frTab.end())
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
    EXPECT_EQ(w.FfmpegPath(), FindFfmpeg(vm::AppFolder()));
    EXPECT_FALSE(w.FfmpegPath().contains("//"));
}

}  // namespace
