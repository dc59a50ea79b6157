#include "WindowShortcuts.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "MakeVideoPanel.h"
#include "PanelStrip.h"
#include "TextToSpeechPanel.h"
#include "WindowMemory.h"
#include "frmVSL.h"

namespace {

// "Save Project... (Ctrl+Shift+S)": the shortcut as the desktop writes it.
void AddToTip(QWidget* control, const QKeySequence& keys) {
    const QString shown = keys.toString(QKeySequence::NativeText);
    const QString tip = control->toolTip();
    control->setToolTip(tip.isEmpty() ? shown : tip + " (" + shown + ")");
}

}  // namespace

QString WindowShortcuts::Help() {
    return "Keyboard: Ctrl+1, Ctrl+2, Ctrl+3 show the three panels; Ctrl+PgDown and Ctrl+PgUp "
           "the next and previous ad copy. Tab goes to the next control (also out of the ad copy "
           "and the keyword editor); Enter or Space opens a link. Ctrl+N new project, Ctrl+O "
           "open, Ctrl+S save, Ctrl+Shift+S save as, Ctrl+Return Make Videos!, Escape stops a "
           "running batch, F1 this help, Ctrl+Q quit.";
}

WindowShortcuts::WindowShortcuts(frmVSL* window, PanelStrip* strip, TextToSpeechPanel* speech,
                                 MakeVideoPanel* make, const std::array<QGroupBox*, 3>& panels)
    : QObject(window),
      window_(window),
      strip_(strip),
      speech_(speech),
      make_(make),
      panels_(panels) {
    for (int i = 0; i < 3; ++i)
        connect(Add(QString("actPanel%1").arg(i + 1), QKeySequence(Qt::CTRL | (Qt::Key_1 + i))),
                &QAction::triggered, this, [this, i] { ShowPanel(i); });
    connect(Add("actNextAdCopy", QKeySequence(Qt::CTRL | Qt::Key_PageDown)), &QAction::triggered,
            this, [this] { StepAdCopy(1); });
    connect(Add("actPreviousAdCopy", QKeySequence(Qt::CTRL | Qt::Key_PageUp)), &QAction::triggered,
            this, [this] { StepAdCopy(-1); });
    connect(Add("actNewProject", QKeySequence::New), &QAction::triggered, this,
            &WindowShortcuts::newProject);
    connect(Add("actOpenProject", QKeySequence::Open, strip_->openButton), &QAction::triggered,
            this, &WindowShortcuts::openProject);
    connect(Add("actSaveProject", QKeySequence::Save), &QAction::triggered, this,
            &WindowShortcuts::save);
    connect(
        Add("actSaveProjectAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), strip_->saveButton),
        &QAction::triggered, this, &WindowShortcuts::saveAs);
    connect(Add("actQuit", QKeySequence(Qt::CTRL | Qt::Key_Q)), &QAction::triggered, window_,
            &QWidget::close);
    connect(Add("actHelp", QKeySequence(Qt::Key_F1)), &QAction::triggered, this,
            &WindowShortcuts::help);
    // The keypad's Enter too.
    for (const auto& [name, key] : {std::pair{"actMakeVideos", Qt::Key_Return},
                                    std::pair{"actMakeVideosKeypad", Qt::Key_Enter}})
        connect(Add(name, QKeySequence(Qt::CTRL | key)), &QAction::triggered, this, [this] {
            if (make_->MakeVideosEnabled()) emit makeVideos();
        });
    stop_ = Add("actStop", QKeySequence(Qt::Key_Escape));
    connect(stop_, &QAction::triggered, this, &WindowShortcuts::askToStop);
    stop_->setEnabled(false);
    make_->AddShortcutTips(
        QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText),
        QKeySequence(Qt::Key_Escape).toString(QKeySequence::NativeText));

    // The recent projects, on the arrow beside "Open Project...".
    auto* menu = new QMenu(window_);
    menu->setObjectName("mnuRecentProjects");
    strip_->recentButton->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, &WindowShortcuts::FillRecentMenu);
    FillRecentMenu();
}

QAction* WindowShortcuts::Add(const QString& name, const QKeySequence& keys, QWidget* tipOf) {
    auto* action = new QAction(window_);
    action->setObjectName(name);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window_->addAction(action);
    if (tipOf) AddToTip(tipOf, keys);
    return action;
}

void WindowShortcuts::SetBatchRunning(bool running) {
    stop_->setEnabled(running);
}

void WindowShortcuts::ShowPanel(int index) {
    window_->ShowPanel(index);
    // The keyboard goes with it: onto the panel's first control.
    if (QWidget* first = panels_[index]->nextInFocusChain();
        first && panels_[index]->isAncestorOf(first))
        first->setFocus(Qt::TabFocusReason);
}

void WindowShortcuts::StepAdCopy(int step) {
    window_->ShowPanel(0);
    const int page = (speech_->CurrentAdCopy() + step + 4) % 4;
    speech_->ShowAdCopy(page);
    speech_->FocusAdCopy(page);
}

void WindowShortcuts::FillRecentMenu() {
    QMenu* menu = strip_->recentButton->menu();
    menu->clear();
    const QStringList recent = memory::RecentProjects();
    for (int i = 0; i < recent.size(); ++i) {
        // &1 .. &8: a digit opens it.
        QAction* entry = menu->addAction(QString("&%1 %2").arg(i + 1).arg(recent[i]));
        entry->setObjectName(QString("mnuRecent_%1").arg(i));
        const QString path = recent[i];
        connect(entry, &QAction::triggered, this, [this, path] { emit openRecent(path); });
    }
    if (recent.isEmpty()) menu->addAction("No recent projects")->setEnabled(false);
    strip_->recentButton->setEnabled(true);
}
