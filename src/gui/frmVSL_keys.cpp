// The main window from the keyboard and the desktop: the shortcuts (shown in
// the controls' tooltips and in the help), the recent projects on "Open
// Project...", the batch's progress in the title, and the notification when a
// batch ends while the window is in the background.
#include <QAction>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "HeaderBar.h"
#include "MakeVideoPanel.h"
#include "MsgBox.h"
#include "PanelStrip.h"
#include "TextToSpeechPanel.h"
#include "WindowMemory.h"
#include "frmInfo.h"
#include "frmVSL.h"

namespace {

Notifier& InstalledNotifier() {
    static Notifier notifier;
    return notifier;
}

// Through the freedesktop notification service on the session bus; false
// when there is none (or it refused).
bool DesktopNotify(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusInterface service("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                           "org.freedesktop.Notifications", bus);
    if (!service.isValid()) return false;
    const QDBusReply<uint> reply =
        service.call("Notify", QString("Vid Mill"), uint(0), QString("video-x-generic"), title,
                     text, QStringList(), QVariantMap(), int(-1));
    return reply.isValid();
}

// "Save Project... (Ctrl+Shift+S)": the shortcut as the desktop writes it.
void AddToTip(QWidget* control, const QKeySequence& keys) {
    const QString shown = keys.toString(QKeySequence::NativeText);
    const QString tip = control->toolTip();
    control->setToolTip(tip.isEmpty() ? shown : tip + " (" + shown + ")");
}

}  // namespace

Notifier SetNotifier(Notifier notifier) {
    Notifier previous = std::move(InstalledNotifier());
    InstalledNotifier() = std::move(notifier);
    return previous;
}

QString frmVSL::KeyboardHelp() {
    return "Keyboard: Ctrl+1, Ctrl+2, Ctrl+3 show the three panels; Ctrl+PgDown and Ctrl+PgUp "
           "the next and previous ad copy. Tab goes to the next control (also out of the ad copy "
           "and the keyword editor); Enter or Space opens a link. Ctrl+N new project, Ctrl+O "
           "open, Ctrl+S save, Ctrl+Shift+S save as, Ctrl+Return Make Videos!, Escape stops a "
           "running batch, F1 this help, Ctrl+Q quit.";
}

void frmVSL::AddShortcuts() {
    const auto add = [this](const QString& name, const QKeySequence& keys, auto slot,
                            QWidget* tipOf = nullptr) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, slot);
        if (tipOf) AddToTip(tipOf, keys);
        return action;
    };
    for (int i = 0; i < 3; ++i)
        add(QString("actPanel%1").arg(i + 1), QKeySequence(Qt::CTRL | (Qt::Key_1 + i)),
            [this, i] { ShowPanelFromKeys(i); });
    add("actNextAdCopy", QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] { StepAdCopy(1); });
    add("actPreviousAdCopy", QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { StepAdCopy(-1); });
    add("actNewProject", QKeySequence::New, &frmVSL::NewProject);
    add("actOpenProject", QKeySequence::Open, &frmVSL::OpenClicked, strip_->openButton);
    add("actSaveProject", QKeySequence::Save, &frmVSL::SaveToFile);
    add("actSaveProjectAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &frmVSL::SaveClicked,
        strip_->saveButton);
    add("actQuit", QKeySequence(Qt::CTRL | Qt::Key_Q), &frmVSL::close);
    add("actHelp", QKeySequence(Qt::Key_F1), &frmVSL::ShowHelp);
    add("actMakeVideos", QKeySequence(Qt::CTRL | Qt::Key_Return), [this] {
        if (make_->MakeVideosEnabled()) MakeVideos();
    });
    // The keypad's Enter too.
    add("actMakeVideosKeypad", QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] {
        if (make_->MakeVideosEnabled()) MakeVideos();
    });
    stopAction_ = add("actStop", QKeySequence(Qt::Key_Escape), &frmVSL::AskToStop);
    stopAction_->setEnabled(false);
    make_->AddShortcutTips(
        QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText),
        QKeySequence(Qt::Key_Escape).toString(QKeySequence::NativeText));

    // The recent projects, on the arrow beside "Open Project...".
    auto* menu = new QMenu(this);
    menu->setObjectName("mnuRecentProjects");
    strip_->recentButton->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, &frmVSL::FillRecentMenu);
    FillRecentMenu();
}

void frmVSL::ShowPanelFromKeys(int index) {
    ShowPanel(index);
    // The keyboard goes with it: onto the panel's first control.
    if (QWidget* first = panels_[index]->nextInFocusChain();
        first && panels_[index]->isAncestorOf(first))
        first->setFocus(Qt::TabFocusReason);
}

void frmVSL::StepAdCopy(int step) {
    ShowPanel(0);
    const int page = (speech_->CurrentAdCopy() + step + 4) % 4;
    speech_->ShowAdCopy(page);
    speech_->FocusAdCopy(page);
}

void frmVSL::SaveToFile() {
    if (project_.Path().isEmpty()) {
        SaveClicked();
        return;
    }
    QString error;
    if (!SaveProject(project_.Path(), &error)) {
        MsgBox(this, "The project could not be saved.\n\n" + error, "Error",
               QMessageBox::Information);
        return;
    }
    header_->SetStatus("Project saved: " + QFileInfo(project_.Path()).fileName());
}

void frmVSL::ShowHelp() {
    frmInfo info(this);
    info.exec();
}

void frmVSL::FillRecentMenu() {
    QMenu* menu = strip_->recentButton->menu();
    menu->clear();
    const QStringList recent = memory::RecentProjects();
    for (int i = 0; i < recent.size(); ++i) {
        // &1 .. &8: a digit opens it.
        QAction* entry = menu->addAction(QString("&%1 %2").arg(i + 1).arg(recent[i]));
        entry->setObjectName(QString("mnuRecent_%1").arg(i));
        const QString path = recent[i];
        connect(entry, &QAction::triggered, this, [this, path] { OpenRecent(path); });
    }
    if (recent.isEmpty()) menu->addAction("No recent projects")->setEnabled(false);
    strip_->recentButton->setEnabled(true);
}

void frmVSL::OpenRecent(const QString& path) {
    if (IsRunning()) {
        MsgBox(this, "Please wait until the videos are made, then open the project.", "Error",
               QMessageBox::Information);
        return;
    }
    if (!AskToDiscardChanges("opening another project")) return;
    OpenAndSay(path);
}

bool frmVSL::Notify(const QString& title, const QString& text) {
    // Only for a window the user has left: one in front shows its own box.
    if (!isVisible() || isActiveWindow()) return false;
    if (const Notifier& notifier = InstalledNotifier()) return notifier(title, text);
    return DesktopNotify(title, text);
}
