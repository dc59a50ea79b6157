// Takes the screenshots under docs/: the window right after start-up, its
// three panels with the demo project loaded, the help dialog, the whole
// screen with the window maximised, and the "Make Video" panel while a batch
// runs. Run it under a real X server with a window manager, from the build's
// bin folder (so the demo files lie beside it), e.g.
//   xvfb-run -s "-screen 0 1600x1000x24" sh -c "openbox & ./screenshots ../../docs"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "AppFolder.h"
#include "Controls.h"
#include "ImagesPanel.h"
#include "MsgBox.h"
#include "frmInfo.h"
#include "frmVSL.h"

namespace {

const char kPhotos[] = "/usr/share/backgrounds";

void Settle(int ms = 300) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename T>
T* Find(const QWidget& window, const char* name) {
    T* control = window.findChild<T*>(name);
    if (!control) std::fprintf(stderr, "no control named %s\n", name);
    return control;
}

void Save(QWidget* widget, const QString& path) {
    Settle();
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString docs = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs");
    QDir().mkpath(docs);
    // Videos of the render shot go to a scratch folder.
    QTemporaryDir scratch;
    vm::SetOutputFolder(scratch.path());
    SetMsgBoxHandler([](const MsgBoxCall&) { return QMessageBox::Yes; });

    frmVSL window;
    window.show();
    Save(&window, docs + "/main-window.png");

    Find<QPushButton>(window, "cmdCreateDemoProject")->click();
    window.ShowPanel(0);
    Save(&window, docs + "/demo-text-to-speech.png");
    window.ShowPanel(1);
    Find<QListWidget>(window, "lstTo")->setCurrentRow(1);
    Save(&window, docs + "/demo-images.png");
    window.ShowPanel(2);
    Save(&window, docs + "/demo-make-video.png");
    // Ready for a phone feed: portrait MP4 with captions and a cover.
    Find<QComboBox>(window, "cboFormat")->setCurrentIndex(1);
    Find<QComboBox>(window, "cboShape")->setCurrentIndex(1);
    Find<QComboBox>(window, "cboFit")->setCurrentIndex(1);
    Find<QComboBox>(window, "cboCaptions")->setCurrentIndex(3);
    Find<QCheckBox>(window, "chkHighlightWords")->setChecked(true);
    Find<QCheckBox>(window, "chkCover")->setChecked(true);
    Find<QLineEdit>(window, "txtTitleTemplate")->setText("#KEYWORD# - book your visit today");
    Find<QPlainTextEdit>(window, "txtDescriptionTemplate")
        ->setPlainText("Looking for #KEYWORD#? We are here to help.");
    Save(&window, docs + "/demo-make-video-for-upload.png");

    frmInfo::ShownHook() = [&](frmInfo* info) {
        Save(info, docs + "/help-dialog.png");
        info->close();
    };
    Find<LinkLabel>(window, "Label8")->clicked();
    frmInfo::ShownHook() = nullptr;

    // "Add All the Images" of the photographs of lomiri-wallpapers-16.04
    // (when installed), in a window of its own, once their thumbnails are in.
    if (QDir(kPhotos).exists()) {
        frmVSL photos;
        photos.show();
        photos.ShowPanel(1);
        Find<DirList>(photos, "Dir1")->setPath(kPhotos);
        Find<QPushButton>(photos, "Command6")->click();
        auto* panel = Find<ImagesPanel>(photos, "frTab_1");
        for (int waited = 0; panel->PicturesPending() && waited < 60000; waited += 100) Settle(100);
        Save(&photos, docs + "/images-add-all-photos.png");
    }

    // Maximised: the lists, the editor and the preview take the room.
    window.ShowPanel(1);
    window.showMaximized();
    Settle(800);
    const bool grabbed = window.screen()->grabWindow(0).save(docs + "/main-window-maximised.png");
    std::printf("%s %s\n", grabbed ? "wrote" : "could not write",
                qPrintable(docs + "/main-window-maximised.png"));
    window.showNormal();
    window.ShowPanel(2);
    Settle(500);

    // The batch, caught in its third video with Stop at hand.
    bool shot = false;
    QEventLoop batch;
    QObject::connect(&window, &frmVSL::batchProgress, &window, [&](int video, int, int percent) {
        if (!shot && video == 3 && percent >= 40) {
            shot = true;
            window.grab().save(docs + "/demo-rendering.png");
            std::printf("wrote %s\n", qPrintable(docs + "/demo-rendering.png"));
            window.close();
        }
    });
    QObject::connect(&window, &frmVSL::batchEnded, &batch, &QEventLoop::quit);
    Find<QPushButton>(window, "Command1")->click();
    if (window.IsRunning()) batch.exec();
    return 0;
}
