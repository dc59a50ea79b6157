#include "MsgBox.h"

namespace {
MsgBoxHandler& Handler() {
    static MsgBoxHandler handler;
    return handler;
}
}  // namespace

QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, const QString& title,
                                   QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) {
    const MsgBoxCall call{text, title, icon, buttons};
    if (Handler()) return Handler()(call);
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler) {
    MsgBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
