// Background music through the window's controls: choosing the file and the
// check box.
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

#include "Controls.h"
#include "MsgBox.h"
#include "MusicChooser.h"
#include "TestSupport.h"
#include "WindowUi.h"
#include "frmVSL.h"

namespace {

class MusicWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        app = testsupport::FreshAppFolder(QString("music_") + info->name());
        QDir().mkpath(app + "/output");
        oldBox = SetMsgBoxHandler([](const MsgBoxCall&) { return QMessageBox::Ok; });
        w = std::make_unique<frmVSL>();
        ui = std::make_unique<testsupport::Ui>(w.get());
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

    QString app;
    std::unique_ptr<frmVSL> w;
    std::unique_ptr<testsupport::Ui> ui;
    int chooserCalls = 0;
    QString chooserAnswer;
    MusicChooser oldChooser;
    MsgBoxHandler oldBox;
};

}  // namespace

TEST_F(MusicWindow, CheckingTheBoxWithoutAFileOpensTheChooserAndTurnsReductionOn) {
    ASSERT_EQ(ui->Frame1->parentWidget(), ui->frTab[0]);
    ui->chkNoCut->setChecked(false);
    chooserAnswer = "";  // cancelled
    ui->chkAddBackgroundMusic->click();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_TRUE(ui->chkNoCut->isChecked()) << "checked even when the chooser was cancelled";
    EXPECT_TRUE(ui->lblSelectedMP3->text().isEmpty());

    // Unchecking does nothing else.
    ui->chkNoCut->setChecked(false);
    ui->chkAddBackgroundMusic->click();
    EXPECT_FALSE(ui->chkAddBackgroundMusic->isChecked());
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_FALSE(ui->chkNoCut->isChecked());

    // A file already chosen: checking opens nothing.
    ui->lblSelectedMP3->SetPath("/music/song.mp3");
    ui->chkAddBackgroundMusic->click();
    EXPECT_TRUE(ui->chkAddBackgroundMusic->isChecked());
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_FALSE(ui->chkNoCut->isChecked());
}

TEST_F(MusicWindow, SelectButtonSetsAndCancelClearsTheChoice) {
    chooserAnswer = "/music/my song.mp3";
    ui->cmdSelectMP3->click();
    EXPECT_EQ(ui->lblSelectedMP3->text(), "/music/my song.mp3");

    chooserAnswer = "";
    ui->cmdSelectMP3->click();
    EXPECT_EQ(chooserCalls, 2);
    EXPECT_TRUE(ui->lblSelectedMP3->text().isEmpty());

    // With the choice cleared and music on, a batch asks for the music first.
    std::vector<MsgBoxCall> boxes;
    SetMsgBoxHandler([&](const MsgBoxCall& call) {
        boxes.push_back(call);
        return QMessageBox::Ok;
    });
    ui->chkAddBackgroundMusic->setChecked(true);
    ui->Command1->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select a background music for your video.");
    EXPECT_TRUE(ui->txtCommand->toPlainText().isEmpty());
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
    ui->cmdSelectMP3->click();
    poll.stop();
    ASSERT_TRUE(handled);
    EXPECT_EQ(title, "Select File");
    EXPECT_EQ(startDir, QDir::homePath());
    EXPECT_EQ(filters, "MP3 Files (*.mp3)");
    listed.sort();
    EXPECT_EQ(listed, QStringList({"B.MP3", "a.mp3", "c.Mp3"}));
    EXPECT_EQ(ui->lblSelectedMP3->text(), dir + "/B.MP3");
}
