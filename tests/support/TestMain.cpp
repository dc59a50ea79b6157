#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/log.h>
}

#include "AppFolder.h"
#include "TestSupport.h"

// Test programs without widgets run with a QGuiApplication (pictures, fonts),
// the window's tests with a QApplication (GuiTestMain.cpp); both offscreen
// unless a display is asked for, each with a scratch application folder of
// its own, so tests never write beside the real program.
#ifdef VM_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    // The encoders tell their statistics at the info level; warnings still show.
    av_log_set_level(AV_LOG_WARNING);
    QTemporaryDir scratch;
    if (!scratch.isValid()) return 3;
    vm::SetAppFolderForTesting(scratch.path());
    testsupport::ScratchRoot() = scratch.path();
    return RUN_ALL_TESTS();
}
