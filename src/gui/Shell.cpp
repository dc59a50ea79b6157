#include "Shell.h"

#include <QDesktopServices>
#include <QMenu>
#include <QPointer>
#include <QProcess>

#include "MsgBox.h"

namespace {
ShellOpenHandler& OpenHandler() {
    static ShellOpenHandler handler;
    return handler;
}
PopupMenuHandler& MenuHandler() {
    static PopupMenuHandler handler;
    return handler;
}
QString& FolderOpener() {
    static QString program = "xdg-open";
    return program;
}

void SayFolderNotOpened(QWidget* parent, const QString& folder, const QString& why) {
    MsgBox(parent,
           QString("The folder could not be opened: %1\n\nYou can go there yourself:\n%2")
               .arg(why, folder),
           "Error", QMessageBox::Information);
}
}  // namespace

bool ShellOpen(const QUrl& address) {
    if (OpenHandler()) return OpenHandler()(address);
    return QDesktopServices::openUrl(address);
}

bool ShellOpenOrSay(QWidget* parent, const QUrl& address) {
    if (ShellOpen(address)) return true;
    const QString text =
        address.isLocalFile()
            ? QString("The folder %1 could not be opened: no file manager was found to show it.")
                  .arg(address.toLocalFile())
            : QString("The web page %1 could not be opened: no web browser was found.")
                  .arg(address.toString());
    MsgBox(parent, text, "Error", QMessageBox::Information);
    return false;
}

void OpenFolderOrSay(QWidget* parent, const QString& folder) {
    if (OpenHandler()) {
        if (!OpenHandler()(QUrl::fromLocalFile(folder)))
            SayFolderNotOpened(parent, folder, "no file manager was found to show it.");
        return;
    }
    // QDesktopServices reports success as soon as the opener starts; its
    // own verdict comes later, when it ends. The process lives on its own
    // (a file manager may keep it a while) and goes when it has ended.
    auto* opener = new QProcess;
    const QString program = FolderOpener();
    QPointer<QWidget> window(parent);
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, window, folder, program](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         SayFolderNotOpened(window, folder, program + " could not be started.");
                         opener->deleteLater();
                     });
    QObject::connect(
        opener, &QProcess::finished, opener,
        [opener, window, folder, program](int code, QProcess::ExitStatus status) {
            opener->deleteLater();
            if (status == QProcess::NormalExit && code == 0) return;
            const QString said = QString::fromLocal8Bit(opener->readAllStandardError()).trimmed();
            QString why = status == QProcess::NormalExit
                              ? QString("%1 ended with code %2.").arg(program).arg(code)
                              : program + " crashed.";
            if (!said.isEmpty()) why += " It said: " + said.section('\n', -1);
            SayFolderNotOpened(window, folder, why);
        });
    opener->setProcessChannelMode(QProcess::SeparateChannels);
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->start(program, {folder});
}

QString SetFolderOpener(const QString& program) {
    QString previous = FolderOpener();
    FolderOpener() = program;
    return previous;
}

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
    ShellOpenHandler previous = std::move(OpenHandler());
    OpenHandler() = std::move(handler);
    return previous;
}

QAction* PopupMenu(QMenu* menu, const QPoint& pos) {
    if (MenuHandler()) return MenuHandler()(menu, pos);
    return menu->exec(pos);
}

PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler) {
    PopupMenuHandler previous = std::move(MenuHandler());
    MenuHandler() = std::move(handler);
    return previous;
}
