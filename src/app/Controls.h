#pragma once

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QStringList>
#include <functional>

// A label that reacts to a left click: the program's link labels and the
// caption labels of the panel and ad-copy headers.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text = {}, QWidget* parent = nullptr);
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
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

// A list box that starts a text drag of its selected entry (allowed effect:
// move) and hands text dropped on it to `onDrop`.
class DragList : public QListWidget {
    Q_OBJECT
public:
    explicit DragList(QWidget* parent = nullptr);
    std::function<void(const QString&)> onDrop;

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
    QString Path() const { return path_; }
    // Returns false (and changes nothing) when the folder does not exist.
    bool setPath(const QString& path);
    void Refresh();
signals:
    void Change();

private:
    QString path_;
};

// A hidden file list: the files of a folder matching a pattern such as
// "*.jpg;*.gif" (letter case ignored), sorted by name.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(const QString& pattern, QWidget* parent = nullptr);
    QString Pattern() const { return pattern_; }
    QString Path() const { return path_; }
    void setPath(const QString& path);
    void Refresh();

private:
    QString pattern_;
    QString path_;
};
