#include <QApplication>

extern "C" {
#include <libavutil/log.h>
}

#include "frmVSL.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The encoders tell their statistics at the info level; warnings still show.
    av_log_set_level(AV_LOG_WARNING);
    frmVSL window;
    window.show();
    return app.exec();
}
