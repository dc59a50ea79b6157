// The window's own controls: header frame, drag lists and the folder list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMimeData>

#include "Controls.h"
#include "TestSupport.h"

namespace {

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList Items(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

TEST(FrameLook, SelectedAndNotSelectedDrawDifferently) {
    Frame frame;
    frame.resize(100, 37);
    auto* caption = new QLabel("Images", &frame);
    caption->setGeometry(30, 2, 60, 33);

    frame.setNotSelected(false);
    const QImage selected = frame.grab().toImage();
    EXPECT_TRUE(caption->font().bold());
    frame.setProperty("NotSelected", true);
    EXPECT_TRUE(frame.NotSelected());
    const QImage notSelected = frame.grab().toImage();
    EXPECT_FALSE(caption->font().bold());

    // Sample the background away from the caption and the border.
    const QColor a = selected.pixelColor(15, 20);
    const QColor b = notSelected.pixelColor(15, 20);
    EXPECT_GT(a.lightness(), b.lightness()) << "the selected header should be the lighter one";
    EXPECT_NE(selected.pixelColor(15, 1), notSelected.pixelColor(15, 1));
}

TEST(DirListControl, ShowsSubfoldersAndOpensThemOnDoubleClick) {
    const QString folder = testsupport::FreshAppFolder("dirlist");
    QDir(folder).mkpath("beta/inner");
    QDir(folder).mkpath("Alpha");
    Touch(folder + "/file.jpg");

    DirList dirs;
    int changes = 0;
    QObject::connect(&dirs, &DirList::Change, [&] { ++changes; });
    ASSERT_TRUE(dirs.setPath(folder));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Items(dirs), QStringList({"..", "Alpha", "beta"}));

    EXPECT_FALSE(dirs.setPath(folder + "/nowhere"));
    EXPECT_FALSE(dirs.setPath(folder + "/file.jpg"));
    EXPECT_EQ(dirs.Path(), folder);
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(dirs.setPath(folder));  // the same folder again is no change
    EXPECT_EQ(changes, 1);

    emit dirs.itemDoubleClicked(dirs.item(2));
    EXPECT_EQ(dirs.Path(), folder + "/beta");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Items(dirs), QStringList({"..", "inner"}));

    emit dirs.itemDoubleClicked(dirs.item(0));
    EXPECT_EQ(dirs.Path(), folder);

    ASSERT_TRUE(dirs.setPath("/"));
    EXPECT_NE(Items(dirs).value(0), "..") << "the root has no parent entry";
}

TEST(DragListControl, HandsDroppedTextToItsHandler) {
    DragList list;
    list.resize(200, 150);
    list.setAcceptDrops(true);
    list.show();
    QStringList dropped;
    list.onDrop = [&](const QString& text) { dropped << text; };

    QMimeData text;
    text.setText("/images/one.jpg");
    const QPointF at(50, 50);
    QDragEnterEvent enter(at.toPoint(), Qt::MoveAction | Qt::CopyAction, &text, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
    QDropEvent drop(at, Qt::MoveAction | Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(dropped, QStringList({"/images/one.jpg"}));
    EXPECT_EQ(list.count(), 0) << "the list itself adds nothing; the handler decides";

    QMimeData picture;
    picture.setImageData(QImage(4, 4, QImage::Format_RGB32));
    QDragEnterEvent enterPicture(at.toPoint(), Qt::MoveAction, &picture, Qt::LeftButton,
                                 Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enterPicture);
    EXPECT_FALSE(enterPicture.isAccepted());
    QDropEvent dropPicture(at, Qt::MoveAction, &picture, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &dropPicture);
    EXPECT_EQ(dropped.size(), 1);
}

}  // namespace
