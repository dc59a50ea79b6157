// The three links over the visible ad copy: delete, paste, insert the tag.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTextCursor>
#include <QTextEdit>

#include "Controls.h"
#include "TestSupport.h"
#include "TextToSpeechPanel.h"
#include "WindowUi.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

using testsupport::Find;

class AdCopyLinks : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("adcopy");
        window = std::make_unique<frmVSL>();
        ui = std::make_unique<testsupport::Ui>(window.get());
        window->show();
        for (int i = 0; i < 4; ++i) ui->txtArticle[i]->setPlainText(QString("copy %1").arg(i));
    }
    // Caret at `pos`, or the text from..to selected.
    static void Select(QTextEdit* box, int from, int to = -1) {
        QTextCursor c = box->textCursor();
        c.setPosition(from);
        if (to >= 0) c.setPosition(to, QTextCursor::KeepAnchor);
        box->setTextCursor(c);
    }
    QString Text(int i) const { return ui->txtArticle[i]->toPlainText(); }

    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
    std::unique_ptr<testsupport::Ui> ui;
};

TEST_F(AdCopyLinks, CurrentAdCopyFollowsTheMarkedHeader) {
    for (int i : {2, 0, 3, 1}) {
        uitest::Click(ui->lblAdCopy[i]);
        EXPECT_EQ(Find<TextToSpeechPanel>(window.get(), "frTab_0")->CurrentAdCopy(), i);
    }
    for (Frame* header : ui->vAdCopy) header->setNotSelected(true);
    EXPECT_EQ(Find<TextToSpeechPanel>(window.get(), "frTab_0")->CurrentAdCopy(), 0);
}

TEST_F(AdCopyLinks, DeleteEmptiesOnlyTheVisiblePage) {
    uitest::Click(ui->lblAdCopy[2]);
    uitest::Click(ui->Label19);
    EXPECT_EQ(Text(2), "");
    EXPECT_EQ(Text(0), "copy 0");
    EXPECT_EQ(Text(1), "copy 1");
    EXPECT_EQ(Text(3), "copy 3");
    EXPECT_TRUE(boxes.calls.empty()) << "no confirmation is asked";
}

TEST_F(AdCopyLinks, TagGoesAtTheCaretWithoutSpaces) {
    uitest::Click(ui->lblAdCopy[1]);
    ui->txtArticle[1]->setPlainText("Call us today");
    Select(ui->txtArticle[1], 4);
    uitest::Click(ui->Label31);
    EXPECT_EQ(Text(1), "Call#KEYWORD# us today");
    // The caret ends after the tag, so a second insert follows it.
    uitest::Click(ui->Label31);
    EXPECT_EQ(Text(1), "Call#KEYWORD##KEYWORD# us today");
}

TEST_F(AdCopyLinks, TagReplacesTheSelection) {
    ui->txtArticle[0]->setPlainText("Best plumber in town");
    Select(ui->txtArticle[0], 5, 12);
    uitest::Click(ui->Label31);
    EXPECT_EQ(Text(0), "Best #KEYWORD# in town");
}

TEST_F(AdCopyLinks, PasteReplacesTheSelectedWord) {
    QApplication::clipboard()->setText("dentist");
    uitest::Click(ui->lblAdCopy[3]);
    ui->txtArticle[3]->setPlainText("Call the plumber now");
    Select(ui->txtArticle[3], 9, 16);
    uitest::Click(ui->Label20);
    EXPECT_EQ(Text(3), "Call the dentist now");
    EXPECT_EQ(Text(0), "copy 0");
}

TEST_F(AdCopyLinks, PasteWithoutSelectionGoesAtTheCaret) {
    QApplication::clipboard()->setText("line one\nline two");
    ui->txtArticle[0]->setPlainText("AB");
    Select(ui->txtArticle[0], 1);
    uitest::Click(ui->Label20);
    EXPECT_EQ(Text(0), "Aline one\nline twoB");
}

TEST_F(AdCopyLinks, ClipboardWithoutTextInsertsNothing) {
    auto* picture = new QMimeData;
    picture->setImageData(QImage(8, 8, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(picture);
    ui->txtArticle[0]->setPlainText("unchanged");
    Select(ui->txtArticle[0], 2, 5);
    uitest::Click(ui->Label20);
    EXPECT_EQ(Text(0), "unchanged");

    QApplication::clipboard()->clear();
    uitest::Click(ui->Label20);
    EXPECT_EQ(Text(0), "unchanged");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(AdCopyLinks, WithNoHeaderMarkedTheLinksActOnTheFirstPage) {
    uitest::Click(ui->lblAdCopy[2]);
    for (Frame* header : ui->vAdCopy) header->setNotSelected(true);
    ui->txtArticle[0]->setPlainText("x");
    Select(ui->txtArticle[0], 1);
    uitest::Click(ui->Label31);
    EXPECT_EQ(Text(0), "x#KEYWORD#");
    EXPECT_EQ(Text(2), "copy 2");
    uitest::Click(ui->Label19);
    EXPECT_EQ(Text(0), "");
    EXPECT_EQ(Text(2), "copy 2");
}

}  // namespace
