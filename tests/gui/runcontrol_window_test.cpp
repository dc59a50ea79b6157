// Run state and the monitors of the window.
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "AppFolder.h"
#include "WindowFixture.h"

namespace {

using RunControl = testsupport::WindowTest;

void Touch(const QString& path, int bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

TEST_F(RunControl, CountdownAndBlink) {
    window->iCountdown = 25;
    window->lblStatus->setText("Creating Video 1 / 1 ...");
    for (int i = 0; i < 25; ++i) window->tmrCountdown_Timer();
    EXPECT_EQ(window->lblStatus->text(), "Creating Video 1 / 1 ...");
    window->tmrCountdown_Timer();
    EXPECT_EQ(window->lblStatus->text(), "Finishing Video...");

    window->show();
    window->shRunning->show();
    window->tmrShRunning_Timer();
    EXPECT_FALSE(window->shRunning->isVisible());
    window->tmrShRunning_Timer();
    EXPECT_TRUE(window->shRunning->isVisible());
}

TEST_F(RunControl, IdleOnlyAfterTheLastKeywordAndTheUsersFilesStay) {
    window->show();
    window->lstKeywords->addItems({"a", "b", "c"});
    window->SetRunState(false);
    EXPECT_FALSE(window->Command1->isEnabled());
    EXPECT_FALSE(window->Command5->isEnabled());
    EXPECT_FALSE(window->cmdOpenOutputFolder->isEnabled());
    EXPECT_TRUE(window->shRunning->isVisible());

    QDir().mkpath(folder + "/output");
    for (const char* name : {"a.wav", "old.wav", ".net.wav", "tmp9999.mp3", "a.avi"})
        Touch(folder + "/output/" + name, 10);

    window->lstKeywords->setCurrentRow(0);
    window->lblStatusIndividual->clear();
    window->SetRunState(true);
    EXPECT_EQ(window->lblStatusIndividual->text(), "1");
    EXPECT_FALSE(window->Command1->isEnabled());
    EXPECT_TRUE(QFile::exists(folder + "/output/a.wav"));

    window->lstKeywords->setCurrentRow(2);
    window->SetRunState(true);
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_TRUE(window->Command5->isEnabled());
    EXPECT_TRUE(window->cmdOpenOutputFolder->isEnabled());
    EXPECT_FALSE(window->shRunning->isVisible());
    EXPECT_EQ(window->lblStatus->text(), "Ready.");
    // A batch's narrations live in its own scratch folder: what is in the
    // output folder is the user's (recordings included) and stays.
    for (const char* name : {"a.wav", "old.wav", ".net.wav", "tmp9999.mp3", "a.avi"})
        EXPECT_TRUE(QFile::exists(folder + "/output/" + name)) << name;
}

}  // namespace
