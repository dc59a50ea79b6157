// The main window's handlers: layout, start-up and navigation.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

#include "SpFileStream.h"
#include "SpVoice.h"

frmVSL::frmVSL(QWidget* parent) : QMainWindow(parent) {}
frmVSL::~frmVSL() = default;
void frmVSL::Form_Load() {}
void frmVSL::ShowPanel(int) {}
void frmVSL::ShowAdCopy(int) {}
void frmVSL::lblMenu_Click(int) {}
void frmVSL::lblAdCopy_Click(int) {}
void frmVSL::BuildWindow() {}
void frmVSL::BuildHeader(QWidget*) {}
void frmVSL::BuildTextToSpeechPanel() {}
void frmVSL::BuildImagesPanel() {}
void frmVSL::BuildMakeVideoPanel() {}
void frmVSL::BuildHiddenControls() {}
void frmVSL::ConnectHandlers() {}
