// The main window's handlers: batch run, per-video build and rendering.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "AppFolder.h"
#include "Controls.h"
#include "Helpers.h"
#include "KeywordRules.h"
#include "MsgBox.h"
#include "NarrationText.h"
#include "TimingPlan.h"
#include "VideoEdit.h"
#include "frmVSL.h"

namespace {
// How long a cancelled render may take to stop and remove its temporary file.
constexpr int kCancelBoundMs = 10000;

void ShowError(QWidget* parent, const QString& text) {
    MsgBox(parent, text, "Error", QMessageBox::Information);
}

// The index of the item whose text is the combo box's text, -1 when the user
// typed something that is no item.
int MatchingItem(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly);
}

void ProcessEvents(int times) {
    for (int i = 0; i < times; ++i) QCoreApplication::processEvents();
}
}  // namespace

QString frmVSL::ReportName(const QString& keyword) const {
    // A video without a keyword is named after txtFilename.
    return keyword.isEmpty() ? txtFilename->text() : keyword;
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

VideoEdit* frmVSL::CurrentVideoEdit() const {
    const int index = MatchingItem(cboResolution);
    return index >= 0 && index < static_cast<int>(VideoEdit1.size()) ? VideoEdit1[index] : nullptr;
}

void frmVSL::Command1_Click() {
    if (running_) return;
    const int upper = lstKeywords->count() > 0 ? lstKeywords->count() - 1 : 0;
    if (!HasContent()) return ShowError(this, "Please add some content (text) to your video.");
    if (chkAddBackgroundMusic->isChecked() && lblSelectedMP3->text().isEmpty())
        return ShowError(this, "Please select a background music for your video.");
    if (lstTo->count() == 0) return ShowError(this, "Please add some images to your video.");
    // Settings the batch cannot work with are refused before anything starts.
    bool secondsOk = false;
    SecondsPerSlide(&secondsOk);
    if (!secondsOk)
        return ShowError(this, "The seconds per slide must be a whole number of at least 1.");
    if (!CurrentVideoEdit()) return ShowError(this, "Please select a resolution from the list.");
    if (chkEnableVideoCompressor->isChecked() && MatchingItem(cboVideoCompressor) < 0)
        return ShowError(this, "Please select a video compressor from the list.");

    SetRunState(false);
    tmrShRunning->start();
    running_ = true;
    batchFailures_.clear();
    const int total = upper + 1;
    const bool hadKeywords = lstKeywords->count() > 0;

    for (int i = 0; i <= upper && !closing_; ++i) {
        // Keywords deleted during the run are not made: without this the
        // missing entries would become videos named after txtFilename.
        if (hadKeywords && i >= lstKeywords->count()) break;
        QString keyword;
        batchRow_ = -1;
        if (lstKeywords->count() > 0) {
            lstKeywords->setCurrentRow(i);
            batchRow_ = i;
            if (lstKeywords->currentItem()) keyword = lstKeywords->currentItem()->text();
        }
        lblStatusIndividual->setText("");
        emit batchProgress(i + 1, total, 0);
        if (prgRender) {
            prgRender->setFormat(QString("Video %1 of %2: %p%").arg(i + 1).arg(total));
            prgRender->setValue(0);
        }
        QString error;
        if (!CreateVideo(keyword, &error)) {
            if (!closing_) batchFailures_ << ReportName(keyword) + ": " + error;
            // No render was started, so no completion will come: finish the
            // video here, which also returns the window to idle after the last.
            tmrCountdown->stop();
            SetRunState(true);
            continue;
        }
        // Wait for the render's completion; every progress report restarts
        // the bound.
        if (lblStatusIndividual->text().isEmpty()) {
            QEventLoop loop;
            QTimer silence;
            silence.setSingleShot(true);
            connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
            connect(this, &frmVSL::videoFinished, &loop, &QEventLoop::quit);
            for (VideoEdit* edit : VideoEdit1) {
                connect(edit, &VideoEdit::Processing, &silence,
                        [this, &silence] { silence.start(renderSilenceMs_); });
            }
            batchWait_ = &loop;
            silence.start(renderSilenceMs_);
            loop.exec();
            batchWait_ = nullptr;
            if (lblStatusIndividual->text().isEmpty()) {
                // The render runs on the element chosen when it started; the
                // user may have picked another resolution since.
                // Waiting for the stop keeps its unfinished file from outliving
                // the batch and the element free for the next render.
                for (VideoEdit* edit : VideoEdit1) {
                    if (!edit->IsRendering()) continue;
                    edit->Cancel();
                    edit->WaitForRender(kCancelBoundMs);
                    ++abandonedRenders_[edit->Index()];
                }
                if (!closing_) {
                    batchFailures_
                        << ReportName(keyword) + ": " +
                               QString(
                                   "the render reported nothing for %1 seconds and was stopped.")
                                   .arg(renderSilenceMs_ / 1000);
                }
                tmrCountdown->stop();
                SetRunState(true);
            }
        }
    }
    running_ = false;
    batchRow_ = -1;
    if (!Command1->isEnabled()) {
        // The batch ended early (the window is closing) or the keyword list
        // changed during the run: finish as after the last keyword, so the
        // window is idle and the narration files are gone.
        lstKeywords->setCurrentRow(lstKeywords->count() - 1);
        SetRunState(true);
    }
    if (!batchFailures_.isEmpty() && !closing_) {
        MsgBox(this, "These videos could not be made:\n\n" + batchFailures_.join("\n"), "Error",
               QMessageBox::Warning);
    }
}

bool frmVSL::CreateVideo(const QString& keyword, QString* error) {
    auto fail = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    const QString problem = vm::KeywordFileNameProblem(keyword);
    if (!problem.isEmpty()) return fail(problem);
    if (keyword.isEmpty()) {
        // Without a keyword the video is named after txtFilename, which must
        // make a file name too.
        const QString name = txtFilename->text();
        const QString nameProblem = vm::KeywordFileNameProblem(name);
        if (name.isEmpty()) return fail("The video has no name: the file name is empty.");
        if (!nameProblem.isEmpty()) return fail(nameProblem);
    }

    lblStatus->setText("Please Wait...");
    const bool narrated = !txtArticle[0]->toPlainText().isEmpty();
    double narrationSeconds = 0;
    if (narrated) {
        QString speechError;
        if (!SpeakNarration(keyword, &speechError)) return fail(speechError);
        vm::Pause(1);
        ProcessEvents(1);
        const int n = (running_ ? batchRow_ : lstKeywords->currentRow()) + 1;
        lblStatus->setText(QString("Creating Video %1 / %2 ...").arg(n).arg(lstKeywords->count()));
        ProcessEvents(3);
        // The pauses give the speech engine's file time to settle on slow disks.
        for (int i = 0; i < 26 && !closing_; ++i) {
            vm::Pause(1);
            ProcessEvents(2);
        }
        QString lengthError;
        narrationSeconds = VideoEdit::MediaLength(lblOutputFilename->text(), &lengthError);
        if (narrationSeconds < 0) return fail("The narration cannot be measured: " + lengthError);
    }
    if (closing_) return fail("The program is closing.");

    vm::TimingInput input;
    input.hasNarration = narrated;
    input.narrationSeconds = narrationSeconds;
    input.music = chkAddBackgroundMusic->isChecked();
    input.secondsPerSlide = SecondsPerSlide();
    input.slideCount = lstTo->count();
    input.imageAdjustIndex = cboImageAdjust->currentIndex();
    input.keywordNotEmpty = !keyword.isEmpty();
    input.randomExtra = keyword.isEmpty() ? 0 : vm::Random(12);
    vm::TimingPlan plan;
    QString planError;
    if (!vm::ComputeTimingPlan(input, plan, &planError)) return fail(planError);

    if (plan.repeatedImages > 0) {
        lstTmpImages->clear();
        for (int i = 0; i < lstTo->count(); ++i) {
            lstTo->setCurrentRow(i);
            lstTmpImages->addItem(lstTo->item(i)->text());
        }
        QStringList snapshot;
        for (int i = 0; i < lstTmpImages->count(); ++i) snapshot << lstTmpImages->item(i)->text();
        lstTo->addItems(vm::RepeatedImages(snapshot, plan.repeatedImages));
        lblImagesCount->setText(QString::number(lstTo->count()));
    }
    iAudioLength = plan.iAudioLength;
    iSlidesLength = plan.iSlidesLength;
    iVideoLength = plan.iVideoLength;
    iLastSlideTime = plan.iLastSlideTime;

    bool music = false;
    if (chkAddBackgroundMusic->isChecked() && !lblSelectedMP3->text().isEmpty()) {
        QString musicError;
        music = MusicStep(&musicError);
        if (!music && !closing_) {
            // The video is still made, without music; the failure is reported.
            batchFailures_ << ReportName(keyword) +
                                  ": made without background music: " + musicError;
        }
    }
    if (closing_) return fail("The program is closing.");

    // Second phase: lay the video out on the component of the chosen size.
    VideoEdit* edit = CurrentVideoEdit();
    if (!edit) return fail("No resolution is selected.");
    edit->NewProject();
    // Compression follows the check box for every video: switched on once, it
    // would otherwise stay on for later videos whose box is unchecked.
    edit->setCompressionEnabled(chkEnableVideoCompressor->isChecked());
    if (chkEnableVideoCompressor->isChecked())
        edit->setCompressorIndex(MatchingItem(cboVideoCompressor));
    vm::Pause(2);
    if (music) {
        if (iMusicCutLength == 0) {
            const double length = VideoEdit::MediaLength(sTempMusicFile);
            iMusicCutLength = static_cast<int16_t>(length > 0 ? std::min(length, 32767.0) : 0);
        } else {
            iMusicCutLength = static_cast<int16_t>(iMusicCutLength + 1);
        }
        edit->AddMusic(sTempMusicFile, 0.0, iMusicCutLength);
    }
    if (chkRandomize->isChecked()) {
        QStringList slides;
        for (int i = 0; i < lstTo->count(); ++i) slides << lstTo->item(i)->text();
        vm::Shuffle(slides);
        lstTo->clear();
        lstTo->addItems(slides);
    }
    QStringList slides;
    for (int i = 0; i < lstTo->count(); ++i) slides << lstTo->item(i)->text();
    // Read again, as the slides are laid out; the user may have typed into
    // the box while the narration or the music was made.
    const int seconds = SecondsPerSlide();
    if (seconds < 1) return fail("The seconds per slide must be a whole number of at least 1.");
    if (slides.isEmpty()) return fail("There are no images to show.");
    for (const vm::LayoutCall& call :
         vm::LayoutSlides(slides, seconds, iLastSlideTime, chkTransitions->isChecked(),
                          [] { return vm::Random(10); })) {
        if (call.kind == vm::LayoutCall::Image) {
            lstTo->setCurrentRow(call.slide);
            if (!QFileInfo(call.path).isFile())
                return fail("The image " + call.path + " does not exist.");
            edit->AddImage(call.path, 0.0, call.duration, 0);
        } else {
            edit->AddTransition(call.type, call.from, call.to);
        }
    }
    if (narrated) edit->AddVoice(vm::NarrationPath(keyword), 0.0, iAudioLength + 1);

    const QString output = vm::VideoPath(keyword, txtFilename->text());
    if (!QDir().mkpath(QFileInfo(output).path()))
        return fail("The output folder " + QFileInfo(output).path() + " cannot be created.");
    if (vm::PathExists(output) && !QFile::remove(output))
        return fail("The old video " + output + " cannot be deleted.");
    iCountdown = static_cast<int16_t>(iVideoLength + 20);
    tmrCountdown->start();
    if (!edit->StartRender(output)) return fail("The render could not start: " + edit->LastError());
    return true;
}

void frmVSL::VideoEdit1_Complete(int Index) {
    if (abandonedRenders_[Index] > 0) {
        --abandonedRenders_[Index];
        return;
    }
    tmrCountdown->stop();
    VideoEdit* edit = VideoEdit1[Index];
    if (!edit->LastRenderOk() && !closing_) {
        const QListWidgetItem* item =
            running_ && batchRow_ >= 0 ? lstKeywords->item(batchRow_) : lstKeywords->currentItem();
        const QString keyword = item ? item->text() : QString();
        batchFailures_ << ReportName(keyword) + ": " + edit->LastError();
    }
    SetRunState(true);
}

void frmVSL::VideoEdit1_Processing(int Index, int percent, int frame, int totalFrames,
                                   double seconds) {
    if (prgRender) prgRender->setValue(percent);
    const int total = std::max(1, lstKeywords->count());
    emit batchProgress(std::max(1, lstKeywords->currentRow() + 1), total, percent);
}

void frmVSL::closeEvent(QCloseEvent* event) {
    if (running_) {
        // Stop the render (its temporary file goes with it) and let the
        // batch's waits return; the batch then ends without a report.
        closing_ = true;
        for (VideoEdit* edit : VideoEdit1) {
            edit->Cancel();
            edit->WaitForRender(kCancelBoundMs);
        }
        if (batchWait_) batchWait_->quit();
    }
    event->accept();
}
