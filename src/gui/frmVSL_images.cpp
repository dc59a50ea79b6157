// The main window's handlers: image browsing and the slide list.
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

#include "AppFolder.h"
#include "Controls.h"
#include "ImageFiles.h"
#include "MsgBox.h"
#include "SlideRules.h"
#include "frmVSL.h"

namespace {

const char kSelectImage[] = "Please select an image.";
const char kPasteFolder[] = "Please paste the folder path.";
const char kFolderError[] =
    "There is an error with the selected folder. Please try with another location.";
const char kGalleryError[] =
    "There is an error with the Gallery folder. Please reinstall the software or use images "
    "from another folder.";

void ShowError(QWidget* parent, const char* text) {
    MsgBox(parent, QString::fromLatin1(text), "Error", QMessageBox::Information);
}

// The row of the list's selected entry, -1 when none is selected. A current
// row that is not selected (after a removal, say) does not count.
int SelectedRow(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->row(item) : -1;
}

QString SelectedText(const QListWidget* list) {
    const int row = SelectedRow(list);
    return row < 0 ? QString() : list->item(row)->text();
}

// Removes the selected entry; the one after it (or, at the end, the one
// before) becomes the selection, so removing several in a row is one key each.
bool RemoveSelected(QListWidget* list) {
    const int row = SelectedRow(list);
    if (row < 0) return false;
    delete list->takeItem(row);
    if (list->count() > 0) {
        list->setCurrentRow(std::min(row, list->count() - 1));
    } else {
        list->setCurrentRow(-1);
    }
    return true;
}

// The root path an entry of the drive list stands for: its data when it has
// one, else its text.
QStringList DriveRoots(const QComboBox* drives) {
    QStringList roots;
    for (int i = 0; i < drives->count(); ++i) {
        const QString data = drives->itemData(i).toString();
        roots << (data.isEmpty() ? drives->itemText(i) : data);
    }
    return roots;
}

void ShowCount(QLabel* label, const QListWidget* slides) {
    label->setText(QString::number(slides->count()));
}

}  // namespace

bool frmVSL::SetDrivePath(const QString& path) {
    const int index = vm::DriveIndexFor(path, DriveRoots(Drive1));
    if (index < 0) return false;
    Drive1->setCurrentIndex(index);  // runs Drive1_Change when the drive differs
    return true;
}

void frmVSL::Drive1_Change() {
    const QStringList roots = DriveRoots(Drive1);
    const int index = Drive1->currentIndex();
    if (index < 0 || index >= roots.size()) return;
    // Still on that drive: the folder list keeps its folder, as a drive's
    // current folder would.
    if (vm::DriveIndexFor(Dir1->Path(), roots) == index) return;
    Dir1->setPath(roots[index]);  // an unreadable drive leaves the list as it was
}

void frmVSL::Dir1_Change() {
    lblFolderPath->SetPath(Dir1->Path());
    File1->setPath(Dir1->Path());
    lstFrom->clear();
    for (int i = 0; i < File1->count(); ++i) {
        File1->setCurrentRow(i);
        lstFrom->addItem(QFileInfo(File1->item(i)->text()).fileName());
    }
}

void frmVSL::lstFrom_Click() {
    const int row = SelectedRow(lstFrom);
    if (row < 0) return;
    ShowPreview(vm::FullImagePath(Dir1->Path(), lstFrom->item(row)->text()));
}

void frmVSL::lstFrom_DblClick() {
    Command3_Click();
}

void frmVSL::lstFrom_OLEDragDrop(const QString& data) {
    // A slide dropped on the browser leaves the slide list; a browser file
    // dropped back on its own list changes nothing.
    if (vm::DropRemovesSlide(data, SelectedText(lstFrom))) RemoveSlide();
    if (vm::DropHoldsText(data)) ShowCount(lblImagesCount, lstTo);
}

void frmVSL::Label22_Click() {
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) {
        ShowError(this, kPasteFolder);
        return;
    }
    if (!SetDrivePath(text) || !Dir1->setPath(text)) ShowError(this, kFolderError);
}

void frmVSL::Label27_Click() {
    const QString gallery = vm::DataPath("images");
    if (!SetDrivePath(gallery) || !Dir1->setPath(gallery)) ShowError(this, kGalleryError);
}

void frmVSL::Command3_Click() {
    const int row = SelectedRow(lstFrom);
    if (row < 0) {
        ShowError(this, kSelectImage);
        return;
    }
    lstTo->addItem(vm::FullImagePath(Dir1->Path(), lstFrom->item(row)->text()));
    ShowCount(lblImagesCount, lstTo);
}

void frmVSL::Command4_Click() {
    if (!RemoveSlide()) {
        ShowError(this, kSelectImage);
        return;
    }
    ShowCount(lblImagesCount, lstTo);
}

bool frmVSL::RemoveSlide() {
    const QString removed = SelectedText(lstTo);
    if (!RemoveSelected(lstTo)) return false;
    // The preview follows the new selection; with none left it shows nothing
    // of a picture that is gone.
    if (lstTo->count() == 0 && removed == previewPath_) ShowPreview(QString());
    return true;
}

void frmVSL::cmdRemoveAllImages_Click() {
    if (lstTo->count() == 0) return;
    const auto answer =
        MsgBox(this, QString("Remove all %1 images from the list?").arg(lstTo->count()), "Confirm",
               QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    if (lstTo->findItems(previewPath_, Qt::MatchExactly).size() > 0) ShowPreview(QString());
    lstTo->clear();
    ShowCount(lblImagesCount, lstTo);
}

void frmVSL::lstTo_Moved(int from, int to) {
    if (from < 0 || from >= lstTo->count() || to < 0 || to >= lstTo->count()) return;
    lstTo->insertItem(to, lstTo->takeItem(from));
    lstTo->setCurrentRow(to);
}

void frmVSL::lstTo_CurrentChanged() {
    lstTo_Click();
}

bool frmVSL::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ImagePreview && event->type() == QEvent::Resize && !previewPath_.isEmpty())
        ShowPreview(previewPath_);
    return QMainWindow::eventFilter(watched, event);
}

void frmVSL::ShowPreview(const QString& path) {
    if (path.isEmpty()) {
        ImagePreview->clear();
        lblPreviewPath->SetPath(QString());
        previewPath_.clear();
        return;
    }
    // An unreadable picture keeps the last preview.
    const QImage image = vm::LoadPreviewImage(path, ImagePreview->contentsRect().size());
    if (image.isNull()) return;
    ImagePreview->setPixmap(QPixmap::fromImage(image));
    lblPreviewPath->SetPath(path);
    previewPath_ = path;
}

void frmVSL::Command6_Click() {
    const bool enabled = Command6->isEnabled();
    Command3->setEnabled(false);
    Command4->setEnabled(false);
    Command6->setEnabled(false);
    const QString folder = Dir1->Path();
    for (int i = 0; i < lstFrom->count(); ++i) {
        {
            // Select quietly and preview once, whichever signal the list's
            // click is connected to.
            const QSignalBlocker quiet(lstFrom);
            lstFrom->setCurrentRow(i);
        }
        lstFrom_Click();
        lstTo->addItem(vm::FullImagePath(folder, lstFrom->item(i)->text()));
        ShowCount(lblImagesCount, lstTo);
    }
    Command3->setEnabled(enabled);
    Command4->setEnabled(enabled);
    Command6->setEnabled(enabled);
}

void frmVSL::lstTo_Click() {
    const int row = SelectedRow(lstTo);
    if (row < 0) return;
    ShowPreview(lstTo->item(row)->text());
}

void frmVSL::lstTo_OLEDragDrop(const QString& data) {
    // The drag carries the source list's selected entry: the slide list's own
    // selection coming back adds nothing.
    if (!vm::DropAddsSlide(data, SelectedText(lstTo))) return;
    lstTo->addItem(vm::FullImagePath(Dir1->Path(), data));
    ShowCount(lblImagesCount, lstTo);
}
