// Switching panels and ad-copy pages: one page visible, its header marked.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QTextEdit>

#include "Controls.h"
#include "TestSupport.h"
#include "TextToSpeechPanel.h"
#include "WindowUi.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("navigation");
        window = std::make_unique<frmVSL>();
        ui = std::make_unique<testsupport::Ui>(window.get());
        window->show();
    }

    // Exactly page `index` of the family visible and only its header marked.
    template <size_t N, typename Page>
    static void ExpectFamily(const std::array<Frame*, N>& headers,
                             const std::array<Page*, N>& pages, int index) {
        int visible = 0;
        for (size_t i = 0; i < N; ++i) {
            EXPECT_EQ(headers[i]->NotSelected(), static_cast<int>(i) != index) << "header " << i;
            EXPECT_EQ(headers[i]->property("NotSelected").toBool(), static_cast<int>(i) != index);
            // Shown within its own parent: a page inside a hidden panel counts.
            if (!pages[i]->isHidden()) {
                ++visible;
                EXPECT_EQ(static_cast<int>(i), index) << "page " << i << " is visible";
            }
        }
        EXPECT_EQ(visible, 1);
    }
    void ExpectPanel(int index) { ExpectFamily(ui->vMenu, ui->frTab, index); }
    void ExpectAdCopy(int index) { ExpectFamily(ui->vAdCopy, ui->txtArticle, index); }

    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
    std::unique_ptr<testsupport::Ui> ui;
};

TEST_F(Navigation, ClickingAPanelCaptionShowsThatPanelOnly) {
    for (int i : {1, 2, 0, 2, 2, 1}) {
        uitest::Click(ui->lblMenu[i]);
        ExpectPanel(i);
    }
}

TEST_F(Navigation, ClickingAnAdCopyCaptionShowsThatPageOnly) {
    for (int i : {2, 3, 0, 1, 1, 3}) {
        uitest::Click(ui->lblAdCopy[i]);
        ExpectAdCopy(i);
    }
}

TEST_F(Navigation, IndexOutOfRangeChangesNothing) {
    auto* speech = testsupport::Find<TextToSpeechPanel>(window.get(), "frTab_0");
    window->ShowPanel(1);
    speech->ShowAdCopy(2);
    for (int bad : {-1, 3, 100}) {
        window->ShowPanel(bad);
        ExpectPanel(1);
    }
    for (int bad : {-1, 4, 100}) {
        speech->ShowAdCopy(bad);
        ExpectAdCopy(2);
    }
    ExpectPanel(1);
    ExpectAdCopy(2);
}

TEST_F(Navigation, PagesKeepTheirTextAcrossSwitches) {
    uitest::Click(ui->lblAdCopy[1]);
    ui->txtArticle[1]->setPlainText("Second copy");
    uitest::Click(ui->lblAdCopy[3]);
    ui->txtArticle[3]->setPlainText("Fourth copy");
    uitest::Click(ui->lblAdCopy[1]);
    ExpectAdCopy(1);
    EXPECT_EQ(ui->txtArticle[1]->toPlainText(), "Second copy");
    EXPECT_EQ(ui->txtArticle[3]->toPlainText(), "Fourth copy");
    EXPECT_EQ(ui->txtArticle[2]->toPlainText(), "");
}

TEST_F(Navigation, PanelsAndAdCopiesAreIndependent) {
    uitest::Click(ui->lblAdCopy[2]);
    uitest::Click(ui->lblMenu[1]);
    ExpectPanel(1);
    EXPECT_FALSE(ui->frTab[0]->isVisible());
    EXPECT_FALSE(ui->frTab[2]->isVisible());
    // The page inside the hidden panel keeps its selection.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ui->vAdCopy[i]->NotSelected(), i != 2) << i;
    uitest::Click(ui->lblMenu[0]);
    ExpectPanel(0);
    ExpectAdCopy(2);
    // ...and switching pages leaves the panel alone.
    uitest::Click(ui->lblAdCopy[0]);
    ExpectPanel(0);
}

TEST_F(Navigation, ClickingTheSamePanelAgainChangesNothing) {
    ui->txtArticle[0]->setPlainText("kept");
    uitest::Click(ui->lblMenu[0]);
    uitest::Click(ui->lblMenu[0]);
    ExpectPanel(0);
    ExpectAdCopy(0);
    EXPECT_EQ(ui->txtArticle[0]->toPlainText(), "kept");
}

TEST_F(Navigation, HeaderFramesAndIconsDoNotReactToClicks) {
    uitest::Click(ui->Image2);
    uitest::Click(ui->Image6);
    uitest::Click(ui->vMenu[1], QPoint(2, 2));
    uitest::Click(ui->vAdCopy[3], QPoint(1, 1));
    ExpectPanel(0);
    ExpectAdCopy(0);
}

TEST_F(Navigation, ReleasingOutsideACaptionIsNoClick) {
    LinkLabel* caption = ui->lblMenu[2];
    const QPointF inside(caption->rect().center());
    const QPointF outside(caption->width() + 40, caption->height() + 40);
    QMouseEvent press(QEvent::MouseButtonPress, inside, caption->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(caption, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, caption->mapToGlobal(outside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(caption, &release);
    ExpectPanel(0);
}

}  // namespace
