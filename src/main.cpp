#include <QApplication>

#include "frmVSL.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    frmVSL window;
    window.show();
    return app.exec();
}
