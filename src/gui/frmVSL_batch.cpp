// The main window and the batch: "Make Videos!" checks the project, hands a
// copy of its values to a batch task and returns; the window then follows the
// task's events in its status texts, progress bar, keyword list and slide
// list, and is ready again when the task has finished. One video renders at a
// time here unless told otherwise (the next one's narration is spoken
// meanwhile); the status line speaks of one video, in keyword order.
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <map>

#include "AppFolder.h"
#include "BatchTask.h"
#include "Compressors.h"
#include "HeaderBar.h"
#include "ImagesPanel.h"
#include "KeywordRules.h"
#include "MakeVideoPanel.h"
#include "MsgBox.h"
#include "MusicCommands.h"
#include "Narration.h"
#include "OutputPlan.h"
#include "PanelStrip.h"
#include "SettingsBinder.h"
#include "SettingsTable.h"
#include "TextToSpeechPanel.h"
#include "BatchRows.h"
#include "VideoRandom.h"
#include "frmVSL.h"

namespace {

namespace S = vm::setting;

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

QString Plural(int count, const QString& one, const QString& many) {
    return count == 1 ? one : many.arg(count);
}

// The videos of the batch already in its folder that this program made (the
// user's own files of those names are the clashes, asked about first).
QStringList MadeBefore(const vm::BatchSettings& settings, const std::vector<vm::VideoTask>& tasks,
                       const QStringList& clashes) {
    QStringList made;
    for (const vm::VideoTask& task : tasks) {
        const QString name = vm::VideoName(settings, task.keyword);
        if (!made.contains(name) && !clashes.contains(name) &&
            QFileInfo::exists(settings.outputFolder + "/" + name))
            made << name;
    }
    return made;
}

QString MadeBeforeQuestion(const QString& folder, const QStringList& made) {
    QStringList named = made.mid(0, 10);
    if (made.size() > 10) named << QString("and %1 more").arg(made.size() - 10);
    return QString("The output folder %1 already holds %2 of this batch: %3.\n\n"
                   "Replace them, or skip the ones made from this same project and make the "
                   "rest?")
        .arg(folder, Plural(made.size(), "1 video", "%1 videos"), named.join(", "));
}

}  // namespace

// What the window knows of the running batch. Events of a video that is
// being prepared while an earlier one renders wait here until it is that
// video's turn, so the status line follows one video at a time.
struct frmVSL::BatchView {
    std::unique_ptr<vm::BatchTask> task;
    int videos = 0;        // in the batch
    QString outputName;    // the name of a video without a keyword
    QString folder;        // where the videos go
    int shown = 0;         // the video the window follows
    int videoSeconds = 0;  // its planned length
    int kept = 0;          // already made, left alone
    std::map<int, std::vector<vm::VideoEvent>> waiting;
    QElapsedTimer clock;
};

frmVSL::~frmVSL() {
    // A running batch stops before the controls it reports to go.
    batch_.reset();
    // Then the binding, which reads the controls: a list emptied as it is
    // destroyed still signals the change. The controls go while the window
    // is whole.
    delete binder_;
    delete takeCentralWidget();
}

QString frmVSL::Refusal() const {
    const vm::Settings& p = project_.Values();
    const QStringList pages = p.Get(S::adCopies);
    if (std::all_of(pages.begin(), pages.end(), [](const QString& page) { return page.isEmpty(); }))
        return "Please add some content (text) to your video.";
    const QString wordless = vm::AdCopyWordsProblem(pages);
    if (!wordless.isEmpty()) return wordless;
    if (p.Get(S::music) && p.Get(S::musicFile).isEmpty())
        return "Please select a background music for your video.";
    if (p.Get(S::slides).isEmpty()) return "Please add some images to your video.";
    // Pictures moved or renamed since they were added are named, not guessed.
    QStringList missing;
    for (const QString& slide : p.Get(S::slides))
        if (!QFileInfo(slide).isFile() && !missing.contains(slide)) missing << slide;
    if (!missing.isEmpty()) {
        const int shown = std::min<int>(int(missing.size()), 10);
        QString list = missing.mid(0, shown).join("\n");
        if (missing.size() > shown) list += QString("\n... and %1 more").arg(missing.size() - shown);
        return QString("These pictures of the slides cannot be found:\n\n%1\n\nSelect each in the "
                       "slide list and click \"Locate...\" to find it, or remove it.")
            .arg(list);
    }
    // Text typed into a list that is none of its entries is no choice.
    if (!binder_->Shows(S::secondsPerSlide))
        return "The seconds per slide must be a whole number of at least 1.";
    if (!binder_->Shows(S::resolution)) return "Please select a resolution from the list.";
    const bool compressorShown = binder_->Shows(S::compressor);
    if (p.Get(S::compression) && !compressorShown)
        return "Please select a video compressor from the list.";
    if (!compressorShown && !binder_->ShownText(S::compressor).isEmpty())
        return QString("Video compressor: \"%1\" is not one of the list.")
            .arg(binder_->ShownText(S::compressor));
    if (!binder_->Shows(S::voice)) return "Please select a voice from the list.";
    // A colour typed half-way in "Caption Style".
    const bool burned = p.Is(S::captions, "burned") || p.Is(S::captions, "both");
    for (const vm::TextSetting* colour :
         {&S::captionColour, &S::captionBackColour, &S::captionHighlight})
        if (burned && !binder_->Shows(*colour))
            return QString("Caption Style: the %1 must be written #RRGGBB.")
                .arg(QString(colour->label).toLower());
    return {};
}

void frmVSL::MakeVideos() {
    if (batch_) return;
    const QString refusal = Refusal();
    if (!refusal.isEmpty()) return ShowError(this, refusal);
    if (!AskAboutNoKeywords()) return;
    vm::BatchSettings settings;
    QString error;
    if (!vm::MakeBatchSettings(project_.Values(), QString(), speech_->Voices(),
                               Compressors::Instance(), &settings, &error))
        return ShowError(this, "The videos cannot be made: " + error);
    settings.ffmpegPath = ffmpegPath_;

    // A table of videos: every bad row is named before anything is made.
    std::vector<vm::VideoTask> tasks;
    const QString rows = settings.Get(S::rows);
    if (!rows.isEmpty()) {
        QStringList problems;
        if (!vm::LoadRowTasks(rows, settings, QString(), &tasks, &problems))
            return ShowError(this, "The videos of the table cannot be made:\n\n" +
                                       problems.mid(0, 30).join("\n"));
    }
    // Keywords that cannot be file names are named before anything is made.
    QStringList unusable;
    for (const vm::VideoTask& task :
         rows.isEmpty() ? vm::BatchTasks(settings.Get(S::keywords)) : std::vector<vm::VideoTask>{}) {
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

    vm::BatchOptions options;
    // Files of the user's that the videos' names would take are never
    // replaced without asking.
    const QStringList clashes = vm::OutputClashes(settings, tasks, false);
    if (!clashes.isEmpty()) {
        const auto answer = MsgBox(
            this, vm::ClashMessage(settings.outputFolder, clashes) + "\n\nReplace them?",
            "Confirm", QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) return;
        options.replace = true;
    }
    // Videos this program made before under the same names: replaced, or
    // left alone where they were made from the same project.
    if (const QStringList made = MadeBefore(settings, tasks, clashes); !made.isEmpty()) {
        const auto answer = MsgBox(this, MadeBeforeQuestion(settings.outputFolder, made),
                                   "Videos Already Made", QMessageBox::Question,
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                   {{QMessageBox::Yes, "Replace"}, {QMessageBox::No, "Skip existing"}});
        if (answer == QMessageBox::No)
            options.skipExisting = true;
        else if (answer != QMessageBox::Yes)
            return;
    }
    options.seed = vm::VideoRandom::FreshSeed();
    options.jobs = workers_;
    options.renderSilenceMs = renderSilenceMs_;
    auto view = std::make_shared<BatchView>();
    view->videos = int(tasks.size());
    view->outputName = settings.Get(S::outputName);
    view->folder = settings.outputFolder;
    view->task = std::make_unique<vm::BatchTask>(settings, std::move(tasks), options);
    // One batch at a time into a folder, from this window or any other program.
    if (!view->task->ClaimOutputFolder(&error)) return ShowError(this, error);
    connect(view->task.get(), &vm::BatchTask::videoEvent, this, &frmVSL::OnVideoEvent);
    connect(view->task.get(), &vm::BatchTask::finished, this, &frmVSL::BatchFinished);

    batch_ = std::move(view);
    failures_.clear();
    SetRunning(true);
    QListWidget* keywords = speech_->Keywords();
    for (int i = 0; i < keywords->count(); ++i) keywords->item(i)->setIcon(QIcon());
    make_->ShowOutputFolder(settings.outputFolder);
    // The batch works from its copy: what the user changes from here on is
    // for the next batch. The slide list shows the batch's slides meanwhile.
    binder_->Hold(S::slides, true);
    batch_->clock.start();
    ShowBatchProgress();
    emit batchStarted(batch_->task.get());
    batch_->task->Start();
}

bool frmVSL::AskAboutNoKeywords() {
    const vm::Settings& p = project_.Values();
    if (!p.Get(S::keywords).isEmpty()) return true;
    const QString name = p.Get(S::outputName);
    if (const QString problem = vm::KeywordFileNameProblem(name); !problem.isEmpty() ||
                                                                  name.trimmed().isEmpty()) {
        ShowError(this, "The name of the video without keywords cannot be used: " +
                            (problem.isEmpty() ? "it is empty." : problem));
        return false;
    }
    // Every text that puts the keyword in: spoken, captioned or in the title.
    QStringList texts = p.Get(S::adCopies);
    texts << p.Get(S::titleTemplate) << p.Get(S::descriptionTemplate);
    if (!std::any_of(texts.begin(), texts.end(),
                     [](const QString& text) { return text.contains("#KEYWORD#"); }))
        return true;
    return MsgBox(this,
                  QString("There are no keywords, yet the text holds the #KEYWORD# tag. Make one "
                          "video, \"%1\", with the tag left out?")
                      .arg(name),
                  "Confirm", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void frmVSL::StopBatch() {
    if (!batch_ || batch_->task->StopRequested()) return;
    make_->SetStopEnabled(false);
    header_->SetStatus("Stopping...");
    batch_->task->Stop();
}

void frmVSL::AskToStop() {
    if (!batch_ || batch_->task->StopRequested()) return;
    if (MsgBox(this, "Stop making the videos? The video being made is removed.", "Confirm",
               QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        StopBatch();
}

void frmVSL::SetRenderSilenceBound(int milliseconds) {
    renderSilenceMs_ = milliseconds;
    if (batch_) batch_->task->SetRenderSilenceMs(milliseconds);
}

void frmVSL::SetRunning(bool running) {
    header_->ShowRunning(running);
    make_->SetRunning(running);
    // While a batch runs the slide list shows the video being made; edits
    // would be lost when the user's list comes back, so none are taken.
    images_->SetSlideEditing(!running);
    strip_->demoButton->setEnabled(!running);
    if (stopAction_) stopAction_->setEnabled(running);
    if (!running) header_->SetStatus("Ready.");
}

void frmVSL::ShowBatchProgress() {
    const vm::BatchProgress& progress = batch_->task->Progress();
    const int n = std::min(batch_->shown + 1, batch_->videos);
    QString text =
        QString("Video %1 of %2 \u00b7 %3%").arg(n).arg(batch_->videos).arg(progress.Percent());
    const double left = progress.SecondsLeft(batch_->clock.elapsed() / 1000.0);
    if (left >= 0) text += " \u00b7 about " + vm::BatchProgress::Duration(left) + " left";
    make_->ShowProgress(progress.Percent(), text);
    ShowBatchTitle();
}

void frmVSL::ShowBatchTitle() {
    setWindowTitle(
        QString("%1% \u00b7 %2").arg(batch_->task->Progress().Percent()).arg(programName_));
}

void frmVSL::ShowKeywordState(const vm::VideoEvent& e) {
    QListWidget* keywords = speech_->Keywords();
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

void frmVSL::OnVideoEvent(const vm::VideoEvent& event) {
    if (!batch_) return;
    ShowKeywordState(event);
    // A video's events wait until the videos before it have ended.
    batch_->waiting[event.index].push_back(event);
    // A slot of a signal sent here may run the event loop (a message box),
    // and the batch may end meanwhile.
    while (batch_ && batch_->waiting.count(batch_->shown)) {
        std::vector<vm::VideoEvent> events;
        events.swap(batch_->waiting[batch_->shown]);
        batch_->waiting.erase(batch_->shown);
        bool ended = false;
        for (const vm::VideoEvent& e : events) ended = ShowVideoEvent(e) || ended;
        if (!ended || !batch_) break;
        ++batch_->shown;
    }
    if (batch_) ShowBatchProgress();
}

bool frmVSL::ShowVideoEvent(const vm::VideoEvent& e) {
    using Kind = vm::VideoEvent::Kind;
    if (!batch_) return false;
    const int n = e.index + 1;
    const int m = batch_->videos;
    const bool stopping = batch_->task->StopRequested();
    // A video without a keyword is named after the output name the batch took.
    const QString name = e.keyword.isEmpty() ? batch_->outputName : e.keyword;
    switch (e.kind) {
        case Kind::Started: {
            QListWidget* keywords = speech_->Keywords();
            if (!e.keyword.isEmpty() && e.position < keywords->count())
                keywords->setCurrentRow(e.position);
            if (!stopping) header_->SetStatus("Please Wait...");
            emit batchProgress(n, m, 0);
            return false;
        }
        case Kind::Planned:
            batch_->videoSeconds = e.plan.iVideoLength;
            // The same numbers as the progress bar's.
            if (e.narrated && !stopping)
                header_->SetStatus(QString("Creating Video %1 / %2 ...").arg(n).arg(m));
            return false;
        case Kind::Music:
            if (!stopping) header_->SetStatus("Preparing Audio (Please Wait...)");
            return false;
        case Kind::Command: {
            QTextCursor end(commandLog_->document());
            end.movePosition(QTextCursor::End);
            end.insertText(vm::MusicLogEntry(e.message));
            return false;
        }
        case Kind::Note:
            failures_ << name + ": " + e.message;
            return false;
        case Kind::Rendering:
            // The slides of this video, in the order it shows them.
            images_->ShowBatchSlides(e.slides);
            header_->StartCountdown(batch_->videoSeconds + 20);
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
                ++batch_->kept;
            else
                failures_ << name + ": not made: " + e.message;
            break;
        case Kind::Made:
            break;
        case Kind::Stopped:
            header_->StopCountdown();
            return true;
    }
    header_->StopCountdown();
    emit videoFinished();
    return true;
}

void frmVSL::BatchFinished(bool stopped) {
    if (!batch_) return;
    const std::shared_ptr<BatchView> ended = std::move(batch_);
    // The task is still sending this signal: it goes once that is done.
    vm::BatchTask* task = ended->task.release();
    task->deleteLater();
    header_->StopCountdown();
    // The user's slides come back, whatever the videos showed.
    binder_->Hold(S::slides, false);
    SetRunning(false);
    UpdateTitle();
    const vm::BatchProgress& progress = task->Progress();
    const QString made = QString("Made %1 of %2 video%3")
                             .arg(progress.Made())
                             .arg(ended->videos)
                             .arg(ended->videos == 1 ? "" : "s");
    make_->ShowProgress(progress.Percent(), made);
    if (closing_) {
        emit batchEnded();
        return;
    }

    // The finish: what was made and where, with a button that opens the folder.
    QString where = made + " in " + ended->folder + ".";
    if (ended->kept > 0)
        where += QString(" %1 already there.").arg(Plural(ended->kept, "1 was", "%1 were"));
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
    if (Notify(title, text)) {
        emit batchEnded();
        return;
    }
    if (MsgBox(this, text, title, icon, QMessageBox::Ok | QMessageBox::Open) == QMessageBox::Open)
        make_->OpenFolder(ended->folder);
    emit batchEnded();
}

void frmVSL::closeEvent(QCloseEvent* event) {
    if ((IsRunning() &&
         MsgBox(this, "A batch is running. Stop it and quit?", "Confirm", QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) ||
        !AskToDiscardChanges("quitting")) {
        event->ignore();
        return;
    }
    // The batch may have ended while the question was open.
    if (IsRunning()) {
        // The renders stop (their unfinished files go) and the batch ends
        // without a report.
        closing_ = true;
        batch_->task->Stop();
        batch_->task->Wait(vm::BatchTask::kStopBoundMs);
    }
    event->accept();
}
