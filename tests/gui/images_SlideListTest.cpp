// The slide list through the window: add, remove, add all, drag and drop.
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>

#include "images_Fixture.h"

class SlideListWindow : public ImagesWindow {
protected:
    void SetUp() override {
        ImagesWindow::SetUp();
        slides = MakeFolder("slides", {"a.jpg", "b.gif", "c.jpg"});
        ASSERT_TRUE(w->Dir1->setPath(slides));
        ASSERT_EQ(w->lstFrom->count(), 3);
    }
    QString Count() const { return w->lblImagesCount->text(); }
    QString slides;
};

TEST_F(SlideListWindow, AddingTheSameFileTwiceGivesTwoEntries) {
    w->lstFrom->setCurrentRow(0);
    w->Command3->click();
    w->Command3->click();
    EXPECT_EQ(Items(w->lstTo), (QStringList{slides + "/a.jpg", slides + "/a.jpg"}));
    EXPECT_EQ(Count(), "2");

    // A double click on a file adds it too.
    ClickItem(w->lstFrom, 1, /*twice=*/true);
    EXPECT_EQ(Items(w->lstTo).last(), slides + "/b.gif");
    EXPECT_EQ(Count(), "3");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, AddAndRemoveWithNothingSelectedAskForASelection) {
    w->Command3->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select an image.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(w->lstTo->count(), 0);

    w->lstFrom->setCurrentRow(2);
    w->Command3->click();
    ASSERT_EQ(Count(), "1");
    boxes.clear();
    w->Command4->click();  // nothing selected in the slide list
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select an image.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(w->lstTo->count(), 1);
    EXPECT_EQ(Count(), "1");
}

TEST_F(SlideListWindow, RemoveTakesTheSelectedSlideOnly) {
    w->Command6->click();
    ASSERT_EQ(Count(), "3");
    ClickItem(w->lstTo, 1);
    w->Command4->click();
    EXPECT_EQ(Items(w->lstTo), (QStringList{slides + "/a.jpg", slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "2");
    EXPECT_TRUE(boxes.empty());

    // The next slide is selected and previewed, so removing several is one
    // press each; the last one leaves the previous one selected.
    EXPECT_EQ(w->lstTo->currentRow(), 1);
    EXPECT_EQ(w->lblPreviewPath->text(), slides + "/c.jpg");
    w->Command4->click();
    EXPECT_EQ(Items(w->lstTo), QStringList{slides + "/a.jpg"});
    EXPECT_EQ(w->lstTo->currentRow(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, AddAllAppendsInBrowserOrderWithTheButtonsOffMeanwhile) {
    w->lstFrom->setCurrentRow(1);
    w->Command3->click();
    ASSERT_EQ(Count(), "1");

    // Watch the buttons and the preview each time a slide arrives.
    QStringList seen;
    QObject::connect(w->lstTo->model(), &QAbstractItemModel::rowsInserted, w, [&] {
        seen << QString("%1%2%3:%4")
                    .arg(w->Command3->isEnabled())
                    .arg(w->Command4->isEnabled())
                    .arg(w->Command6->isEnabled())
                    .arg(w->lstFrom->currentRow());
    });
    w->Command6->click();
    EXPECT_EQ(Items(w->lstTo), (QStringList{slides + "/b.gif", slides + "/a.jpg", slides + "/b.gif",
                                            slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "4");
    EXPECT_EQ(seen, (QStringList{"000:0", "000:1", "000:2"}));
    EXPECT_TRUE(w->Command3->isEnabled() && w->Command4->isEnabled() && w->Command6->isEnabled());
    EXPECT_TRUE(IsRed(PreviewColour()));  // each file was shown on the way
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, AddAllWithAnEmptyBrowserChangesNothing) {
    w->lstFrom->setCurrentRow(0);
    w->Command3->click();
    ASSERT_TRUE(w->Dir1->setPath(MakeFolder("nothing", {"readme.txt"})));
    ASSERT_EQ(w->lstFrom->count(), 0);
    w->Command6->click();
    EXPECT_EQ(Items(w->lstTo), QStringList{slides + "/a.jpg"});
    EXPECT_EQ(Count(), "1");
    EXPECT_TRUE(w->Command3->isEnabled() && w->Command4->isEnabled() && w->Command6->isEnabled());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, DraggingASlideBackChangesNothingAndOntoTheBrowserRemovesIt) {
    w->Command6->click();
    w->lstTo->setCurrentRow(1);
    w->lstFrom->setCurrentRow(1);  // the browser has its own selection meanwhile
    const QString slide = w->lstTo->currentItem()->text();  // what the drag carries

    w->lstTo_OLEDragDrop(slide);
    EXPECT_EQ(w->lstTo->count(), 3);
    EXPECT_EQ(Count(), "3");

    w->lstFrom_OLEDragDrop(slide);
    EXPECT_EQ(Items(w->lstTo), (QStringList{slides + "/a.jpg", slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "2");
    EXPECT_EQ(w->lstFrom->count(), 3);  // the browser itself never changes
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, DraggingAFileOntoTheSlidesAddsItAndBackRemovesNothing) {
    w->lstFrom->setCurrentRow(0);
    w->Command3->click();
    w->lstTo->setCurrentRow(0);
    w->lstFrom->setCurrentRow(2);
    const QString file = w->lstFrom->currentItem()->text();

    w->lstTo_OLEDragDrop(file);
    EXPECT_EQ(Items(w->lstTo), (QStringList{slides + "/a.jpg", slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "2");

    w->lstFrom_OLEDragDrop(file);  // a slide is selected, yet nothing goes
    EXPECT_EQ(w->lstTo->count(), 2);
    EXPECT_EQ(Count(), "2");
    EXPECT_TRUE(boxes.empty());
}

// The lists hand text dropped on them to their handlers; anything but text is
// refused.
TEST_F(SlideListWindow, RealDropEventsReachTheHandlers) {
    // Enter, then drop, as a drag does: Qt hands the drop to the widget that
    // accepted the enter. True when the list took the drop.
    auto drop = [](QListWidget* list, QMimeData* mime) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent event(QPointF(5, 5), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
        return event.isAccepted();
    };
    QMimeData text;
    text.setText("b.gif");
    EXPECT_TRUE(drop(w->lstTo, &text));
    EXPECT_EQ(Items(w->lstTo), QStringList{slides + "/b.gif"});
    EXPECT_EQ(Count(), "1");

    // A file dropped from a file manager carries URLs only: no slide.
    QMimeData urls;
    urls.setUrls({QUrl::fromLocalFile(slides + "/c.jpg")});
    EXPECT_FALSE(drop(w->lstTo, &urls));
    EXPECT_EQ(w->lstTo->count(), 1);

    w->lstTo->setCurrentRow(0);
    QMimeData slide;
    slide.setText(slides + "/b.gif");
    EXPECT_TRUE(drop(w->lstFrom, &slide));
    EXPECT_EQ(w->lstTo->count(), 0);
    EXPECT_EQ(Count(), "0");
}

TEST_F(SlideListWindow, ClickingASlidePreviewsItAndAnUnreadableOneKeepsThePreview) {
    MakeFolder("blue", {"z.gif"}, Qt::blue);
    const QString bad = MakeFolder("broken", {"bad.jpg"});
    w->lstFrom->setCurrentRow(0);
    w->Command3->click();
    w->lstTo->addItem(app + "/blue/z.gif");
    w->lstTo->addItem(bad + "/bad.jpg");

    ClickItem(w->lstTo, 0);
    EXPECT_TRUE(IsRed(PreviewColour()));
    ClickItem(w->lstTo, 1);
    EXPECT_TRUE(IsBlue(PreviewColour()));
    ClickItem(w->lstTo, 2);
    EXPECT_EQ(w->lstTo->currentRow(), 2);
    EXPECT_TRUE(IsBlue(PreviewColour()));
    EXPECT_TRUE(boxes.empty());
}
