#include "Controls.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <cmath>

// ---- LinkLabel

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
                emit clicked();
                return;
            }
            break;
        default:
            break;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    QPen dots(palette().color(QPalette::WindowText), 1, Qt::DotLine);
    painter.setPen(dots);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    // Only a release inside the label counts, like a button.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

// ---- Frame

namespace {
const QColor kSelectedFill(255, 255, 255);
const QColor kSelectedAccent(64, 64, 64);  // the header bar's colour
const QColor kNotSelectedFill(212, 212, 212);
const QColor kBorder(150, 150, 150);
const QColor kSelectedText(32, 32, 32);
const QColor kNotSelectedText(96, 96, 96);
}  // namespace

Frame::Frame(QWidget* parent) : QFrame(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    ApplyCaptionLook();
}

void Frame::setNotSelected(bool value) {
    if (notSelected_ == value) return;
    notSelected_ = value;
    ApplyCaptionLook();
    update();
}

void Frame::ApplyCaptionLook() {
    // The caption labels inside follow the header: bold and dark when selected.
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->text().isEmpty() || label->pixmap().isNull()) {
            QFont f = label->font();
            f.setBold(!notSelected_);
            label->setFont(f);
            QPalette p = label->palette();
            p.setColor(QPalette::WindowText, notSelected_ ? kNotSelectedText : kSelectedText);
            label->setPalette(p);
        }
    }
}

void Frame::childEvent(QChildEvent* event) {
    QFrame::childEvent(event);
    if (event->type() == QEvent::ChildPolished) ApplyCaptionLook();
}

void Frame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, notSelected_ ? kNotSelectedFill : kSelectedFill);
    painter.setPen(kBorder);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    // The selected header carries a dark strip on top, so it reads as a tab.
    if (!notSelected_) painter.fillRect(QRect(r.left(), r.top(), r.width(), 3), kSelectedAccent);
}

// ---- DragList

// Only real text counts: Qt also offers dropped files (URLs) as text, which
// would turn a file manager's drop into a bogus slide.
static bool HoldsPlainText(const QMimeData* mime) {
    return mime->hasFormat("text/plain");
}

const char DragList::kEntryFormat[] = "application/x-vidmill-list-entry";

// Files from a file manager: URLs, and none of our own lists' entries.
static bool HoldsFiles(const QMimeData* mime) {
    return mime->hasUrls() && !mime->hasFormat(DragList::kEntryFormat);
}

bool DropFiles(const QMimeData* mime, const FilesDropHandler& onDrop) {
    if (!onDrop || !HoldsFiles(mime)) return false;
    // QMimeData decodes the percent-encoding (spaces, accents) of each URL.
    QStringList files;
    QStringList others;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            files << QDir::cleanPath(url.toLocalFile());
        else
            others << url.toDisplayString();
    }
    onDrop(files, others);
    return true;
}

// A drag over a list that takes files: accepted as a copy.
static bool AcceptFiles(QDropEvent* event, const FilesDropHandler& onDrop) {
    if (!onDrop || !HoldsFiles(event->mimeData())) return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

DragList::DragList(QWidget* parent) : QListWidget(parent) {
    // Our own drag and drop: the list never rearranges its items by itself.
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void DragList::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    pressed_ = event->button() == Qt::LeftButton;
    pressPos_ = event->position().toPoint();
}

void DragList::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    if ((event->position().toPoint() - pressPos_).manhattanLength() <
        QApplication::startDragDistance())
        return;
    pressed_ = false;
    QListWidgetItem* item = currentItem();
    if (!item) return;
    auto* mime = new QMimeData;
    mime->setText(item->text());
    // Which list and entry the drag left, so a list knows its own entries.
    mime->setData(kEntryFormat, (objectName() + "\n" + QString::number(row(item))).toUtf8());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::MoveAction);
}

void DragList::mouseReleaseEvent(QMouseEvent* event) {
    pressed_ = false;
    QListWidget::mouseReleaseEvent(event);
}

void DragList::dragEnterEvent(QDragEnterEvent* event) {
    // An enter is a move into the list: the same rule decides.
    dragMoveEvent(event);
}

void DragList::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptFiles(event, onFilesDrop)) return;
    if (HoldsPlainText(event->mimeData())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DragList::dropEvent(QDropEvent* event) {
    // A file manager's drop may carry the URLs as text too: the URLs win.
    if (AcceptFiles(event, onFilesDrop)) {
        DropFiles(event->mimeData(), onFilesDrop);
        return;
    }
    if (!HoldsPlainText(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (onDrop) onDrop(event->mimeData()->text());
}

// ---- DirList

DirList::DirList(QWidget* parent) : QListWidget(parent) {
    setAcceptDrops(true);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item) setPath(item->data(Qt::UserRole).toString());
    });
}

bool DirList::setPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isDir()) return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != path_;
    path_ = clean;
    Refresh();
    if (changed) emit Change();
    return true;
}

void DirList::Refresh() {
    clear();
    if (path_.isEmpty()) return;
    QDir dir(path_);
    if (!dir.isRoot()) {
        auto* up = new QListWidgetItem("..", this);
        QDir parentDir(path_);
        parentDir.cdUp();
        up->setData(Qt::UserRole, parentDir.absolutePath());
    }
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                            QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        if (name.startsWith('.')) continue;  // hidden folders stay out of the way
        auto* item = new QListWidgetItem(name, this);
        item->setData(Qt::UserRole, dir.absoluteFilePath(name));
    }
}

void DirList::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void DirList::dragMoveEvent(QDragMoveEvent* event) {
    if (!AcceptFiles(event, onFilesDrop)) event->ignore();
}

void DirList::dropEvent(QDropEvent* event) {
    if (AcceptFiles(event, onFilesDrop))
        DropFiles(event->mimeData(), onFilesDrop);
    else
        event->ignore();
}

// ---- PathLabel

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {}

void PathLabel::SetPath(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    if (tip_) setToolTip(text);
    emit pathChanged(text);
}

void PathLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
}

// ---- Stretcher

Stretcher::Stretcher(QWidget* container, QSize first)
    : QObject(container), container_(container), first_(first) {
    container->installEventFilter(this);
}

void Stretcher::Add(QWidget* widget, Share share) {
    entries_.push_back({widget, widget->geometry(), share});
}

bool Stretcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == container_ && event->type() == QEvent::Resize) {
        const int dw = std::max(0, container_->width() - first_.width());
        const int dh = std::max(0, container_->height() - first_.height());
        for (const Entry& e : entries_) {
            if (!e.widget) continue;
            e.widget->setGeometry(
                e.first.x() + int(e.share.x * dw), e.first.y() + int(e.share.y * dh),
                e.first.width() + int(e.share.w * dw), e.first.height() + int(e.share.h * dh));
        }
    }
    return QObject::eventFilter(watched, event);
}

// ---- SlideList

namespace {

QString EntryText(const QModelIndex& index) {
    QString text = QFileInfo(index.data().toString()).fileName();
    bool clip = false;
    const double seconds = index.data(SlideList::kClipSecondsRole).toDouble(&clip);
    if (clip) {
        const int whole = int(std::lround(seconds));
        text += QString(" \u00b7 %1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QChar('0'));
    }
    return text;
}

// Shows an entry's thumbnail and file name; the entry's text (the full path)
// is its tooltip.
class SlideDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = EntryText(index);
        // A mark wins over the thumbnail; a thumbnail still on its way keeps
        // its place, so the names stay in line.
        if (option->icon.isNull())
            option->icon = QIcon(index.data(SlideList::kThumbnailRole).value<QPixmap>());
        option->features |= QStyleOptionViewItem::HasDecoration;
    }

public:
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        // A slide's own tooltip (a missing picture's) wins over its path.
        const QString tip = index.data(Qt::ToolTipRole).toString();
        QToolTip::showText(event->globalPos(), tip.isEmpty() ? index.data().toString() : tip,
                           view);
        return true;
    }
};
}  // namespace

SlideList::SlideList(QWidget* parent) : DragList(parent) {
    setItemDelegate(new SlideDelegate(this));
}

QString SlideList::ShownText(int row) const {
    return EntryText(model()->index(row, 0));
}

void SlideList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        event->accept();
        return;
    }
    DragList::keyPressEvent(event);
}

void SlideList::dropEvent(QDropEvent* event) {
    // An entry dragged within the list goes where it is dropped.
    const QStringList origin = QString::fromUtf8(event->mimeData()->data(kEntryFormat)).split('\n');
    if (origin.size() == 2 && origin[0] == objectName()) {
        const int from = origin[1].toInt();
        const QListWidgetItem* over = itemAt(event->position().toPoint());
        const int to = over ? row(over) : count() - 1;
        event->setDropAction(Qt::MoveAction);
        event->accept();
        if (from != to) emit moved(from, to);
        return;
    }
    DragList::dropEvent(event);
}
