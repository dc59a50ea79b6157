#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QString>
#include <memory>
#include <vector>

#include "MsgBox.h"
#include "ProductionEngine.h"
#include "WindowUi.h"
#include "frmVSL.h"

namespace testsupport {

// A fresh main window over a fresh application folder, with every message
// box recorded and answered (Yes unless `answer` says otherwise).
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the window with a fresh one.
    void NewWindow();
    // Clicks "Make Videos!" and, when a batch starts, waits (at most
    // `boundMs`) until the window is ready again. False when a started
    // batch did not end in time.
    bool MakeVideos(int boundMs = 300000);

    // Selects the first voice whose description contains every one of the
    // given parts (case-insensitive); false when there is none.
    bool SelectVoice(const QStringList& parts);
    // An English espeak-ng voice: the fastest engine, for tests that only
    // need some narration.
    bool SelectQuickVoice();

    QString folder;
    std::unique_ptr<frmVSL> window;
    std::unique_ptr<Ui> ui;
    std::vector<MsgBoxCall> boxes;
    // Every event of the batches the window ran, in the order they came.
    std::vector<vm::VideoEvent> events;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

private:
    MsgBoxHandler previous_;
};

// Clicks "Make Videos!" of `window` and waits for the batch it starts, as
// WindowTest::MakeVideos.
bool MakeVideos(frmVSL* window, int boundMs = 300000);

}  // namespace testsupport
