#pragma once

#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QStringList>
#include <functional>

class QMimeData;

// A label that reacts to a left click: the program's link labels and the
// caption labels of the panel and ad-copy headers. It takes the keyboard's
// focus like a button (Tab reaches it, a dotted frame shows it) and Enter or
// Space clicks it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text = {}, QWidget* parent = nullptr);
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// The header of a panel or an ad-copy page. NotSelected false draws it as the
// selected one.
class Frame : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool NotSelected READ NotSelected WRITE setNotSelected)
public:
    explicit Frame(QWidget* parent = nullptr);
    bool NotSelected() const { return notSelected_; }
    void setNotSelected(bool value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void ApplyCaptionLook();
    bool notSelected_ = true;
};

// Files dropped from a file manager: a text/uri-list. Its local files and
// folders go to `onDrop`, in the dropped order; anything else in the list
// goes in as it was (a web address, say), so it can be named.
using FilesDropHandler = std::function<void(const QStringList& files, const QStringList& others)>;
// True (and the handler called) when `mime` carries URLs and no entry of
// one of our own lists.
bool DropFiles(const QMimeData* mime, const FilesDropHandler& onDrop);

// A list box that starts a text drag of its selected entry (allowed effect:
// move) and hands text dropped on it to `onDrop`, and files dropped from a
// file manager to `onFilesDrop` (when set).
class DragList : public QListWidget {
    Q_OBJECT
public:
    explicit DragList(QWidget* parent = nullptr);
    std::function<void(const QString&)> onDrop;
    FilesDropHandler onFilesDrop;
    // The drag's data also says which list (its objectName) and which row it
    // left: "lstTo\n3".
    static const char kEntryFormat[];

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPoint pressPos_;
    bool pressed_ = false;
};

// The folder list: the current folder's sub-folders (and ".." to go up).
// Double-clicking one opens it. Emits Change when the path changes.
class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget* parent = nullptr);
    // Files and folders dropped on the list (from a file manager).
    FilesDropHandler onFilesDrop;
    QString Path() const { return path_; }
    // Returns false (and changes nothing) when the folder does not exist.
    bool setPath(const QString& path);
    void Refresh();
signals:
    void Change();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString path_;
};

// A one-line label for a path: what does not fit is left out in the middle
// ("/home/…/pictures/a.jpg") and the whole text is its tooltip (unless
// switched off).
class PathLabel : public QLabel {
    Q_OBJECT
public:
    explicit PathLabel(QWidget* parent = nullptr);
    void SetPath(const QString& text);
    void SetWholeTextTip(bool tip) { tip_ = tip; }
signals:
    void pathChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool tip_ = true;
};

// Lets a window laid out in pixels grow: every widget keeps the place it was
// given for the container's first size, and when the container grows by
// (dw, dh) a widget added here moves by (x·dw, y·dh) and grows by
// (w·dw, h·dh). At the first size everything stands as it was laid out.
class Stretcher : public QObject {
    Q_OBJECT
public:
    // `first` is the container's size as the widgets were laid out for it.
    Stretcher(QWidget* container, QSize first);
    struct Share {
        double x = 0, y = 0, w = 0, h = 0;
    };
    // Records the widget's geometry now as its place at the first size.
    void Add(QWidget* widget, Share share);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> widget;
        QRect first;
        Share share;
    };
    QWidget* container_;
    QSize first_;
    std::vector<Entry> entries_;
};

// The slide list: shows each picture's file name (its full path is the
// entry's text, shown as its tooltip) after its thumbnail, and a clip's
// playing time after its name; reorders its entries when one is dragged
// within it, and removes the selection with the Delete key. An entry's icon
// is a mark (a missing picture's) and is shown instead of the thumbnail.
class SlideList : public DragList {
    Q_OBJECT
public:
    explicit SlideList(QWidget* parent = nullptr);
    // An entry's thumbnail (a QPixmap) and a clip's seconds (a double), as
    // item data.
    static constexpr int kThumbnailRole = Qt::UserRole + 1;
    static constexpr int kClipSecondsRole = Qt::UserRole + 2;
    // What the entry in `row` shows: "beach.jpg", "waves.mp4 · 0:12".
    QString ShownText(int row) const;
signals:
    // The Delete key was pressed.
    void deletePressed();
    // An entry was dragged from `from` to `to` within the list.
    void moved(int from, int to);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
