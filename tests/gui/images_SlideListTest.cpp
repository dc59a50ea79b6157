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
        ASSERT_TRUE(ui->Dir1->setPath(slides));
        ASSERT_EQ(ui->lstFrom->count(), 3);
    }
    QString Count() const { return ui->lblImagesCount->text(); }
    // Enter, then drop, as a drag does: Qt hands the drop to the widget that
    // accepted the enter. True when the list took the drop.
    static bool Drop(QListWidget* list, QMimeData* mime) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent event(QPointF(5, 5), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
        return event.isAccepted();
    }
    // Drops text that another list's drag carries.
    static bool DropText(QListWidget* list, const QString& text) {
        QMimeData mime;
        mime.setText(text);
        return Drop(list, &mime);
    }
    QString slides;
};

TEST_F(SlideListWindow, AddingTheSameFileTwiceGivesTwoEntries) {
    ui->lstFrom->setCurrentRow(0);
    ui->Command3->click();
    ui->Command3->click();
    EXPECT_EQ(Items(ui->lstTo), (QStringList{slides + "/a.jpg", slides + "/a.jpg"}));
    EXPECT_EQ(Count(), "2");

    // A double click on a file adds it too.
    ClickItem(ui->lstFrom, 1, /*twice=*/true);
    EXPECT_EQ(Items(ui->lstTo).last(), slides + "/b.gif");
    EXPECT_EQ(Count(), "3");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, AddAndRemoveWithNothingSelectedAskForASelection) {
    ui->Command3->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select an image.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(ui->lstTo->count(), 0);

    ui->lstFrom->setCurrentRow(2);
    ui->Command3->click();
    ASSERT_EQ(Count(), "1");
    boxes.clear();
    ui->Command4->click();  // nothing selected in the slide list
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select an image.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(ui->lstTo->count(), 1);
    EXPECT_EQ(Count(), "1");
}

TEST_F(SlideListWindow, RemoveTakesTheSelectedSlideOnly) {
    ui->Command6->click();
    ASSERT_EQ(Count(), "3");
    ClickItem(ui->lstTo, 1);
    ui->Command4->click();
    EXPECT_EQ(Items(ui->lstTo), (QStringList{slides + "/a.jpg", slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "2");
    EXPECT_TRUE(boxes.empty());

    // The next slide is selected and previewed, so removing several is one
    // press each; the last one leaves the previous one selected.
    EXPECT_EQ(ui->lstTo->currentRow(), 1);
    EXPECT_EQ(ui->lblPreviewPath->text(), slides + "/c.jpg");
    ui->Command4->click();
    EXPECT_EQ(Items(ui->lstTo), QStringList{slides + "/a.jpg"});
    EXPECT_EQ(ui->lstTo->currentRow(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, AddAllAppendsInBrowserOrderWithTheButtonsOffMeanwhile) {
    ui->lstFrom->setCurrentRow(1);
    ui->Command3->click();
    ASSERT_EQ(Count(), "1");

    // Watch the buttons and the preview each time a slide arrives.
    QStringList seen;
    QObject::connect(ui->lstTo->model(), &QAbstractItemModel::rowsInserted, w, [&] {
        seen << QString("%1%2%3:%4")
                    .arg(ui->Command3->isEnabled())
                    .arg(ui->Command4->isEnabled())
                    .arg(ui->Command6->isEnabled())
                    .arg(ui->lstFrom->currentRow());
    });
    ui->Command6->click();
    EXPECT_EQ(Items(ui->lstTo), (QStringList{slides + "/b.gif", slides + "/a.jpg",
                                             slides + "/b.gif", slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "4");
    EXPECT_EQ(seen, (QStringList{"000:0", "000:1", "000:2"}));
    // "Add All" comes back once the thumbnails are in.
    ASSERT_TRUE(WaitForPictures());
    EXPECT_TRUE(ui->Command3->isEnabled() && ui->Command4->isEnabled() &&
                ui->Command6->isEnabled());
    EXPECT_TRUE(IsRed(PreviewColour()));  // each file was shown on the way
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, AddAllWithAnEmptyBrowserChangesNothing) {
    ui->lstFrom->setCurrentRow(0);
    ui->Command3->click();
    ASSERT_TRUE(ui->Dir1->setPath(MakeFolder("nothing", {"readme.txt"})));
    ASSERT_EQ(ui->lstFrom->count(), 0);
    ui->Command6->click();
    EXPECT_EQ(Items(ui->lstTo), QStringList{slides + "/a.jpg"});
    EXPECT_EQ(Count(), "1");
    EXPECT_TRUE(ui->Command3->isEnabled() && ui->Command4->isEnabled() &&
                ui->Command6->isEnabled());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, DraggingASlideBackChangesNothingAndOntoTheBrowserRemovesIt) {
    ui->Command6->click();
    ui->lstTo->setCurrentRow(1);
    ui->lstFrom->setCurrentRow(1);  // the browser has its own selection meanwhile
    const QString slide = ui->lstTo->currentItem()->text();  // what the drag carries

    EXPECT_TRUE(DropText(ui->lstTo, slide));
    EXPECT_EQ(ui->lstTo->count(), 3);
    EXPECT_EQ(Count(), "3");

    EXPECT_TRUE(DropText(ui->lstFrom, slide));
    EXPECT_EQ(Items(ui->lstTo), (QStringList{slides + "/a.jpg", slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "2");
    EXPECT_EQ(ui->lstFrom->count(), 3);  // the browser itself never changes
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SlideListWindow, DraggingAFileOntoTheSlidesAddsItAndBackRemovesNothing) {
    ui->lstFrom->setCurrentRow(0);
    ui->Command3->click();
    ui->lstTo->setCurrentRow(0);
    ui->lstFrom->setCurrentRow(2);
    const QString file = ui->lstFrom->currentItem()->text();

    EXPECT_TRUE(DropText(ui->lstTo, file));
    EXPECT_EQ(Items(ui->lstTo), (QStringList{slides + "/a.jpg", slides + "/c.jpg"}));
    EXPECT_EQ(Count(), "2");

    EXPECT_TRUE(DropText(ui->lstFrom, file));  // a slide is selected, yet nothing goes
    EXPECT_EQ(ui->lstTo->count(), 2);
    EXPECT_EQ(Count(), "2");
    EXPECT_TRUE(boxes.empty());
}

// The lists hand text dropped on them to their handlers; anything but text is
// refused.
TEST_F(SlideListWindow, RealDropEventsReachTheHandlers) {
    auto drop = &SlideListWindow::Drop;
    QMimeData text;
    text.setText("b.gif");
    EXPECT_TRUE(drop(ui->lstTo, &text));
    EXPECT_EQ(Items(ui->lstTo), QStringList{slides + "/b.gif"});
    EXPECT_EQ(Count(), "1");

    // A file dropped from a file manager carries URLs: its picture, no text.
    QMimeData urls;
    urls.setUrls({QUrl::fromLocalFile(slides + "/c.jpg")});
    EXPECT_TRUE(drop(ui->lstTo, &urls));
    EXPECT_EQ(Items(ui->lstTo), (QStringList{slides + "/b.gif", slides + "/c.jpg"}));
    delete ui->lstTo->takeItem(1);

    ui->lstTo->setCurrentRow(0);
    QMimeData slide;
    slide.setText(slides + "/b.gif");
    EXPECT_TRUE(drop(ui->lstFrom, &slide));
    EXPECT_EQ(ui->lstTo->count(), 0);
    EXPECT_EQ(Count(), "0");
}

TEST_F(SlideListWindow, ClickingASlidePreviewsItAndAnUnreadableOneKeepsThePreview) {
    MakeFolder("blue", {"z.gif"}, Qt::blue);
    const QString bad = MakeFolder("broken", {"bad.jpg"});
    ui->lstFrom->setCurrentRow(0);
    ui->Command3->click();
    ui->lstTo->addItem(app + "/blue/z.gif");
    ui->lstTo->addItem(bad + "/bad.jpg");

    ClickItem(ui->lstTo, 0);
    EXPECT_TRUE(IsRed(PreviewColour()));
    ClickItem(ui->lstTo, 1);
    EXPECT_TRUE(IsBlue(PreviewColour()));
    ClickItem(ui->lstTo, 2);
    EXPECT_EQ(ui->lstTo->currentRow(), 2);
    EXPECT_TRUE(IsBlue(PreviewColour()));
    EXPECT_TRUE(boxes.empty());
}
