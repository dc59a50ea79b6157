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
    // Lets pending events through; the waits of the batch block on their own
    // event loops, so this only keeps the old rhythm.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

bool frmVSL::WatchFile(const QString& path, int boundMs, QString* error) {
    lblOutputFilename->setText(path);
    bFileReady = false;
    if (tmrLogAnalyzer->interval() <= 0) tmrLogAnalyzer->setInterval(100);
    tmrLogAnalyzer->start();

    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &frmVSL::fileReady, &loop, &QEventLoop::quit);
    bound.start(boundMs);
    if (!bFileReady && !closing_) loop.exec();
    tmrLogAnalyzer->stop();

    // A file that never appeared reads "-1" twice and would count as
    // finished: only a file that exists and holds data is.
    const QFileInfo info(path);
    QString problem;
    if (closing_) {
        problem = "The program is closing.";
    } else if (!info.exists()) {
        problem = QString("The file %1 was not created.").arg(path);
    } else if (info.size() == 0) {
        problem = QString("The file %1 stayed empty.").arg(path);
    } else if (!bFileReady) {
        problem = QString("The file %1 did not stop growing within %2 seconds.")
                      .arg(path)
                      .arg(boundMs / 1000);
    }
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return false;
    }
    return true;
}

void frmVSL::SetRunState(bool done) {
    if (!done) {
        shRunning->show();
        cmdOpenOutputFolder->setEnabled(false);
        Command1->setEnabled(false);
        Command5->setEnabled(false);
        return;
    }
    lblStatusIndividual->setText("1");
    emit videoFinished();
    // During a batch the video just finished is the batch's row, whatever
    // entry the user has clicked since.
    const int count = lstKeywords->count();
    const int row = running_ && batchRow_ >= 0 ? batchRow_ : lstKeywords->currentRow();
    if (count > 0 && row != count - 1) return;

    tmrShRunning->stop();
    shRunning->hide();
    Command1->setEnabled(true);
    Command5->setEnabled(true);
    cmdOpenOutputFolder->setEnabled(true);
    lblStatus->setText("Ready.");
    if (prgRender) prgRender->setValue(0);

    // Every narration file of the output folder goes; a file that cannot be
    // deleted does not stop the others.
    const QString output = vm::OutputFolder();
    fileWav->setPath(output);
    fileWav->Refresh();
    const int files = fileWav->count();
    for (int i = 0; i < files; ++i) {
        fileWav->setCurrentRow(i);
        QFile::remove(output + "/" + fileWav->item(i)->text());
    }
}
