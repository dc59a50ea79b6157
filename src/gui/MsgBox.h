#pragma once

#include <QMap>
#include <QMessageBox>
#include <QString>
#include <functional>

// Every message box of the program goes through MsgBox, so tests and
// headless runs can see the text, title and icon and answer Yes or No.
struct MsgBoxCall {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // Buttons shown with words of their own ("Replace" on Yes).
    QMap<QMessageBox::StandardButton, QString> labels;
    // The answer Enter gives; NoButton leaves it to QMessageBox.
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

using MsgBoxHandler = std::function<QMessageBox::StandardButton(const MsgBoxCall&)>;

// Shows the box (or hands it to the installed handler) and returns the answer.
// Its text can be selected and copied; Escape answers Cancel, No or Ok, the
// first of them the box has.
QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, const QString& title,
                                   QMessageBox::Icon icon,
                                   QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                   QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The same with some buttons worded for the question.
QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, const QString& title,
                                   QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                   const QMap<QMessageBox::StandardButton, QString>& labels,
                                   QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Installs a handler that answers every box instead of showing it; an empty
// handler restores the real boxes. Returns the previous handler.
MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler);
