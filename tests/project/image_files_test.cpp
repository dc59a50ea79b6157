#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include "ImageFiles.h"
#include "SlideRules.h"
#include "TestSupport.h"

namespace {

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

}  // namespace

TEST(FullImagePath, JoinsFolderAndNameWithOneSeparator) {
    EXPECT_EQ(vm::FullImagePath("/home/u/pics", "a.jpg"), "/home/u/pics/a.jpg");
    // A folder at the root already ends in the separator.
    EXPECT_EQ(vm::FullImagePath("/", "a.jpg"), "/a.jpg");
    EXPECT_EQ(vm::FullImagePath("/mnt/usb/", "b.gif"), "/mnt/usb/b.gif");
    // Doubled separators inside the folder collapse too.
    EXPECT_EQ(vm::FullImagePath("/data//pics", "c.jpg"), "/data/pics/c.jpg");
}

TEST(ImageFilesIn, ListsOnlyJpgAndGifIgnoringCaseSortedByName) {
    const QString folder = testsupport::FreshAppFolder("list-pattern") + "/pics";
    ASSERT_TRUE(QDir().mkpath(folder + "/sub.jpg"));  // a folder never counts
    for (const char* name : {"d.JPG", "c.png", "b.gif", "e.jpeg", "a.jpg", "f.Gif", "g.jpg.txt",
                             "h.MP4", "i.mov", "j.mkv", "k.webm", "l.avi", "m.mpg"})
        Touch(folder + "/" + name);
    // Video clips are offered beside the pictures.
    EXPECT_EQ(vm::ImageFilesIn(folder), (QStringList{"a.jpg", "b.gif", "d.JPG", "f.Gif", "h.MP4",
                                                     "i.mov", "j.mkv", "k.webm", "l.avi"}));
}

TEST(ImageFilesIn, MixedCaseNamesSortWithoutRegardToCase) {
    const QString folder = testsupport::FreshAppFolder("list-order");
    for (const char* name : {"Zebra.jpg", "apple.jpg", "Mango.gif", "banana.jpg"})
        Touch(folder + "/" + name);
    EXPECT_EQ(vm::ImageFilesIn(folder),
              (QStringList{"apple.jpg", "banana.jpg", "Mango.gif", "Zebra.jpg"}));
}

TEST(ImageFilesIn, NamesThatDifferOnlyInCaseHaveOneOrderWhateverTheirCreation) {
    const QStringList orders[] = {{"a.jpg", "B.gif", "A.jpg", "b.gif"},
                                  {"b.gif", "A.jpg", "a.jpg", "B.gif"}};
    for (int i = 0; i < 2; ++i) {
        const QString folder = testsupport::FreshAppFolder(QString("list-case-%1").arg(i));
        for (const QString& name : orders[i]) Touch(folder + "/" + name);
        EXPECT_EQ(vm::ImageFilesIn(folder), (QStringList{"A.jpg", "a.jpg", "B.gif", "b.gif"}));
    }
}

TEST(ImageFilesIn, EmptyOrMissingFolderGivesNothing) {
    const QString folder = testsupport::FreshAppFolder("list-empty");
    EXPECT_TRUE(vm::ImageFilesIn(folder).isEmpty());
    EXPECT_TRUE(vm::ImageFilesIn(folder + "/missing").isEmpty());
    EXPECT_TRUE(vm::ImageFilesIn("").isEmpty());
}

TEST(PatternFilters, SplitsOnSemicolons) {
    EXPECT_EQ(vm::PatternFilters("*.jpg;*.gif"), (QStringList{"*.jpg", "*.gif"}));
    EXPECT_EQ(vm::PatternFilters(" *.jpg ; ;*.gif;"), (QStringList{"*.jpg", "*.gif"}));
}

TEST(DriveIndexFor, PicksTheLongestRootHoldingThePath) {
    const QStringList roots{"/", "/home", "/home/u/usb", "/mnt/usbstick"};
    EXPECT_EQ(vm::DriveIndexFor("/home/u/usb/pics", roots), 2);
    EXPECT_EQ(vm::DriveIndexFor("/home/u/usb", roots), 2);
    EXPECT_EQ(vm::DriveIndexFor("/home/u/usbx", roots), 1);  // a name prefix is no parent
    EXPECT_EQ(vm::DriveIndexFor("/mnt/usb", roots), 0);
    EXPECT_EQ(vm::DriveIndexFor("/", roots), 0);
    EXPECT_EQ(vm::DriveIndexFor("/home/../mnt/usbstick/x", roots), 3);
    EXPECT_EQ(vm::DriveIndexFor("", roots), -1);
    EXPECT_EQ(vm::DriveIndexFor("/tmp", {"/home"}), -1);
    EXPECT_EQ(vm::DriveIndexFor("/tmp", {}), -1);
}

// A chroot or a container may mount nothing that covers "/": the list still
// holds it, so every folder (the demo's pictures) has a drive.
TEST(DriveList, AlwaysHoldsTheRootOnce) {
    const QStringList none = vm::DriveList({}, {});
    EXPECT_EQ(none, QStringList({"/"}));
    EXPECT_EQ(vm::DriveIndexFor("/usr/share/vidmill/images/dental", none), 0);
    EXPECT_EQ(vm::DriveList({"/mnt/usb", "/", "/home", "/home"}, "/home"),
              QStringList({"/", "/home", "/mnt/usb"}));
    EXPECT_EQ(vm::DriveList({"/home"}, "/srv/data"), QStringList({"/", "/home", "/srv/data"}));
}

TEST(LoadPreviewImage, FitsTheBoxKeepingAspect) {
    const QString folder = testsupport::FreshAppFolder("preview");
    ASSERT_TRUE(testsupport::WriteSolidImage(folder + "/wide.jpg", 400, 100, Qt::red));
    ASSERT_TRUE(testsupport::WriteSolidImage(folder + "/small.gif", 20, 10, Qt::blue));

    const QImage wide = vm::LoadPreviewImage(folder + "/wide.jpg", QSize(200, 200));
    EXPECT_EQ(wide.size(), QSize(200, 50));
    const QColor centre = wide.pixelColor(100, 25);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.blue(), 60);

    // Small pictures are not blown up; an empty box keeps the picture's size.
    const QImage small = vm::LoadPreviewImage(folder + "/small.gif", QSize(200, 200));
    EXPECT_EQ(small.size(), QSize(20, 10));
    EXPECT_EQ(small.pixelColor(19, 9), QColor(Qt::blue));
    EXPECT_EQ(vm::LoadPreviewImage(folder + "/wide.jpg", QSize()).size(), QSize(400, 100));

    ASSERT_TRUE(testsupport::WriteSolidImage(folder + "/tall.gif", 300, 600, Qt::green));
    const QImage tall = vm::LoadPreviewImage(folder + "/tall.gif", QSize(120, 120));
    EXPECT_EQ(tall.size(), QSize(60, 120));
    EXPECT_EQ(tall.pixelColor(30, 119), QColor(Qt::green));
}

TEST(LoadPreviewImage, PhonePhotosAreShownUpright) {
    const QString folder = testsupport::FreshAppFolder("preview_oriented");
    QImage upright(60, 80, QImage::Format_RGB32);
    upright.fill(Qt::blue);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) upright.setPixelColor(x, y, Qt::red);  // the top half
    ASSERT_TRUE(testsupport::WriteOrientedJpeg(folder + "/phone.jpg", upright, 6));
    const QImage shown = vm::LoadPreviewImage(folder + "/phone.jpg", QSize(300, 300));
    ASSERT_EQ(shown.size(), QSize(60, 80));
    EXPECT_GT(shown.pixelColor(30, 10).red(), 200);
    EXPECT_GT(shown.pixelColor(30, 70).blue(), 200);
}

// A clip shows its first frame, upright.
TEST(LoadPreviewImage, ClipsShowTheirFirstFrame) {
    const QString folder = testsupport::FreshAppFolder("preview-clip");
    const QString flat = folder + "/flat.mp4", clip = folder + "/phone.mp4";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                            "color=red:s=320x180:d=1,drawbox=x=0:y=0:w=160:h=180:c=blue:t=fill",
                            "-c:v", "libx264", flat});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    // The rotation as a phone writes it (the mp4 muxer keeps it on a copy).
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-i", flat, "-c", "copy", "-metadata:s:v:0",
                            "rotate=90", clip});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    const QImage preview = vm::LoadPreviewImage(clip, QSize(180, 320));
    ASSERT_FALSE(preview.isNull());
    // Stood up, the blue left half is on top (or the bottom): red and blue
    // are above each other, not side by side.
    const QColor top = preview.pixelColor(90, 80), bottom = preview.pixelColor(90, 240);
    EXPECT_NE(top.blue() > 128, bottom.blue() > 128);
    EXPECT_EQ(preview.pixelColor(20, 80).blue() > 128, top.blue() > 128);
}

TEST(LoadPreviewImage, UnreadableFilesGiveANullImage) {
    const QString folder = testsupport::FreshAppFolder("preview-bad");
    QFile fake(folder + "/fake.jpg");
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("this is not a picture");
    fake.close();
    EXPECT_TRUE(vm::LoadPreviewImage(folder + "/fake.jpg", QSize(100, 100)).isNull());
    EXPECT_TRUE(vm::LoadPreviewImage(folder + "/missing.jpg", QSize(100, 100)).isNull());
    EXPECT_TRUE(vm::LoadPreviewImage("", QSize(100, 100)).isNull());
}

TEST(DropRules, OnlyTextFromTheOtherListActs) {
    // Slide list: a slide dragged onto its own list carries its own selection.
    EXPECT_FALSE(vm::DropAddsSlide("/p/a.jpg", "/p/a.jpg"));
    EXPECT_TRUE(vm::DropAddsSlide("a.jpg", "/p/a.jpg"));
    EXPECT_TRUE(vm::DropAddsSlide("a.jpg", ""));
    EXPECT_FALSE(vm::DropAddsSlide("", ""));
    EXPECT_TRUE(vm::DropAddsSlide("A.jpg", "a.jpg"));  // exact comparison

    // Browser list: its own file dropped back removes nothing.
    EXPECT_FALSE(vm::DropRemovesSlide("a.jpg", "a.jpg"));
    EXPECT_TRUE(vm::DropRemovesSlide("/p/a.jpg", "a.jpg"));
    EXPECT_TRUE(vm::DropRemovesSlide("/p/a.jpg", ""));
    EXPECT_FALSE(vm::DropRemovesSlide("", "a.jpg"));
}
