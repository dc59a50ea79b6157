// Run state and the monitors of the window.
#include <QDir>
#include <QFile>

#include "AppFolder.h"
#include "HeaderBar.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

using RunControl = testsupport::WindowTest;

void Touch(const QString& path, int bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

void Tick(QTimer* timer) {
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
}

TEST_F(RunControl, CountdownAndBlink) {
    auto* header = testsupport::Find<HeaderBar>(window.get(), "Picture1");
    header->StartCountdown(25);
    ui->lblStatus->setText("Creating Video 1 / 1 ...");
    for (int i = 0; i < 25; ++i) Tick(ui->tmrCountdown);
    EXPECT_EQ(ui->lblStatus->text(), "Creating Video 1 / 1 ...");
    Tick(ui->tmrCountdown);
    EXPECT_EQ(ui->lblStatus->text(), "Finishing Video...");
    header->StopCountdown();

    window->show();
    header->ShowRunning(true);
    EXPECT_TRUE(ui->tmrShRunning->isActive());
    Tick(ui->tmrShRunning);
    EXPECT_FALSE(ui->shRunning->isVisible());
    Tick(ui->tmrShRunning);
    EXPECT_TRUE(ui->shRunning->isVisible());
}

TEST_F(RunControl, IdleOnlyAfterTheLastKeywordAndTheUsersFilesStay) {
    window->show();
    ASSERT_TRUE(SelectQuickVoice());
    ui->txtArticle[0]->setPlainText("Call a #KEYWORD# today.");
    ASSERT_TRUE(testsupport::WriteSolidImage(folder + "/red.jpg", 320, 240, Qt::red));
    ui->lstTo->addItem(folder + "/red.jpg");
    ui->cboSeconds->setCurrentText("1");
    ui->cboResolution->setCurrentIndex(4);
    ui->lstKeywords->addItems({"a", "b", "c"});

    QDir().mkpath(folder + "/output");
    for (const char* name : {"a.wav", "old.wav", ".net.wav", "tmp9999.mp3", "old.avi"})
        Touch(folder + "/output/" + name, 10);

    // After each video but the last the window still looks busy.
    QStringList seen;
    QObject::connect(window.get(), &frmVSL::videoFinished, [&] {
        seen << QString("%1%2%3%4")
                    .arg(ui->Command1->isEnabled())
                    .arg(ui->Command5->isEnabled())
                    .arg(ui->cmdOpenOutputFolder->isEnabled())
                    .arg(ui->shRunning->isVisible() || ui->tmrShRunning->isActive());
    });
    ASSERT_TRUE(MakeVideos());
    EXPECT_EQ(seen, QStringList({"0001", "0001", "0001"}));
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_TRUE(ui->Command5->isEnabled());
    EXPECT_TRUE(ui->cmdOpenOutputFolder->isEnabled());
    EXPECT_FALSE(ui->shRunning->isVisible());
    EXPECT_EQ(ui->lblStatus->text(), "Ready.");
    // A batch's narrations live in its own scratch folder: what is in the
    // output folder is the user's (recordings included) and stays.
    for (const char* name : {"a.wav", "old.wav", ".net.wav", "tmp9999.mp3", "old.avi"})
        EXPECT_TRUE(QFile::exists(folder + "/output/" + name)) << name;
}

}  // namespace
