// Switching panels and ad-copy pages: one page visible, its header marked.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QTextEdit>

#include "Controls.h"
#include "TestSupport.h"
#include "frmVSL.h"
#include "window_testutil.h"

namespace {

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::FreshAppFolder("navigation");
        window = std::make_unique<frmVSL>();
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
    void ExpectPanel(int index) { ExpectFamily(window->vMenu, window->frTab, index); }
    void ExpectAdCopy(int index) { ExpectFamily(window->vAdCopy, window->txtArticle, index); }

    uitest::MsgBoxRecorder boxes;
    std::unique_ptr<frmVSL> window;
};

TEST_F(Navigation, ClickingAPanelCaptionShowsThatPanelOnly) {
    for (int i : {1, 2, 0, 2, 2, 1}) {
        uitest::Click(window->lblMenu[i]);
        ExpectPanel(i);
    }
}

TEST_F(Navigation, ClickingAnAdCopyCaptionShowsThatPageOnly) {
    for (int i : {2, 3, 0, 1, 1, 3}) {
        uitest::Click(window->lblAdCopy[i]);
        ExpectAdCopy(i);
    }
}

TEST_F(Navigation, IndexOutOfRangeChangesNothing) {
    window->ShowPanel(1);
    window->ShowAdCopy(2);
    for (int bad : {-1, 3, 100}) {
        window->ShowPanel(bad);
        ExpectPanel(1);
    }
    for (int bad : {-1, 4, 100}) {
        window->ShowAdCopy(bad);
        ExpectAdCopy(2);
    }
    window->lblMenu_Click(7);
    window->lblAdCopy_Click(-3);
    ExpectPanel(1);
    ExpectAdCopy(2);
}

TEST_F(Navigation, PagesKeepTheirTextAcrossSwitches) {
    uitest::Click(window->lblAdCopy[1]);
    window->txtArticle[1]->setPlainText("Second copy");
    uitest::Click(window->lblAdCopy[3]);
    window->txtArticle[3]->setPlainText("Fourth copy");
    uitest::Click(window->lblAdCopy[1]);
    ExpectAdCopy(1);
    EXPECT_EQ(window->txtArticle[1]->toPlainText(), "Second copy");
    EXPECT_EQ(window->txtArticle[3]->toPlainText(), "Fourth copy");
    EXPECT_EQ(window->txtArticle[2]->toPlainText(), "");
}

TEST_F(Navigation, PanelsAndAdCopiesAreIndependent) {
    uitest::Click(window->lblAdCopy[2]);
    uitest::Click(window->lblMenu[1]);
    ExpectPanel(1);
    EXPECT_FALSE(window->frTab[0]->isVisible());
    EXPECT_FALSE(window->frTab[2]->isVisible());
    // The page inside the hidden panel keeps its selection.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(window->vAdCopy[i]->NotSelected(), i != 2) << i;
    uitest::Click(window->lblMenu[0]);
    ExpectPanel(0);
    ExpectAdCopy(2);
    // ...and switching pages leaves the panel alone.
    uitest::Click(window->lblAdCopy[0]);
    ExpectPanel(0);
}

TEST_F(Navigation, ClickingTheSamePanelAgainChangesNothing) {
    window->txtArticle[0]->setPlainText("kept");
    uitest::Click(window->lblMenu[0]);
    uitest::Click(window->lblMenu[0]);
    ExpectPanel(0);
    ExpectAdCopy(0);
    EXPECT_EQ(window->txtArticle[0]->toPlainText(), "kept");
}

TEST_F(Navigation, HeaderFramesAndIconsDoNotReactToClicks) {
    uitest::Click(window->Image2);
    uitest::Click(window->Image6);
    uitest::Click(window->vMenu[1], QPoint(2, 2));
    uitest::Click(window->vAdCopy[3], QPoint(1, 1));
    ExpectPanel(0);
    ExpectAdCopy(0);
}

TEST_F(Navigation, ReleasingOutsideACaptionIsNoClick) {
    LinkLabel* caption = window->lblMenu[2];
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
