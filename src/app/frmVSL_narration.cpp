// The main window's handlers: narration.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

int frmVSL::PickAdCopy() { return 0; }
bool frmVSL::SpeakNarration(const QString&, QString*) { return false; }
