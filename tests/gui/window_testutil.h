#pragma once

// Helpers shared by the main window's tests: recording message boxes and
// addresses, clicking like a mouse, and a bound on modal dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <vector>

#include "MsgBox.h"
#include "Shell.h"

namespace uitest {

// Answers every message box with `answer` and keeps what was asked.
class MsgBoxRecorder {
public:
    explicit MsgBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : answer_(answer) {
        previous_ = SetMsgBoxHandler([this](const MsgBoxCall& call) {
            calls.push_back(call);
            return answer_;
        });
    }
    ~MsgBoxRecorder() { SetMsgBoxHandler(previous_); }
    void Answer(QMessageBox::StandardButton answer) { answer_ = answer; }
    std::vector<MsgBoxCall> calls;

private:
    QMessageBox::StandardButton answer_;
    MsgBoxHandler previous_;
};

// Keeps the addresses handed to the desktop instead of opening them.
class ShellRecorder {
public:
    ShellRecorder() {
        previous_ = SetShellOpenHandler([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }
    ~ShellRecorder() { SetShellOpenHandler(previous_); }
    std::vector<QUrl> opened;

private:
    ShellOpenHandler previous_;
};

// A left click in the middle of the widget, as the mouse would give it.
inline void Click(QWidget* w, QPoint at = QPoint(-1, -1)) {
    if (at.x() < 0) at = w->rect().center();
    const QPointF local(at);
    const QPointF global(w->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// Closes a modal dialog that is still open after `ms` (a test whose hook did
// not close it would otherwise hang) and remembers that it had to.
class ModalGuard {
public:
    explicit ModalGuard(int ms = 10000) : timer_(std::make_unique<QTimer>()) {
        timer_->setSingleShot(true);
        QObject::connect(timer_.get(), &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                fired_ = true;
                modal->close();
            }
        });
        timer_->start(ms);
    }
    bool Fired() const { return fired_; }

private:
    std::unique_ptr<QTimer> timer_;
    bool fired_ = false;
};

}  // namespace uitest
