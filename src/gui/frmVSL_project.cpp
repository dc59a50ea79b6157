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
bool SettingsFromControls(const frmVSL& w, vm::Settings* p, QString* error) {
    namespace S = vm::setting;
    QStringList pages;
    for (const QTextEdit* page : w.txtArticle) pages << page->toPlainText();
    p->Set(S::adCopies, pages);
    // A voice typed into the box is no voice: only a listed one is saved.
    if (ShownItem(w.List1) >= 0) p->Set(S::voice, w.List1->currentText());
    p->Set(S::slides, Items(w.lstTo));
    int seconds = 0;
    if (!vm::ParseSecondsPerSlide(w.cboSeconds->currentText(), &seconds)) {
        if (error)
            *error = QString("Seconds per slide: \"%1\" is not a whole number of at least 1.")
                         .arg(w.cboSeconds->currentText());
        return false;
    }
    p->Set(S::secondsPerSlide, seconds);
    p->Set(S::whenNarrationIsLonger,
           S::whenNarrationIsLonger.choices.value(w.cboImageAdjust->currentIndex() == 1 ? 1 : 0));
    p->Set(S::transitions, w.chkTransitions->isChecked());
    p->Set(S::randomize, w.chkRandomize->isChecked());
    const int resolution = ShownItem(w.cboResolution);
    if (resolution < 0 || resolution >= S::resolution.choices.size()) {
        if (error)
            *error = QString("Resolution: \"%1\" is not one of the list.")
                         .arg(w.cboResolution->currentText());
        return false;
    }
    p->Set(S::resolution, S::resolution.choices[resolution]);
    if (ShownItem(w.cboVideoCompressor) >= 0) {
        p->Set(S::compressor, w.cboVideoCompressor->currentText());
    } else if (!w.cboVideoCompressor->currentText().isEmpty()) {
        if (error)
            *error = QString("Video compressor: \"%1\" is not one of the list.")
                         .arg(w.cboVideoCompressor->currentText());
        return false;
    }
    p->Set(S::compression, w.chkEnableVideoCompressor->isChecked());
    p->Set(S::keywords, Items(w.lstKeywords));
    p->Set(S::outputName, w.txtFilename->text());
    p->Set(S::music, w.chkAddBackgroundMusic->isChecked());
    p->Set(S::musicFile, w.lblSelectedMP3->text());
    p->Set(S::musicReduceVolume, w.chkNoCut->isChecked());
    auto choice = [](const vm::TextSetting& s, const QComboBox* box) {
        return s.choices.value(std::max(0, box->currentIndex()));
    };
    p->Set(S::format, choice(S::format, w.cboFormat));
    p->Set(S::mp4Crf, w.mp4Crf);
    p->Set(S::shape, choice(S::shape, w.cboShape));
    p->Set(S::fit, choice(S::fit, w.cboFit));
    p->Set(S::captions, choice(S::captions, w.cboCaptions));
    p->Set(S::highlightWords, w.chkHighlightWords->isChecked());
    p->Set(S::cover, w.chkCover->isChecked());
    p->Set(S::coverSlide, w.spnCoverSlide->value());
    p->Set(S::titleTemplate, w.txtTitleTemplate->text());
    p->Set(S::descriptionTemplate, w.txtDescriptionTemplate->toPlainText());
    p->Set(S::motion, w.chkMotion->isChecked());
    p->Set(S::motionStrength, w.spnMotionStrength->value());
    p->Set(S::transitionSet, w.cboTransitionSet->currentData().toString());
    p->Set(S::transitionSeconds, w.spnTransitionSeconds->value());
    p->Set(S::speechRate, w.spnSpeechRate->value());
    p->Set(S::evenLoudness, w.chkEvenLoudness->isChecked());
    p->Set(S::musicDuck, w.chkDuckMusic->isChecked());
    p->Set(S::musicDuckDb, w.spnDuckDb->value());
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
    vm::Settings p;
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
    for (const QString& slide : p.Get(vm::setting::slides)) slides << store(slide);
    p.Set(vm::setting::slides, slides);
    if (!p.Get(vm::setting::musicFile).isEmpty())
        p.Set(vm::setting::musicFile, store(p.Get(vm::setting::musicFile)));

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
    namespace S = vm::setting;
    vm::Settings p;
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
    vm::Settings startup;
    if (vm::ParseProject(property(kStartupSettings).toByteArray(), &startup, nullptr))
        p.FillFrom(startup);
    const QString limit =
        vm::PlanLimitProblem(p.Get(S::secondsPerSlide), int(p.Get(S::slides).size()));
    if (!limit.isEmpty()) {
        if (error) *error = limit;
        return false;
    }

    QStringList written;
    auto resolve = [&](const QString& form) {
        const QString full = vm::ResolveProjectPath(form, folder);
        if (!full.isEmpty()) written << full << form;
        return full;
    };
    auto set = [&](const vm::SettingDef& s, auto apply) {
        if (p.IsSet(s)) apply(p.Value(s));
    };
    set(S::adCopies, [&](const QVariant& v) {
        for (int i = 0; i < 4; ++i) txtArticle[i]->setPlainText(v.toStringList().value(i));
    });
    set(S::voice, [&](const QVariant& v) {
        List1->setCurrentIndex(List1->findText(v.toString(), Qt::MatchExactly));
    });
    set(S::slides, [&](const QVariant& v) {
        lstTo->clear();
        for (const QString& slide : v.toStringList()) lstTo->addItem(resolve(slide));
        lblImagesCount->setText(QString::number(lstTo->count()));
    });
    set(S::secondsPerSlide,
        [&](const QVariant& v) { SelectOrType(cboSeconds, QString::number(v.toInt())); });
    auto choice = [&](const vm::TextSetting& s, QComboBox* box) {
        set(s, [&](const QVariant& v) {
            box->setCurrentIndex(std::max<int>(0, s.choices.indexOf(v.toString())));
        });
    };
    choice(S::whenNarrationIsLonger, cboImageAdjust);
    set(S::transitions, [&](const QVariant& v) { chkTransitions->setChecked(v.toBool()); });
    set(S::randomize, [&](const QVariant& v) { chkRandomize->setChecked(v.toBool()); });
    choice(S::resolution, cboResolution);
    set(S::compressor, [&](const QVariant& v) {
        cboVideoCompressor->setCurrentIndex(cboVideoCompressor->findText(v.toString()));
    });
    set(S::compression,
        [&](const QVariant& v) { chkEnableVideoCompressor->setChecked(v.toBool()); });
    set(S::keywords, [&](const QVariant& v) {
        lstKeywords->clear();
        lstKeywords->addItems(v.toStringList());
    });
    set(S::outputName, [&](const QVariant& v) { txtFilename->setText(v.toString()); });
    // Setting the box does not run its click handler: no chooser opens.
    set(S::music, [&](const QVariant& v) { chkAddBackgroundMusic->setChecked(v.toBool()); });
    set(S::musicFile, [&](const QVariant& v) { lblSelectedMP3->setText(resolve(v.toString())); });
    set(S::musicReduceVolume, [&](const QVariant& v) { chkNoCut->setChecked(v.toBool()); });
    choice(S::format, cboFormat);
    set(S::mp4Crf, [&](const QVariant& v) { mp4Crf = v.toInt(); });
    choice(S::shape, cboShape);
    choice(S::fit, cboFit);
    choice(S::captions, cboCaptions);
    set(S::highlightWords, [&](const QVariant& v) { chkHighlightWords->setChecked(v.toBool()); });
    set(S::cover, [&](const QVariant& v) { chkCover->setChecked(v.toBool()); });
    set(S::coverSlide, [&](const QVariant& v) { spnCoverSlide->setValue(v.toInt()); });
    set(S::titleTemplate, [&](const QVariant& v) { txtTitleTemplate->setText(v.toString()); });
    set(S::descriptionTemplate,
        [&](const QVariant& v) { txtDescriptionTemplate->setPlainText(v.toString()); });
    set(S::motion, [&](const QVariant& v) { chkMotion->setChecked(v.toBool()); });
    set(S::motionStrength, [&](const QVariant& v) { spnMotionStrength->setValue(v.toInt()); });
    set(S::transitionSet, [&](const QVariant& v) {
        cboTransitionSet->setCurrentIndex(cboTransitionSet->findData(v.toString()));
    });
    set(S::transitionSeconds,
        [&](const QVariant& v) { spnTransitionSeconds->setValue(v.toDouble()); });
    set(S::speechRate, [&](const QVariant& v) { spnSpeechRate->setValue(v.toDouble()); });
    set(S::evenLoudness, [&](const QVariant& v) { chkEvenLoudness->setChecked(v.toBool()); });
    set(S::musicDuck, [&](const QVariant& v) { chkDuckMusic->setChecked(v.toBool()); });
    set(S::musicDuckDb, [&](const QVariant& v) { spnDuckDb->setValue(v.toDouble()); });

    setProperty(kWrittenPaths, written);
    setProperty(kProjectFolder, folder);
    return true;
}

bool frmVSL::SnapshotSettings(vm::BatchSettings* settings, QString* error) {
    vm::Settings p;
    if (!SettingsFromControls(*this, &p, error)) return false;
    // A voice typed into the box is none of the list.
    if (!p.IsSet(vm::setting::voice)) {
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
    vm::Settings startup;
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
