#include <gtest/gtest.h>

#include <QApplication>

extern "C" {
#include <libavutil/log.h>
}
#include <QDir>
#include <QTemporaryDir>

#include "AppFolder.h"
#include "TestSupport.h"

// Every test program runs with a QApplication (offscreen unless a display is
// asked for) and a scratch application folder of its own, so tests never
// write beside the real program.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The encoders tell their statistics at the info level; warnings still show.
    av_log_set_level(AV_LOG_WARNING);
    QTemporaryDir scratch;
    if (!scratch.isValid()) return 3;
    vm::SetAppFolderForTesting(scratch.path());
    testsupport::ScratchRoot() = scratch.path();
    return RUN_ALL_TESTS();
}
