// The main window's handlers: ad-copy editing.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

int frmVSL::CurrentAdCopy() { return 0; }
void frmVSL::Label19_Click() {}
void frmVSL::Label20_Click() {}
void frmVSL::Label31_Click() {}
