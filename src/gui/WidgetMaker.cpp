#include "WidgetMaker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "Controls.h"

namespace ui {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& r) {
    auto* l = Make<QLabel>(parent, name, text);
    l->setGeometry(r);
    return l;
}

LinkLabel* MakeLink(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                    const QColor& color, bool bold) {
    auto* l = Make<LinkLabel>(parent, name, text);
    QFont f = l->font();
    f.setUnderline(true);
    f.setBold(bold);
    l->setFont(f);
    SetTextColor(l, color);
    l->setGeometry(r);
    return l;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QRect& r) {
    auto* b = Make<QPushButton>(parent, name, text);
    b->setGeometry(r);
    return b;
}

QComboBox* MakeCombo(QWidget* parent, const QString& name, const QRect& r) {
    auto* c = Make<QComboBox>(parent, name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setGeometry(r);
    return c;
}

QCheckBox* MakeCheck(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                     bool checked) {
    auto* c = Make<QCheckBox>(parent, name, text);
    c->setChecked(checked);
    c->setGeometry(r);
    return c;
}

void SetTextColor(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

void SetBold(QWidget* w, bool bold) {
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

}  // namespace ui
