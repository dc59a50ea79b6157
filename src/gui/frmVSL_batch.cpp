// The main window and the batch: "Make Videos!" checks the project, hands a
// copy of its values to a batch task and returns; a BatchView then shows the
// task's events in the status texts, progress bar, keyword list and slide
// list, and the window is ready again when the task has finished. One video
// renders at a time here unless told otherwise (the next one's narration is
// spoken meanwhile).
#include <QCloseEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

#include "AppFolder.h"
#include "BatchRows.h"
#include "BatchTask.h"
#include "Compressors.h"
#include "HeaderBar.h"
#include "ImagesPanel.h"
#include "KeywordRules.h"
#include "MakeVideoPanel.h"
#include "MsgBox.h"
#include "Narration.h"
#include "OutputPlan.h"
#include "PanelStrip.h"
#include "SettingsBinder.h"
#include "SettingsTable.h"
#include "TextToSpeechPanel.h"
#include "VideoRandom.h"
#include "WindowShortcuts.h"
#include "frmVSL.h"

namespace {

namespace S = vm::setting;

void ShowError(QWidget* parent, const QString& text) {
    MsgBox(parent, text, "Error", QMessageBox::Information);
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
    return QString(
               "The output folder %1 already holds %2 of this batch: %3.\n\n"
               "Replace them, or skip the ones made from this same project and make the "
               "rest?")
        .arg(folder, made.size() == 1 ? QString("1 video") : QString("%1 videos").arg(made.size()),
             named.join(", "));
}

}  // namespace

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
    const int videos = int(tasks.size());
    auto view = std::make_unique<BatchView>(
        BatchViewParts{this, header_, make_, speech_->Keywords(), images_, commandLog_},
        std::make_unique<vm::BatchTask>(settings, std::move(tasks), options), videos,
        settings.Get(S::outputName), settings.outputFolder, programName_, this);
    // One batch at a time into a folder, from this window or any other program.
    if (!view->Task()->ClaimOutputFolder(&error)) return ShowError(this, error);
    connect(view.get(), &BatchView::videoFinished, this, &frmVSL::videoFinished);
    connect(view.get(), &BatchView::batchProgress, this, &frmVSL::batchProgress);
    connect(view->Task(), &vm::BatchTask::finished, this, &frmVSL::BatchFinished);

    batch_ = std::move(view);
    failures_.clear();
    SetRunning(true);
    // The batch works from its copy: what the user changes from here on is
    // for the next batch. The slide list shows the batch's slides meanwhile.
    binder_->Hold(S::slides, true);
    batch_->Begin();
    emit batchStarted(batch_->Task());
    batch_->Task()->Start();
}

QStringList frmVSL::LastBatchFailures() const {
    return batch_ ? batch_->Failures() : failures_;
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
    if (!batch_ || batch_->Task()->StopRequested()) return;
    batch_->Stop();
}

void frmVSL::AskToStop() {
    if (!batch_ || batch_->Task()->StopRequested()) return;
    if (MsgBox(this, "Stop making the videos? The video being made is removed.", "Confirm",
               QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        StopBatch();
}

void frmVSL::SetRenderSilenceBound(int milliseconds) {
    renderSilenceMs_ = milliseconds;
    if (batch_) batch_->Task()->SetRenderSilenceMs(milliseconds);
}

void frmVSL::SetRunning(bool running) {
    header_->ShowRunning(running);
    make_->SetRunning(running);
    // While a batch runs the slide list shows the video being made; edits
    // would be lost when the user's list comes back, so none are taken.
    images_->SetSlideEditing(!running);
    strip_->demoButton->setEnabled(!running);
    if (shortcuts_) shortcuts_->SetBatchRunning(running);
    if (!running) header_->SetStatus("Ready.");
}

void frmVSL::BatchFinished(bool stopped) {
    if (!batch_) return;
    // The task is still sending this signal: the view, which owns it, goes
    // once that is done.
    BatchView* ended = batch_.release();
    failures_ = ended->Failures();
    header_->StopCountdown();
    // The user's slides come back, whatever the videos showed.
    binder_->Hold(S::slides, false);
    SetRunning(false);
    UpdateTitle();
    ended->ShowFinish(stopped);
    ended->deleteLater();
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
        batch_->SetClosing();
        batch_->Task()->Stop();
        batch_->Task()->Wait(vm::BatchTask::kStopBoundMs);
    }
    event->accept();
}
