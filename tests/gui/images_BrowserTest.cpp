// Image browsing through the window: folder list, paste and gallery links,
// preview.
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QStorageInfo>

#include "AppFolder.h"
#include "images_Fixture.h"

using BrowserWindow = ImagesWindow;

TEST_F(BrowserWindow, FolderListsOnlyJpgAndGifThenAnEmptyFolderEmptiesTheList) {
    const QString pics = MakeFolder("pics", {"a.jpg", "b.gif", "c.png", "d.JPG", "e.jpeg"});
    const QString empty = MakeFolder("empty", {});

    ASSERT_TRUE(ui->Dir1->setPath(pics));
    EXPECT_EQ(Items(ui->lstFrom), (QStringList{"a.jpg", "b.gif", "d.JPG"}));

    ASSERT_TRUE(ui->Dir1->setPath(empty));
    EXPECT_EQ(ui->lstFrom->count(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BrowserWindow, OpeningASubFolderInTheFolderListRefillsTheBrowser) {
    MakeFolder("parent/inner", {"x.jpg", "y.gif"});
    ASSERT_TRUE(ui->Dir1->setPath(app + "/parent"));
    EXPECT_EQ(ui->lstFrom->count(), 0);
    const auto found = ui->Dir1->findItems("inner", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    ClickItem(ui->Dir1, ui->Dir1->row(found.first()), /*twice=*/true);
    EXPECT_EQ(ui->Dir1->Path(), app + "/parent/inner");
    EXPECT_EQ(ui->lblFolderPath->text(), app + "/parent/inner");  // the line above the folders
    EXPECT_EQ(Items(ui->lstFrom), (QStringList{"x.jpg", "y.gif"}));
}

TEST_F(BrowserWindow, PasteLinkChecksTheClipboard) {
    QGuiApplication::clipboard()->clear();
    ClickLabel(ui->Label22);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please paste the folder path.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);

    const QString before = ui->Dir1->Path();
    QGuiApplication::clipboard()->setText(app + "/no-such-folder");
    ClickLabel(ui->Label22);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text,
              "There is an error with the selected folder. Please try with another location.");
    EXPECT_EQ(boxes[1].title, "Error");
    EXPECT_EQ(boxes[1].icon, QMessageBox::Information);
    EXPECT_EQ(ui->Dir1->Path(), before);
}

TEST_F(BrowserWindow, PasteLinkWithAFolderBrowsesIt) {
    const QString pics = MakeFolder("pasted", {"b.gif", "a.jpg"});
    QGuiApplication::clipboard()->setText(pics);
    ClickLabel(ui->Label22);
    EXPECT_TRUE(boxes.empty()) << Messages().join(" | ").toStdString();
    EXPECT_EQ(ui->Dir1->Path(), pics);
    EXPECT_EQ(ui->Drive1->currentText(), QStorageInfo(pics).rootPath());
    EXPECT_EQ(Items(ui->lstFrom), (QStringList{"a.jpg", "b.gif"}));
}

TEST_F(BrowserWindow, GalleryLinkNeedsTheImagesFolder) {
    ClickLabel(ui->Label27);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "There is an error with the Gallery folder. Please reinstall the software or use "
              "images from another folder.");
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);

    boxes.clear();
    MakeFolder("images", {"g2.gif", "g1.jpg", "notes.txt"});
    ClickLabel(ui->Label27);
    EXPECT_TRUE(boxes.empty()) << Messages().join(" | ").toStdString();
    EXPECT_EQ(ui->Dir1->Path(), vm::DataPath("images"));
    EXPECT_EQ(Items(ui->lstFrom), (QStringList{"g1.jpg", "g2.gif"}));
}

TEST_F(BrowserWindow, ClickingAFileShowsItAndAnUnreadableOneKeepsThePreview) {
    const QString pics = MakeFolder("preview", {"a.jpg", "bad.jpg"});
    MakeFolder("preview2", {"c.gif"}, Qt::blue);
    ASSERT_TRUE(ui->Dir1->setPath(pics));
    ASSERT_EQ(Items(ui->lstFrom), (QStringList{"a.jpg", "bad.jpg"}));
    EXPECT_TRUE(ui->ImagePreview->pixmap().isNull());

    ClickItem(ui->lstFrom, 0);
    EXPECT_TRUE(IsRed(PreviewColour()));
    const QSize box = ui->ImagePreview->contentsRect().size();
    const QSize shown = ui->ImagePreview->pixmap().size();
    EXPECT_TRUE(shown.width() <= box.width() && shown.height() <= box.height());

    const qint64 key = ui->ImagePreview->pixmap().cacheKey();
    ClickItem(ui->lstFrom, 1);
    EXPECT_EQ(ui->lstFrom->currentRow(), 1);
    EXPECT_EQ(ui->ImagePreview->pixmap().cacheKey(), key);
    EXPECT_TRUE(boxes.empty());

    // A GIF previews too; the folder change itself leaves the preview alone.
    ASSERT_TRUE(ui->Dir1->setPath(app + "/preview2"));
    EXPECT_TRUE(IsRed(PreviewColour()));
    ClickItem(ui->lstFrom, 0);
    EXPECT_TRUE(IsBlue(PreviewColour()));
}

// A folder of the scratch area stands in for a second drive.
TEST_F(BrowserWindow, PickingADriveMovesTheFolderListThereUnlessItIsUnreadable) {
    const QString usb = MakeFolder("usb", {"u.jpg"});
    MakeFolder("usb/trip", {"t1.jpg", "t2.gif"});
    const QString home = MakeFolder("home", {"h.jpg"});
    ui->Drive1->addItem(usb);
    ui->Drive1->addItem(app + "/unplugged");
    ASSERT_TRUE(ui->Dir1->setPath(home));

    ui->Drive1->setCurrentIndex(ui->Drive1->findText(usb));
    EXPECT_EQ(ui->Dir1->Path(), usb);
    EXPECT_EQ(Items(ui->lstFrom), QStringList{"u.jpg"});

    // No medium: the folder list stays where it was, silently.
    ui->Drive1->setCurrentIndex(ui->Drive1->findText(app + "/unplugged"));
    EXPECT_EQ(ui->Dir1->Path(), usb);
    EXPECT_EQ(Items(ui->lstFrom), QStringList{"u.jpg"});

    // A pasted folder selects the drive that holds it; a folder already on the
    // chosen drive stays put.
    QGuiApplication::clipboard()->setText(usb + "/trip");
    ClickLabel(ui->Label22);
    EXPECT_EQ(ui->Drive1->currentText(), usb);
    EXPECT_EQ(ui->Dir1->Path(), usb + "/trip");
    EXPECT_EQ(Items(ui->lstFrom), (QStringList{"t1.jpg", "t2.gif"}));
    QGuiApplication::clipboard()->setText(home);
    ClickLabel(ui->Label22);
    EXPECT_EQ(ui->Drive1->currentText(), QStorageInfo(home).rootPath());
    EXPECT_EQ(ui->Dir1->Path(), home);
    EXPECT_TRUE(boxes.empty()) << Messages().join(" | ").toStdString();
}
