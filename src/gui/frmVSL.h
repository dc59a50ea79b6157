#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

#include "ProjectFile.h"

class QCheckBox;
class QDoubleSpinBox;
class QComboBox;
class QEventLoop;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QTimer;
class QWidget;

class DirList;
class DragList;
class PathLabel;
class SlideList;
class FileList;
class Frame;
class LinkLabel;
class SpFileStream;
class SpVoice;
namespace vm {
struct BatchSettings;
struct VideoEvent;
}  // namespace vm

// The compressor the window chooses at start-up, which the tips recommend.
QString DefaultCompressorName();

// The main window. Every setting of a batch lives in one of its controls; each
// control is a member with the name the program knows it by (also its
// objectName; an element of a control array is named with its index after an
// underscore: "vMenu_0", "txtArticle_2", "VideoEdit1_4"). The handlers are
// split across one source file per subsystem:
//   frmVSL.cpp            layout, Form_Load, navigation
//   frmVSL_narration.cpp  ad copies, voices
//   frmVSL_images.cpp     image browsing and the slide list
//   frmVSL_keywords.cpp   keyword list and its editor
//   frmVSL_production.cpp the batch run on the production engine
//   frmVSL_runcontrol.cpp run state, monitors, background music
//   frmVSL_help.cpp       help dialog, tips, links, demo project
class frmVSL : public QMainWindow {
    Q_OBJECT
public:
    explicit frmVSL(QWidget* parent = nullptr);
    ~frmVSL() override;

    // ---- header bar
    QWidget* Picture1 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* lblStatus = nullptr;
    QFrame* shRunning = nullptr;

    // ---- panel strip
    std::array<Frame*, 3> vMenu{};
    std::array<LinkLabel*, 3> lblMenu{};
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image6 = nullptr;
    QPushButton* cmdCreateDemoProject = nullptr;
    LinkLabel* Label8 = nullptr;

    std::array<QGroupBox*, 3> frTab{};

    // ---- panel "Text To Speech"
    QLabel* Label1 = nullptr;
    QComboBox* List1 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label2 = nullptr;
    LinkLabel* Label20 = nullptr;
    LinkLabel* Label19 = nullptr;
    QLabel* Label28 = nullptr;
    std::array<Frame*, 4> vAdCopy{};
    std::array<LinkLabel*, 4> lblAdCopy{};
    std::array<QTextEdit*, 4> txtArticle{};
    LinkLabel* Label31 = nullptr;
    QLabel* Label29 = nullptr;
    QPushButton* cmdKeywords = nullptr;
    QListWidget* lstKeywords = nullptr;
    QLabel* Label30 = nullptr;
    QLabel* Label35 = nullptr;
    // the voice's pace and even loudness of the narrations
    QLabel* lblSpeechRate = nullptr;
    QDoubleSpinBox* spnSpeechRate = nullptr;
    QCheckBox* chkEvenLoudness = nullptr;
    // background-music group, under the ad copy
    QGroupBox* Frame1 = nullptr;
    QCheckBox* chkAddBackgroundMusic = nullptr;
    QPushButton* cmdSelectMP3 = nullptr;
    QCheckBox* chkNoCut = nullptr;
    LinkLabel* Label15 = nullptr;
    PathLabel* lblSelectedMP3 = nullptr;
    // the music steps back while the voice speaks, by this many dB
    QCheckBox* chkDuckMusic = nullptr;
    QDoubleSpinBox* spnDuckDb = nullptr;

    // ---- panel "Images"
    QLabel* Label3 = nullptr;
    QComboBox* Drive1 = nullptr;
    PathLabel* lblFolderPath = nullptr;  // the folder Dir1 is in
    DirList* Dir1 = nullptr;
    DragList* lstFrom = nullptr;
    LinkLabel* Label27 = nullptr;
    LinkLabel* Label22 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command6 = nullptr;
    QLabel* Label11 = nullptr;
    SlideList* lstTo = nullptr;
    QPushButton* Command4 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* lblImagesCount = nullptr;
    QPushButton* cmdRemoveAllImages = nullptr;
    QLabel* Label12 = nullptr;
    QComboBox* cboSeconds = nullptr;
    QLabel* Label13 = nullptr;
    QComboBox* cboImageAdjust = nullptr;
    QCheckBox* chkTransitions = nullptr;
    QCheckBox* chkRandomize = nullptr;
    // which transitions are drawn from, and how long one takes
    QComboBox* cboTransitionSet = nullptr;
    QLabel* lblTransitionSeconds = nullptr;
    QDoubleSpinBox* spnTransitionSeconds = nullptr;
    // slow zoom and pan, and how far a slide zooms (percent)
    QCheckBox* chkMotion = nullptr;
    QLabel* lblMotionStrength = nullptr;
    QSpinBox* spnMotionStrength = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* ImagePreview = nullptr;
    PathLabel* lblPreviewPath = nullptr;  // the previewed picture's full path

    // ---- panel "Make Video"
    QLabel* Label16 = nullptr;
    QComboBox* cboResolution = nullptr;
    QLabel* Label17 = nullptr;
    QCheckBox* chkEnableVideoCompressor = nullptr;
    QComboBox* cboVideoCompressor = nullptr;
    QPushButton* Command5 = nullptr;
    LinkLabel* Label18 = nullptr;
    QFrame* Shape1 = nullptr;
    QLabel* Label23 = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* Label25 = nullptr;
    QLabel* Label26 = nullptr;
    // What kind of video is made, for the site it is uploaded to: the file
    // format, the frame's shape, how pictures fill it, captions, a cover
    // picture, and the title and description written beside each video.
    QGroupBox* grpUpload = nullptr;
    QComboBox* cboFormat = nullptr;
    QComboBox* cboShape = nullptr;
    QComboBox* cboFit = nullptr;
    QComboBox* cboCaptions = nullptr;
    QCheckBox* chkHighlightWords = nullptr;
    QCheckBox* chkCover = nullptr;
    QSpinBox* spnCoverSlide = nullptr;
    QLineEdit* txtTitleTemplate = nullptr;
    QPlainTextEdit* txtDescriptionTemplate = nullptr;
    // The MP4 quality (H.264 CRF), set with "Compressor Settings" while MP4
    // is chosen.
    int mp4Crf = vm::setting::mp4Crf.fallback.toInt();
    QPushButton* Command1 = nullptr;
    QPushButton* cmdStop = nullptr;  // stops the running batch
    QPushButton* cmdOpenOutputFolder = nullptr;
    PathLabel* lblOutputFolder = nullptr;  // where the videos go
    QLabel* Label7 = nullptr;
    QLabel* Label32 = nullptr;
    QLabel* Label33 = nullptr;
    LinkLabel* Label34 = nullptr;
    // render progress of the current video and the batch position
    QProgressBar* prgRender = nullptr;
    // project files, beside "Create Demo Project"
    QPushButton* cmdSaveProject = nullptr;
    QPushButton* cmdOpenProject = nullptr;

    // ---- hidden working controls
    QLineEdit* txtFilename = nullptr;
    QListWidget* lstAdCopies = nullptr;
    QPlainTextEdit* txtArticle_old = nullptr;
    QPlainTextEdit* txtArticleFinal = nullptr;
    QListWidget* lstTmpImages = nullptr;
    QPlainTextEdit* txtCommand = nullptr;
    QLabel* lblStatusIndividual = nullptr;
    FileList* File1 = nullptr;
    FileList* fileWav = nullptr;

    // ---- timers
    QTimer* tmrShRunning = nullptr;
    QTimer* tmrCountdown = nullptr;

    // ---- menus
    QMenu* mnuKeywords = nullptr;
    QAction* mnuEditKeywords = nullptr;
    QAction* mnuDeleteAllKeywords = nullptr;
    QAction* mnuCancelKeywords = nullptr;

    // ---- members set at start-up and working state
    QString sFfmpegPath;
    std::unique_ptr<SpVoice> oVoice;
    std::unique_ptr<SpFileStream> oFileStream;
    int16_t iAudioLength = 0;
    int16_t iSlidesLength = 0;
    int16_t iVideoLength = 0;
    int16_t iLastSlideTime = 0;
    int16_t iMusicLength = 0;
    int16_t iMusicCutLength = 0;
    int16_t iCountdown = 0;
    QString sSelectedMP3;
    QString sTempMusicFile;

public slots:
    // start-up and navigation
    void Form_Load();
    void ShowPanel(int Index);
    void ShowAdCopy(int Index);
    void lblMenu_Click(int Index);
    void lblAdCopy_Click(int Index);

    // help, tips, links
    void Label8_Click();
    void Label34_Click();
    void Label18_Click();
    void Label15_Click();
    void cmdOpenOutputFolder_Click();
    void Command5_Click();
    // Controls that mean nothing with the current choices are greyed out.
    void UpdateUploadControls();

    // ad copies and voices
    int CurrentAdCopy();
    void Label19_Click();
    void Label20_Click();
    void Label31_Click();
    void VoiceNotSupported();
    void Command2_Click();

    // image browsing and the slide list
    void Drive1_Change();
    void Dir1_Change();
    void lstFrom_Click();
    void lstFrom_DblClick();
    void lstFrom_OLEDragDrop(const QString& data);
    void Label22_Click();
    void Label27_Click();
    void Command3_Click();
    void Command4_Click();
    void Command6_Click();
    void lstTo_Click();
    void lstTo_OLEDragDrop(const QString& data);
    // The preview follows the slide list's current entry, by keyboard too.
    void lstTo_CurrentChanged();
    void lstTo_Moved(int from, int to);
    void cmdRemoveAllImages_Click();
    // Selects the entry of Drive1 whose root holds `path` (running
    // Drive1_Change when that changes the drive); false when none does.
    bool SetDrivePath(const QString& path);

    // keywords
    void cmdKeywords_Click();
    void mnuEditKeywords_Click();
    void mnuDeleteAllKeywords_Click();

    // production
    void Command1_Click();
    void cmdStop_Click();
    // An event of the running batch's engine, on the window's thread.
    void OnVideoEvent(const vm::VideoEvent& event);

    // run control
    void tmrCountdown_Timer();
    void tmrShRunning_Timer();
    void cmdSelectMP3_Click();
    void chkAddBackgroundMusic_Click();

    // demo
    void cmdCreateDemoProject_Click();

    // project files
    void cmdSaveProject_Click();
    void cmdOpenProject_Click();

public:
    // Shared steps. Each returns false with a message in `error` when the step
    // failed, so the batch can report it for its keyword and go on.
    bool HasContent();
    void SetRunState(bool done);
    QString SelectMP3File();

    // Project files: every setting of the window to and from JSON. Opening
    // writes the settings into the controls as if the user had set them.
    bool SaveProject(const QString& path, QString* error);
    bool LoadProject(const QString& path, QString* error);
    // The settings a batch started now would work from.
    bool SnapshotSettings(vm::BatchSettings* settings, QString* error);
    // Creates the two project buttons beside "Create Demo Project".
    void BuildProjectControls();

    // True while a batch is running.
    bool IsRunning() const { return running_; }
    // True when the project has changes that are not saved.
    bool IsModified() const { return modified_; }
    // Set when the window is closed during a batch: the batch stops as soon as
    // it can.
    bool IsClosing() const { return closing_; }

    // How long a render may report nothing before the batch gives up on it
    // (120 s); tests shorten it, also during a batch.
    void SetRenderSilenceBound(int milliseconds);

    // Messages of the last batch, one line per failed video.
    QStringList LastBatchFailures() const { return batchFailures_; }

signals:
    // Emitted whenever lblStatusIndividual changes to "1" (a video finished).
    void videoFinished();
    // Batch position for a progress display: video n of m (1-based).
    void batchProgress(int n, int m, int percent);
    // The running batch's engine has ended.
    void batchEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The preview is drawn again at its new size when the window grows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void BuildHeader(QWidget* client);
    void BuildTextToSpeechPanel();
    void BuildImagesPanel();
    void BuildMakeVideoPanel();
    void BuildUploadGroup(QGroupBox* panel);
    void BuildHiddenControls();
    // Which controls move and grow when the window grows.
    void MakeStretchable();
    // Removes the selected slide; false when none is selected.
    bool RemoveSlide();
    // Shows a picture and its path in the preview; an empty path clears it.
    void ShowPreview(const QString& path);
    QString previewPath_;
    void ConnectHandlers();
    bool CreateSpeechObjects();
    bool FillVoiceList();
    int SecondsPerSlide(bool* ok = nullptr) const;
    // Shows one event of the video the window follows; true when it ended
    // that video.
    bool ShowVideoEvent(const vm::VideoEvent& event);
    // The batch's progress bar and its text.
    void ShowBatchProgress();
    // A keyword's state beside it in the keyword list.
    void ShowKeywordState(const vm::VideoEvent& event);
    // Opens a folder in the file manager, or says why it could not.
    void OpenFolder(const QString& folder);

    // Unsaved changes: the title names the project file and marks changes;
    // closing, opening a project and the demo ask before they are lost.
    void WatchForChanges();
    void MarkModified();
    void SetProjectSaved(const QString& path);
    void UpdateTitle();
    // True when there are no unsaved changes or the user lets them go.
    bool AskToDiscardChanges(const QString& question);
    bool ReadProjectIntoControls(const QString& path, QString* error);
    QString projectPath_;
    QString baseTitle_;  // the program's name and version
    bool modified_ = false;
    bool loadingProject_ = false;
    // Whether the slide list and the buttons that change it take edits.
    void SetSlideEditing(bool enabled);

    struct BatchView;
    std::shared_ptr<BatchView> batch_;  // the running batch, null when idle
    bool running_ = false;
    bool closing_ = false;
    QStringList batchFailures_;
    // Row of lstKeywords whose video the batch is making (-1: no keywords);
    // the user may select another entry meanwhile.
    int batchRow_ = -1;
    // Set while the batch's last video ends: the window then goes idle.
    bool batchLast_ = false;
    int renderSilenceMs_ = 120000;
};
