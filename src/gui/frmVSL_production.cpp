// The main window's handlers: the batch run. "Make Videos!" checks the
// project, takes a snapshot of the settings and hands it to the production
// engine, which makes the videos on its own threads; the window follows the
// engine's events in its status texts, progress bar and failure list. One
// video renders at a time here (the next one's narration is spoken
// meanwhile), so the status line always speaks of one video.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <future>
#include <map>
#include <thread>

#include "AppFolder.h"
#include "BatchProgress.h"
#include "Controls.h"
#include "KeywordRules.h"
#include "MsgBox.h"
#include "MusicCommands.h"
#include "Narration.h"
#include "ProductionEngine.h"
#include "Shell.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "TimingPlan.h"
#include "VideoRandom.h"
#include "frmVSL.h"

namespace {
// How long a stopped batch may take to end its renders and remove their files.
constexpr int kStopBoundMs = 10000;

void ShowError(QWidget* parent, const QString& text) {
    MsgBox(parent, text, "Error", QMessageBox::Information);
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

// The index of the item whose text the combo box shows, -1 when the user
// typed something that is no item.
int MatchingItem(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly);
}

// Hands the engine's events to the window's thread.
class WindowListener : public vm::ProductionListener {
public:
    explicit WindowListener(frmVSL* window) : window_(window) {}
    void OnVideoEvent(const vm::VideoEvent& event) override {
        QMetaObject::invokeMethod(
            window_, [w = window_, event] { w->OnVideoEvent(event); }, Qt::QueuedConnection);
    }

private:
    frmVSL* window_;
};
}  // namespace

// What the window knows of the running batch. Events of a video that is
// being prepared while an earlier one renders wait here until it is that
// video's turn, so the status line follows one video at a time.
struct frmVSL::BatchView {
    explicit BatchView(int count) : videos(count), progress(count) {}
    std::unique_ptr<vm::ProductionEngine> engine;
    std::future<void> finished;
    int videos = 0;      // in the batch
    QString outputName;  // the name of a video without a keyword
    QString folder;      // where the videos go
    int shown = 0;       // the video the window follows
    std::map<int, std::vector<vm::VideoEvent>> waiting;
    QStringList userSlides;  // the slide list as the user left it
    vm::BatchProgress progress;
    QElapsedTimer clock;
    bool stopped = false;  // the user pressed Stop
};

frmVSL::~frmVSL() {
    // The controls go first, while the window they report to is whole: a list
    // emptied as it is destroyed still signals the change to its watchers.
    delete takeCentralWidget();
}

bool frmVSL::HasContent() {
    for (QTextEdit* page : txtArticle) {
        if (!page->toPlainText().isEmpty()) return true;
    }
    return false;
}

int frmVSL::SecondsPerSlide(bool* ok) const {
    int seconds = 0;
    const bool parsed = vm::ParseSecondsPerSlide(cboSeconds->currentText(), &seconds);
    if (ok) *ok = parsed;
    return parsed ? seconds : 0;
}

void frmVSL::Command1_Click() {
    if (running_) return;
    if (!HasContent()) return ShowError(this, "Please add some content (text) to your video.");
    QStringList pages;
    for (const QTextEdit* page : txtArticle) pages << page->toPlainText();
    const QString wordless = vm::AdCopyWordsProblem(pages);
    if (!wordless.isEmpty()) return ShowError(this, wordless);
    if (chkAddBackgroundMusic->isChecked() && lblSelectedMP3->text().isEmpty())
        return ShowError(this, "Please select a background music for your video.");
    if (lstTo->count() == 0) return ShowError(this, "Please add some images to your video.");
    // Settings the batch cannot work with are refused before anything starts.
    bool secondsOk = false;
    SecondsPerSlide(&secondsOk);
    if (!secondsOk)
        return ShowError(this, "The seconds per slide must be a whole number of at least 1.");
    if (MatchingItem(cboResolution) < 0)
        return ShowError(this, "Please select a resolution from the list.");
    if (chkEnableVideoCompressor->isChecked() && MatchingItem(cboVideoCompressor) < 0)
        return ShowError(this, "Please select a video compressor from the list.");
    vm::BatchSettings settings;
    QString error;
    if (!SnapshotSettings(&settings, &error)) return ShowError(this, error);

    // Keywords that cannot be file names are named before anything is made.
    std::vector<vm::VideoTask> tasks;
    QStringList unusable;
    for (const vm::VideoTask& task : vm::BatchTasks(settings.Get(vm::setting::keywords))) {
        if (task.keyword.isEmpty() || vm::KeywordFileNameProblem(task.keyword).isEmpty())
            tasks.push_back(task);
        else
            unusable << task.keyword;
    }
    if (!unusable.isEmpty()) {
        if (tasks.empty())
            return ShowError(
                this, "None of the keywords can be used as a file name:\n\n" + unusable.join("\n"));
        const auto answer =
            MsgBox(this,
                   "These keywords cannot be file names and will be skipped:\n\n" +
                       unusable.join("\n") + "\n\nGo on?",
                   "Confirm", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) return;
    }

    // The batch works from the snapshot: what the user changes from here on
    // is for the next batch.
    auto view = std::make_shared<BatchView>(int(tasks.size()));
    view->outputName = settings.Get(vm::setting::outputName);
    view->folder = settings.outputFolder;
    for (int i = 0; i < lstTo->count(); ++i) view->userSlides << lstTo->item(i)->text();
    vm::BatchOptions options;
    options.seed = vm::VideoRandom::FreshSeed();
    options.jobs = 1;
    options.renderSilenceMs = renderSilenceMs_;
    view->engine = std::make_unique<vm::ProductionEngine>(settings, tasks, options);
    // One batch at a time into a folder, from this window or any other program.
    if (!view->engine->ClaimOutputFolder(0, &error)) return ShowError(this, error);

    SetRunState(false);
    tmrShRunning->start();
    running_ = true;
    batchFailures_.clear();
    SetSlideEditing(false);
    for (int i = 0; i < lstKeywords->count(); ++i) lstKeywords->item(i)->setIcon(QIcon());
    lblOutputFolder->SetPath("Videos go to " + settings.outputFolder);
    batch_ = std::move(view);
    batch_->clock.start();
    ShowBatchProgress();

    QEventLoop loop;
    connect(this, &frmVSL::batchEnded, &loop, &QEventLoop::quit);
    std::promise<void> done;
    batch_->finished = done.get_future();
    std::jthread worker([this, done = std::move(done)]() mutable {
        WindowListener listener(this);
        batch_->engine->Run(&listener);
        done.set_value();
        QMetaObject::invokeMethod(
            this, [this] { emit batchEnded(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    // The user's slides come back, whatever the videos showed.
    lstTo->clear();
    lstTo->addItems(batch_->userSlides);
    lblImagesCount->setText(QString::number(lstTo->count()));
    const std::shared_ptr<BatchView> ended = std::move(batch_);
    running_ = false;
    batchRow_ = -1;
    SetSlideEditing(true);
    if (!Command1->isEnabled()) {
        // The batch ended before its last video could end it (stopped, or the
        // window is closing): finish as after the last video.
        batchLast_ = true;
        SetRunState(true);
    }
    batchLast_ = false;
    const vm::BatchProgress& progress = ended->progress;
    const QString made = QString("Made %1 of %2 video%3")
                             .arg(progress.Made())
                             .arg(ended->videos)
                             .arg(ended->videos == 1 ? "" : "s");
    prgRender->setValue(progress.Percent());
    prgRender->setFormat(made);
    if (closing_) return;

    // The finish: what was made and where, with a button that opens the folder.
    const QString where = made + " in " + ended->folder + ".";
    QString text = where;
    QString title = "Videos Made";
    QMessageBox::Icon icon = QMessageBox::Information;
    if (ended->stopped) {
        title = "Stopped";
        text = "The batch was stopped. " + where;
        const int inFlight = progress.StoppedRendering();
        const int notStarted = progress.NotStarted();
        if (inFlight > 0)
            text += QString(" %1 stopped while being made (unfinished files were removed).")
                        .arg(inFlight == 1 ? QString("1 was") : QString("%1 were").arg(inFlight));
        if (notStarted > 0)
            text +=
                QString(" %1 not started.")
                    .arg(notStarted == 1 ? QString("1 was") : QString("%1 were").arg(notStarted));
    }
    if (!batchFailures_.isEmpty()) {
        title = "Error";
        icon = QMessageBox::Warning;
        text = "These videos could not be made:\n\n" + batchFailures_.join("\n") + "\n\n" + text;
    }
    if (MsgBox(this, text, title, icon, QMessageBox::Ok | QMessageBox::Open) == QMessageBox::Open)
        OpenFolder(ended->folder);
}

void frmVSL::cmdStop_Click() {
    if (!batch_ || batch_->stopped) return;
    batch_->stopped = true;
    cmdStop->setEnabled(false);
    lblStatus->setText("Stopping...");
    batch_->engine->Stop();
}

void frmVSL::ShowBatchProgress() {
    const vm::BatchProgress& progress = batch_->progress;
    const int n = std::min(batch_->shown + 1, batch_->videos);
    QString text =
        QString("Video %1 of %2 \u00b7 %3%").arg(n).arg(batch_->videos).arg(progress.Percent());
    const double left = progress.SecondsLeft(batch_->clock.elapsed() / 1000.0);
    if (left >= 0) text += " \u00b7 about " + vm::BatchProgress::Duration(left) + " left";
    prgRender->setValue(progress.Percent());
    prgRender->setFormat(text);
}

void frmVSL::ShowKeywordState(const vm::VideoEvent& e) {
    const int row = e.position;
    if (e.keyword.isEmpty() || row >= lstKeywords->count() ||
        lstKeywords->item(row)->text() != e.keyword)
        return;
    QListWidgetItem* item = lstKeywords->item(row);
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

void frmVSL::OnVideoEvent(const vm::VideoEvent& event) {
    if (!batch_) return;
    batch_->progress.Add(event);
    ShowKeywordState(event);
    // A video's events wait until the videos before it have ended.
    batch_->waiting[event.index].push_back(event);
    while (batch_ && batch_->waiting.count(batch_->shown)) {
        std::vector<vm::VideoEvent> events;
        events.swap(batch_->waiting[batch_->shown]);
        batch_->waiting.erase(batch_->shown);
        bool ended = false;
        for (const vm::VideoEvent& e : events) ended = ShowVideoEvent(e) || ended;
        if (!ended) break;
        ++batch_->shown;
    }
    if (batch_) ShowBatchProgress();
}

bool frmVSL::ShowVideoEvent(const vm::VideoEvent& e) {
    using Kind = vm::VideoEvent::Kind;
    const int n = e.index + 1;
    const int m = batch_->videos;
    // A video without a keyword is named after txtFilename, as the batch took it.
    const QString name = e.keyword.isEmpty() ? batch_->outputName : e.keyword;
    switch (e.kind) {
        case Kind::Started:
            batchRow_ = e.keyword.isEmpty() ? -1 : e.position;
            if (batchRow_ >= 0 && batchRow_ < lstKeywords->count())
                lstKeywords->setCurrentRow(batchRow_);
            lblStatusIndividual->setText("");
            if (!batch_->stopped) lblStatus->setText("Please Wait...");
            emit batchProgress(n, m, 0);
            return false;
        case Kind::Planned:
            iAudioLength = e.plan.iAudioLength;
            iSlidesLength = e.plan.iSlidesLength;
            iVideoLength = e.plan.iVideoLength;
            iLastSlideTime = e.plan.iLastSlideTime;
            // The same numbers as the progress bar's.
            if (e.narrated && !batch_->stopped)
                lblStatus->setText(QString("Creating Video %1 / %2 ...").arg(n).arg(m));
            return false;
        case Kind::Music:
            if (!batch_->stopped) lblStatus->setText("Preparing Audio (Please Wait...)");
            return false;
        case Kind::Command: {
            QTextCursor end(txtCommand->document());
            end.movePosition(QTextCursor::End);
            end.insertText(vm::MusicLogEntry(e.message));
            return false;
        }
        case Kind::Note:
            batchFailures_ << name + ": " + e.message;
            return false;
        case Kind::Rendering:
            // The slides of this video, in the order it shows them.
            lstTo->clear();
            lstTo->addItems(e.slides);
            lblImagesCount->setText(QString::number(lstTo->count()));
            iMusicCutLength = static_cast<int16_t>(e.musicSeconds);
            iCountdown = static_cast<int16_t>(iVideoLength + 20);
            tmrCountdown->start();
            return false;
        case Kind::Progress: {
            const int percent = e.totalFrames > 0 ? int(qint64(e.frame) * 100 / e.totalFrames) : 0;
            emit batchProgress(n, m, percent);
            return false;
        }
        case Kind::Failed:
            if (!closing_) batchFailures_ << name + ": " + e.message;
            break;
        case Kind::Skipped:
            batchFailures_ << name + ": not made: " + e.message;
            break;
        case Kind::Made:
            break;
        case Kind::Stopped:
            // Not finished: the batch's end returns the window to idle.
            tmrCountdown->stop();
            return true;
    }
    // The video has ended: the last one of the batch returns the window to idle.
    tmrCountdown->stop();
    batchLast_ = e.index + 1 == m;
    SetRunState(true);
    return true;
}

void frmVSL::SetSlideEditing(bool enabled) {
    // While a batch runs the slide list shows the video being made; edits
    // would be lost when the user's list comes back, so none are taken.
    for (QWidget* control :
         std::initializer_list<QWidget*>{Command3, Command4, Command6, cmdCreateDemoProject})
        control->setEnabled(enabled);
    lstTo->setAcceptDrops(enabled);
    lstFrom->setAcceptDrops(enabled);
}

void frmVSL::SetRenderSilenceBound(int milliseconds) {
    renderSilenceMs_ = milliseconds;
    if (batch_) batch_->engine->SetRenderSilenceMs(milliseconds);
}

void frmVSL::closeEvent(QCloseEvent* event) {
    const bool stop = running_ && batch_;
    if ((stop &&
         MsgBox(this, "A batch is running. Stop it and quit?", "Confirm", QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) ||
        !AskToDiscardChanges("Quit without saving them?")) {
        event->ignore();
        return;
    }
    if (stop) {
        // Stop the renders (their unfinished files go) and let the batch end;
        // it ends without a report.
        closing_ = true;
        batch_->engine->Stop();
        batch_->finished.wait_for(std::chrono::milliseconds(kStopBoundMs));
    }
    event->accept();
}
