// The three links over the visible ad copy: delete, paste, insert the tag.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTextCursor>
#include <QTextEdit>

#include "Controls.h"
#include "TestSupport.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

class AdCopyLinks : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("adcopy");
        window = std::make_unique<frmVSL>();
        window->show();
        for (int i = 0; i < 4; ++i) window->txtArticle[i]->setPlainText(QString("copy %1").arg(i));
    }
    // Caret at `pos`, or the text from..to selected.
    static void Select(QTextEdit* box, int from, int to = -1) {
        QTextCursor c = box->textCursor();
        c.setPosition(from);
        if (to >= 0) c.setPosition(to, QTextCursor::KeepAnchor);
        box->setTextCursor(c);
    }
    QString Text(int i) const { return window->txtArticle[i]->toPlainText(); }

    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
};

TEST_F(AdCopyLinks, CurrentAdCopyFollowsTheMarkedHeader) {
    for (int i : {2, 0, 3, 1}) {
        uitest::Click(window->lblAdCopy[i]);
        EXPECT_EQ(window->CurrentAdCopy(), i);
    }
    for (Frame* header : window->vAdCopy) header->setNotSelected(true);
    EXPECT_EQ(window->CurrentAdCopy(), 0);
}

TEST_F(AdCopyLinks, DeleteEmptiesOnlyTheVisiblePage) {
    uitest::Click(window->lblAdCopy[2]);
    uitest::Click(window->Label19);
    EXPECT_EQ(Text(2), "");
    EXPECT_EQ(Text(0), "copy 0");
    EXPECT_EQ(Text(1), "copy 1");
    EXPECT_EQ(Text(3), "copy 3");
    EXPECT_TRUE(boxes.calls.empty()) << "no confirmation is asked";
}

TEST_F(AdCopyLinks, TagGoesAtTheCaretWithoutSpaces) {
    uitest::Click(window->lblAdCopy[1]);
    window->txtArticle[1]->setPlainText("Call us today");
    Select(window->txtArticle[1], 4);
    uitest::Click(window->Label31);
    EXPECT_EQ(Text(1), "Call#KEYWORD# us today");
    // The caret ends after the tag, so a second insert follows it.
    uitest::Click(window->Label31);
    EXPECT_EQ(Text(1), "Call#KEYWORD##KEYWORD# us today");
}

TEST_F(AdCopyLinks, TagReplacesTheSelection) {
    window->txtArticle[0]->setPlainText("Best plumber in town");
    Select(window->txtArticle[0], 5, 12);
    uitest::Click(window->Label31);
    EXPECT_EQ(Text(0), "Best #KEYWORD# in town");
}

TEST_F(AdCopyLinks, PasteReplacesTheSelectedWord) {
    QApplication::clipboard()->setText("dentist");
    uitest::Click(window->lblAdCopy[3]);
    window->txtArticle[3]->setPlainText("Call the plumber now");
    Select(window->txtArticle[3], 9, 16);
    uitest::Click(window->Label20);
    EXPECT_EQ(Text(3), "Call the dentist now");
    EXPECT_EQ(Text(0), "copy 0");
}

TEST_F(AdCopyLinks, PasteWithoutSelectionGoesAtTheCaret) {
    QApplication::clipboard()->setText("line one\nline two");
    window->txtArticle[0]->setPlainText("AB");
    Select(window->txtArticle[0], 1);
    uitest::Click(window->Label20);
    EXPECT_EQ(Text(0), "Aline one\nline twoB");
}

TEST_F(AdCopyLinks, ClipboardWithoutTextInsertsNothing) {
    auto* picture = new QMimeData;
    picture->setImageData(QImage(8, 8, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(picture);
    window->txtArticle[0]->setPlainText("unchanged");
    Select(window->txtArticle[0], 2, 5);
    uitest::Click(window->Label20);
    EXPECT_EQ(Text(0), "unchanged");

    QApplication::clipboard()->clear();
    uitest::Click(window->Label20);
    EXPECT_EQ(Text(0), "unchanged");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(AdCopyLinks, WithNoHeaderMarkedTheLinksActOnTheFirstPage) {
    uitest::Click(window->lblAdCopy[2]);
    for (Frame* header : window->vAdCopy) header->setNotSelected(true);
    window->txtArticle[0]->setPlainText("x");
    Select(window->txtArticle[0], 1);
    uitest::Click(window->Label31);
    EXPECT_EQ(Text(0), "x#KEYWORD#");
    EXPECT_EQ(Text(2), "copy 2");
    uitest::Click(window->Label19);
    EXPECT_EQ(Text(0), "");
    EXPECT_EQ(Text(2), "copy 2");
}

}  // namespace
