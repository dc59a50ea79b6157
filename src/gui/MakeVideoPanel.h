#pragma once

#include <QGroupBox>
#include <functional>

class QComboBox;
class QCheckBox;
class QProgressBar;
class QPushButton;
class PathLabel;
class Stretcher;
class UploadGroup;
namespace vm {
class ProjectModel;
}

// The folder chooser behind "Browse..." of the output folder. Tests install
// one that returns a folder ("" for cancel); an empty one restores the
// dialog. Returns the previous one.
using OutputChooser = std::function<QString(QWidget* parent)>;
OutputChooser SetOutputChooser(OutputChooser chooser);

// The compressor the window chooses at start-up, which the tips recommend.
QString DefaultCompressorName();

// The "Make Video" panel: resolution and compressor (and the MP4 quality
// behind "Compressor Settings"), the "For Upload" group, "Make Videos!" and
// Stop with the batch's progress, the output folder, playback help and tips.
class MakeVideoPanel : public QGroupBox {
    Q_OBJECT
public:
    MakeVideoPanel(const QRect& place, vm::ProjectModel* project, QWidget* parent);

    // While a batch runs "Make Videos!", "Compressor Settings" and "Open
    // Target Folder" are off and Stop is on.
    void SetRunning(bool running);
    void SetMakeVideosEnabled(bool enabled);
    bool MakeVideosEnabled() const;
    // Names the shortcuts of "Make Videos!" and Stop in their tooltips.
    void AddShortcutTips(const QString& makeKeys, const QString& stopKeys);
    void SetStopEnabled(bool enabled);
    void ShowProgress(int percent, const QString& text);
    void ShowOutputFolder(const QString& folder);
    // Where the project's videos go: its output folder, or the program's.
    QString OutputFolder() const;
    // Opens a folder in the file manager (made first when missing), or says
    // why it could not.
    void OpenFolder(const QString& folder);

signals:
    void makeVideosClicked();
    void stopClicked();

private:
    void BuildTips(Stretcher* stretch);
    void BuildRun(Stretcher* stretch);
    // "Compressor Settings": the MP4 quality, or the chosen compressor's one
    // setting.
    void CompressorSettings();
    void UpdateEnabled();
    // "Browse...": the project's output folder.
    void BrowseOutput();

    vm::ProjectModel* project_;
    QComboBox* resolution_ = nullptr;
    QCheckBox* compression_ = nullptr;
    QComboBox* compressor_ = nullptr;
    QPushButton* compressorSettings_ = nullptr;
    UploadGroup* upload_ = nullptr;
    QPushButton* makeVideos_ = nullptr;
    QPushButton* stop_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* openFolder_ = nullptr;
    QPushButton* browseOutput_ = nullptr;
    PathLabel* outputFolder_ = nullptr;
};
