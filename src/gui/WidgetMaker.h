#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class LinkLabel;

// The window's controls are placed in pixels, each with the name the program
// knows it by as its objectName. These make them the same way in every panel.
namespace ui {

// A widget of type T with `name` as its objectName.
template <typename T, typename... Args>
T* Make(QWidget* parent, const QString& name, Args&&... args) {
    T* w = new T(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    return w;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& r);
// An underlined label that reacts to a click.
LinkLabel* MakeLink(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                    const QColor& color = QColor(0, 0, 238), bool bold = false);
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QRect& r);
// A combo box with an editable text part, as the program's lists have.
QComboBox* MakeCombo(QWidget* parent, const QString& name, const QRect& r);
QCheckBox* MakeCheck(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                     bool checked = false);

void SetTextColor(QWidget* w, const QColor& color);
void SetBold(QWidget* w, bool bold = true);

}  // namespace ui
