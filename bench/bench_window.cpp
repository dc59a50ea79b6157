// How long the window goes without handling an event (a repaint, a click)
// while "Add All the Images" adds eight large photographs: Debian's
// lomiri-wallpapers-16.04, the largest 5312x2988 as a phone takes them.
//
// "before" is the way the window did it until now, run here in the same
// program on the same files: each photo decoded whole on the window's thread
// and shrunk for the preview, one after the other, with no event handled
// until the last. "now" is the real window: the folder opened and "Add All
// the Images" clicked at once, timed until every thumbnail and the preview
// are shown, with a timer that should tick every 10 ms meanwhile.
//
//   build/bin/bench_window
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "AppFolder.h"
#include "Controls.h"
#include "EventGap.h"
#include "ImagesPanel.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "frmVSL.h"

namespace {

// The preview as the window made it before: the whole picture, then shrunk.
QImage WholeThenShrunk(const QString& path, const QSize& box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    return image.isNull() ? image
                          : image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString photos = scratch.path() + "/photos";
    if (!testsupport::CopyLargePhotos(photos)) {
        std::fprintf(stderr,
                     "the photographs of lomiri-wallpapers-16.04 are missing "
                     "(scripts/setup.sh installs them)\n");
        return 1;
    }
    vm::SetOutputFolder(scratch.path() + "/output");
    SetMsgBoxHandler([](const MsgBoxCall&) { return QMessageBox::Yes; });
    frmVSL window;
    window.ShowPanel(1);
    auto* panel = window.findChild<ImagesPanel*>("frTab_1");
    auto* folders = window.findChild<DirList*>("Dir1");
    auto* addAll = window.findChild<QPushButton*>("Command6");
    auto* slides = window.findChild<QListWidget*>("lstTo");
    const QSize box = window.findChild<QWidget*>("ImagePreview")->contentsRect().size();

    EventGap gap;

    // Before: one photo after the other on this thread.
    QElapsedTimer clock;
    clock.start();
    gap.Restart();
    for (const QString& name : QDir(photos).entryList(QDir::Files))
        WholeThenShrunk(photos + "/" + name, box);
    const double beforeAll = clock.elapsed() / 1000.0;
    QCoreApplication::processEvents();  // the tick that waited all along
    const qint64 beforeGap = gap.LongestMs();

    // Now: the real window.
    QEventLoop loaded;
    QObject::connect(panel, &ImagesPanel::picturesLoaded, &loaded, &QEventLoop::quit);
    QTimer bound;  // looks again now and then, up to 120 s
    QObject::connect(&bound, &QTimer::timeout, &loaded, &QEventLoop::quit);
    bound.start(100);
    clock.restart();
    gap.Restart();
    folders->setPath(photos);
    addAll->click();
    const double namesShown = clock.elapsed() / 1000.0;
    const int added = slides->count();
    while (panel->PicturesPending() && clock.elapsed() < 120000) loaded.exec();
    const double nowAll = clock.elapsed() / 1000.0;
    if (panel->PicturesPending()) {
        std::fprintf(stderr, "the pictures were not all read within 120 s\n");
        return 1;
    }

    std::printf("\"Add All the Images\" of 8 photographs (up to 5312x2988), preview %dx%d\n",
                box.width(), box.height());
    std::printf("%-8s %22s %24s %26s\n", "", "names in the slide list", "all pictures shown",
                "longest wait for an event");
    std::printf("%-8s %20.3f s %22.3f s %23lld ms\n", "before", beforeAll, beforeAll,
                static_cast<long long>(beforeGap));
    std::printf("%-8s %20.3f s %22.3f s %23lld ms   (%d slides)\n", "now", namesShown, nowAll,
                static_cast<long long>(gap.LongestMs()), added);
    return 0;
}
