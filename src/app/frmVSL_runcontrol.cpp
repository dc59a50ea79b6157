// The main window's handlers: run state and progress monitoring.
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "AppFolder.h"
#include "Controls.h"
#include "Helpers.h"
#include "SizeMonitor.h"
#include "frmVSL.h"

void frmVSL::tmrLogAnalyzer_Timer() {
    vm::Pause(1);
    QString oldSize = txtOldSize->text();
    QString current = txtCurrentSize->text();
    const vm::MonitorDecision decision =
        vm::MonitorTick(vm::GetFileSizeText(lblOutputFilename->text()), oldSize, current);
    txtOldSize->setText(oldSize);
    txtCurrentSize->setText(current);
    if (decision == vm::MonitorDecision::Settled) {
        bFileReady = true;
        emit fileReady();
    }
}

void frmVSL::tmrCountdown_Timer() {
    if (vm::CountdownTick(iCountdown)) lblStatus->setText("Finishing Video...");
}

void frmVSL::tmrShRunning_Timer() {
    shRunning->setVisible(!shRunning->isVisible());
}

void frmVSL::Timer1_Timer() {
    // Lets pending events through; the batch runs on the engine's threads,
    // so this only keeps the old rhythm.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void frmVSL::SetRunState(bool done) {
    if (!done) {
        shRunning->show();
        cmdOpenOutputFolder->setEnabled(false);
        Command1->setEnabled(false);
        Command5->setEnabled(false);
        if (cmdStop) cmdStop->setEnabled(true);
        return;
    }
    lblStatusIndividual->setText("1");
    emit videoFinished();
    // During a batch the batch knows which video is its last, whatever the
    // user has done to the keyword list since it started.
    const int count = lstKeywords->count();
    const bool last = running_ ? batchLast_ : count == 0 || lstKeywords->currentRow() == count - 1;
    if (!last) return;

    tmrShRunning->stop();
    shRunning->hide();
    Command1->setEnabled(true);
    Command5->setEnabled(true);
    cmdOpenOutputFolder->setEnabled(true);
    if (cmdStop) cmdStop->setEnabled(false);
    lblStatus->setText("Ready.");
    // The batch's narration files went with its scratch folder; other WAV
    // files of the output folder are the user's and stay.
}
