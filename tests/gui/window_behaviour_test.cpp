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

namespace {

class Behaviour : public testsupport::WindowTest {
protected:
    void Project(int resolution = 4, bool raw = false) {
        ASSERT_TRUE(SelectQuickVoice());
        window->txtArticle[0]->setPlainText("Call a #KEYWORD# today.");
        red = folder + "/red.jpg";
        blue = folder + "/blue.jpg";
        ASSERT_TRUE(testsupport::WriteSolidImage(red, 640, 360, Qt::red));
        ASSERT_TRUE(testsupport::WriteSolidImage(blue, 640, 360, Qt::blue));
        window->lstTo->addItems({red, blue});
        window->cboSeconds->setCurrentText(raw ? "5" : "1");
        window->cboResolution->setCurrentIndex(resolution);
        window->chkEnableVideoCompressor->setChecked(!raw);
        window->chkRandomize->setChecked(false);
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
    window->lstKeywords->addItems({"one", "two", "three"});
    QList<int> values;
    QObject::connect(window->prgRender, &QProgressBar::valueChanged, [&](int v) { values << v; });
    OnRender(2, [this] {
        EXPECT_TRUE(window->cmdStop->isEnabled());
        window->cmdStop->click();
    });
    window->Command1_Click();
    ASSERT_TRUE(acted);
    // The finished video stays; the one in flight leaves nothing behind.
    EXPECT_EQ(OutputFiles(), QStringList({"one.avi"}));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().title, "Stopped");
    EXPECT_EQ(boxes.back().text, "The batch was stopped. Made 1 of 3 videos in " + folder +
                                     "/output. 1 was stopped while being made (unfinished files "
                                     "were removed). 1 was not started.");
    EXPECT_FALSE(window->cmdStop->isEnabled());
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_EQ(window->prgRender->format(), "Made 1 of 3 videos");
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << "the bar went back";
}

TEST_F(Behaviour, ClosingDuringABatchAsksAndNoKeepsItGoing) {
    Project();
    window->lstKeywords->addItems({"one", "two"});
    window->show();
    bool closed = true;
    OnRender(1, [&] {
        answer = QMessageBox::No;
        closed = window->close();
        answer = QMessageBox::Yes;
    });
    window->Command1_Click();
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
    window->chkTransitions->setChecked(false);
    window->txtFilename->setText("order");
    // "red" dragged onto "blue": the drag says which list and row it left.
    const QRect blueRow = window->lstTo->visualItemRect(window->lstTo->item(1));
    QMimeData mime;
    mime.setText(red);
    mime.setData(DragList::kEntryFormat, "lstTo\n0");
    QDragEnterEvent enter(blueRow.center(), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->lstTo->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(blueRow.center()), Qt::MoveAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(window->lstTo->viewport(), &drop);
    ASSERT_EQ(window->lstTo->count(), 2);
    EXPECT_EQ(window->lstTo->item(0)->text(), blue);

    window->Command1_Click();
    const QColor first = testsupport::AverageColor(folder + "/output/order.avi", 5);
    EXPECT_LT(testsupport::ColorDistance(first, Qt::blue), 40) << first.name().toStdString();

    // The Delete key takes the selected slide; the next one is selected.
    window->lstTo->addItem(red);
    window->lstTo->setCurrentRow(0);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(window->lstTo, &del);
    EXPECT_EQ(window->lstTo->count(), 2);
    EXPECT_EQ(window->lstTo->currentRow(), 0);
    EXPECT_EQ(window->lblPreviewPath->text(), red);
    // The preview follows the keyboard, and goes with the pictures.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(window->lstTo, &down);
    EXPECT_EQ(window->lblPreviewPath->text(), window->lstTo->item(1)->text());
    window->cmdRemoveAllImages->click();
    EXPECT_EQ(window->lstTo->count(), 0);
    EXPECT_TRUE(window->lblPreviewPath->text().isEmpty());
    EXPECT_TRUE(window->ImagePreview->pixmap().isNull());
}

TEST_F(Behaviour, DeleteContentCanBeUndone) {
    window->txtArticle[0]->setPlainText("A text worth keeping.");
    window->Label19_Click();
    EXPECT_TRUE(window->txtArticle[0]->toPlainText().isEmpty());
    window->txtArticle[0]->undo();
    EXPECT_EQ(window->txtArticle[0]->toPlainText(), "A text worth keeping.");
}

TEST_F(Behaviour, UnsavedChangesAreShownAndAskedAboutOnClose) {
    window->show();
    EXPECT_EQ(window->windowTitle(), "Vid Mill v2.5.5");
    window->lstKeywords->addItem("plumber");
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(window->windowTitle(), "New project * - Vid Mill v2.5.5");
    answer = QMessageBox::No;
    EXPECT_FALSE(window->close());
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "The project has unsaved changes. Quit without saving them?");
    EXPECT_TRUE(window->isVisible());
    bool chooserAsked = false;
    const ProjectChooser previous = SetProjectChooser([&](QWidget*, bool) {
        chooserAsked = true;
        return QString();
    });
    window->cmdOpenProject->click();
    SetProjectChooser(previous);
    EXPECT_FALSE(chooserAsked);
    EXPECT_EQ(boxes.back().text,
              "The project has unsaved changes. Open another project and lose them?");
    EXPECT_EQ(window->lstKeywords->count(), 1);

    QString error;
    ASSERT_TRUE(window->SaveProject(folder + "/spring.json", &error)) << error.toStdString();
    EXPECT_EQ(window->windowTitle(), "spring.json - Vid Mill v2.5.5");
    const size_t asked = boxes.size();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(boxes.size(), asked);
}

TEST_F(Behaviour, TheWindowGrowsAndItsListsAndEditorWithIt) {
    window->show();
    EXPECT_EQ(window->minimumSizeHint().expandedTo(window->minimumSize()).width(), window->width());
    const QSize editor = window->txtArticle[0]->size();
    const QSize slides = window->lstTo->size();
    const QSize keywords = window->lstKeywords->size();
    window->resize(1600, 1000);
    QApplication::processEvents();
    EXPECT_GT(window->txtArticle[0]->width(), editor.width() + 500);
    EXPECT_GT(window->txtArticle[0]->height(), editor.height() + 400);
    EXPECT_GT(window->lstKeywords->height(), keywords.height() + 400);
    window->ShowPanel(1);  // a hidden panel is laid out when it shows
    EXPECT_GT(window->lstTo->width(), slides.width() + 100);
    EXPECT_GT(window->lstTo->height(), slides.height() + 400);
    // Nothing overlaps at the larger size either.
    for (int p = 0; p < 3; ++p) {
        window->ShowPanel(p);
        QGroupBox* panel = window->frTab[p];
        std::vector<QWidget*> shown;
        for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isHidden() && child != window->Shape1) shown.push_back(child);
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
