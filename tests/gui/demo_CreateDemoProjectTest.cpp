// "Create Demo Project" through the window's named controls: the question,
// and what Yes loads into the ad copy, the keyword list and the slides.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <memory>

#include "Controls.h"
#include "Helpers.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "WindowUi.h"
#include "frmVSL.h"

namespace {

const char kQuestion[] =
    "Warning: If you're working on a project, your changes will be lost. Do you want to go on?";

QStringList Entries(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

// Copies the shipped demo files into the scratch application folder.
void CopyDemoData(const QString& app) {
    ASSERT_TRUE(testsupport::CopyDemoData(app));
}

class CreateDemoProject : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = testsupport::FreshAppFolder(
            QString("demo_window_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        previous_ = SetMsgBoxHandler([this](const MsgBoxCall& call) {
            if (call.title == "Confirm")
                questions_.push_back(call);
            else
                others_ << call.text;
            return call.title == "Confirm" ? answer_ : QMessageBox::Ok;
        });
    }
    void TearDown() override {
        window_.reset();
        SetMsgBoxHandler(previous_);
    }

    // The window's controls; the window is made on first use.
    testsupport::Ui& Window() {
        if (!window_) {
            window_ = std::make_unique<frmVSL>();
            ui_ = std::make_unique<testsupport::Ui>(window_.get());
        }
        return *ui_;
    }

    // The demo pictures as the slide list holds them: full paths, name order.
    QStringList DemoSlides() const {
        const QString folder = app_ + "/images/dental";
        QStringList slides;
        for (const QString& name :
             QDir(folder).entryList({"*.jpg", "*.gif"}, QDir::Files, QDir::Name | QDir::IgnoreCase))
            slides << QDir::cleanPath(folder + "/" + name);
        return slides;
    }

    QString app_;
    QMessageBox::StandardButton answer_ = QMessageBox::Yes;
    std::vector<MsgBoxCall> questions_;
    QStringList others_;
    MsgBoxHandler previous_;
    std::unique_ptr<frmVSL> window_;
    std::unique_ptr<testsupport::Ui> ui_;
};

TEST_F(CreateDemoProject, NoLeavesTheProjectAlone) {
    CopyDemoData(app_);
    testsupport::Ui& w = Window();
    for (int i = 0; i < 4; ++i) w.txtArticle[i]->setPlainText(QString("copy %1").arg(i));
    w.lstKeywords->addItems({"plumber", "dentist"});
    w.lstTo->addItems({"/pictures/a.jpg", "/pictures/b.gif"});
    const QString folderBefore = w.Dir1->Path();
    answer_ = QMessageBox::No;

    w.cmdCreateDemoProject->click();

    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text, kQuestion);
    EXPECT_EQ(questions_[0].icon, QMessageBox::Question);
    EXPECT_EQ(questions_[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(questions_[0].defaultButton, QMessageBox::No);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w.txtArticle[i]->toPlainText(), QString("copy %1").arg(i));
    EXPECT_EQ(Entries(w.lstKeywords), QStringList({"plumber", "dentist"}));
    EXPECT_EQ(Entries(w.lstTo), QStringList({"/pictures/a.jpg", "/pictures/b.gif"}));
    EXPECT_EQ(w.Dir1->Path(), folderBefore);
}

TEST_F(CreateDemoProject, YesPutsTheDemosCopyKeywordsAndPicturesInPlaceOfTheProjects) {
    CopyDemoData(app_);
    testsupport::Ui& w = Window();
    w.txtArticle[0]->setPlainText("my own text");
    w.txtArticle[1]->setPlainText("second copy");
    w.txtArticle[3]->setPlainText("fourth copy");
    w.lstKeywords->addItem("plumber");
    ASSERT_TRUE(QDir().mkpath(app_ + "/mine"));
    ASSERT_TRUE(testsupport::WriteSolidImage(app_ + "/mine/a.jpg", 320, 240, Qt::red));
    w.lstTo->addItem(app_ + "/mine/a.jpg");

    w.cmdCreateDemoProject->click();

    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_TRUE(others_.isEmpty()) << others_.join(" | ").toStdString();
    EXPECT_EQ(w.txtArticle[0]->toPlainText(), vm::LoadText(app_ + "/demo_content.txt"));
    EXPECT_TRUE(w.txtArticle[0]->toPlainText().contains("#KEYWORD#"));
    // Nothing of the old project is left to be narrated.
    for (int i = 1; i < 4; ++i) EXPECT_EQ(w.txtArticle[i]->toPlainText(), "") << i;
    // The keyword list is replaced, in file order.
    EXPECT_EQ(Entries(w.lstKeywords), vm::LoadList(app_ + "/demo_keywords.txt"));
    EXPECT_FALSE(Entries(w.lstKeywords).contains("plumber"));
    // The browser shows the demo folder and every picture became a slide.
    const QStringList slides = DemoSlides();
    ASSERT_GE(slides.size(), 6);
    EXPECT_EQ(w.Dir1->Path(), QDir::cleanPath(app_ + "/images/dental"));
    EXPECT_EQ(w.lstFrom->count(), slides.size());
    EXPECT_EQ(Entries(w.lstTo), slides);
    EXPECT_EQ(w.lblImagesCount->text(), QString::number(slides.size()));
    // A new project, not saved anywhere yet.
    EXPECT_TRUE(window_->IsModified());
    EXPECT_EQ(window_->windowTitle(), "New project * - Vid Mill v2.5.5");
}

TEST_F(CreateDemoProject, TwiceGivesTheDemoOnce) {
    CopyDemoData(app_);
    testsupport::Ui& w = Window();

    w.cmdCreateDemoProject->click();
    w.cmdCreateDemoProject->click();

    // The first finds nothing to lose; the second would lose the first.
    EXPECT_EQ(questions_.size(), 1u);
    EXPECT_EQ(Entries(w.lstKeywords), vm::LoadList(app_ + "/demo_keywords.txt"));
    EXPECT_EQ(Entries(w.lstTo), DemoSlides());
}

TEST_F(CreateDemoProject, MissingDemoFilesLeaveEmptyCopyAndNoSlides) {
    // An installation without the demo files: no pictures from whatever
    // folder the browser showed, and the window says why there are none.
    ASSERT_TRUE(testsupport::WriteSolidImage(app_ + "/stray.jpg", 320, 240, Qt::green));
    testsupport::Ui& w = Window();
    ASSERT_TRUE(w.Dir1->setPath(app_));
    ASSERT_EQ(w.lstFrom->count(), 1);
    w.txtArticle[0]->setPlainText("old");
    w.lstKeywords->addItem("plumber");

    w.cmdCreateDemoProject->click();

    EXPECT_EQ(questions_.size(), 1u);
    EXPECT_EQ(others_, QStringList("The demo's pictures cannot be shown: the folder " +
                                   QDir::cleanPath(app_ + "/images/dental") + " is missing."));
    EXPECT_EQ(w.txtArticle[0]->toPlainText(), "");
    EXPECT_EQ(w.lstKeywords->count(), 0);
    EXPECT_EQ(w.lstTo->count(), 0);
}

}  // namespace
