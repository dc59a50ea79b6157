// The main window's handlers: batch run, per-video build and rendering.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

void frmVSL::Command1_Click() {}
bool frmVSL::HasContent() { return false; }
bool frmVSL::CreateVideo(const QString&, QString*) { return false; }
void frmVSL::VideoEdit1_Complete(int) {}
void frmVSL::VideoEdit1_Processing(int, int, int, int, double) {}
void frmVSL::closeEvent(QCloseEvent*) {}
int frmVSL::SecondsPerSlide(bool*) const { return 0; }
VideoEdit* frmVSL::CurrentVideoEdit() const { return nullptr; }
