#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <array>
#include <stdexcept>

#include "Controls.h"

namespace testsupport {

// The one object of type T named `name` under `root`. A name that is missing,
// taken twice or of another type fails the test at once.
template <typename T = QWidget>
T* Find(const QObject* root, const QString& name) {
    const QList<T*> found = root->findChildren<T*>(name);
    if (found.size() == 1) return found.first();
    const QString problem = QString("%1 control(s) named \"%2\" of type %3")
                                .arg(found.size())
                                .arg(name, T::staticMetaObject.className());
    ADD_FAILURE() << problem.toStdString();
    throw std::runtime_error(problem.toStdString());
}

// Controls named name_0 .. name_{N-1}.
template <typename T, size_t N>
std::array<T*, N> FindAll(const QObject* root, const QString& name) {
    std::array<T*, N> found{};
    for (size_t i = 0; i < N; ++i) found[i] = Find<T>(root, QString("%1_%2").arg(name).arg(i));
    return found;
}

// The main window's controls as a user knows them, by their objectNames.
struct Ui {
    explicit Ui(const QObject* window) : root(window) {}
    const QObject* root;

    // header and panel strip
    QWidget* Picture1 = Find<QWidget>(root, "Picture1");
    QLabel* Label6 = Find<QLabel>(root, "Label6");
    QLabel* Label9 = Find<QLabel>(root, "Label9");
    QLabel* lblStatus = Find<QLabel>(root, "lblStatus");
    QFrame* shRunning = Find<QFrame>(root, "shRunning");
    QTimer* tmrShRunning = Find<QTimer>(root, "tmrShRunning");
    QTimer* tmrCountdown = Find<QTimer>(root, "tmrCountdown");
    std::array<Frame*, 3> vMenu = FindAll<Frame, 3>(root, "vMenu");
    std::array<LinkLabel*, 3> lblMenu = FindAll<LinkLabel, 3>(root, "lblMenu");
    std::array<QGroupBox*, 3> frTab = FindAll<QGroupBox, 3>(root, "frTab");
    QLabel* Image1 = Find<QLabel>(root, "Image1");
    QLabel* Image2 = Find<QLabel>(root, "Image2");
    QLabel* Image6 = Find<QLabel>(root, "Image6");
    QPushButton* cmdCreateDemoProject = Find<QPushButton>(root, "cmdCreateDemoProject");
    QPushButton* cmdNewProject = Find<QPushButton>(root, "cmdNewProject");
    QPushButton* cmdSaveProject = Find<QPushButton>(root, "cmdSaveProject");
    QPushButton* cmdOpenProject = Find<QPushButton>(root, "cmdOpenProject");
    LinkLabel* Label8 = Find<LinkLabel>(root, "Label8");

    // "Text To Speech"
    QComboBox* List1 = Find<QComboBox>(root, "List1");
    QPushButton* Command2 = Find<QPushButton>(root, "Command2");
    LinkLabel* Label19 = Find<LinkLabel>(root, "Label19");
    LinkLabel* Label20 = Find<LinkLabel>(root, "Label20");
    LinkLabel* Label31 = Find<LinkLabel>(root, "Label31");
    std::array<Frame*, 4> vAdCopy = FindAll<Frame, 4>(root, "vAdCopy");
    std::array<LinkLabel*, 4> lblAdCopy = FindAll<LinkLabel, 4>(root, "lblAdCopy");
    std::array<QTextEdit*, 4> txtArticle = FindAll<QTextEdit, 4>(root, "txtArticle");
    QPushButton* cmdKeywords = Find<QPushButton>(root, "cmdKeywords");
    QListWidget* lstKeywords = Find<QListWidget>(root, "lstKeywords");
    QMenu* mnuKeywords = Find<QMenu>(root, "mnuKeywords");
    QAction* mnuEditKeywords = Find<QAction>(root, "mnuEditKeywords");
    QAction* mnuDeleteAllKeywords = Find<QAction>(root, "mnuDeleteAllKeywords");
    QAction* mnuCancelKeywords = Find<QAction>(root, "mnuCancelKeywords");
    QDoubleSpinBox* spnSpeechRate = Find<QDoubleSpinBox>(root, "spnSpeechRate");
    QCheckBox* chkEvenLoudness = Find<QCheckBox>(root, "chkEvenLoudness");
    QGroupBox* Frame1 = Find<QGroupBox>(root, "Frame1");
    QCheckBox* chkAddBackgroundMusic = Find<QCheckBox>(root, "chkAddBackgroundMusic");
    QPushButton* cmdSelectMP3 = Find<QPushButton>(root, "cmdSelectMP3");
    PathLabel* lblSelectedMP3 = Find<PathLabel>(root, "lblSelectedMP3");
    QCheckBox* chkNoCut = Find<QCheckBox>(root, "chkNoCut");
    LinkLabel* Label15 = Find<LinkLabel>(root, "Label15");
    QCheckBox* chkDuckMusic = Find<QCheckBox>(root, "chkDuckMusic");
    QDoubleSpinBox* spnDuckDb = Find<QDoubleSpinBox>(root, "spnDuckDb");

    // "Images"
    QComboBox* Drive1 = Find<QComboBox>(root, "Drive1");
    PathLabel* lblFolderPath = Find<PathLabel>(root, "lblFolderPath");
    DirList* Dir1 = Find<DirList>(root, "Dir1");
    DragList* lstFrom = Find<DragList>(root, "lstFrom");
    LinkLabel* Label22 = Find<LinkLabel>(root, "Label22");
    LinkLabel* Label27 = Find<LinkLabel>(root, "Label27");
    QPushButton* Command3 = Find<QPushButton>(root, "Command3");
    QPushButton* Command6 = Find<QPushButton>(root, "Command6");
    SlideList* lstTo = Find<SlideList>(root, "lstTo");
    QPushButton* Command4 = Find<QPushButton>(root, "Command4");
    QPushButton* cmdLocateSlide = Find<QPushButton>(root, "cmdLocateSlide");
    QLabel* lblImagesCount = Find<QLabel>(root, "lblImagesCount");
    QPushButton* cmdRemoveAllImages = Find<QPushButton>(root, "cmdRemoveAllImages");
    QLabel* ImagePreview = Find<QLabel>(root, "ImagePreview");
    PathLabel* lblPreviewPath = Find<PathLabel>(root, "lblPreviewPath");
    QComboBox* cboSeconds = Find<QComboBox>(root, "cboSeconds");
    QComboBox* cboImageAdjust = Find<QComboBox>(root, "cboImageAdjust");
    QCheckBox* chkTransitions = Find<QCheckBox>(root, "chkTransitions");
    QCheckBox* chkRandomize = Find<QCheckBox>(root, "chkRandomize");
    QComboBox* cboTransitionSet = Find<QComboBox>(root, "cboTransitionSet");
    QDoubleSpinBox* spnTransitionSeconds = Find<QDoubleSpinBox>(root, "spnTransitionSeconds");
    QCheckBox* chkMotion = Find<QCheckBox>(root, "chkMotion");
    QSpinBox* spnMotionStrength = Find<QSpinBox>(root, "spnMotionStrength");

    // "Make Video"
    QComboBox* cboResolution = Find<QComboBox>(root, "cboResolution");
    QCheckBox* chkEnableVideoCompressor = Find<QCheckBox>(root, "chkEnableVideoCompressor");
    QComboBox* cboVideoCompressor = Find<QComboBox>(root, "cboVideoCompressor");
    QPushButton* Command5 = Find<QPushButton>(root, "Command5");
    LinkLabel* Label18 = Find<LinkLabel>(root, "Label18");
    QFrame* Shape1 = Find<QFrame>(root, "Shape1");
    QPushButton* Command1 = Find<QPushButton>(root, "Command1");
    QPushButton* cmdStop = Find<QPushButton>(root, "cmdStop");
    QProgressBar* prgRender = Find<QProgressBar>(root, "prgRender");
    QPushButton* cmdOpenOutputFolder = Find<QPushButton>(root, "cmdOpenOutputFolder");
    PathLabel* lblOutputFolder = Find<PathLabel>(root, "lblOutputFolder");
    LinkLabel* Label34 = Find<LinkLabel>(root, "Label34");
    QComboBox* cboFormat = Find<QComboBox>(root, "cboFormat");
    QComboBox* cboShape = Find<QComboBox>(root, "cboShape");
    QComboBox* cboFit = Find<QComboBox>(root, "cboFit");
    QComboBox* cboClipFill = Find<QComboBox>(root, "cboClipFill");
    QComboBox* cboClipSound = Find<QComboBox>(root, "cboClipSound");
    QComboBox* cboCaptions = Find<QComboBox>(root, "cboCaptions");
    QCheckBox* chkHighlightWords = Find<QCheckBox>(root, "chkHighlightWords");
    QCheckBox* chkCover = Find<QCheckBox>(root, "chkCover");
    QSpinBox* spnCoverSlide = Find<QSpinBox>(root, "spnCoverSlide");
    QLineEdit* txtTitleTemplate = Find<QLineEdit>(root, "txtTitleTemplate");
    QPlainTextEdit* txtDescriptionTemplate = Find<QPlainTextEdit>(root, "txtDescriptionTemplate");

    // working controls nobody sees
    QLineEdit* txtFilename = Find<QLineEdit>(root, "txtFilename");
    QPlainTextEdit* txtCommand = Find<QPlainTextEdit>(root, "txtCommand");
};

// The entries of a list.
QStringList Items(const QListWidget* list);

}  // namespace testsupport
