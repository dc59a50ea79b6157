#include "MsgBox.h"

#include <QAbstractButton>

namespace {
MsgBoxHandler& Handler() {
    static MsgBoxHandler handler;
    return handler;
}
}  // namespace

QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, const QString& title,
                                   QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) {
    return MsgBox(parent, text, title, icon, buttons, {});
}

QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, const QString& title,
                                   QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                   const QMap<QMessageBox::StandardButton, QString>& labels) {
    const MsgBoxCall call{text, title, icon, buttons, labels};
    if (Handler()) return Handler()(call);
    QMessageBox box(icon, title, text, buttons, parent);
    for (auto it = labels.begin(); it != labels.end(); ++it)
        if (QAbstractButton* button = box.button(it.key())) button->setText(it.value());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler) {
    MsgBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
