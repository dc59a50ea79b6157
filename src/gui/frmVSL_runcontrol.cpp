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
#include "frmVSL.h"

void frmVSL::tmrCountdown_Timer() {
    // Counts the expected render time down; at 0 the render is finishing.
    if (iCountdown > 0) {
        --iCountdown;
        return;
    }
    lblStatus->setText("Finishing Video...");
}

void frmVSL::tmrShRunning_Timer() {
    shRunning->setVisible(!shRunning->isVisible());
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
