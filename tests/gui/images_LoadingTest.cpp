// Pictures read off the window's thread: "Add All the Images" of large
// photographs, several files chosen at once, and closing while they load.
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include "SettingsTable.h"
#include "images_Fixture.h"

class PictureLoading : public ImagesWindow {
protected:
    // The eight photographs and a phone's sideways JPEG (red on top when
    // upright) in one folder; false when the photographs are not installed.
    bool PhotoFolder() {
        photos = app + "/photos";
        if (!testsupport::CopyLargePhotos(photos)) return false;
        QImage upright(60, 80, QImage::Format_RGB32);
        upright.fill(Qt::blue);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) upright.setPixelColor(x, y, Qt::red);
        return testsupport::WriteOrientedJpeg(photos + "/zz_phone.jpg", upright, 6);
    }
    ImagesPanel* Panel() const { return w->findChild<ImagesPanel*>("frTab_1"); }
    QPixmap Thumbnail(int row) const {
        return ui->lstTo->item(row)->data(SlideList::kThumbnailRole).value<QPixmap>();
    }
    // A click with Ctrl or Shift held, as the mouse gives it.
    void ClickWith(QListWidget* list, int row, Qt::KeyboardModifiers keys) {
        const QPointF at = list->visualItemRect(list->item(row)).center();
        QWidget* port = list->viewport();
        QMouseEvent press(QEvent::MouseButtonPress, at, port->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, keys);
        QMouseEvent release(QEvent::MouseButtonRelease, at, port->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, keys);
        QApplication::sendEvent(port, &press);
        QApplication::sendEvent(port, &release);
    }
    QString photos;
};

TEST_F(PictureLoading, AddAllOfLargePhotosShowsNamesAtOnceAndASecondClickAddsNothingTwice) {
    if (!PhotoFolder()) GTEST_SKIP() << "lomiri-wallpapers-16.04 is not installed";
    ASSERT_TRUE(ui->Dir1->setPath(photos));
    ASSERT_EQ(ui->lstFrom->count(), 9);

    // The first event after the click is handled while pictures are still
    // being read: the window answers during the work.
    bool answeredWhileReading = false;
    ui->Command6->click();
    QTimer::singleShot(0, w, [&] { answeredWhileReading = Panel()->PicturesPending(); });
    ui->Command6->click();  // the impatient second click

    // The names are there at once, in the browser's order, and in the project.
    QStringList expected;
    for (int i = 0; i < 9; ++i) expected << photos + "/" + ui->lstFrom->item(i)->text();
    EXPECT_EQ(Items(ui->lstTo), expected);
    EXPECT_EQ(w->Project().Get(vm::setting::slides), expected);
    EXPECT_FALSE(ui->Command6->isEnabled());
    for (int row = 0; row < 9; ++row) EXPECT_TRUE(Thumbnail(row).isNull()) << row;

    ASSERT_TRUE(WaitForPictures());
    EXPECT_TRUE(answeredWhileReading);
    EXPECT_EQ(ui->lstTo->count(), 9);
    EXPECT_TRUE(ui->Command6->isEnabled());
    for (int row = 0; row < 9; ++row) {
        // Each in a box of the same size, so the names stay in line; the
        // picture fills its width or its height.
        const QImage thumbnail = Thumbnail(row).toImage();
        EXPECT_EQ(thumbnail.size(), QSize(32, 24)) << row;
        EXPECT_TRUE(thumbnail.pixelColor(16, 0).alpha() == 255 ||
                    thumbnail.pixelColor(0, 12).alpha() == 255)
            << row;
        EXPECT_FALSE(ui->lstFrom->item(row)->icon().isNull()) << row;
    }
    // The phone's photo stands upright (18x24) in its thumbnail and the preview.
    const QImage phone = Thumbnail(8).toImage();
    EXPECT_EQ(phone.pixelColor(6, 12).alpha(), 0);
    EXPECT_TRUE(IsRed(phone.pixelColor(16, 3)) && IsBlue(phone.pixelColor(16, 20)));
    EXPECT_EQ(ui->lblPreviewPath->text(), photos + "/zz_phone.jpg");
    ASSERT_TRUE(PreviewColour().isValid());
    const QImage preview = ui->ImagePreview->pixmap().toImage();
    EXPECT_TRUE(IsRed(preview.pixelColor(preview.width() / 2, 3)));
    EXPECT_TRUE(IsBlue(preview.pixelColor(preview.width() / 2, preview.height() - 4)));

    // Once they are in, "Add All" adds the folder again if asked: on purpose.
    ui->Command6->click();
    EXPECT_EQ(ui->lstTo->count(), 18);
    EXPECT_TRUE(ui->Command6->isEnabled());  // the thumbnails were read already
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PictureLoading, ClosingTheWindowWhilePhotosLoadEndsCleanly) {
    if (!PhotoFolder()) GTEST_SKIP() << "lomiri-wallpapers-16.04 is not installed";
    ASSERT_TRUE(ui->Dir1->setPath(photos));
    ui->Command6->click();
    ASSERT_TRUE(Panel()->PicturesPending());
    // The window goes while its pictures are read; a new one works.
    NewWindow();
    w = window.get();
    w->ShowPanel(1);
    ASSERT_TRUE(ui->Dir1->setPath(photos));
    ui->Command6->click();
    EXPECT_EQ(ui->lstTo->count(), 9);
    EXPECT_TRUE(WaitForPictures());
}

TEST_F(PictureLoading, AddSelectImageAddsEveryFileChosenWithCtrlAndShift) {
    const QString folder = MakeFolder("choose", {"a.jpg", "b.jpg", "c.gif", "d.jpg"});
    ASSERT_TRUE(ui->Dir1->setPath(folder));
    ClickItem(ui->lstFrom, 3);
    ClickWith(ui->lstFrom, 1, Qt::ControlModifier);
    ui->Command3->click();
    EXPECT_EQ(Items(ui->lstTo), (QStringList{folder + "/b.jpg", folder + "/d.jpg"}));

    ClickItem(ui->lstFrom, 0);
    ClickWith(ui->lstFrom, 2, Qt::ShiftModifier);
    ui->Command3->click();
    EXPECT_EQ(Items(ui->lstTo),
              (QStringList{folder + "/b.jpg", folder + "/d.jpg", folder + "/a.jpg",
                           folder + "/b.jpg", folder + "/c.gif"}));
    EXPECT_TRUE(boxes.empty());
}
