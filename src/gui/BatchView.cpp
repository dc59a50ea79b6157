#include "BatchView.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <algorithm>

#include "HeaderBar.h"
#include "ImagesPanel.h"
#include "MakeVideoPanel.h"
#include "MsgBox.h"
#include "MusicCommands.h"
#include "VideoPipeline.h"

namespace {

Notifier& InstalledNotifier() {
    static Notifier notifier;
    return notifier;
}

// Through the freedesktop notification service on the session bus; false
// when there is none (or it refused).
bool DesktopNotify(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusInterface service("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                           "org.freedesktop.Notifications", bus);
    if (!service.isValid()) return false;
    const QDBusReply<uint> reply =
        service.call("Notify", QString("Vid Mill"), uint(0), QString("video-x-generic"), title,
                     text, QStringList(), QVariantMap(), int(-1));
    return reply.isValid();
}

// A coloured dot: how a keyword's video is doing, beside it in the keyword list.
QIcon StateIcon(const QColor& color) {
    QPixmap dot(12, 12);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(color.darker(130));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(dot);
}

QString Plural(int count, const QString& one, const QString& many) {
    return count == 1 ? one : many.arg(count);
}

}  // namespace

Notifier SetNotifier(Notifier notifier) {
    Notifier previous = std::move(InstalledNotifier());
    InstalledNotifier() = std::move(notifier);
    return previous;
}

BatchView::BatchView(const BatchViewParts& parts, std::unique_ptr<vm::BatchTask> task, int videos,
                     const QString& outputName, const QString& folder, const QString& programName,
                     QObject* parent)
    : QObject(parent),
      parts_(parts),
      task_(std::move(task)),
      videos_(videos),
      outputName_(outputName),
      folder_(folder),
      programName_(programName) {
    connect(task_.get(), &vm::BatchTask::videoEvent, this, &BatchView::OnVideoEvent);
}

// The task stops (and waits for its workers) before the view goes.
BatchView::~BatchView() = default;

void BatchView::Begin() {
    for (int i = 0; i < parts_.keywords->count(); ++i) parts_.keywords->item(i)->setIcon(QIcon());
    parts_.make->ShowOutputFolder(folder_);
    clock_.start();
    ShowProgress();
}

void BatchView::Stop() {
    parts_.make->SetStopEnabled(false);
    parts_.header->SetStatus("Stopping...");
    task_->Stop();
}

void BatchView::ShowProgress() {
    const vm::BatchProgress& progress = task_->Progress();
    const int n = std::min(shown_ + 1, videos_);
    QString text = QString("Video %1 of %2 \u00b7 %3%").arg(n).arg(videos_).arg(progress.Percent());
    const double left = progress.SecondsLeft(clock_.elapsed() / 1000.0);
    if (left >= 0) text += " \u00b7 about " + vm::BatchProgress::Duration(left) + " left";
    parts_.make->ShowProgress(progress.Percent(), text);
    ShowTitle();
}

void BatchView::ShowTitle() {
    parts_.window->setWindowTitle(
        QString("%1% \u00b7 %2").arg(task_->Progress().Percent()).arg(programName_));
}

void BatchView::ShowKeywordState(const vm::VideoEvent& e) {
    QListWidget* keywords = parts_.keywords;
    const int row = e.position;
    if (e.keyword.isEmpty() || row >= keywords->count() || keywords->item(row)->text() != e.keyword)
        return;
    QListWidgetItem* item = keywords->item(row);
    using Kind = vm::VideoEvent::Kind;
    switch (e.kind) {
        case Kind::Started:
            item->setIcon(StateIcon(QColor(90, 150, 230)));
            item->setToolTip("Being made");
            break;
        case Kind::Made:
            item->setIcon(StateIcon(QColor(70, 190, 90)));
            item->setToolTip("Made: " + e.path);
            break;
        case Kind::Failed:
            item->setIcon(StateIcon(QColor(220, 70, 60)));
            item->setToolTip("Not made: " + e.message);
            break;
        case Kind::Skipped:
        case Kind::Stopped:
            item->setIcon(StateIcon(QColor(170, 170, 170)));
            item->setToolTip(e.kind == Kind::Stopped ? "Stopped" : "Not made: " + e.message);
            break;
        default:
            break;
    }
}

void BatchView::OnVideoEvent(const vm::VideoEvent& event) {
    if (ended_) return;
    ShowKeywordState(event);
    // A video's events wait until the videos before it have ended.
    waiting_[event.index].push_back(event);
    // A slot of a signal sent here may run the event loop (a message box),
    // and the batch may end, and this view go, meanwhile.
    const QPointer<BatchView> alive(this);
    while (!ended_ && waiting_.count(shown_)) {
        std::vector<vm::VideoEvent> events;
        events.swap(waiting_[shown_]);
        waiting_.erase(shown_);
        bool finished = false;
        for (const vm::VideoEvent& e : events) {
            finished = ShowVideoEvent(e) || finished;
            if (!alive) return;
        }
        if (!finished || ended_) break;
        ++shown_;
    }
    if (!ended_) ShowProgress();
}

bool BatchView::ShowVideoEvent(const vm::VideoEvent& e) {
    using Kind = vm::VideoEvent::Kind;
    if (ended_) return false;
    HeaderBar* header = parts_.header;
    const int n = e.index + 1;
    const int m = videos_;
    const bool stopping = task_->StopRequested();
    // A video without a keyword is named after the output name the batch took.
    const QString name = e.keyword.isEmpty() ? outputName_ : e.keyword;
    switch (e.kind) {
        case Kind::Started: {
            QListWidget* keywords = parts_.keywords;
            if (!e.keyword.isEmpty() && e.position < keywords->count())
                keywords->setCurrentRow(e.position);
            if (!stopping) header->SetStatus("Please Wait...");
            emit batchProgress(n, m, 0);
            return false;
        }
        case Kind::Planned:
            videoSeconds_ = e.plan.iVideoLength;
            // The same numbers as the progress bar's.
            if (e.narrated && !stopping)
                header->SetStatus(QString("Creating Video %1 / %2 ...").arg(n).arg(m));
            return false;
        case Kind::Music:
            if (!stopping) header->SetStatus("Preparing Audio (Please Wait...)");
            return false;
        case Kind::Command: {
            QTextCursor end(parts_.commandLog->document());
            end.movePosition(QTextCursor::End);
            end.insertText(vm::MusicLogEntry(e.message));
            return false;
        }
        case Kind::Note:
            failures_ << name + ": " + e.message;
            return false;
        case Kind::Rendering:
            // The slides of this video, in the order it shows them.
            parts_.images->ShowBatchSlides(e.slides);
            header->StartCountdown(videoSeconds_ + 20);
            return false;
        case Kind::Progress:
            emit batchProgress(n, m,
                               e.totalFrames > 0 ? int(qint64(e.frame) * 100 / e.totalFrames) : 0);
            return false;
        case Kind::Failed:
            if (!closing_) failures_ << name + ": " + e.message;
            break;
        case Kind::Skipped:
            // Left alone as asked ("Skip existing") is no failure.
            if (e.message == vm::kAlreadyMadeMessage)
                ++kept_;
            else
                failures_ << name + ": not made: " + e.message;
            break;
        case Kind::Made:
            break;
        case Kind::Stopped:
            header->StopCountdown();
            return true;
    }
    header->StopCountdown();
    emit videoFinished();
    return true;
}

void BatchView::ShowFinish(bool stopped) {
    ended_ = true;
    const vm::BatchProgress& progress = task_->Progress();
    const QString made = QString("Made %1 of %2 video%3")
                             .arg(progress.Made())
                             .arg(videos_)
                             .arg(videos_ == 1 ? "" : "s");
    parts_.make->ShowProgress(progress.Percent(), made);
    if (closing_) return;

    // The finish: what was made and where, with a button that opens the folder.
    QString where = made + " in " + folder_ + ".";
    if (kept_ > 0) where += QString(" %1 already there.").arg(Plural(kept_, "1 was", "%1 were"));
    QString text = where;
    QString title = "Videos Made";
    QMessageBox::Icon icon = QMessageBox::Information;
    if (stopped) {
        title = "Stopped";
        text = "The batch was stopped. " + where;
        if (const int inFlight = progress.StoppedRendering(); inFlight > 0)
            text += QString(" %1 stopped while being made (unfinished files were removed).")
                        .arg(Plural(inFlight, "1 was", "%1 were"));
        if (const int notStarted = progress.NotStarted(); notStarted > 0)
            text += QString(" %1 not started.").arg(Plural(notStarted, "1 was", "%1 were"));
    }
    if (!failures_.isEmpty()) {
        title = "Error";
        icon = QMessageBox::Warning;
        text = "These videos could not be made:\n\n" + failures_.join("\n") + "\n\n" + text;
    }
    // Away from the window, the desktop says it; the folder is then one
    // click on "Open Target Folder" away.
    if (Notify(title, text)) return;
    if (MsgBox(parts_.window, text, title, icon, QMessageBox::Ok | QMessageBox::Open) ==
        QMessageBox::Open)
        parts_.make->OpenFolder(folder_);
}

bool BatchView::Notify(const QString& title, const QString& text) {
    // Only for a window the user has left: one in front shows its own box.
    QWidget* window = parts_.window;
    if (!window->isVisible() || window->isActiveWindow()) return false;
    if (const Notifier& notifier = InstalledNotifier()) return notifier(title, text);
    return DesktopNotify(title, text);
}
