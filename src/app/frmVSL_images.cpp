// The main window's handlers: image browsing and the slide list.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

void frmVSL::Drive1_Change() {}
void frmVSL::Dir1_Change() {}
void frmVSL::lstFrom_Click() {}
void frmVSL::lstFrom_DblClick() {}
void frmVSL::lstFrom_OLEDragDrop(const QString&) {}
void frmVSL::Label22_Click() {}
void frmVSL::Label27_Click() {}
void frmVSL::Command3_Click() {}
void frmVSL::Command4_Click() {}
void frmVSL::Command6_Click() {}
void frmVSL::lstTo_Click() {}
void frmVSL::lstTo_OLEDragDrop(const QString&) {}
