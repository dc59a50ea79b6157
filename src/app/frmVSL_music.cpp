// The main window's handlers: background music.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

void frmVSL::cmdSelectMP3_Click() {}
void frmVSL::chkAddBackgroundMusic_Click() {}
QString frmVSL::SelectMP3File() { return {}; }
bool frmVSL::MusicStep(QString*) { return true; }
bool frmVSL::CreateTempAudio(QString*) { return false; }
bool frmVSL::CreateTempAudioCut(QString*) { return false; }
