// The main window's handlers: run state and progress monitoring.
// SKELETON: stubs until this file is written.
#include "frmVSL.h"

#include <QCloseEvent>

void frmVSL::tmrLogAnalyzer_Timer() {}
void frmVSL::tmrCountdown_Timer() {}
void frmVSL::tmrShRunning_Timer() {}
void frmVSL::Timer1_Timer() {}
void frmVSL::SetRunState(bool) {}
bool frmVSL::WatchFile(const QString&, int, QString*) { return false; }
