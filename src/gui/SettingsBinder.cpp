#include "SettingsBinder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <cmath>

#include "Controls.h"
#include "ProjectModel.h"

namespace {

using Type = vm::SettingDef::Type;

// What item `index` of a combo box stands for: its data when it has some
// (a choice's name), else its text (a voice, a compressor).
QString ItemValue(const QComboBox* box, int index) {
    const QVariant data = box->itemData(index);
    return data.isValid() ? data.toString() : box->itemText(index);
}

// The item the box shows: the current one, or in an editable box the one
// whose text was typed (-1 when the text is no item's).
int ShownItem(const QComboBox* box) {
    return box->isEditable() ? box->findText(box->currentText(), Qt::MatchExactly)
                             : box->currentIndex();
}

// A whole number typed into an editable box ("7", " 7.5 " is 7), invalid when
// it is none or out of the setting's range.
QVariant TypedWhole(const QString& text, const vm::SettingDef& s) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < s.lowest || value > s.highest) return {};
    return int(std::floor(value));
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

}  // namespace

SettingsBinder::SettingsBinder(vm::ProjectModel* model, QWidget* root)
    : QObject(root), model_(model) {
    for (const vm::SettingDef* s : vm::AllSettings()) {
        const QString name = QString::fromLatin1(s->control);
        if (name.isEmpty()) continue;
        auto b = std::make_unique<Binding>();
        b->setting = s;
        if (name.contains("%1")) {
            BindPages(b.get(), root);
        } else if (QWidget* control = root->findChild<QWidget*>(name)) {
            Bind(b.get(), control);
        }
        if (b->read) bindings_.push_back(std::move(b));
    }
    connect(model_, &vm::ProjectModel::changed, this, [this](const vm::SettingDef* s) {
        if (Binding* b = Find(s)) Show(b);
    });
    connect(model_, &vm::ProjectModel::reset, this, [this] {
        for (const auto& b : bindings_) Show(b.get());
    });
    for (const auto& b : bindings_) Show(b.get());
}

SettingsBinder::~SettingsBinder() = default;

void SettingsBinder::Bind(Binding* b, QWidget* control) {
    const vm::SettingDef& s = *b->setting;
    auto edited = [this, b] { Edited(b); };
    b->text = [] { return QString(); };
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        b->read = [box] { return QVariant(box->isChecked()); };
        b->write = [box](const QVariant& v) { box->setChecked(v.toBool()); };
        connect(box, &QCheckBox::toggled, this, edited);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setRange(int(s.lowest), int(s.highest));
        b->read = [spin] { return QVariant(spin->value()); };
        b->write = [spin](const QVariant& v) { spin->setValue(v.toInt()); };
        connect(spin, &QSpinBox::valueChanged, this, edited);
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(control)) {
        spin->setRange(s.lowest, s.highest);
        b->read = [spin] { return QVariant(spin->value()); };
        b->write = [spin](const QVariant& v) { spin->setValue(v.toDouble()); };
        connect(spin, &QDoubleSpinBox::valueChanged, this, edited);
    } else if (auto* box = qobject_cast<QComboBox*>(control)) {
        b->text = [box] { return box->currentText(); };
        if (box->isEditable() && s.type == Type::Whole) {
            b->read = [box, &s] { return TypedWhole(box->currentText(), s); };
            b->write = [box](const QVariant& v) {
                const QString text = QString::number(v.toInt());
                const int index = box->findText(text, Qt::MatchExactly);
                if (index >= 0)
                    box->setCurrentIndex(index);
                else
                    box->setEditText(text);
            };
        } else {
            b->read = [box] {
                const int index = ShownItem(box);
                return index < 0 ? QVariant() : QVariant(ItemValue(box, index));
            };
            b->write = [box](const QVariant& v) {
                int index = -1;
                for (int i = 0; i < box->count() && index < 0; ++i)
                    if (ItemValue(box, i) == v.toString()) index = i;
                box->setCurrentIndex(index);
            };
        }
        connect(box, &QComboBox::currentIndexChanged, this, edited);
        connect(box, &QComboBox::editTextChanged, this, edited);
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        // A masked one (a colour's "#RRGGBB") holds a value only when filled.
        b->read = [line] {
            return line->hasAcceptableInput() ? QVariant(line->text()) : QVariant();
        };
        b->write = [line](const QVariant& v) { line->setText(v.toString()); };
        connect(line, &QLineEdit::textChanged, this, edited);
    } else if (auto* editor = qobject_cast<QPlainTextEdit*>(control)) {
        b->read = [editor] { return QVariant(editor->toPlainText()); };
        b->write = [editor](const QVariant& v) { editor->setPlainText(v.toString()); };
        connect(editor, &QPlainTextEdit::textChanged, this, edited);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        b->read = [list] { return QVariant(Items(list)); };
        b->write = [list](const QVariant& v) {
            list->clear();
            list->addItems(v.toStringList());
        };
        const QAbstractItemModel* items = list->model();
        connect(items, &QAbstractItemModel::rowsInserted, this, edited);
        connect(items, &QAbstractItemModel::rowsRemoved, this, edited);
        connect(items, &QAbstractItemModel::rowsMoved, this, edited);
        connect(items, &QAbstractItemModel::modelReset, this, edited);
        connect(items, &QAbstractItemModel::dataChanged, this, edited);
    } else if (auto* label = qobject_cast<PathLabel*>(control)) {
        b->read = [label] { return QVariant(label->text()); };
        b->write = [label](const QVariant& v) { label->SetPath(v.toString()); };
        connect(label, &PathLabel::pathChanged, this, edited);
    }
}

void SettingsBinder::BindPages(Binding* b, QWidget* root) {
    QList<QTextEdit*> pages;
    const QString name = QString::fromLatin1(b->setting->control);
    while (auto* page = root->findChild<QTextEdit*>(name.arg(pages.size()))) pages << page;
    if (pages.isEmpty()) return;
    b->text = [] { return QString(); };
    b->read = [pages] {
        QStringList texts;
        for (const QTextEdit* page : pages) texts << page->toPlainText();
        return QVariant(texts);
    };
    b->write = [pages](const QVariant& v) {
        const QStringList texts = v.toStringList();
        for (int i = 0; i < pages.size(); ++i)
            if (pages[i]->toPlainText() != texts.value(i)) pages[i]->setPlainText(texts.value(i));
    };
    for (QTextEdit* page : pages)
        connect(page, &QTextEdit::textChanged, this, [this, b] { Edited(b); });
}

void SettingsBinder::Edited(Binding* b) {
    if (busy_ || b->held) return;
    const QVariant value = b->read();
    if (!value.isValid()) return;
    busy_ = b;
    model_->SetValue(*b->setting, value);
    busy_ = nullptr;
}

void SettingsBinder::Show(Binding* b) {
    if (busy_ == b || b->held) return;
    const QVariant value = model_->Values().Value(*b->setting);
    if (b->read() == value) return;
    const Binding* was = busy_;
    busy_ = b;
    b->write(value);
    busy_ = was;
}

bool SettingsBinder::Shows(const vm::SettingDef& setting) const {
    const Binding* b = Find(&setting);
    return !b || b->read().isValid();
}

QString SettingsBinder::ShownText(const vm::SettingDef& setting) const {
    const Binding* b = Find(&setting);
    return b ? b->text() : QString();
}

void SettingsBinder::Hold(const vm::SettingDef& setting, bool held) {
    Binding* b = Find(&setting);
    if (!b || b->held == held) return;
    b->held = held;
    if (!held) Show(b);
}

SettingsBinder::Binding* SettingsBinder::Find(const vm::SettingDef* setting) const {
    for (const auto& b : bindings_)
        if (b->setting == setting) return b.get();
    return nullptr;
}
