#pragma once

#include <QKeySequence>
#include <QObject>
#include <array>

class MakeVideoPanel;
class PanelStrip;
class QAction;
class QGroupBox;
class TextToSpeechPanel;
class frmVSL;

// The main window from the keyboard: the shortcuts (named in the controls'
// tooltips and in the help) and the recent projects on the arrow beside
// "Open Project...". Panels and ad-copy pages are switched here; the
// project and batch commands are signals the window acts on.
class WindowShortcuts : public QObject {
    Q_OBJECT
public:
    WindowShortcuts(frmVSL* window, PanelStrip* strip, TextToSpeechPanel* speech,
                    MakeVideoPanel* make, const std::array<QGroupBox*, 3>& panels);

    // The shortcuts, for the help.
    static QString Help();
    // Escape asks to stop only while a batch runs.
    void SetBatchRunning(bool running);

signals:
    void newProject();
    void openProject();
    void save();
    void saveAs();
    void help();
    void makeVideos();
    void askToStop();
    void openRecent(const QString& path);

private:
    QAction* Add(const QString& name, const QKeySequence& keys, QWidget* tipOf = nullptr);
    // Shows a panel and puts the keyboard on its first control.
    void ShowPanel(int index);
    void StepAdCopy(int step);
    void FillRecentMenu();

    frmVSL* window_;
    PanelStrip* strip_;
    TextToSpeechPanel* speech_;
    MakeVideoPanel* make_;
    std::array<QGroupBox*, 3> panels_;
    QAction* stop_ = nullptr;
};
