// SKELETON: replaced by the real controls.
#include "Controls.h"
#include <QMouseEvent>
LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}
void LinkLabel::mouseReleaseEvent(QMouseEvent* e) { if (e->button() == Qt::LeftButton) emit clicked(); }
Frame::Frame(QWidget* parent) : QFrame(parent) {}
void Frame::setNotSelected(bool v) { notSelected_ = v; }
DragList::DragList(QWidget* parent) : QListWidget(parent) {}
void DragList::mousePressEvent(QMouseEvent* e) { QListWidget::mousePressEvent(e); }
void DragList::mouseMoveEvent(QMouseEvent* e) { QListWidget::mouseMoveEvent(e); }
void DragList::dragEnterEvent(QDragEnterEvent* e) { QListWidget::dragEnterEvent(e); }
void DragList::dragMoveEvent(QDragMoveEvent* e) { QListWidget::dragMoveEvent(e); }
void DragList::dropEvent(QDropEvent* e) { QListWidget::dropEvent(e); }
DirList::DirList(QWidget* parent) : QListWidget(parent) {}
bool DirList::setPath(const QString& p) { path_ = p; emit Change(); return true; }
void DirList::Refresh() {}
FileList::FileList(const QString& pattern, QWidget* parent) : QListWidget(parent), pattern_(pattern) {}
void FileList::setPath(const QString& p) { path_ = p; }
void FileList::Refresh() {}
