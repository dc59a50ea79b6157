// The main window: its parts and their places, how they are wired to one
// another and to the project, and the start-up.
#include "frmVSL.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>

#include "AppFolder.h"
#include "AppPaths.h"
#include "BatchSettings.h"
#include "Compressors.h"
#include "Controls.h"
#include "HeaderBar.h"
#include "ImagesPanel.h"
#include "MakeVideoPanel.h"
#include "PanelStrip.h"
#include "SettingsBinder.h"
#include "SettingsTable.h"
#include "TextToSpeechPanel.h"
#include "WidgetMaker.h"
#include "WindowShortcuts.h"

namespace {

constexpr int kClientWidth = 923;
constexpr int kClientHeight = 541;
const QRect kPanelRect(33, 111, 853, 412);

const QString kTitle = "Vid Mill";
const QString kVersion = "2.5.5";

}  // namespace

frmVSL::frmVSL(QWidget* parent) : QMainWindow(parent) {
    BuildWindow();
    StartUp();
    Connect();
}

void frmVSL::BuildWindow() {
    setObjectName("frmVSL");
    // The client area scrolls inside the window: laid out for its start-up
    // size, which is also its smallest, it grows (and maximises) from there,
    // and on a smaller screen (800x600) scroll bars reach every control.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("clientScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* client = new QWidget;
    client->setObjectName("client");
    // One small font for the whole window: the geometry is fixed in pixels.
    QFont base("DejaVu Sans");
    base.setPixelSize(11);
    client->setFont(base);
    const QSize size(kClientWidth, kClientHeight);
    client->setMinimumSize(size);
    scroll->setWidget(client);
    setCentralWidget(scroll);
    resize(size);

    header_ = new HeaderBar(kClientWidth, client);
    strip_ = new PanelStrip(client, size);
    speech_ = new TextToSpeechPanel(kPanelRect, client);
    images_ = new ImagesPanel(kPanelRect, client);
    make_ = new MakeVideoPanel(kPanelRect, &project_, client);
    panels_ = {speech_, images_, make_};
    // The header grows across the window, the panels both ways.
    auto* stretch = new Stretcher(client, size);
    stretch->Add(header_, {0, 0, 1, 0});
    for (QGroupBox* panel : panels_) stretch->Add(panel, {0, 0, 1, 1});

    // A working control nobody sees: the music tool's command log.
    commandLog_ = ui::Make<QPlainTextEdit>(client, "txtCommand");
    commandLog_->setGeometry(0, kClientHeight + 40, 10, 10);
    commandLog_->hide();
    strip_->AddProjectButtons();
}

void frmVSL::StartUp() {
    ffmpegPath_ = FindFfmpeg(vm::AppFolder());
    ShowPanel(0);
    programName_ = kTitle;
    setWindowTitle(kTitle + " v" + kVersion);
    baseTitle_ = windowTitle();
    header_->SetTitle(kTitle, QString());
    make_->ShowOutputFolder(vm::OutputFolder());

    // What a new project holds, and what a project file leaves out: the
    // table's defaults with this machine's voice and compressor. Without the
    // voices the ad copy starts empty and no voice is chosen.
    const bool voices = speech_->LoadVoices();
    vm::Settings defaults = vm::MachineDefaults(voices ? speech_->VoiceNames() : QStringList(),
                                                Compressors::Instance());
    if (!voices) defaults.Set(vm::setting::adCopies, {"", "", "", ""});
    binder_ = new SettingsBinder(&project_, this);
    project_.SetDefaults(defaults);
}

void frmVSL::Connect() {
    connect(strip_, &PanelStrip::panelClicked, this, &frmVSL::ShowPanel);
    connect(strip_->demoButton, &QPushButton::clicked, this, &frmVSL::CreateDemoProject);
    connect(strip_->newButton, &QPushButton::clicked, this, &frmVSL::NewProject);
    connect(strip_->saveButton, &QPushButton::clicked, this, &frmVSL::SaveClicked);
    connect(strip_->openButton, &QPushButton::clicked, this, &frmVSL::OpenClicked);
    connect(&project_, &vm::ProjectModel::modifiedChanged, this, &frmVSL::UpdateTitle);
    connect(&project_, &vm::ProjectModel::modifiedChanged, this, &frmVSL::ProjectModified);
    connect(&project_, &vm::ProjectModel::pathChanged, this, &frmVSL::UpdateTitle);
    connect(images_, &ImagesPanel::statusMessage, header_, &HeaderBar::SetStatus);
    connect(make_, &MakeVideoPanel::makeVideosClicked, this, &frmVSL::MakeVideos);
    connect(make_, &MakeVideoPanel::stopClicked, this, &frmVSL::StopBatch);
    // "Make Videos!" waits while a voice is tested, and while a batch runs.
    connect(speech_, &TextToSpeechPanel::voiceTestRunning, this,
            [this](bool testing) { make_->SetMakeVideosEnabled(!testing && !IsRunning()); });

    shortcuts_ = new WindowShortcuts(this, strip_, speech_, make_, panels_);
    connect(shortcuts_, &WindowShortcuts::newProject, this, &frmVSL::NewProject);
    connect(shortcuts_, &WindowShortcuts::openProject, this, &frmVSL::OpenClicked);
    connect(shortcuts_, &WindowShortcuts::save, this, &frmVSL::SaveToFile);
    connect(shortcuts_, &WindowShortcuts::saveAs, this, &frmVSL::SaveClicked);
    connect(shortcuts_, &WindowShortcuts::help, this, &frmVSL::ShowHelp);
    connect(shortcuts_, &WindowShortcuts::makeVideos, this, &frmVSL::MakeVideos);
    connect(shortcuts_, &WindowShortcuts::askToStop, this, &frmVSL::AskToStop);
    connect(shortcuts_, &WindowShortcuts::openRecent, this, &frmVSL::OpenRecent);
}

void frmVSL::ShowPanel(int index) {
    if (index < 0 || index > 2) return;
    strip_->Select(index);
    for (int i = 0; i < 3; ++i) panels_[i]->setVisible(i == index);
}
