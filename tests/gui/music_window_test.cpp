// Background music through the window's controls: choosing the file and the
// check box. The music group stays hidden in the window, so the tests drive
// its members directly.
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
    int chooserCalls = 0;
    QString chooserAnswer;
    MusicChooser oldChooser;
    MsgBoxHandler oldBox;
};

}  // namespace

TEST_F(MusicWindow, CheckingTheBoxWithoutAFileOpensTheChooserAndTurnsReductionOn) {
    ASSERT_EQ(w->Frame1->parentWidget(), w->frTab[0]);
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

    // With the choice cleared and music on, a batch asks for the music first.
    std::vector<MsgBoxCall> boxes;
    SetMsgBoxHandler([&](const MsgBoxCall& call) {
        boxes.push_back(call);
        return QMessageBox::Ok;
    });
    w->chkAddBackgroundMusic->setChecked(true);
    w->Command1_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select a background music for your video.");
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
