#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>

#include "Controls.h"
#include "ImagesPanel.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "WindowFixture.h"
#include "frmVSL.h"

// The shared window fixture with the images panel showing and start-up's own
// messages set aside; `app` is the application folder, `w` the window.
class ImagesWindow : public testsupport::WindowTest {
protected:
    void SetUp() override {
        testsupport::WindowTest::SetUp();
        app = testsupport::WindowTest::folder;
        w = window.get();
        w->ShowPanel(1);
        boxes.clear();
    }

    // A folder under the application folder holding the given pictures; a
    // name starting with "bad" gets text instead of a picture.
    QString MakeFolder(const QString& name, const QStringList& files,
                       const QColor& color = Qt::red) {
        const QString dir = app + "/" + name;
        EXPECT_TRUE(QDir().mkpath(dir));
        for (const QString& file : files) {
            const QString path = dir + "/" + file;
            if (file.startsWith("bad")) {
                QFile f(path);
                EXPECT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("not a picture");
            } else {
                EXPECT_TRUE(testsupport::WriteSolidImage(path, 64, 48, color))
                    << path.toStdString();
            }
        }
        return dir;
    }

    static QStringList Items(const QListWidget* list) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
        return items;
    }

    // A left click on a link label, as the mouse gives it.
    static void ClickLabel(QWidget* label) {
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(label, &press);
        QApplication::sendEvent(label, &release);
    }

    // A left click (or double click) on an entry of a list, sent to its viewport.
    static void ClickItem(QListWidget* list, int row, bool twice = false) {
        QListWidgetItem* item = list->item(row);
        ASSERT_NE(item, nullptr);
        list->scrollToItem(item);
        const QPointF at = list->visualItemRect(item).center();
        QWidget* port = list->viewport();
        auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
            QMouseEvent event(type, at, port->mapToGlobal(at), Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(port, &event);
        };
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        if (twice) {
            send(QEvent::MouseButtonDblClick, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
        }
    }

    // Waits (boundedly) until the thumbnails and the preview asked for have
    // been read on their workers and shown.
    bool WaitForPictures() const {
        const auto* panel = w->findChild<ImagesPanel*>("frTab_1");
        return testsupport::WaitFor([panel] { return !panel->PicturesPending(); }, 20000);
    }

    // The colour in the middle of the preview, invalid when it shows nothing;
    // once the picture asked for has come.
    QColor PreviewColour() const {
        EXPECT_TRUE(WaitForPictures());
        const QPixmap pixmap = ui->ImagePreview->pixmap();
        if (pixmap.isNull()) return {};
        const QImage image = pixmap.toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }

    QStringList Messages() const {
        QStringList texts;
        for (const MsgBoxCall& call : boxes) texts << call.text;
        return texts;
    }

    QString app;
    frmVSL* w = nullptr;
};

// Reddish / bluish, allowing for JPEG's rounding.
inline bool IsRed(const QColor& c) {
    return c.isValid() && c.red() > 200 && c.blue() < 60;
}
inline bool IsBlue(const QColor& c) {
    return c.isValid() && c.blue() > 200 && c.red() < 60;
}
