// The window without a mouse: from start-up, every panel reached and the demo
// videos made with keys alone; the shortcuts, the focusable links, Tab out of
// the ad copy, Escape during a batch and the progress in the title.
#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include "MediaProbe.h"
#include "TestSupport.h"
#include "WindowFixture.h"
#include "frmInfo.h"

namespace {

class Keyboard : public testsupport::WindowTest {
protected:
    void Show() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000)) << "the window is not active";
    }
    QWidget* Focus() const { return QApplication::focusWidget(); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        // A dialog closed hands the keyboard back to the window.
        if (!window->isActiveWindow()) {
            window->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
        }
        QWidget* to = Focus() ? Focus() : window.get();
        QTest::keyClick(to, Qt::Key(key), modifiers);
    }
    // Presses Tab until `target` has the focus (at most 300 times); every
    // control passed on the way is kept in `reached`.
    bool TabTo(QWidget* target) {
        for (int i = 0; i < 300 && Focus() != target; ++i) {
            Key(Qt::Key_Tab);
            if (Focus()) reached << Focus()->objectName();
        }
        return Focus() == target;
    }
    QStringList reached;
};

TEST_F(Keyboard, FromStartUpEveryPanelAndTheDemoVideosWithKeysOnly) {
    ASSERT_TRUE(testsupport::CopyDemoData(folder));
    NewWindow();
    ASSERT_NO_FATAL_FAILURE(Show());

    // The panel headers, the ad-copy headers and the blue links are in the
    // focus chain; Tab reaches "Create Demo Project" and Space presses it.
    ASSERT_TRUE(TabTo(ui->cmdCreateDemoProject));
    // Once round the whole chain.
    Key(Qt::Key_Tab);
    ASSERT_TRUE(TabTo(ui->cmdCreateDemoProject));
    for (const char* name : {"lblMenu_0", "lblMenu_1", "lblMenu_2", "lblAdCopy_1", "Label20",
                             "Label31", "cmdOpenProject", "cmdRecentProjects"})
        EXPECT_TRUE(reached.contains(name)) << name << " is not reached by Tab";
    Key(Qt::Key_Space);
    ASSERT_EQ(ui->lstKeywords->count(), 7);
    ASSERT_EQ(ui->lstTo->count(), 6);

    // A panel header with the focus: Enter shows its panel.
    ASSERT_TRUE(TabTo(ui->lblMenu[1]));
    Key(Qt::Key_Return);
    EXPECT_TRUE(ui->frTab[1]->isVisible());
    EXPECT_FALSE(ui->frTab[0]->isVisible());

    // Ctrl+1: the first panel, the keyboard on it. The quick voice with the
    // arrow keys.
    Key(Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(ui->frTab[0]->isVisible());
    EXPECT_TRUE(ui->frTab[0]->isAncestorOf(Focus()));
    ASSERT_TRUE(TabTo(ui->List1));
    int quick = -1;
    for (int i = 0; i < ui->List1->count() && quick < 0; ++i)
        if (ui->List1->itemText(i).contains("espeak") &&
            ui->List1->itemText(i).contains("English (America)"))
            quick = i;
    ASSERT_GE(quick, 0);
    // The box takes typed text too: the arrows step through its entries.
    for (int i = ui->List1->currentIndex(); i > quick; --i) Key(Qt::Key_Up);
    for (int i = ui->List1->currentIndex(); i < quick; ++i) Key(Qt::Key_Down);
    ASSERT_EQ(ui->List1->currentIndex(), quick);

    // Ctrl+PgDown: the second ad copy, typed into; Tab leaves it without a tab.
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(ui->txtArticle[1]->isVisible());
    EXPECT_FALSE(ui->vAdCopy[1]->NotSelected());
    EXPECT_EQ(Focus(), ui->txtArticle[1]);
    QTest::keyClicks(Focus(), "More.");
    Key(Qt::Key_Tab);
    EXPECT_NE(Focus(), ui->txtArticle[1]);
    EXPECT_EQ(ui->txtArticle[1]->toPlainText(), "More.");
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_TRUE(ui->txtArticle[0]->isVisible());
    EXPECT_EQ(Focus(), ui->txtArticle[0]);
    // Only the demo's own copy is narrated.
    ui->txtArticle[1]->clear();

    Key(Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(ui->frTab[1]->isVisible());
    EXPECT_TRUE(ui->frTab[1]->isAncestorOf(Focus()));
    // The smallest resolution, chosen with the arrow keys.
    Key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_TRUE(ui->frTab[2]->isVisible());
    ASSERT_TRUE(TabTo(ui->cboResolution));
    for (int i = 0; i < 5 && ui->cboResolution->currentData() != "240p"; ++i) Key(Qt::Key_Down);
    ASSERT_EQ(ui->cboResolution->currentData().toString(), "240p");

    // Ctrl+Return makes the videos; the title shows how far; Escape asks
    // whether to stop (No: the batch goes on).
    QStringList titles;
    QObject::connect(window.get(), &frmVSL::batchProgress, window.get(),
            [&] { titles << window->windowTitle(); });
    bool escaped = false;
    QObject::connect(window.get(), &frmVSL::videoFinished, window.get(), [&] {
        if (escaped) return;
        escaped = true;
        answer = QMessageBox::No;
        Key(Qt::Key_Escape);
        answer = QMessageBox::Yes;
    });
    QSignalSpy ended(window.get(), &frmVSL::batchEnded);
    Key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(window->IsRunning()) << (boxes.empty() ? "" : boxes.back().text.toStdString());
    ASSERT_TRUE(ended.wait(600000)) << "the demo batch did not end in 10 minutes";

    ASSERT_TRUE(escaped);
    const auto stopQuestion = std::find_if(boxes.begin(), boxes.end(), [](const MsgBoxCall& c) {
        return c.text.startsWith("Stop making the videos?");
    });
    EXPECT_NE(stopQuestion, boxes.end());
    ASSERT_FALSE(titles.isEmpty());
    EXPECT_TRUE(titles.last().endsWith("% \u00b7 Vid Mill")) << titles.last().toStdString();
    EXPECT_EQ(window->windowTitle().contains("%"), false);
    EXPECT_TRUE(window->LastBatchFailures().isEmpty())
        << window->LastBatchFailures().join("\n").toStdString();
    const QStringList videos = QDir(folder + "/output").entryList({"*.avi"}, QDir::Files);
    EXPECT_EQ(videos.size(), 7) << videos.join(", ").toStdString();
    const auto info = testsupport::ProbeMedia(folder + "/output/teeth whitening.avi");
    ASSERT_TRUE(info.ok) << info.error.toStdString();
    EXPECT_EQ(info.height, 240);
    EXPECT_TRUE(info.hasAudio);
}

TEST_F(Keyboard, LinksAndHelpOpenFromTheKeyboardAndShowTheShortcuts) {
    ASSERT_NO_FATAL_FAILURE(Show());
    int shown = 0;
    QString help;
    frmInfo::ShownHook() = [&](frmInfo* info) {
        ++shown;
        help = testsupport::Find<QLabel>(info, "lblKeyboard")->text();
        info->accept();
    };
    ui->Label8->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Space);
    EXPECT_EQ(shown, 1);
    Key(Qt::Key_F1);
    EXPECT_EQ(shown, 2);
    frmInfo::ShownHook() = nullptr;
    for (const char* keys : {"Ctrl+1", "Ctrl+PgDown", "Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Shift+S",
                             "Ctrl+Return", "Escape", "F1", "Ctrl+Q"})
        EXPECT_TRUE(help.contains(keys)) << keys;
    EXPECT_TRUE(ui->Command1->toolTip().contains("Ctrl+Return"));
    EXPECT_TRUE(ui->cmdStop->toolTip().contains("Esc"));
    EXPECT_TRUE(ui->cmdSaveProject->toolTip().contains("Ctrl+Shift+S"));
    EXPECT_TRUE(ui->cmdOpenProject->toolTip().contains("Ctrl+O"));

    // "Insert #KEYWORD# Tag" with Enter puts the tag into the page.
    ui->txtArticle[0]->clear();
    ui->Label31->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Return);
    EXPECT_EQ(ui->txtArticle[0]->toPlainText(), "#KEYWORD#");

    // Ctrl+N: after the question, a new project from the defaults.
    ui->lstKeywords->addItem("garden");
    answer = QMessageBox::Cancel;
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(ui->lstKeywords->count(), 1) << "Cancel keeps the project";
    answer = QMessageBox::Discard;
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(ui->lstKeywords->count(), 0);
    EXPECT_FALSE(window->IsModified());
}

}  // namespace
