// The keyword list, its menu, the editor dialog and the exchange file.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>

#include "AppFolder.h"
#include "Helpers.h"
#include "SettingsTable.h"
#include "TestSupport.h"
#include "frmKeywords.h"
#include "WindowUi.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

class KeywordEditor : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("keywords");
        window = std::make_unique<frmVSL>();
        ui = std::make_unique<testsupport::Ui>(window.get());
        window->show();
    }
    void TearDown() override { frmKeywords::ShownHook() = nullptr; }

    // Opens the editor through the menu's "Edit"; `act` sees the open dialog
    // and must press Save or Cancel. Returns the text the editor opened with.
    QString Edit(const std::function<void(frmKeywords*)>& act) {
        QString shown;
        bool opened = false;
        frmKeywords::ShownHook() = [&](frmKeywords* dialog) {
            opened = true;
            EXPECT_EQ(dialog->windowTitle(), "Keywords");
            EXPECT_TRUE(dialog->isModal());
            shown = dialog->Text1->toPlainText();
            act(dialog);
        };
        uitest::ModalGuard guard;
        ui->mnuEditKeywords->trigger();
        EXPECT_TRUE(opened) << "the editor was not shown";
        EXPECT_FALSE(guard.Fired()) << "the editor stayed open";
        return shown;
    }
    static QString File() { return vm::UserPath("tmpKeywords.txt"); }

    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
    std::unique_ptr<testsupport::Ui> ui;
};

TEST_F(KeywordEditor, DialogTexts) {
    frmKeywords dialog(ui->lstKeywords);
    EXPECT_EQ(dialog.Label1->text(), "Keywords");
    EXPECT_EQ(dialog.Label2->text(), "Enter your keywords (one per line).");
    EXPECT_EQ(dialog.Command1->text(), "Save");
    EXPECT_EQ(dialog.Command2->text(), "Cancel");
}

TEST_F(KeywordEditor, RoundTripKeepsKeywordsAndOrder) {
    ui->lstKeywords->addItems({"plumber", "dentist"});
    const QString shown = Edit([](frmKeywords* d) { d->Command1->click(); });
    EXPECT_EQ(shown.split('\n', Qt::SkipEmptyParts), QStringList({"plumber", "dentist"}));
    EXPECT_EQ(Items(ui->lstKeywords), QStringList({"plumber", "dentist"}));
    EXPECT_EQ(vm::LoadList(File()), QStringList({"plumber", "dentist"}));
}

TEST_F(KeywordEditor, SavedLinesBecomeTheNewList) {
    ui->lstKeywords->addItems({"old"});
    Edit([](frmKeywords* d) {
        d->Text1->setPlainText("roofer\nbaker\ncar wash");
        d->Command1->click();
    });
    EXPECT_EQ(Items(ui->lstKeywords), QStringList({"roofer", "baker", "car wash"}));
}

TEST_F(KeywordEditor, EmptyListOpensEmptyEditorAndLeavesAnOldFileAlone) {
    ASSERT_TRUE(vm::SaveText("stale\nwords\n", File()));
    const QDateTime before = QFileInfo(File()).lastModified();
    const QString shown = Edit([](frmKeywords* d) { d->Command2->click(); });
    EXPECT_EQ(shown, "");
    EXPECT_EQ(vm::LoadText(File()), "stale\nwords\n");
    EXPECT_EQ(QFileInfo(File()).lastModified(), before);
    EXPECT_EQ(ui->lstKeywords->count(), 0);
}

TEST_F(KeywordEditor, CancelKeepsTheList) {
    ui->lstKeywords->addItems({"plumber", "dentist"});
    Edit([](frmKeywords* d) {
        d->Text1->setPlainText("something else");
        d->Command2->click();
    });
    EXPECT_EQ(Items(ui->lstKeywords), QStringList({"plumber", "dentist"}));
}

TEST_F(KeywordEditor, SavingAnEmptyEditorEmptiesTheList) {
    ui->lstKeywords->addItems({"plumber", "dentist"});
    Edit([](frmKeywords* d) {
        d->Text1->clear();
        d->Command1->click();
    });
    EXPECT_EQ(ui->lstKeywords->count(), 0);
}

TEST_F(KeywordEditor, TwentyKeywordsAreAccepted) {
    QStringList twenty;
    for (int i = 1; i <= 20; ++i) twenty << QString("keyword %1").arg(i);
    Edit([&](frmKeywords* d) {
        d->Text1->setPlainText(twenty.join('\n'));
        d->Command1->click();
    });
    EXPECT_EQ(Items(ui->lstKeywords), twenty);
    EXPECT_TRUE(boxes.calls.empty()) << "the advice about 15 keywords is not enforced";
}

TEST_F(KeywordEditor, DeleteAllAsksAndObeysTheAnswer) {
    ui->lstKeywords->addItems({"plumber", "dentist"});
    boxes.Answer(QMessageBox::No);
    ui->mnuDeleteAllKeywords->trigger();
    ASSERT_EQ(boxes.calls.size(), 1u);
    const MsgBoxCall& call = boxes.calls[0];
    EXPECT_EQ(call.text, "Do you want to delete all the keywords?");
    EXPECT_EQ(call.title, "Confirm?");
    EXPECT_EQ(call.icon, QMessageBox::Question);
    EXPECT_EQ(call.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Items(ui->lstKeywords), QStringList({"plumber", "dentist"}));

    ASSERT_TRUE(vm::SaveText("plumber\ndentist\n", File()));
    boxes.Answer(QMessageBox::Yes);
    ui->mnuDeleteAllKeywords->trigger();
    EXPECT_EQ(ui->lstKeywords->count(), 0);
    EXPECT_EQ(vm::LoadText(File()), "plumber\ndentist\n") << "the exchange file is not touched";

    boxes.calls.clear();
    ui->mnuDeleteAllKeywords->trigger();
    EXPECT_TRUE(boxes.calls.empty()) << "an empty list asks nothing";
}

TEST_F(KeywordEditor, ManageKeywordsPopsUpTheMenu) {
    QMenu* shownMenu = nullptr;
    QAction* pick = nullptr;
    PopupMenuHandler previous = SetPopupMenuHandler([&](QMenu* menu, const QPoint&) {
        shownMenu = menu;
        if (pick) pick->trigger();
        return pick;
    });
    ui->lstKeywords->addItems({"plumber"});

    pick = ui->mnuCancelKeywords;
    ui->cmdKeywords->click();
    ASSERT_EQ(shownMenu, ui->mnuKeywords);
    QStringList texts;
    for (QAction* a : shownMenu->actions()) texts << a->text();
    EXPECT_EQ(texts, QStringList({"Edit", "Delete All", "Open Spreadsheet...", "Cancel"}));
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(ui->lstKeywords->count(), 1);

    pick = ui->mnuDeleteAllKeywords;
    boxes.Answer(QMessageBox::Yes);
    ui->cmdKeywords->click();
    EXPECT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(ui->lstKeywords->count(), 0);
    SetPopupMenuHandler(previous);
}

TEST_F(KeywordEditor, TabsAroundKeywordsGoAndATabInsideIsRefused) {
    // Typed with tabs after it: the keyword, not the tabs, names the video.
    Edit([](frmKeywords* d) {
        d->Text1->setPlainText("garden design\t\t\t\n\t plumber \n \t \n");
        d->Command1->click();
    });
    EXPECT_EQ(Items(ui->lstKeywords), QStringList({"garden design", "plumber"}));
    EXPECT_EQ(window->Project().Get(vm::setting::keywords),
              QStringList({"garden design", "plumber"}));
    EXPECT_TRUE(boxes.calls.empty());

    // A tab inside is refused with the one-line reason; the editor keeps the
    // text until the user mends it or cancels.
    QString stillThere;
    Edit([&](frmKeywords* d) {
        d->Text1->setPlainText("dentist\ngarden\tdesign\n");
        d->Command1->click();
        EXPECT_TRUE(d->isVisible());
        stillThere = d->Text1->toPlainText();
        d->Command2->click();
    });
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text,
              "The keyword \"garden\\tdesign\" cannot be used as a file name: it contains a "
              "control character (a tab, a line break, ...).");
    EXPECT_EQ(stillThere, "dentist\ngarden\tdesign\n");
    EXPECT_EQ(Items(ui->lstKeywords), QStringList({"garden design", "plumber"}));

    // A project file's keywords are trimmed alike, and one with a tab inside
    // is refused.
    const QString project = vm::UserPath("tabs.json");
    QFile file(project);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"keywords": [" roofer\t", "tiler"]})");
    file.close();
    QString error;
    ASSERT_TRUE(window->OpenProject(project, &error)) << error.toStdString();
    EXPECT_EQ(Items(ui->lstKeywords), QStringList({"roofer", "tiler"}));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"keywords": ["roofer", "ti\tler"]})");
    file.close();
    EXPECT_FALSE(window->OpenProject(project, &error));
    EXPECT_EQ(error, "keywords[1]: The keyword \"ti\\tler\" cannot be used as a file name: it "
                     "contains a control character (a tab, a line break, ...).");
}

}  // namespace
