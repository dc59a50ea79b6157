// The main window's handlers: the batch run. "Make Videos!" checks the
// project, takes a snapshot of the settings and hands it to the production
// engine, which makes the videos on its own threads; the window follows the
// engine's events in its status texts, progress bar and failure list. One
// video renders at a time here (the next one's narration is spoken
// meanwhile), so the status line always speaks of one video.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
#include "Controls.h"
#include "MsgBox.h"
#include "MusicCommands.h"
#include "ProductionEngine.h"
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
    std::unique_ptr<vm::ProductionEngine> engine;
    std::future<void> finished;
    int videos = 0;      // in the batch
    int keywords = 0;    // in the snapshot's keyword list
    QString outputName;  // the name of a video without a keyword
    int shown = 0;       // the video the window follows
    std::map<int, std::vector<vm::VideoEvent>> waiting;
    QStringList userSlides;  // the slide list as the user left it
};

frmVSL::~frmVSL() = default;

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

    // The batch works from the snapshot: what the user changes from here on
    // is for the next batch.
    auto view = std::make_shared<BatchView>();
    const std::vector<vm::VideoTask> tasks = vm::BatchTasks(settings.keywords);
    view->videos = int(tasks.size());
    view->keywords = int(settings.keywords.size());
    view->outputName = settings.outputName;
    for (int i = 0; i < lstTo->count(); ++i) view->userSlides << lstTo->item(i)->text();
    vm::BatchOptions options;
    options.seed = vm::VideoRandom::FreshSeed();
    options.jobs = 1;
    options.renderSilenceMs = renderSilenceMs_;
    view->engine = std::make_unique<vm::ProductionEngine>(settings, tasks, options);

    SetRunState(false);
    tmrShRunning->start();
    running_ = true;
    batchFailures_.clear();
    SetSlideEditing(false);
    batch_ = std::move(view);

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
    batch_.reset();
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
    if (!batchFailures_.isEmpty() && !closing_) {
        MsgBox(this, "These videos could not be made:\n\n" + batchFailures_.join("\n"), "Error",
               QMessageBox::Warning);
    }
}

void frmVSL::OnVideoEvent(const vm::VideoEvent& event) {
    if (!batch_) return;
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
}

bool frmVSL::ShowVideoEvent(const vm::VideoEvent& e) {
    using Kind = vm::VideoEvent::Kind;
    const int n = e.index + 1;
    const int m = batch_->videos;
    // A video without a keyword is named after txtFilename, as the batch took it.
    const QString name = e.keyword.isEmpty() ? batch_->outputName : e.keyword;
    switch (e.kind) {
        case Kind::Started:
            batchRow_ = batch_->keywords > 0 ? e.position : -1;
            if (batchRow_ >= 0 && batchRow_ < lstKeywords->count())
                lstKeywords->setCurrentRow(batchRow_);
            lblStatusIndividual->setText("");
            lblStatus->setText("Please Wait...");
            if (prgRender) {
                prgRender->setFormat(QString("Video %1 of %2: %p%").arg(n).arg(m));
                prgRender->setValue(0);
            }
            emit batchProgress(n, m, 0);
            return false;
        case Kind::Planned:
            iAudioLength = e.plan.iAudioLength;
            iSlidesLength = e.plan.iSlidesLength;
            iVideoLength = e.plan.iVideoLength;
            iLastSlideTime = e.plan.iLastSlideTime;
            if (e.narrated)
                lblStatus->setText(QString("Creating Video %1 / %2 ...")
                                       .arg(batch_->keywords > 0 ? e.position + 1 : 0)
                                       .arg(batch_->keywords));
            return false;
        case Kind::Music:
            lblStatus->setText("Preparing Audio (Please Wait...)");
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
            if (prgRender) prgRender->setValue(percent);
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
    if (running_ && batch_) {
        // Stop the renders (their unfinished files go) and let the batch end;
        // it ends without a report.
        closing_ = true;
        batch_->engine->Stop();
        batch_->finished.wait_for(std::chrono::milliseconds(kStopBoundMs));
    }
    event->accept();
}
