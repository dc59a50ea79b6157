// The main window's handlers: project files. A project holds every setting of
// a batch; opening one writes the settings into the controls just as the user
// would, so the batch reads them from the controls as always.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>

#include "AppFolder.h"
#include "BatchSettings.h"
#include "Compressors.h"
#include "Controls.h"
#include "KeywordRules.h"
#include "MsgBox.h"
#include "ProjectChooser.h"
#include "ProjectFile.h"
#include "SpVoice.h"
#include "TimingPlan.h"
#include "frmVSL.h"

namespace {

// Window properties that remember where the paths in the controls came from,
// so a save writes them back in the form they were written in.
// Pairs of full path and written form, in list order: the same image may be
// in the list twice, written two ways.
constexpr char kWrittenPaths[] = "vmProjectWrittenPaths";
constexpr char kProjectFolder[] = "vmProjectFolder";
// The settings right after start-up: what a field a project leaves out gets.
constexpr char kStartupSettings[] = "vmProjectStartup";

ProjectChooser& InstalledChooser() {
    static ProjectChooser chooser;
    return chooser;
}

QString RealChooser(QWidget* parent, bool forSaving) {
    const QString folder = parent->property(kProjectFolder).toString();
    const QString start = folder.isEmpty() ? QDir::homePath() : folder;
    const QString filter = "Vid Mill Projects (*.json);;All Files (*)";
    return forSaving ? QFileDialog::getSaveFileName(parent, "Save Project", start, filter, nullptr,
                                                    QFileDialog::DontUseNativeDialog)
                     : QFileDialog::getOpenFileName(parent, "Open Project", start, filter, nullptr,
                                                    QFileDialog::DontUseNativeDialog);
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

// The item whose text the combo box shows; -1 when the text was typed and is
// no item.
int ShownItem(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly);
}

// Reads the settings from the controls. Paths are the controls' full paths.
bool SettingsFromControls(const frmVSL& w, vm::ProjectFile* p, QString* error) {
    QStringList pages;
    for (const QTextEdit* page : w.txtArticle) pages << page->toPlainText();
    p->adCopies = pages;
    // A voice typed into the box is no voice: only a listed one is saved.
    if (ShownItem(w.List1) >= 0) p->voice = w.List1->currentText();
    p->slides = Items(w.lstTo);
    int seconds = 0;
    if (!vm::ParseSecondsPerSlide(w.cboSeconds->currentText(), &seconds)) {
        if (error)
            *error = QString("Seconds per slide: \"%1\" is not a whole number of at least 1.")
                         .arg(w.cboSeconds->currentText());
        return false;
    }
    p->secondsPerSlide = seconds;
    p->whenNarrationIsLonger = w.cboImageAdjust->currentIndex() == 1 ? 1 : 0;
    p->transitions = w.chkTransitions->isChecked();
    p->randomize = w.chkRandomize->isChecked();
    const int resolution = ShownItem(w.cboResolution);
    if (resolution < 0 || resolution >= vm::kProjectResolutions.size()) {
        if (error)
            *error = QString("Resolution: \"%1\" is not one of the list.")
                         .arg(w.cboResolution->currentText());
        return false;
    }
    p->resolution = resolution;
    if (ShownItem(w.cboVideoCompressor) >= 0) {
        p->compressor = w.cboVideoCompressor->currentText();
    } else if (!w.cboVideoCompressor->currentText().isEmpty()) {
        if (error)
            *error = QString("Video compressor: \"%1\" is not one of the list.")
                         .arg(w.cboVideoCompressor->currentText());
        return false;
    }
    p->compression = w.chkEnableVideoCompressor->isChecked();
    p->keywords = Items(w.lstKeywords);
    p->outputName = w.txtFilename->text();
    p->music = w.chkAddBackgroundMusic->isChecked();
    p->musicFile = w.lblSelectedMP3->text();
    p->musicReduceVolume = w.chkNoCut->isChecked();
    p->format = std::max(0, w.cboFormat->currentIndex());
    p->mp4Crf = w.mp4Crf;
    p->shape = std::max(0, w.cboShape->currentIndex());
    p->fit = std::max(0, w.cboFit->currentIndex());
    p->captions = std::max(0, w.cboCaptions->currentIndex());
    p->highlightWords = w.chkHighlightWords->isChecked();
    p->cover = w.chkCover->isChecked();
    p->coverSlide = w.spnCoverSlide->value();
    p->titleTemplate = w.txtTitleTemplate->text();
    p->descriptionTemplate = w.txtDescriptionTemplate->toPlainText();
    p->motion = w.chkMotion->isChecked();
    p->motionStrength = w.spnMotionStrength->value();
    p->transitionSet = w.cboTransitionSet->currentData().toString();
    p->transitionSeconds = w.spnTransitionSeconds->value();
    p->speechRate = w.spnSpeechRate->value();
    p->evenLoudness = w.chkEvenLoudness->isChecked();
    p->musicDuck = w.chkDuckMusic->isChecked();
    p->musicDuckDb = w.spnDuckDb->value();
    return true;
}

QStringList ItemTexts(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

void SelectOrType(QComboBox* box, const QString& text) {
    const int index = box->findText(text, Qt::MatchExactly);
    if (index >= 0) {
        box->setCurrentIndex(index);
    } else {
        box->setEditText(text);
    }
}

}  // namespace

ProjectChooser SetProjectChooser(ProjectChooser chooser) {
    ProjectChooser previous = std::move(InstalledChooser());
    InstalledChooser() = std::move(chooser);
    return previous;
}

bool frmVSL::SaveProject(const QString& path, QString* error) {
    vm::ProjectFile p;
    if (!SettingsFromControls(*this, &p, error)) return false;

    const QString newFolder = QFileInfo(path).absolutePath();
    const QString oldFolder = property(kProjectFolder).toString();
    // Each entry takes the next unused form written for its path; entries
    // added since (a slide added twice, images shown again) take the last.
    const QStringList pairs = property(kWrittenPaths).toStringList();
    QHash<QString, QStringList> forms;
    QHash<QString, QString> lastForm;
    for (int i = 0; i + 1 < pairs.size(); i += 2) {
        forms[pairs[i]] << pairs[i + 1];
        lastForm[pairs[i]] = pairs[i + 1];
    }
    QStringList stored;
    auto store = [&](const QString& full) {
        QStringList& unused = forms[full];
        const QString written = unused.isEmpty() ? lastForm.value(full) : unused.takeFirst();
        const QString form = vm::StoredProjectPath(full, written, oldFolder, newFolder);
        stored << full << form;
        return form;
    };
    QStringList slides;
    for (const QString& slide : *p.slides) slides << store(slide);
    p.slides = slides;
    if (!p.musicFile->isEmpty()) p.musicFile = store(*p.musicFile);

    if (!vm::WriteProjectFile(path, p, error)) return false;
    // The saved file is now where relative paths start from.
    setProperty(kWrittenPaths, stored);
    setProperty(kProjectFolder, newFolder);
    SetProjectSaved(path);
    return true;
}

bool frmVSL::LoadProject(const QString& path, QString* error) {
    // The controls change as the project is read in: that is no change of the user's.
    loadingProject_ = true;
    const bool loaded = ReadProjectIntoControls(path, error);
    loadingProject_ = false;
    if (loaded) SetProjectSaved(path);
    return loaded;
}

bool frmVSL::ReadProjectIntoControls(const QString& path, QString* error) {
    vm::ProjectFile p;
    if (!vm::ReadProjectFile(path, &p, error)) return false;
    const QString folder = QFileInfo(path).absolutePath();
    // Everything the project needs of this machine is checked before any
    // control changes, so a refused project leaves the window as it was.
    const QString problem =
        vm::ProjectProblemHere(p, folder, ItemTexts(List1), ItemTexts(cboVideoCompressor));
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return false;
    }
    vm::ProjectFile startup;
    if (vm::ParseProject(property(kStartupSettings).toByteArray(), &startup, nullptr))
        vm::FillMissingFields(&p, startup);
    if (p.secondsPerSlide && p.slides) {
        const QString limit = vm::PlanLimitProblem(*p.secondsPerSlide, int(p.slides->size()));
        if (!limit.isEmpty()) {
            if (error) *error = limit;
            return false;
        }
    }

    QStringList written;
    auto resolve = [&](const QString& form) {
        const QString full = vm::ResolveProjectPath(form, folder);
        if (!full.isEmpty()) written << full << form;
        return full;
    };

    if (p.adCopies) {
        for (int i = 0; i < 4; ++i) txtArticle[i]->setPlainText(p.adCopies->value(i));
    }
    if (p.voice) List1->setCurrentIndex(List1->findText(*p.voice, Qt::MatchExactly));
    if (p.slides) {
        lstTo->clear();
        for (const QString& slide : *p.slides) lstTo->addItem(resolve(slide));
        lblImagesCount->setText(QString::number(lstTo->count()));
    }
    if (p.secondsPerSlide) SelectOrType(cboSeconds, QString::number(*p.secondsPerSlide));
    if (p.whenNarrationIsLonger) cboImageAdjust->setCurrentIndex(*p.whenNarrationIsLonger);
    if (p.transitions) chkTransitions->setChecked(*p.transitions);
    if (p.randomize) chkRandomize->setChecked(*p.randomize);
    if (p.resolution) cboResolution->setCurrentIndex(*p.resolution);
    if (p.compressor)
        cboVideoCompressor->setCurrentIndex(cboVideoCompressor->findText(*p.compressor));
    if (p.compression) chkEnableVideoCompressor->setChecked(*p.compression);
    if (p.keywords) {
        lstKeywords->clear();
        lstKeywords->addItems(*p.keywords);
    }
    if (p.outputName) txtFilename->setText(*p.outputName);
    // Setting the box does not run its click handler: no chooser opens.
    if (p.music) chkAddBackgroundMusic->setChecked(*p.music);
    if (p.musicFile) lblSelectedMP3->setText(resolve(*p.musicFile));
    if (p.musicReduceVolume) chkNoCut->setChecked(*p.musicReduceVolume);
    if (p.format) cboFormat->setCurrentIndex(*p.format);
    if (p.mp4Crf) mp4Crf = *p.mp4Crf;
    if (p.shape) cboShape->setCurrentIndex(*p.shape);
    if (p.fit) cboFit->setCurrentIndex(*p.fit);
    if (p.captions) cboCaptions->setCurrentIndex(*p.captions);
    if (p.highlightWords) chkHighlightWords->setChecked(*p.highlightWords);
    if (p.cover) chkCover->setChecked(*p.cover);
    if (p.coverSlide) spnCoverSlide->setValue(*p.coverSlide);
    if (p.titleTemplate) txtTitleTemplate->setText(*p.titleTemplate);
    if (p.descriptionTemplate) txtDescriptionTemplate->setPlainText(*p.descriptionTemplate);
    if (p.motion) chkMotion->setChecked(*p.motion);
    if (p.motionStrength) spnMotionStrength->setValue(*p.motionStrength);
    if (p.transitionSet)
        cboTransitionSet->setCurrentIndex(cboTransitionSet->findData(*p.transitionSet));
    if (p.transitionSeconds) spnTransitionSeconds->setValue(*p.transitionSeconds);
    if (p.speechRate) spnSpeechRate->setValue(*p.speechRate);
    if (p.evenLoudness) chkEvenLoudness->setChecked(*p.evenLoudness);
    if (p.musicDuck) chkDuckMusic->setChecked(*p.musicDuck);
    if (p.musicDuckDb) spnDuckDb->setValue(*p.musicDuckDb);

    setProperty(kWrittenPaths, written);
    setProperty(kProjectFolder, folder);
    return true;
}

bool frmVSL::SnapshotSettings(vm::BatchSettings* settings, QString* error) {
    vm::ProjectFile p;
    if (!SettingsFromControls(*this, &p, error)) return false;
    // A voice typed into the box is none of the list.
    if (!p.voice) {
        if (error) *error = "Please select a voice from the list.";
        return false;
    }
    QString why;
    if (!vm::MakeBatchSettings(p, QString(), oVoice ? oVoice->GetVoices() : QList<VoiceToken>(),
                               Compressors::Instance(), settings, &why)) {
        if (error) *error = "The videos cannot be made: " + why;
        return false;
    }
    settings->outputFolder = vm::OutputFolder();
    settings->ffmpegPath = sFfmpegPath;
    return true;
}

void frmVSL::cmdSaveProject_Click() {
    const ProjectChooser& chooser = InstalledChooser();
    QString path = chooser ? chooser(this, true) : RealChooser(this, true);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".json";
    QString error;
    if (!SaveProject(path, &error)) {
        MsgBox(this, "The project could not be saved.\n\n" + error, "Error",
               QMessageBox::Information);
        return;
    }
    lblStatus->setText("Project saved: " + QFileInfo(path).fileName());
}

void frmVSL::cmdOpenProject_Click() {
    // The batch reads the controls while it runs: they stay as they are.
    if (IsRunning()) {
        MsgBox(this, "Please wait until the videos are made, then open the project.", "Error",
               QMessageBox::Information);
        return;
    }
    if (!AskToDiscardChanges("Open another project and lose them?")) return;
    const ProjectChooser& chooser = InstalledChooser();
    const QString path = chooser ? chooser(this, false) : RealChooser(this, false);
    if (path.isEmpty()) return;
    QString error;
    if (!LoadProject(path, &error)) {
        MsgBox(this,
               QString("The project %1 could not be opened.\n\n%2")
                   .arg(QFileInfo(path).fileName(), error),
               "Error", QMessageBox::Information);
        return;
    }
    lblStatus->setText("Project opened: " + QFileInfo(path).fileName());
}

void frmVSL::BuildProjectControls() {
    if (cmdSaveProject) return;
    QWidget* client = centralWidget();
    cmdSaveProject = new QPushButton("Save Project...", client);
    cmdSaveProject->setObjectName("cmdSaveProject");
    cmdOpenProject = new QPushButton("Open Project...", client);
    cmdOpenProject->setObjectName("cmdOpenProject");

    // In the panel strip, between the last panel header and "Create Demo
    // Project", right-aligned against the demo button.
    const QRect demo = cmdCreateDemoProject->geometry();
    const int gap = 6;
    int right = demo.left() - gap;
    for (QPushButton* button : {cmdOpenProject, cmdSaveProject}) {
        const int width = QFontMetrics(button->font()).horizontalAdvance(button->text()) + 14;
        button->setGeometry(right - width, demo.top(), width, demo.height());
        right -= width + gap;
    }
    connect(cmdSaveProject, &QPushButton::clicked, this, &frmVSL::cmdSaveProject_Click);
    connect(cmdOpenProject, &QPushButton::clicked, this, &frmVSL::cmdOpenProject_Click);

    // What the window holds now is its start-up state, unless Form_Load has
    // not run yet (then a missing field keeps whatever the controls hold).
    vm::ProjectFile startup;
    if (cboResolution->count() > 0 && SettingsFromControls(*this, &startup, nullptr))
        setProperty(kStartupSettings, vm::WriteProject(startup));
}

void frmVSL::WatchForChanges() {
    auto mark = [this] { MarkModified(); };
    for (QTextEdit* page : txtArticle) connect(page, &QTextEdit::textChanged, this, mark);
    for (QComboBox* box : {List1, cboSeconds, cboImageAdjust, cboResolution, cboVideoCompressor,
                           cboFormat, cboShape, cboFit, cboCaptions, cboTransitionSet}) {
        connect(box, &QComboBox::currentIndexChanged, this, mark);
        connect(box, &QComboBox::editTextChanged, this, mark);
    }
    for (QCheckBox* box :
         {chkTransitions, chkRandomize, chkEnableVideoCompressor, chkAddBackgroundMusic, chkNoCut,
          chkHighlightWords, chkCover, chkMotion, chkEvenLoudness, chkDuckMusic})
        connect(box, &QCheckBox::toggled, this, mark);
    for (QDoubleSpinBox* box : {spnTransitionSeconds, spnSpeechRate, spnDuckDb})
        connect(box, &QDoubleSpinBox::valueChanged, this, mark);
    connect(spnMotionStrength, &QSpinBox::valueChanged, this, mark);
    connect(txtFilename, &QLineEdit::textChanged, this, mark);
    connect(spnCoverSlide, &QSpinBox::valueChanged, this, mark);
    connect(txtTitleTemplate, &QLineEdit::textChanged, this, mark);
    connect(txtDescriptionTemplate, &QPlainTextEdit::textChanged, this, mark);
    // While a batch runs the slide list shows the video being made: that is
    // the batch's doing, not the user's.
    auto slides = [this] {
        if (!running_) MarkModified();
    };
    for (QListWidget* list : {static_cast<QListWidget*>(lstTo), lstKeywords}) {
        const QAbstractItemModel* model = list->model();
        auto watch = list == lstTo ? std::function<void()>(slides) : std::function<void()>(mark);
        connect(model, &QAbstractItemModel::rowsInserted, this, watch);
        connect(model, &QAbstractItemModel::rowsRemoved, this, watch);
        connect(model, &QAbstractItemModel::rowsMoved, this, watch);
        connect(model, &QAbstractItemModel::modelReset, this, watch);
    }
}

void frmVSL::MarkModified() {
    if (loadingProject_ || modified_) return;
    modified_ = true;
    UpdateTitle();
}

void frmVSL::SetProjectSaved(const QString& path) {
    projectPath_ = path;
    modified_ = false;
    UpdateTitle();
}

void frmVSL::UpdateTitle() {
    const QString name =
        projectPath_.isEmpty() ? QString("New project") : QFileInfo(projectPath_).fileName();
    if (projectPath_.isEmpty() && !modified_) {
        setWindowTitle(baseTitle_);
        return;
    }
    setWindowTitle(name + (modified_ ? " *" : "") + " - " + baseTitle_);
}

bool frmVSL::AskToDiscardChanges(const QString& question) {
    if (!modified_) return true;
    return MsgBox(this, "The project has unsaved changes. " + question, "Confirm",
                  QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
