#pragma once

#include <QGroupBox>
#include <QHash>
#include <QPixmap>
#include <QSet>
#include <functional>

class DirList;
class DragList;
class PictureLoader;
struct LoadedPicture;
class PathLabel;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class SlideList;
class Stretcher;

// The file chooser behind "Locate...": given the missing picture's path, the
// file the user picked ("" for cancel). Tests install one instead of the
// dialog; an empty one restores the dialog. Returns the previous one.
using SlideLocator = std::function<QString(QWidget* parent, const QString& missing)>;
SlideLocator SetSlideLocator(SlideLocator locator);

// The "Images" panel: a drive and folder browser with the folder's pictures,
// the slide list (add, remove, drag to reorder), a preview of the picture
// last chosen, and how the slides are timed and change.
class ImagesPanel : public QGroupBox {
    Q_OBJECT
public:
    ImagesPanel(const QRect& place, QWidget* parent);

    // Browses `folder` and adds every picture in it to the slides; false
    // (adding nothing) when the folder cannot be browsed.
    bool AddAllFrom(const QString& folder);
    // While a batch runs the slide list shows the slides of the video being
    // made, and takes no edits (they would be lost when the user's list
    // comes back).
    void ShowBatchSlides(const QStringList& slides);
    void SetSlideEditing(bool enabled);
    // The slides whose pictures are not there (marked in the slide list).
    QStringList MissingSlides() const;
    // Thumbnails or the preview still being read (off the window's thread).
    bool PicturesPending() const;
    // The thumbnails' size in the image browser and the slide list.
    static QSize ThumbnailSize() { return {32, 24}; }

signals:
    // A line for the status bar (what a drop of files added or left out).
    void statusMessage(const QString& text);
    // Every thumbnail and preview asked for has been read.
    void picturesLoaded();

protected:
    // The preview is drawn again at its new size when the panel grows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildBrowser(Stretcher* stretch);
    void BuildSlides(Stretcher* stretch);
    void BuildTiming(Stretcher* stretch);
    // Selects the drive whose root holds `path` (moving the folder list
    // there when that changes the drive); false when none does.
    bool SetDrivePath(const QString& path);
    bool ShowFolder(const QString& folder);
    void DriveChanged();
    void FolderChanged();
    void PasteFolder();
    void ShowGallery();
    void AddSelectedImage();
    void AddAllImages();
    // "Add All the Images" waits while the thumbnails of the folder it last
    // added are read, so a second click adds nothing twice.
    void UpdateAddAll();
    void RemoveSelectedImage();
    void RemoveAllImages();
    // Removes the selected slide; false when none is selected.
    bool RemoveSlide();
    void SlideMoved(int from, int to);
    // Marks the slides of rows first..last whose pictures are missing (an
    // icon and a tooltip), and clears the mark of those that are there.
    void MarkMissing(int first, int last);
    // Gives the slides of rows first..last their thumbnails, reading those
    // not read before.
    void ShowSlideThumbnails(int first, int last);
    void ShowBrowserThumbnails();
    void PictureLoaded(const LoadedPicture& picture);
    void ThumbnailLoaded(const LoadedPicture& picture);
    // "Locate...": finds the selected missing slide's picture, and offers
    // the folder it was found in for the other missing ones.
    void LocateSlide();
    void DroppedOnFiles(const QString& data);
    void DroppedOnSlides(const QString& data);
    // Files and folders from a file manager.
    void FilesDroppedOnSlides(const QStringList& files, const QStringList& others);
    void FilesDroppedOnFolders(const QStringList& files, const QStringList& others);
    // Shows a picture and its path in the preview; an empty path clears it.
    void ShowPreview(const QString& path);
    void PreviewSelected(const DragList* list);
    void UpdateEnabled();

    QComboBox* drives_ = nullptr;
    PathLabel* folderPath_ = nullptr;
    DirList* folders_ = nullptr;
    DragList* files_ = nullptr;
    QPushButton* addImage_ = nullptr;
    QPushButton* addAll_ = nullptr;
    SlideList* slides_ = nullptr;
    QPushButton* removeImage_ = nullptr;
    QPushButton* locate_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* preview_ = nullptr;
    PathLabel* previewPath_ = nullptr;
    QString previewed_;
    // The preview asked for and not shown yet, and the size it was asked at.
    QString previewWanted_;
    QSize previewBox_;
    PictureLoader* loader_ = nullptr;
    // Thumbnails read so far, by path (a clip's with its seconds), and those
    // being read for the browser and for the slides.
    struct Thumbnail {
        QPixmap pixmap;
        double clipSeconds = -1;
    };
    QHash<QString, Thumbnail> thumbnails_;
    QSet<QString> browserWaiting_;
    QSet<QString> slidesWaiting_;
    QString addingFrom_;  // the folder "Add All the Images" is reading
    bool editing_ = true;
    QCheckBox* transitions_ = nullptr;
    QComboBox* transitionSet_ = nullptr;
    QDoubleSpinBox* transitionSeconds_ = nullptr;
    QCheckBox* motion_ = nullptr;
    QSpinBox* motionStrength_ = nullptr;
};
