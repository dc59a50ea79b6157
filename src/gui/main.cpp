#include <QApplication>
#include <QIcon>

extern "C" {
#include <libavutil/log.h>
}

#include "frmVSL.h"

int main(int argc, char* argv[]) {
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
