// The main window's handlers: image browsing and the slide list.
#include <QClipboard>
#include <QComboBox>
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

// Removes the selected entry and leaves the list with nothing selected, so a
// second press of "Remove" asks for a selection instead of taking the next one.
bool RemoveSelected(QListWidget* list) {
    const int row = SelectedRow(list);
    if (row < 0) return false;
    delete list->takeItem(row);
    list->setCurrentRow(-1);
    list->clearSelection();
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

// Shows the picture in the preview box, shrunk to fit; an unreadable picture
// keeps the last preview.
void ShowPreview(QLabel* preview, const QString& path) {
    const QImage image = vm::LoadPreviewImage(path, preview->contentsRect().size());
    if (image.isNull()) return;
    preview->setPixmap(QPixmap::fromImage(image));
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
    ShowPreview(ImagePreview, vm::FullImagePath(Dir1->Path(), lstFrom->item(row)->text()));
}

void frmVSL::lstFrom_DblClick() {
    Command3_Click();
}

void frmVSL::lstFrom_OLEDragDrop(const QString& data) {
    // A slide dropped on the browser leaves the slide list; a browser file
    // dropped back on its own list changes nothing.
    if (vm::DropRemovesSlide(data, SelectedText(lstFrom))) RemoveSelected(lstTo);
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
    const QString gallery = vm::AppPath("images");
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
    if (!RemoveSelected(lstTo)) {
        ShowError(this, kSelectImage);
        return;
    }
    ShowCount(lblImagesCount, lstTo);
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
    ShowPreview(ImagePreview, lstTo->item(row)->text());
}

void frmVSL::lstTo_OLEDragDrop(const QString& data) {
    // The drag carries the source list's selected entry: the slide list's own
    // selection coming back adds nothing.
    if (!vm::DropAddsSlide(data, SelectedText(lstTo))) return;
    lstTo->addItem(vm::FullImagePath(Dir1->Path(), data));
    ShowCount(lblImagesCount, lstTo);
}
