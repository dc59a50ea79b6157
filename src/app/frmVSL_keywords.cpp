// The main window's handlers: keyword list and its editor.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

void frmVSL::cmdKeywords_Click() {}
void frmVSL::mnuEditKeywords_Click() {}
void frmVSL::mnuDeleteAllKeywords_Click() {}
