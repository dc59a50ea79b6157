// The main window's project commands: save, open and the demo project. They
// go through the project model; the controls follow it.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "BatchSettings.h"
#include "Compressors.h"
#include "DemoProject.h"
#include "HeaderBar.h"
#include "Helpers.h"
#include "ImagesPanel.h"
#include "KeywordRules.h"
#include "MsgBox.h"
#include "ProjectChooser.h"
#include "SettingsTable.h"
#include "TextToSpeechPanel.h"
#include "TimingPlan.h"
#include "WindowMemory.h"
#include "frmInfo.h"
#include "frmVSL.h"

namespace {

ProjectChooser& InstalledChooser() {
    static ProjectChooser chooser;
    return chooser;
}

QString Choose(QWidget* parent, const QString& folder, bool forSaving) {
    if (const ProjectChooser& chooser = InstalledChooser()) return chooser(parent, forSaving);
    const QString start = folder.isEmpty() ? memory::LastFolder("projects") : folder;
    const QString filter = "Vid Mill Projects (*.json);;All Files (*)";
    return forSaving ? QFileDialog::getSaveFileName(parent, "Save Project", start, filter, nullptr,
                                                    QFileDialog::DontUseNativeDialog)
                     : QFileDialog::getOpenFileName(parent, "Open Project", start, filter, nullptr,
                                                    QFileDialog::DontUseNativeDialog);
}

QStringList CompressorNames() {
    const Compressors& compressors = Compressors::Instance();
    QStringList names;
    for (int i = 0; i < compressors.Count(); ++i) names << compressors.Name(i);
    return names;
}

}  // namespace

ProjectChooser SetProjectChooser(ProjectChooser chooser) {
    ProjectChooser previous = std::move(InstalledChooser());
    InstalledChooser() = std::move(chooser);
    return previous;
}

bool frmVSL::SaveProject(const QString& path, QString* error) {
    return project_.Save(path, error);
}

bool frmVSL::OpenProject(const QString& path, QString* error) {
    // Everything the project needs of this machine is checked before any
    // value changes, so a refused project leaves the window as it was.
    const auto check = [this](const vm::Settings& p, const QString& folder) {
        const QString problem =
            vm::ProjectProblemHere(p, folder, speech_->VoiceNames(), CompressorNames(), true);
        if (!problem.isEmpty()) return problem;
        vm::Settings filled = p;
        filled.FillFrom(project_.Defaults());
        return vm::PlanLimitProblem(filled.Get(vm::setting::secondsPerSlide),
                                    int(filled.Get(vm::setting::slides).size()));
    };
    return project_.Open(path, check, error);
}

bool frmVSL::SaveClicked() {
    QString path = Choose(this, project_.Folder(), true);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += ".json";
    QString error;
    if (!SaveProject(path, &error)) {
        MsgBox(this, "The project could not be saved.\n\n" + error, "Error",
               QMessageBox::Information);
        return false;
    }
    memory::AddRecentProject(path);
    memory::RememberFolder("projects", path);
    header_->SetStatus("Project saved: " + QFileInfo(path).fileName());
    return true;
}

// Ctrl+S: into the project's file, or as "Save Project..." when it has none.
void frmVSL::SaveToFile() {
    if (project_.Path().isEmpty()) {
        SaveClicked();
        return;
    }
    QString error;
    if (!SaveProject(project_.Path(), &error)) {
        MsgBox(this, "The project could not be saved.\n\n" + error, "Error",
               QMessageBox::Information);
        return;
    }
    header_->SetStatus("Project saved: " + QFileInfo(project_.Path()).fileName());
}

void frmVSL::ShowHelp() {
    frmInfo info(this);
    info.exec();
}

void frmVSL::OpenRecent(const QString& path) {
    if (IsRunning()) {
        MsgBox(this, "Please wait until the videos are made, then open the project.", "Error",
               QMessageBox::Information);
        return;
    }
    if (!AskToDiscardChanges("opening another project")) return;
    OpenAndSay(path);
}

void frmVSL::OpenClicked() {
    // The batch's slide list is on show while it runs: the project waits.
    if (IsRunning()) {
        MsgBox(this, "Please wait until the videos are made, then open the project.", "Error",
               QMessageBox::Information);
        return;
    }
    if (!AskToDiscardChanges("opening another project")) return;
    const QString path = Choose(this, project_.Folder(), false);
    if (path.isEmpty()) return;
    OpenAndSay(path);
}

void frmVSL::OpenAndSay(const QString& path) {
    QString error;
    if (!OpenProject(path, &error)) {
        MsgBox(this,
               QString("The project %1 could not be opened.\n\n%2")
                   .arg(QFileInfo(path).fileName(), error),
               "Error", QMessageBox::Information);
        return;
    }
    memory::AddRecentProject(path);
    memory::RememberFolder("projects", path);
    header_->SetStatus("Project opened: " + QFileInfo(path).fileName());
}

void frmVSL::NewProject() {
    if (IsRunning()) {
        MsgBox(this, "Please wait until the videos are made, then start a new project.", "Error",
               QMessageBox::Information);
        return;
    }
    if (!AskToDiscardChanges("starting a new project")) return;
    project_.New();
    header_->SetStatus("New project.");
}

// Loads the ready-made example: the defaults, as a new project has them,
// with the sample ad copy, keywords and pictures. Nothing of the old project
// is carried into the demo's videos. Missing files give an empty ad copy or
// keyword list and no slides. The question comes only when there are
// changes to lose.
void frmVSL::CreateDemoProject() {
    namespace S = vm::setting;
    if (project_.IsModified()) {
        const auto answer =
            MsgBox(this,
                   "Warning: If you're working on a project, your changes will be "
                   "lost. Do you want to go on?",
                   "Confirm", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No);
        if (answer != QMessageBox::Yes) return;
    }

    // A new project that is not saved anywhere yet.
    project_.New();
    project_.Set(S::adCopies, {vm::LoadText(vm::DemoContentPath()), "", "", ""});
    project_.Set(S::keywords, vm::TrimKeywords(vm::LoadList(vm::DemoKeywordsPath())));
    project_.Set(S::slides, {});
    // When the folder cannot be browsed nothing is added ("Add All" would
    // otherwise add the pictures of whatever folder the browser still shows),
    // and the window says why.
    const QString pictures = vm::DemoImagesFolder();
    if (!images_->AddAllFrom(pictures))
        MsgBox(this,
               QString("The demo's pictures cannot be shown: the folder %1 %2.")
                   .arg(QDir::toNativeSeparators(pictures),
                        QFileInfo(pictures).isDir() ? "cannot be opened" : "is missing"),
               "Error", QMessageBox::Information);
}

void frmVSL::UpdateTitle() {
    // While a batch runs the title says how far it is, for the task bar.
    if (batch_) return batch_->ShowTitle();
    const QString path = project_.Path();
    const bool modified = project_.IsModified();
    if (path.isEmpty() && !modified) {
        setWindowTitle(baseTitle_);
        return;
    }
    const QString name = path.isEmpty() ? QString("New project") : QFileInfo(path).fileName();
    setWindowTitle(name + (modified ? " *" : "") + " - " + baseTitle_);
}

bool frmVSL::AskToDiscardChanges(const QString& before) {
    if (!project_.IsModified()) return true;
    const auto answer = MsgBox(
        this, "The project has unsaved changes. Save them before " + before + "?", "Confirm",
        QMessageBox::Question, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
        QMessageBox::Save);
    if (answer == QMessageBox::Discard) return true;
    if (answer != QMessageBox::Save) return false;
    // A project with a file is saved there; a new one asks where.
    if (project_.Path().isEmpty()) return SaveClicked();
    QString error;
    if (SaveProject(project_.Path(), &error)) return true;
    MsgBox(this, "The project could not be saved.\n\n" + error, "Error", QMessageBox::Information);
    return false;
}

void frmVSL::ProjectModified(bool modified) {
    if (modified && header_->Status().startsWith("Project saved")) header_->SetStatus("Ready.");
}
