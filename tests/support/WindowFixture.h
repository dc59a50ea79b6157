#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QString>
#include <memory>
#include <vector>

#include "MsgBox.h"
#include "frmVSL.h"

namespace testsupport {

// A fresh main window over a fresh application folder, with every message
// box recorded and answered (Yes unless `answer` says otherwise).
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Selects the first voice whose description contains every one of the
    // given parts (case-insensitive); false when there is none.
    bool SelectVoice(const QStringList& parts);
    // An English espeak-ng voice: the fastest engine, for tests that only
    // need some narration.
    bool SelectQuickVoice();

    QString folder;
    std::unique_ptr<frmVSL> window;
    std::vector<MsgBoxCall> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

private:
    MsgBoxHandler previous_;
};

}  // namespace testsupport
