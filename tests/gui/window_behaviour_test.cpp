// The window as a desktop video tool: stopping a batch, closing during one,
// the slide list's editing, undo, unsaved changes and growing with the window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

#include "Controls.h"
#include "MediaProbe.h"
#include "ProjectChooser.h"
#include "TestSupport.h"
#include "WindowFixture.h"
#include "window_testutil.h"

namespace {

class Behaviour : public testsupport::WindowTest {
protected:
    void Project(int resolution = 4, bool raw = false) {
        ASSERT_TRUE(SelectQuickVoice());
        ui->txtArticle[0]->setPlainText("Call a #KEYWORD# today.");
        red = folder + "/red.jpg";
        blue = folder + "/blue.jpg";
        ASSERT_TRUE(testsupport::WriteSolidImage(red, 640, 360, Qt::red));
        ASSERT_TRUE(testsupport::WriteSolidImage(blue, 640, 360, Qt::blue));
        ui->lstTo->addItems({red, blue});
        ui->cboSeconds->setCurrentText(raw ? "5" : "1");
        ui->cboResolution->setCurrentIndex(resolution);
        ui->chkEnableVideoCompressor->setChecked(!raw);
        ui->chkRandomize->setChecked(false);
    }
    QStringList OutputFiles() const {
        return QDir(folder + "/output").entryList(QDir::Files, QDir::Name);
    }
    // Runs `action` once, when video `n` of the batch first reports frames.
    void OnRender(int n, std::function<void()> action) {
        QObject::connect(window.get(), &frmVSL::batchProgress,
                         [this, n, action](int video, int, int percent) {
                             if (acted || video != n || percent == 0) return;
                             acted = true;
                             action();
                         });
    }
    QString red, blue;
    bool acted = false;
};

TEST_F(Behaviour, StopKeepsTheFinishedVideosAndSaysWhatWasNotMade) {
    Project(0, /*raw=*/true);  // raw 1080p frames: renders slow enough to stop midway
    ui->lstKeywords->addItems({"one", "two", "three"});
    QList<int> values;
    QObject::connect(ui->prgRender, &QProgressBar::valueChanged, [&](int v) { values << v; });
    OnRender(2, [this] {
        EXPECT_TRUE(ui->cmdStop->isEnabled());
        ui->cmdStop->click();
    });
    ASSERT_TRUE(MakeVideos());
    ASSERT_TRUE(acted);
    // The finished video stays; the one in flight leaves nothing behind.
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi"}));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().title, "Stopped");
    EXPECT_EQ(boxes.back().text, "The batch was stopped. Made 1 of 3 videos in " + folder +
                                     "/output. 1 was stopped while being made (unfinished files "
                                     "were removed). 1 was not started.");
    EXPECT_FALSE(ui->cmdStop->isEnabled());
    EXPECT_TRUE(ui->Command1->isEnabled());
    EXPECT_EQ(ui->prgRender->format(), "Made 1 of 3 videos");
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << "the bar went back";
}

TEST_F(Behaviour, ClosingDuringABatchAsksAndNoKeepsItGoing) {
    Project();
    ui->lstKeywords->addItems({"one", "two"});
    window->show();
    bool closed = true;
    OnRender(1, [&] {
        answer = QMessageBox::No;
        closed = window->close();
        answer = QMessageBox::Yes;
    });
    ASSERT_TRUE(MakeVideos());
    ASSERT_TRUE(acted);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(), [](const MsgBoxCall& c) {
        return c.text == "A batch is running. Stop it and quit?";
    }));
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi", "two.avi"}));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Behaviour, ADraggedSlideChangesTheOrderTheVideoShows) {
    Project();
    ui->chkTransitions->setChecked(false);
    ui->txtFilename->setText("order");
    // "red" dragged onto "blue": the drag says which list and row it left.
    const QRect blueRow = ui->lstTo->visualItemRect(ui->lstTo->item(1));
    QMimeData mime;
    mime.setText(red);
    mime.setData(DragList::kEntryFormat, "lstTo\n0");
    QDragEnterEvent enter(blueRow.center(), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ui->lstTo->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(blueRow.center()), Qt::MoveAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(ui->lstTo->viewport(), &drop);
    ASSERT_EQ(ui->lstTo->count(), 2);
    EXPECT_EQ(ui->lstTo->item(0)->text(), blue);

    ASSERT_TRUE(MakeVideos());
    const QColor first = testsupport::AverageColor(folder + "/output/order.avi", 5);
    EXPECT_LT(testsupport::ColorDistance(first, Qt::blue), 40) << first.name().toStdString();

    // The Delete key takes the selected slide; the next one is selected.
    ui->lstTo->addItem(red);
    ui->lstTo->setCurrentRow(0);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(ui->lstTo, &del);
    EXPECT_EQ(ui->lstTo->count(), 2);
    EXPECT_EQ(ui->lstTo->currentRow(), 0);
    EXPECT_EQ(ui->lblPreviewPath->text(), red);
    // The preview follows the keyboard, and goes with the pictures.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(ui->lstTo, &down);
    EXPECT_EQ(ui->lblPreviewPath->text(), ui->lstTo->item(1)->text());
    ui->cmdRemoveAllImages->click();
    EXPECT_EQ(ui->lstTo->count(), 0);
    EXPECT_TRUE(ui->lblPreviewPath->text().isEmpty());
    EXPECT_TRUE(ui->ImagePreview->pixmap().isNull());
}

TEST_F(Behaviour, DeleteContentCanBeUndone) {
    ui->txtArticle[0]->setPlainText("A text worth keeping.");
    uitest::Click(ui->Label19);
    EXPECT_TRUE(ui->txtArticle[0]->toPlainText().isEmpty());
    ui->txtArticle[0]->undo();
    EXPECT_EQ(ui->txtArticle[0]->toPlainText(), "A text worth keeping.");
}

TEST_F(Behaviour, UnsavedChangesAreShownAndAskedAboutOnClose) {
    window->show();
    EXPECT_EQ(window->windowTitle(), "Vid Mill v2.5.5");
    ui->lstKeywords->addItem("plumber");
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(window->windowTitle(), "New project * - Vid Mill v2.5.5");
    answer = QMessageBox::No;
    EXPECT_FALSE(window->close());
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "The project has unsaved changes. Save them before quitting?");
    EXPECT_TRUE(window->isVisible());
    bool chooserAsked = false;
    const ProjectChooser previous = SetProjectChooser([&](QWidget*, bool) {
        chooserAsked = true;
        return QString();
    });
    ui->cmdOpenProject->click();
    SetProjectChooser(previous);
    EXPECT_FALSE(chooserAsked);
    EXPECT_EQ(boxes.back().text,
              "The project has unsaved changes. Save them before opening another project?");
    EXPECT_EQ(ui->lstKeywords->count(), 1);

    QString error;
    ASSERT_TRUE(window->SaveProject(folder + "/spring.json", &error)) << error.toStdString();
    EXPECT_EQ(window->windowTitle(), "spring.json - Vid Mill v2.5.5");
    const size_t asked = boxes.size();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(boxes.size(), asked);
}

TEST_F(Behaviour, TheWindowGrowsAndItsListsAndEditorWithIt) {
    window->show();
    // It may be made as small as an 800x600 screen (the client area then scrolls).
    const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize());
    EXPECT_LE(smallest.width(), 800);
    EXPECT_LE(smallest.height(), 600);
    const QSize editor = ui->txtArticle[0]->size();
    const QSize slides = ui->lstTo->size();
    const QSize keywords = ui->lstKeywords->size();
    window->resize(1600, 1000);
    QApplication::processEvents();
    EXPECT_GT(ui->txtArticle[0]->width(), editor.width() + 500);
    EXPECT_GT(ui->txtArticle[0]->height(), editor.height() + 400);
    EXPECT_GT(ui->lstKeywords->height(), keywords.height() + 400);
    window->ShowPanel(1);  // a hidden panel is laid out when it shows
    EXPECT_GT(ui->lstTo->width(), slides.width() + 100);
    EXPECT_GT(ui->lstTo->height(), slides.height() + 400);
    // Nothing overlaps at the larger size either.
    for (int p = 0; p < 3; ++p) {
        window->ShowPanel(p);
        QGroupBox* panel = ui->frTab[p];
        std::vector<QWidget*> shown;
        for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isHidden() && child != ui->Shape1) shown.push_back(child);
        for (size_t a = 0; a < shown.size(); ++a) {
            EXPECT_TRUE(panel->rect().contains(shown[a]->geometry()))
                << shown[a]->objectName().toStdString();
            for (size_t b = a + 1; b < shown.size(); ++b)
                EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry()))
                    << shown[a]->objectName().toStdString() << " overlaps "
                    << shown[b]->objectName().toStdString();
        }
    }
}

}  // namespace
