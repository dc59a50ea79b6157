// What a new user ran into, through the window's named controls: files
// dropped from a file manager, a project whose picture moved, the demo and a
// new project after changes, and the message boxes' keys.
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

#include "ImagesPanel.h"
#include "ProjectChooser.h"
#include "SettingsTable.h"
#include "TestSupport.h"
#include "WindowFixture.h"
#include "window_testutil.h"

namespace {

namespace S = vm::setting;

class Faults : public testsupport::WindowTest {
protected:
    // A drop of `mime` on a list, as a file manager gives it.
    static bool Drop(QListWidget* list, QMimeData* mime) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        return drop.isAccepted();
    }
    QString Picture(const QString& path, const QColor& color = Qt::red) {
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        EXPECT_TRUE(testsupport::WriteSolidImage(path, 64, 48, color)) << path.toStdString();
        return path;
    }
    static void WriteFile(const QString& path, const QByteArray& data) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
};

TEST_F(Faults, FilesDroppedFromAFileManagerBecomeOneSlideEach) {
    window->ShowPanel(1);
    const QString spaced = Picture(folder + "/my photos/garden view.jpg");
    const QString accented = Picture(folder + "/my photos/été à Nîmes.GIF", Qt::blue);
    const QString notes = folder + "/my photos/notes.txt";
    WriteFile(notes, "not a picture");
    const QString more = folder + "/more";
    Picture(more + "/b.jpg");
    Picture(more + "/a.gif");
    // As a file manager sends them: percent-encoded URLs, one a line, and
    // the same again as text.
    QByteArray list;
    for (const QString& path : {spaced, accented, notes, more})
        list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
    ASSERT_TRUE(list.contains("garden%20view") && list.contains("%C3%A9t%C3%A9"));
    QMimeData mime;
    mime.setData("text/uri-list", list);
    mime.setText(QString::fromUtf8(list));
    ASSERT_TRUE(Drop(ui->lstTo, &mime));
    EXPECT_EQ(testsupport::Items(ui->lstTo),
              QStringList({spaced, accented, more + "/a.gif", more + "/b.jpg"}));
    EXPECT_EQ(ui->lblImagesCount->text(), "4");
    EXPECT_EQ(ui->lblStatus->text(),
              "4 pictures added. Left out (not a JPEG or GIF picture, nor a folder): notes.txt");
    EXPECT_TRUE(boxes.empty());
    // The project keeps them as four files, and opens again.
    QString error;
    ASSERT_TRUE(window->SaveProject(folder + "/dropped.json", &error)) << error.toStdString();
    NewWindow();
    ASSERT_TRUE(window->OpenProject(folder + "/dropped.json", &error)) << error.toStdString();
    EXPECT_EQ(ui->lstTo->count(), 4);

    // A folder dropped on the folder list is opened there.
    QMimeData folderDrop;
    folderDrop.setUrls({QUrl::fromLocalFile(folder + "/my photos")});
    ASSERT_TRUE(Drop(ui->Dir1, &folderDrop));
    EXPECT_EQ(ui->Dir1->Path(), folder + "/my photos");
    EXPECT_EQ(testsupport::Items(ui->lstFrom), QStringList({"garden view.jpg", "été à Nîmes.GIF"}));
}

TEST_F(Faults, AProjectWithAMissingPictureOpensAndLocateFindsIt) {
    window->ShowPanel(1);
    ASSERT_TRUE(SelectQuickVoice());
    ui->txtArticle[0]->setPlainText("Hello.");
    const QString a = Picture(folder + "/old/a.jpg");
    const QString b = Picture(folder + "/old/b.jpg");
    const QString c = Picture(folder + "/kept/c.jpg");
    ui->lstTo->addItems({a, c, b});
    QString error;
    ASSERT_TRUE(window->SaveProject(folder + "/moved.json", &error)) << error.toStdString();
    ASSERT_TRUE(QDir().rename(folder + "/old", folder + "/new"));

    NewWindow();
    ASSERT_TRUE(window->OpenProject(folder + "/moved.json", &error)) << error.toStdString();
    ASSERT_EQ(testsupport::Items(ui->lstTo), QStringList({a, c, b}));
    for (int row : {0, 2}) {
        EXPECT_FALSE(ui->lstTo->item(row)->icon().isNull()) << row;
        EXPECT_TRUE(ui->lstTo->item(row)->toolTip().startsWith("Missing: " +
                                                               ui->lstTo->item(row)->text()));
    }
    EXPECT_TRUE(ui->lstTo->item(1)->icon().isNull());

    // "Make Videos!" names them and starts nothing.
    ui->Command1->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "These pictures of the slides cannot be found:\n\n" + a + "\n" + b +
                                 "\n\nSelect each in the slide list and click \"Locate...\" to "
                                 "find it, or remove it.");
    EXPECT_FALSE(window->IsRunning());

    // Locate... finds the first; the other is offered from the same folder.
    QStringList asked;
    const SlideLocator previous = SetSlideLocator([&](QWidget*, const QString& missing) {
        asked << missing;
        return folder + "/new/a.jpg";
    });
    ui->lstTo->setCurrentRow(0);
    ui->cmdLocateSlide->click();
    SetSlideLocator(previous);
    EXPECT_EQ(asked, QStringList({a}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "1 of the other missing pictures is in " + folder +
                                 "/new. Use it from there?");
    const QStringList found = {folder + "/new/a.jpg", c, folder + "/new/b.jpg"};
    EXPECT_EQ(testsupport::Items(ui->lstTo), found);
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(ui->lstTo->item(row)->icon().isNull()) << row;
    EXPECT_EQ(window->Project().Get(S::slides), found);
    EXPECT_TRUE(window->IsModified());
}

TEST_F(Faults, TheDemoAndANewProjectStartFromTheDefaults) {
    ASSERT_TRUE(testsupport::CopyDemoData(folder));
    // Nothing to lose: no question.
    ui->cmdCreateDemoProject->click();
    EXPECT_TRUE(boxes.empty());
    const QStringList demoKeywords = testsupport::Items(ui->lstKeywords);
    ASSERT_FALSE(demoKeywords.isEmpty());

    // A changed project: the demo asks (No by default), then starts afresh.
    ui->chkMotion->setChecked(true);
    ui->txtTitleTemplate->setText("#KEYWORD# in the city");
    ui->cboResolution->setCurrentIndex(3);
    ui->cmdCreateDemoProject->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].defaultButton, QMessageBox::No);
    const vm::Settings& defaults = window->Project().Defaults();
    EXPECT_EQ(ui->chkMotion->isChecked(), defaults.Get(S::motion));
    EXPECT_EQ(ui->txtTitleTemplate->text(), "");
    EXPECT_EQ(window->Project().Get(S::resolution), defaults.Get(S::resolution));
    EXPECT_EQ(testsupport::Items(ui->lstKeywords), demoKeywords);

    // "New Project" asks Save / Discard / Cancel, Save by default.
    boxes.clear();
    answer = QMessageBox::Cancel;
    ui->cmdNewProject->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "The project has unsaved changes. Save them before starting a new project?");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    EXPECT_EQ(boxes[0].defaultButton, QMessageBox::Save);
    EXPECT_EQ(testsupport::Items(ui->lstKeywords), demoKeywords);

    // Save: the chooser names a file, and then the project is new.
    const ProjectChooser chooser =
        SetProjectChooser([&](QWidget*, bool) { return folder + "/demo.json"; });
    const MsgBoxHandler recorder = SetMsgBoxHandler([&](const MsgBoxCall& call) {
        boxes.push_back(call);
        return QMessageBox::Save;
    });
    ui->cmdNewProject->click();
    SetProjectChooser(chooser);
    SetMsgBoxHandler(recorder);
    EXPECT_TRUE(QFile::exists(folder + "/demo.json"));
    EXPECT_EQ(ui->lstKeywords->count(), 0);
    EXPECT_FALSE(window->IsModified());
    EXPECT_EQ(window->windowTitle(), "Vid Mill v2.5.5");
}

TEST_F(Faults, TheStatusLineNeverSaysSavedOverUnsavedChanges) {
    const ProjectChooser chooser =
        SetProjectChooser([&](QWidget*, bool) { return folder + "/saved.json"; });
    ui->lstKeywords->addItem("plumber");
    ui->cmdSaveProject->click();
    SetProjectChooser(chooser);
    EXPECT_EQ(ui->lblStatus->text(), "Project saved: saved.json");
    ui->lstKeywords->addItem("roofer");
    EXPECT_TRUE(window->windowTitle().contains("*"));
    EXPECT_FALSE(ui->lblStatus->text().contains("saved")) << ui->lblStatus->text().toStdString();
}

// The real message boxes, answered with a key as a person would.
QMessageBox::StandardButton AnswerWithKey(Qt::Key key, const std::function<void()>& ask,
                                          QMessageBox::StandardButton* answer = nullptr) {
    const MsgBoxHandler recorder = SetMsgBoxHandler({});
    bool pressed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || pressed) return;
        pressed = true;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(box->focusWidget() ? box->focusWidget() : box, &press);
    });
    poll.start(20);
    uitest::ModalGuard guard(5000);
    ask();
    SetMsgBoxHandler(recorder);
    EXPECT_TRUE(pressed) << "no box was shown";
    EXPECT_FALSE(guard.Fired()) << "the key did not close the box";
    return answer ? *answer : QMessageBox::NoButton;
}

TEST_F(Faults, EscapeClosesEachMessageAndEnterNeverDiscards) {
    window->show();
    QMessageBox::StandardButton got = QMessageBox::NoButton;
    // The finish message (Ok, Open) and an error message.
    AnswerWithKey(Qt::Key_Escape, [&] {
        got = MsgBox(window.get(), "Made 1 of 1 video in /tmp.", "Videos Made",
                     QMessageBox::Information, QMessageBox::Ok | QMessageBox::Open);
    });
    EXPECT_EQ(got, QMessageBox::Ok);
    AnswerWithKey(Qt::Key_Escape, [&] {
        for (QTextEdit* page : ui->txtArticle) page->clear();
        ui->Command1->click();  // "Please add some content ..."
    });
    // The unsaved-changes question: Escape cancels the quit, Enter saves.
    ui->lstKeywords->addItem("plumber");
    AnswerWithKey(Qt::Key_Escape, [&] { EXPECT_FALSE(window->close()); });
    EXPECT_TRUE(window->isVisible());
    const ProjectChooser chooser =
        SetProjectChooser([&](QWidget*, bool) { return folder + "/kept.json"; });
    AnswerWithKey(Qt::Key_Return, [&] { EXPECT_TRUE(window->close()); });
    SetProjectChooser(chooser);
    EXPECT_TRUE(QFile::exists(folder + "/kept.json"));
}

}  // namespace
