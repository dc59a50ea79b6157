#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/log.h>
}

#include "frmVSL.h"

namespace {

// --help and --version are answered without a display: they are read with a
// QCoreApplication, which needs no platform, before the window's QApplication.
bool AnswersWithoutWindow(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

int Answer(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vidmill");
    QCoreApplication::setApplicationVersion(VIDMILL_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Vid Mill's window: narrated image-slideshow videos in batches, one per keyword. "
        "vidmill-batch makes a saved project's videos without a display.");
    parser.addHelpOption();
    parser.addVersionOption();
    // Qt's own options (-platform, -style...) are the window's: passed over here.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.parse(QCoreApplication::arguments());
    const QString text =
        parser.isSet("help") ? parser.helpText() : QStringLiteral("vidmill " VIDMILL_VERSION "\n");
    std::fputs(qPrintable(text), stdout);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AnswersWithoutWindow(argc, argv)) return Answer(argc, argv);
    QApplication app(argc, argv);
    // Installed, the menu entry (vidmill.desktop) and its icon theme's icon;
    // from the build folder the icon is simply not found.
    QApplication::setDesktopFileName("vidmill");
    QApplication::setWindowIcon(QIcon::fromTheme("vidmill"));
    // The encoders tell their statistics at the info level; warnings still show.
    av_log_set_level(AV_LOG_WARNING);
    frmVSL window;
    window.show();
    return app.exec();
}
