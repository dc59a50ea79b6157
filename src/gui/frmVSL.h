#pragma once

#include <QMainWindow>
#include <QStringList>
#include <algorithm>
#include <array>
#include <functional>
#include <memory>

#include "BatchView.h"
#include "ProjectModel.h"

class HeaderBar;
class ImagesPanel;
class MakeVideoPanel;
class PanelStrip;
class QGroupBox;
class QPlainTextEdit;
class SettingsBinder;
class TextToSpeechPanel;
class WindowShortcuts;

// The main window: a header, the strip of panel headers and project buttons,
// and three panels (Text To Speech, Images, Make Video), each a widget of its
// own. Every control keeps the name the program knows it by as its
// objectName. The controls edit the project (vm::ProjectModel) through the
// settings binder; "Make Videos!" hands a copy of the project's values to a
// vm::BatchTask, which a BatchView shows as it runs. The window itself holds
// the layout, the wiring, the project commands (frmVSL_project.cpp) and the
// start and end of a batch (frmVSL_batch.cpp); its keyboard shortcuts are
// WindowShortcuts.
class frmVSL : public QMainWindow {
    Q_OBJECT
public:
    explicit frmVSL(QWidget* parent = nullptr);
    ~frmVSL() override;

    // Shows panel `index` (0..2) and marks its header; another index changes
    // nothing.
    void ShowPanel(int index);

    vm::ProjectModel& Project() { return project_; }
    bool IsModified() const { return project_.IsModified(); }
    // Writes the project to `path`, which becomes its file.
    bool SaveProject(const QString& path, QString* error);
    // Opens a project file. A project this machine cannot make (a voice or
    // compressor it lacks, a missing music file) is refused with the reason,
    // and nothing changes. Missing slides are marked in the slide list and
    // named before a batch starts.
    bool OpenProject(const QString& path, QString* error);

    // True while a batch runs.
    bool IsRunning() const { return batch_ != nullptr; }
    // Set when the window is closed during a batch: the batch stops.
    bool IsClosing() const { return closing_; }
    // Messages of the last batch, one line per video not made.
    QStringList LastBatchFailures() const;
    // How long a render may report nothing before the batch gives up on it
    // (120 s); tests shorten it, also during a batch.
    void SetRenderSilenceBound(int milliseconds);
    // How many videos render at once (1); tests run two.
    void SetWorkers(int workers) { workers_ = std::max(1, workers); }
    // The program that prepares background music.
    QString FfmpegPath() const { return ffmpegPath_; }

public slots:
    // A new project from the defaults (after asking about unsaved changes).
    void NewProject();

signals:
    // A batch starts; others may follow its events too.
    void batchStarted(vm::BatchTask* task);
    // A video of the running batch has ended (made, failed or skipped).
    void videoFinished();
    // Batch position for a progress display: video n of m (1-based), and
    // how far that video's render is.
    void batchProgress(int n, int m, int percent);
    // The batch has ended and the window is ready again.
    void batchEnded();

protected:
    // During a batch asks whether to stop it, and stops it; asks before
    // unsaved changes are lost.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void Connect();
    void StartUp();

    // Project commands.
    // "Save Project...": asks where; false when not saved.
    bool SaveClicked();
    // Ctrl+S: into the project's file, or as "Save Project..." when it has none.
    void SaveToFile();
    void OpenClicked();
    // Opens `path`, or says why not; remembered among the recent projects.
    void OpenAndSay(const QString& path);
    void OpenRecent(const QString& path);
    void ShowHelp();
    // Escape during a batch.
    void AskToStop();
    void CreateDemoProject();
    // The title names the project file and marks unsaved changes.
    void UpdateTitle();
    // True when there are no unsaved changes, or the user saved them or let
    // them go ("Save them before ...?": Save, Discard or Cancel).
    bool AskToDiscardChanges(const QString& before);
    // Keeps the status line from saying "Project saved" over unsaved changes.
    void ProjectModified(bool modified);

    // The batch.
    void MakeVideos();
    // Why "Make Videos!" cannot start now; empty when it can.
    QString Refusal() const;
    // Without keywords: the video's name must do, and a text that still holds
    // #KEYWORD# is asked about (Yes makes it with the tag left out).
    bool AskAboutNoKeywords();
    void StopBatch();
    void BatchFinished(bool stopped);
    void SetRunning(bool running);

    vm::ProjectModel project_;
    HeaderBar* header_ = nullptr;
    PanelStrip* strip_ = nullptr;
    TextToSpeechPanel* speech_ = nullptr;
    ImagesPanel* images_ = nullptr;
    MakeVideoPanel* make_ = nullptr;
    std::array<QGroupBox*, 3> panels_{};
    // The music tool's commands of the last batch, kept out of sight.
    QPlainTextEdit* commandLog_ = nullptr;
    SettingsBinder* binder_ = nullptr;
    QString ffmpegPath_;
    QString programName_;
    QString baseTitle_;  // the program's name and version

    WindowShortcuts* shortcuts_ = nullptr;
    std::unique_ptr<BatchView> batch_;  // the running batch, null when idle
    bool closing_ = false;
    QStringList failures_;
    int renderSilenceMs_ = 120000;
    int workers_ = 1;
};
