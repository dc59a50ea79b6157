#include "Shell.h"

#include <QDesktopServices>
#include <QMenu>

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
