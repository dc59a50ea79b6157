// The main window's handlers: voice list and voice test.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

bool frmVSL::CreateSpeechObjects() { return false; }
bool frmVSL::FillVoiceList() { return false; }
void frmVSL::VoiceNotSupported() {}
void frmVSL::Command2_Click() {}
