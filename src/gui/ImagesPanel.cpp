#include "ImagesPanel.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMap>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "AppFolder.h"
#include "Controls.h"
#include "ImageFiles.h"
#include "MsgBox.h"
#include "PictureLoader.h"
#include "RenderTimeline.h"
#include "SlideRules.h"
#include "WidgetMaker.h"

namespace {

const char kSelectImage[] = "Please select an image.";
const char kPasteFolder[] = "Please paste the folder path.";
const char kFolderError[] =
    "There is an error with the selected folder. Please try with another location.";
const char kGalleryError[] =
    "There is an error with the Gallery folder. Please reinstall the software or use images "
    "from another folder.";

// The four columns share the width the panel gains.
constexpr double kColumn = 0.25;

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
    list->setCurrentRow(list->count() > 0 ? std::min(row, list->count() - 1) : -1);
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

// A clip's thumbnail says it plays: a white triangle on a dark disc.
void MarkAsClip(QPixmap* pixmap) {
    QPainter painter(pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal d = std::min(pixmap->width(), pixmap->height()) * 0.6;
    const QRectF disc((pixmap->width() - d) / 2, (pixmap->height() - d) / 2, d, d);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 150));
    painter.drawEllipse(disc);
    painter.setBrush(Qt::white);
    const QPointF c = disc.center();
    const qreal r = d * 0.25;
    painter.drawPolygon(
        QPolygonF{c + QPointF(-r * 0.7, -r), c + QPointF(-r * 0.7, r), c + QPointF(r, 0)});
}

// Where a thumbnail on its way stands in the browser, so names stay in line.
QIcon BlankThumbnail(const QSize& size) {
    QPixmap blank(size);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

}  // namespace

ImagesPanel::ImagesPanel(const QRect& place, QWidget* parent) : QGroupBox("Images ", parent) {
    setObjectName("frTab_1");
    setGeometry(place);
    auto* stretch = new Stretcher(this, place.size());
    QLabel* title =
        ui::MakeLabel(this, "Label3", "Select Some Images For Your Video:", QRect(20, 24, 240, 18));
    ui::SetBold(title);
    // Thumbnails and the preview are read on workers and shown as they come.
    loader_ = new PictureLoader(this);
    connect(loader_, &PictureLoader::loaded, this, &ImagesPanel::PictureLoaded);
    connect(loader_, &PictureLoader::idle, this, &ImagesPanel::picturesLoaded);
    BuildBrowser(stretch);
    BuildSlides(stretch);
    BuildTiming(stretch);
    UpdateEnabled();
    SetSlideEditing(true);
}

void ImagesPanel::BuildBrowser(Stretcher* stretch) {
    // Column 1: drive and folder.
    drives_ = ui::Make<QComboBox>(this, "Drive1");
    drives_->setGeometry(20, 46, 200, 24);
    folderPath_ = ui::Make<PathLabel>(this, "lblFolderPath");
    folderPath_->setGeometry(20, 74, 200, 18);
    folders_ = ui::Make<DirList>(this, "Dir1");
    folders_->setGeometry(20, 94, 200, 150);
    LinkLabel* gallery =
        ui::MakeLink(this, "Label27", "Use Images From Gallery", QRect(20, 252, 200, 18));
    LinkLabel* paste =
        ui::MakeLink(this, "Label22", "Paste Folder Path From Clipboard", QRect(20, 274, 200, 18));
    stretch->Add(drives_, {0, 0, kColumn, 0});
    stretch->Add(folderPath_, {0, 0, kColumn, 0});
    stretch->Add(folders_, {0, 0, kColumn, 1});
    stretch->Add(gallery, {0, 1, kColumn, 0});
    stretch->Add(paste, {0, 1, kColumn, 0});

    // Column 2: the pictures of the folder.
    files_ = ui::Make<DragList>(this, "lstFrom");
    files_->setGeometry(232, 46, 200, 198);
    // Shift and Ctrl select several for "Add Select Image".
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files_->setIconSize(ThumbnailSize());
    addImage_ = ui::MakeButton(this, "Command3", "Add Select Image", QRect(232, 250, 200, 26));
    addAll_ = ui::MakeButton(this, "Command6", "Add All the Images", QRect(232, 280, 200, 26));
    stretch->Add(files_, {kColumn, 0, kColumn, 1});
    stretch->Add(addImage_, {kColumn, 1, kColumn, 0});
    stretch->Add(addAll_, {kColumn, 1, kColumn, 0});

    // The current drive and folder, as the lists show them when the window
    // opens. Filled before the handlers are connected: browsing starts when
    // the user picks a folder.
    const QString current = QDir::currentPath();
    QStringList mounted;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid()) mounted << volume.rootPath();
    const QStringList roots = vm::DriveList(mounted, QStorageInfo(current).rootPath());
    drives_->addItems(roots);
    drives_->setCurrentIndex(vm::DriveIndexFor(current, roots));
    folders_->setPath(current);
    folderPath_->SetPath(current);

    connect(drives_, &QComboBox::currentIndexChanged, this, &ImagesPanel::DriveChanged);
    connect(folders_, &DirList::Change, this, &ImagesPanel::FolderChanged);
    connect(files_, &QListWidget::itemClicked, this, [this] { PreviewSelected(files_); });
    connect(files_, &QListWidget::itemDoubleClicked, this, &ImagesPanel::AddSelectedImage);
    files_->onDrop = [this](const QString& data) { DroppedOnFiles(data); };
    folders_->onFilesDrop = [this](const QStringList& files, const QStringList& others) {
        FilesDroppedOnFolders(files, others);
    };
    connect(paste, &LinkLabel::clicked, this, &ImagesPanel::PasteFolder);
    connect(gallery, &LinkLabel::clicked, this, &ImagesPanel::ShowGallery);
    connect(addImage_, &QPushButton::clicked, this, &ImagesPanel::AddSelectedImage);
    connect(addAll_, &QPushButton::clicked, this, &ImagesPanel::AddAllImages);
}

void ImagesPanel::BuildSlides(Stretcher* stretch) {
    // Column 3: the slide list.
    QLabel* title = ui::MakeLabel(this, "Label11", "Selected Images:", QRect(446, 24, 200, 18));
    ui::SetBold(title);
    slides_ = ui::Make<SlideList>(this, "lstTo");
    slides_->setGeometry(446, 46, 200, 168);
    slides_->setIconSize(ThumbnailSize());
    removeImage_ =
        ui::MakeButton(this, "Command4", "Remove Selected Image", QRect(446, 220, 200, 26));
    locate_ = ui::MakeButton(this, "cmdLocateSlide", "Locate...", QRect(446, 250, 200, 26));
    locate_->setToolTip("Find the picture of a slide marked as missing.");
    QLabel* countLabel = ui::MakeLabel(this, "Label14", "Image Count:", QRect(446, 284, 80, 18));
    count_ = ui::MakeLabel(this, "lblImagesCount", "0", QRect(528, 284, 36, 18));
    ui::SetBold(count_);
    QPushButton* removeAll =
        ui::MakeButton(this, "cmdRemoveAllImages", "Remove All", QRect(566, 280, 80, 26));
    stretch->Add(title, {2 * kColumn, 0, 0, 0});
    stretch->Add(slides_, {2 * kColumn, 0, kColumn, 1});
    stretch->Add(removeImage_, {2 * kColumn, 1, kColumn, 0});
    stretch->Add(locate_, {2 * kColumn, 1, kColumn, 0});
    stretch->Add(countLabel, {2 * kColumn, 1, 0, 0});
    stretch->Add(count_, {2 * kColumn, 1, 0, 0});
    stretch->Add(removeAll, {3 * kColumn, 1, 0, 0});

    // Column 4: the preview.
    QLabel* previewTitle =
        ui::MakeLabel(this, "Label10", "Image Preview:", QRect(660, 24, 175, 18));
    ui::SetBold(previewTitle);
    preview_ = ui::Make<QLabel>(this, "ImagePreview");
    preview_->setGeometry(660, 46, 175, 132);
    preview_->setFrameShape(QFrame::StyledPanel);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->installEventFilter(this);
    // The picture's full path under the preview.
    previewPath_ = ui::Make<PathLabel>(this, "lblPreviewPath");
    previewPath_->setGeometry(660, 182, 175, 18);
    stretch->Add(previewTitle, {3 * kColumn, 0, 0, 0});
    stretch->Add(preview_, {3 * kColumn, 0, kColumn, 1});
    stretch->Add(previewPath_, {3 * kColumn, 1, kColumn, 0});

    // The count follows the list, whoever changes it.
    auto count = [this] { count_->setText(QString::number(slides_->count())); };
    const QAbstractItemModel* rows = slides_->model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, count);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, count);
    connect(rows, &QAbstractItemModel::modelReset, this, count);
    // Slides whose pictures are gone are marked as they come in.
    connect(rows, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                MarkMissing(first, last);
                ShowSlideThumbnails(first, last);
            });
    connect(locate_, &QPushButton::clicked, this, &ImagesPanel::LocateSlide);
    // The preview follows the slide list's current entry, by keyboard too.
    auto preview = [this] { PreviewSelected(slides_); };
    connect(slides_, &QListWidget::itemClicked, this, preview);
    connect(slides_, &QListWidget::currentRowChanged, this, preview);
    connect(slides_, &SlideList::deletePressed, this, &ImagesPanel::RemoveSelectedImage);
    connect(slides_, &SlideList::moved, this, &ImagesPanel::SlideMoved);
    slides_->onDrop = [this](const QString& data) { DroppedOnSlides(data); };
    slides_->onFilesDrop = [this](const QStringList& files, const QStringList& others) {
        FilesDroppedOnSlides(files, others);
    };
    connect(removeImage_, &QPushButton::clicked, this, &ImagesPanel::RemoveSelectedImage);
    connect(removeAll, &QPushButton::clicked, this, &ImagesPanel::RemoveAllImages);
}

void ImagesPanel::BuildTiming(Stretcher* stretch) {
    // Timing options along the bottom.
    QLabel* secondsLabel =
        ui::MakeLabel(this, "Label12", "Seconds Per Slide (Image):", QRect(20, 326, 170, 18));
    QComboBox* seconds = ui::MakeCombo(this, "cboSeconds", QRect(192, 322, 60, 24));
    seconds->addItems({"3", "4", "5"});
    QLabel* adjustLabel =
        ui::MakeLabel(this, "Label13",
                      "If the lenght of the audio is longer that the lenght of the images do this:",
                      QRect(20, 354, 420, 18));
    QComboBox* adjust = ui::MakeCombo(this, "cboImageAdjust", QRect(20, 374, 300, 24));
    adjust->addItem("Show the last image until the audio ends", "showLastImage");
    adjust->addItem("Show the images again until the audio ends", "repeatImages");
    for (QWidget* w : std::initializer_list<QWidget*>{secondsLabel, seconds, adjustLabel, adjust})
        stretch->Add(w, {0, 1, 0, 0});

    transitions_ = ui::MakeCheck(this, "chkTransitions", "Apply Random Transitions to Each Slide",
                                 QRect(446, 324, 250, 20), true);
    QCheckBox* randomize = ui::MakeCheck(this, "chkRandomize", "Randomize on Each Video",
                                         QRect(446, 350, 200, 20), true);
    transitionSet_ = ui::Make<QComboBox>(this, "cboTransitionSet");
    transitionSet_->setGeometry(446, 376, 200, 24);
    transitionSet_->addItem("The classic ten", "ten");
    transitionSet_->addItem("All transitions", "all");
    for (const std::string& name : vm::TransitionNames())
        transitionSet_->addItem("Only " + QString::fromStdString(name),
                                QString::fromStdString(name));
    transitionSet_->setToolTip("Which transitions the random choice draws from.");
    QLabel* lengthLabel =
        ui::MakeLabel(this, "lblTransitionSeconds", "Length:", QRect(660, 380, 50, 18));
    transitionSeconds_ = ui::Make<QDoubleSpinBox>(this, "spnTransitionSeconds");
    transitionSeconds_->setGeometry(712, 376, 76, 24);
    transitionSeconds_->setSingleStep(0.25);
    transitionSeconds_->setDecimals(2);
    transitionSeconds_->setSuffix(" s");
    for (QWidget* w : std::initializer_list<QWidget*>{transitions_, randomize, transitionSet_})
        stretch->Add(w, {2 * kColumn, 1, 0, 0});

    // Motion, under the preview.
    motion_ = ui::MakeCheck(this, "chkMotion", "Slow zoom and pan", QRect(660, 212, 175, 20));
    motion_->setToolTip(
        "Each slide slowly zooms in, zooms out or pans, the way chosen at random for each slide.");
    QLabel* strengthLabel =
        ui::MakeLabel(this, "lblMotionStrength", "Strength:", QRect(676, 240, 60, 18));
    motionStrength_ = ui::Make<QSpinBox>(this, "spnMotionStrength");
    motionStrength_->setGeometry(738, 236, 76, 24);
    motionStrength_->setSuffix(" %");
    motionStrength_->setToolTip("How far a slide zooms or pans over its time on screen.");
    for (QWidget* w : std::initializer_list<QWidget*>{lengthLabel, transitionSeconds_, motion_,
                                                      strengthLabel, motionStrength_})
        stretch->Add(w, {3 * kColumn, 1, 0, 0});

    connect(transitions_, &QCheckBox::toggled, this, &ImagesPanel::UpdateEnabled);
    connect(motion_, &QCheckBox::toggled, this, &ImagesPanel::UpdateEnabled);
}

void ImagesPanel::UpdateEnabled() {
    motionStrength_->setEnabled(motion_->isChecked());
    transitionSet_->setEnabled(transitions_->isChecked());
    transitionSeconds_->setEnabled(transitions_->isChecked());
}

// ---------------------------------------------------------------- browsing

bool ImagesPanel::SetDrivePath(const QString& path) {
    const int index = vm::DriveIndexFor(path, DriveRoots(drives_));
    if (index < 0) return false;
    drives_->setCurrentIndex(index);  // moves the folder list when the drive differs
    return true;
}

bool ImagesPanel::ShowFolder(const QString& folder) {
    return SetDrivePath(folder) && folders_->setPath(folder);
}

void ImagesPanel::DriveChanged() {
    const QStringList roots = DriveRoots(drives_);
    const int index = drives_->currentIndex();
    if (index < 0 || index >= roots.size()) return;
    // Still on that drive: the folder list keeps its folder, as a drive's
    // current folder would.
    if (vm::DriveIndexFor(folders_->Path(), roots) == index) return;
    folders_->setPath(roots[index]);  // an unreadable drive leaves the list as it was
}

void ImagesPanel::FolderChanged() {
    folderPath_->SetPath(folders_->Path());
    files_->clear();
    files_->addItems(vm::ImageFilesIn(folders_->Path()));
    ShowBrowserThumbnails();
    UpdateAddAll();
}

void ImagesPanel::PasteFolder() {
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) return ShowError(this, kPasteFolder);
    if (!ShowFolder(text)) ShowError(this, kFolderError);
}

void ImagesPanel::ShowGallery() {
    if (!ShowFolder(vm::DataPath("images"))) ShowError(this, kGalleryError);
}

// ---------------------------------------------------------------- the slide list

void ImagesPanel::AddSelectedImage() {
    // Every selected file, in the browser's order.
    QList<int> rows;
    for (const QListWidgetItem* item : files_->selectedItems()) rows << files_->row(item);
    if (rows.isEmpty()) return ShowError(this, kSelectImage);
    std::sort(rows.begin(), rows.end());
    for (int row : rows)
        slides_->addItem(vm::FullImagePath(folders_->Path(), files_->item(row)->text()));
}

void ImagesPanel::AddAllImages() {
    if (files_->count() == 0) return;
    for (QPushButton* button : {addImage_, removeImage_, addAll_}) button->setEnabled(false);
    const QString folder = folders_->Path();
    // The names go in at once; their thumbnails follow as they are read.
    for (int i = 0; i < files_->count(); ++i) {
        {
            const QSignalBlocker quiet(files_);
            files_->setCurrentRow(i);
        }
        slides_->addItem(vm::FullImagePath(folder, files_->item(i)->text()));
    }
    PreviewSelected(files_);
    addingFrom_ = folder;
    for (QPushButton* button : {addImage_, removeImage_}) button->setEnabled(editing_);
    UpdateAddAll();
}

void ImagesPanel::UpdateAddAll() {
    if (slidesWaiting_.isEmpty()) addingFrom_.clear();
    addAll_->setEnabled(editing_ && (addingFrom_.isEmpty() || addingFrom_ != folders_->Path()));
}

bool ImagesPanel::AddAllFrom(const QString& folder) {
    if (!ShowFolder(folder)) return false;
    folders_->Refresh();
    AddAllImages();
    return true;
}

void ImagesPanel::RemoveSelectedImage() {
    if (!RemoveSlide()) ShowError(this, kSelectImage);
}

bool ImagesPanel::RemoveSlide() {
    const QString removed = SelectedText(slides_);
    if (!RemoveSelected(slides_)) return false;
    // The preview follows the new selection; with none left it shows nothing
    // of a picture that is gone.
    if (slides_->count() == 0 && removed == previewed_) ShowPreview(QString());
    return true;
}

void ImagesPanel::RemoveAllImages() {
    if (slides_->count() == 0) return;
    const auto answer =
        MsgBox(this, QString("Remove all %1 images from the list?").arg(slides_->count()),
               "Confirm", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    if (!slides_->findItems(previewed_, Qt::MatchExactly).isEmpty()) ShowPreview(QString());
    slides_->clear();
}

void ImagesPanel::SlideMoved(int from, int to) {
    if (from < 0 || from >= slides_->count() || to < 0 || to >= slides_->count()) return;
    slides_->insertItem(to, slides_->takeItem(from));
    slides_->setCurrentRow(to);
}

void ImagesPanel::DroppedOnFiles(const QString& data) {
    // A slide dropped on the browser leaves the slide list; a browser file
    // dropped back on its own list changes nothing.
    if (vm::DropRemovesSlide(data, SelectedText(files_))) RemoveSlide();
}

void ImagesPanel::DroppedOnSlides(const QString& data) {
    // The drag carries the source list's selected entry: the slide list's own
    // selection coming back adds nothing.
    if (vm::DropAddsSlide(data, SelectedText(slides_)))
        slides_->addItem(vm::FullImagePath(folders_->Path(), data));
}

void ImagesPanel::FilesDroppedOnSlides(const QStringList& files, const QStringList& others) {
    QStringList leftOut = others;
    const QStringList pictures = vm::DroppedPictures(files, &leftOut);
    slides_->addItems(pictures);
    QString text = pictures.size() == 1 ? QString("1 picture added.")
                                        : QString("%1 pictures added.").arg(pictures.size());
    if (!leftOut.isEmpty())
        text += " Left out (not a JPEG or GIF picture, nor a folder): " + leftOut.join(", ");
    emit statusMessage(text);
}

void ImagesPanel::FilesDroppedOnFolders(const QStringList& files, const QStringList& others) {
    // The first folder dropped is opened; a file opens the folder it is in.
    for (const QString& path : files) {
        const QFileInfo info(path);
        if (ShowFolder(info.isDir() ? path : info.absolutePath())) return;
    }
    emit statusMessage("Left out (not a folder on this machine): " + (files + others).join(", "));
}

void ImagesPanel::ShowBatchSlides(const QStringList& slides) {
    slides_->clear();
    slides_->addItems(slides);
}

void ImagesPanel::SetSlideEditing(bool enabled) {
    editing_ = enabled;
    for (QPushButton* button : {addImage_, removeImage_, locate_}) button->setEnabled(enabled);
    UpdateAddAll();
    slides_->setAcceptDrops(enabled);
    files_->setAcceptDrops(enabled);
}

// ---------------------------------------------------------------- missing pictures

QStringList ImagesPanel::MissingSlides() const {
    QStringList missing;
    for (int i = 0; i < slides_->count(); ++i)
        if (!slides_->item(i)->icon().isNull()) missing << slides_->item(i)->text();
    return missing;
}

void ImagesPanel::MarkMissing(int first, int last) {
    for (int i = first; i <= last && i < slides_->count(); ++i) {
        QListWidgetItem* item = slides_->item(i);
        const bool missing = !QFileInfo(item->text()).isFile();
        if (missing == !item->icon().isNull()) continue;
        item->setIcon(missing ? style()->standardIcon(QStyle::SP_MessageBoxWarning) : QIcon());
        item->setToolTip(missing ? "Missing: " + item->text() +
                                       "\nSelect it and click \"Locate...\" to find it."
                                 : QString());
    }
}

namespace {
SlideLocator& InstalledLocator() {
    static SlideLocator locator;
    return locator;
}

QString Locate(QWidget* parent, const QString& missing) {
    if (InstalledLocator()) return InstalledLocator()(parent, missing);
    // The dialog starts in the nearest folder of the old place that is left.
    QDir start = QFileInfo(missing).dir();
    while (!start.exists() && start.cdUp()) {
    }
    return QFileDialog::getOpenFileName(
        parent, "Locate " + QFileInfo(missing).fileName(),
        start.exists() ? start.absolutePath() : QDir::homePath(),
        "Pictures (*.jpg *.gif *.JPG *.GIF);;All Files (*)", nullptr,
        QFileDialog::DontUseNativeDialog);
}
}  // namespace

SlideLocator SetSlideLocator(SlideLocator locator) {
    SlideLocator previous = std::move(InstalledLocator());
    InstalledLocator() = std::move(locator);
    return previous;
}

void ImagesPanel::LocateSlide() {
    const int row = SelectedRow(slides_);
    if (row < 0) return ShowError(this, kSelectImage);
    const QString missing = slides_->item(row)->text();
    if (QFileInfo(missing).isFile()) {
        MsgBox(this, "The picture " + missing + " is there: there is nothing to locate.",
               "Locate", QMessageBox::Information);
        return;
    }
    const QString found = Locate(this, missing);
    if (found.isEmpty()) return;
    // The same picture may be in the list more than once: each is found.
    QMap<QString, QString> moves{{missing, QDir::cleanPath(found)}};
    // The others may have moved with it.
    const QString folder = QFileInfo(found).absolutePath();
    QStringList alsoThere;
    for (const QString& other : MissingSlides()) {
        const QString candidate = vm::FullImagePath(folder, QFileInfo(other).fileName());
        if (!moves.contains(other) && QFileInfo(candidate).isFile()) {
            moves[other] = candidate;
            alsoThere << other;
        }
    }
    if (!alsoThere.isEmpty() &&
        MsgBox(this,
               QString("%1 of the other missing pictures %2 in %3. Use %4 from there?")
                   .arg(alsoThere.size())
                   .arg(alsoThere.size() == 1 ? "is" : "are")
                   .arg(folder)
                   .arg(alsoThere.size() == 1 ? "it" : "them"),
               "Locate", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes) {
        for (const QString& other : alsoThere) moves.remove(other);
    }
    for (int i = 0; i < slides_->count(); ++i) {
        QListWidgetItem* item = slides_->item(i);
        if (!moves.contains(item->text())) continue;
        item->setText(moves[item->text()]);
        MarkMissing(i, i);
        ShowSlideThumbnails(i, i);
    }
    PreviewSelected(slides_);
}

// ---------------------------------------------------------------- the preview

void ImagesPanel::PreviewSelected(const DragList* list) {
    const int row = SelectedRow(list);
    if (row < 0) return;
    // The browser lists names in its folder; the slides are full paths.
    const QString entry = list->item(row)->text();
    ShowPreview(list == files_ ? vm::FullImagePath(folders_->Path(), entry) : entry);
}

bool ImagesPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == preview_ && event->type() == QEvent::Resize) {
        const QString shown = previewWanted_.isEmpty() ? previewed_ : previewWanted_;
        if (!shown.isEmpty()) ShowPreview(shown);
    }
    return QGroupBox::eventFilter(watched, event);
}

void ImagesPanel::ShowPreview(const QString& path) {
    const QSize box = preview_->contentsRect().size();
    if (!path.isEmpty() && path == previewWanted_ && box == previewBox_) return;  // on its way
    // The one asked for before is not wanted now; it is let go once the new
    // one is asked for, so the loader is never idle in between.
    const QString before = std::exchange(previewWanted_, QString());
    const QSize beforeBox = previewBox_;
    if (path.isEmpty()) {
        preview_->clear();
        previewPath_->SetPath(QString());
        previewed_.clear();
    } else {
        // The path at once, the picture when it has been read (before the
        // thumbnails waiting).
        previewWanted_ = path;
        previewBox_ = box;
        previewPath_->SetPath(path);
        loader_->Request(path, box, 2);
    }
    if (!before.isEmpty()) loader_->Cancel(before, beforeBox);
}

bool ImagesPanel::PicturesPending() const {
    return loader_->Pending() > 0;
}

void ImagesPanel::PictureLoaded(const LoadedPicture& picture) {
    if (picture.box == ThumbnailSize()) ThumbnailLoaded(picture);
    if (picture.path != previewWanted_ || picture.box != previewBox_) return;
    previewWanted_.clear();
    // An unreadable picture keeps the last preview, and its path.
    if (picture.image.isNull()) {
        previewPath_->SetPath(previewed_);
        return;
    }
    preview_->setPixmap(QPixmap::fromImage(picture.image));
    previewed_ = picture.path;
}

// ---------------------------------------------------------------- thumbnails

void ImagesPanel::ShowBrowserThumbnails() {
    // The last folder's thumbnails still waiting are not needed now (unless
    // a slide waits for the same).
    for (const QString& path : std::exchange(browserWaiting_, {}))
        if (!slidesWaiting_.contains(path)) loader_->Cancel(path, ThumbnailSize());
    const QIcon blank = BlankThumbnail(ThumbnailSize());
    const QString folder = folders_->Path();
    for (int i = 0; i < files_->count(); ++i) {
        QListWidgetItem* item = files_->item(i);
        const QString path = vm::FullImagePath(folder, item->text());
        if (const auto found = thumbnails_.constFind(path); found != thumbnails_.cend()) {
            item->setIcon(found->pixmap.isNull() ? blank : QIcon(found->pixmap));
            continue;
        }
        item->setIcon(blank);
        browserWaiting_.insert(path);
        loader_->Request(path, ThumbnailSize(), 0);
    }
}

void ImagesPanel::ShowSlideThumbnails(int first, int last) {
    for (int i = first; i <= last && i < slides_->count(); ++i) {
        QListWidgetItem* item = slides_->item(i);
        const QString path = item->text();
        if (const auto found = thumbnails_.constFind(path); found != thumbnails_.cend()) {
            item->setData(SlideList::kThumbnailRole, found->pixmap);
            if (found->clipSeconds >= 0)
                item->setData(SlideList::kClipSecondsRole, found->clipSeconds);
        } else if (!item->icon().isNull()) {
            continue;  // missing: nothing to read
        } else if (!slidesWaiting_.contains(path)) {
            slidesWaiting_.insert(path);
            loader_->Request(path, ThumbnailSize(), 1);
        }
    }
}

void ImagesPanel::ThumbnailLoaded(const LoadedPicture& picture) {
    // Centred in the thumbnail's box, so upright and wide pictures keep
    // their names in line.
    Thumbnail thumbnail{QPixmap(), picture.clipSeconds};
    if (!picture.image.isNull()) {
        thumbnail.pixmap = QPixmap(ThumbnailSize());
        thumbnail.pixmap.fill(Qt::transparent);
        QPainter painter(&thumbnail.pixmap);
        const QSize size = picture.image.size();
        painter.drawImage(QPoint((ThumbnailSize().width() - size.width()) / 2,
                                 (ThumbnailSize().height() - size.height()) / 2),
                          picture.image);
    }
    if (picture.clipSeconds >= 0) {
        if (thumbnail.pixmap.isNull())
            thumbnail.pixmap = style()->standardIcon(QStyle::SP_MediaPlay).pixmap(ThumbnailSize());
        else
            MarkAsClip(&thumbnail.pixmap);
    }
    thumbnails_.insert(picture.path, thumbnail);
    if (browserWaiting_.remove(picture.path)) {
        const QString folder = folders_->Path();
        for (int i = 0; i < files_->count(); ++i)
            if (!thumbnail.pixmap.isNull() &&
                vm::FullImagePath(folder, files_->item(i)->text()) == picture.path)
                files_->item(i)->setIcon(QIcon(thumbnail.pixmap));
    }
    if (slidesWaiting_.remove(picture.path)) {
        for (int i = 0; i < slides_->count(); ++i)
            if (slides_->item(i)->text() == picture.path) ShowSlideThumbnails(i, i);
        if (slidesWaiting_.isEmpty()) UpdateAddAll();
    }
}
