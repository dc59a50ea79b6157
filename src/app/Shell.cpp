#include "Shell.h"

#include <QDesktopServices>
#include <QMenu>

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
