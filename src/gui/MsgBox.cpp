#include "MsgBox.h"

#include <QAbstractButton>

namespace {
MsgBoxHandler& Handler() {
    static MsgBoxHandler handler;
    return handler;
}

// The answer Escape gives: Cancel, else No, else Ok, as the buttons allow.
// Without one, a box with Ok and Open would not close on Escape.
QMessageBox::StandardButton EscapeAnswer(QMessageBox::StandardButtons buttons) {
    for (QMessageBox::StandardButton b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok})
        if (buttons & b) return b;
    return QMessageBox::NoButton;
}
}  // namespace

QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, const QString& title,
                                   QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton defaultButton) {
    return MsgBox(parent, text, title, icon, buttons, {}, defaultButton);
}

QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, const QString& title,
                                   QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                   const QMap<QMessageBox::StandardButton, QString>& labels,
                                   QMessageBox::StandardButton defaultButton) {
    const MsgBoxCall call{text, title, icon, buttons, labels, defaultButton};
    if (Handler()) return Handler()(call);
    QMessageBox box(icon, title, text, buttons, parent);
    for (auto it = labels.begin(); it != labels.end(); ++it)
        if (QAbstractButton* button = box.button(it.key())) button->setText(it.value());
    // Paths and reasons in a message can be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    if (const auto escape = EscapeAnswer(buttons); escape != QMessageBox::NoButton)
        box.setEscapeButton(escape);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler) {
    MsgBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
