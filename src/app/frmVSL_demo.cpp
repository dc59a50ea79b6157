// The main window's handlers: demo project.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

void frmVSL::cmdCreateDemoProject_Click() {}
