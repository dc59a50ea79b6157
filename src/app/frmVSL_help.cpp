// The main window's handlers: help dialog, tips and links.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

void frmVSL::Label8_Click() {}
void frmVSL::Label34_Click() {}
void frmVSL::Label18_Click() {}
void frmVSL::Label15_Click() {}
void frmVSL::cmdOpenOutputFolder_Click() {}
void frmVSL::Command5_Click() {}
