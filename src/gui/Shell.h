#pragma once

#include <QPoint>
#include <QString>
#include <QUrl>
#include <functional>

class QAction;
class QMenu;
class QWidget;

// Hands an address to the desktop: a web page opens in the browser, a local
// file URL opens the folder in the file manager. Nothing waits for it; false
// when the desktop has nothing to open it with.
bool ShellOpen(const QUrl& address);

// ShellOpen, and when nothing on this machine can open the address, a message
// that names it (a folder needs a file manager, a web page a browser).
bool ShellOpenOrSay(QWidget* parent, const QUrl& address);

// Shows `folder` in the file manager through the desktop's opener program
// (xdg-open), without waiting for it. When the opener cannot start or ends
// with an error, a message says why and gives the folder's path to copy.
void OpenFolderOrSay(QWidget* parent, const QString& folder);
// The opener program (a name on PATH or a path); tests set one that fails.
// Returns the previous one.
QString SetFolderOpener(const QString& program);

// Replaces the desktop call (tests record the address instead of starting a
// browser); an empty handler restores QDesktopServices. Returns the previous one.
using ShellOpenHandler = std::function<bool(const QUrl&)>;
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);

// Pops `menu` up at `pos` and returns the chosen action (or nullptr); the
// chosen action has been triggered when it returns, as QMenu::exec does.
QAction* PopupMenu(QMenu* menu, const QPoint& pos);

// Replaces the pop-up (tests choose an item without a mouse); the handler must
// trigger the action it picks. Returns the previous handler.
using PopupMenuHandler = std::function<QAction*(QMenu*, const QPoint&)>;
PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler);
