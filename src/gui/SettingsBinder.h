#pragma once

#include <QObject>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
namespace vm {
class ProjectModel;
struct SettingDef;
}  // namespace vm

// Keeps the window's controls and the project in step. It walks the settings
// table and binds every setting whose control (by objectName) is under
// `root`, by the control's kind: a check box to a flag, a spin box to a
// number (its range from the table), a combo box to a choice (each item's
// data is the choice's name) or a text (the item's text), an editable combo
// box to a whole number typed in it, a line or text editor to a text, a list
// to a list of texts, a path label to a path, and the four ad-copy pages to
// the ad copies. An edit sets the model; a model that changes (a project
// opened) sets the controls, without that coming back as an edit.
class SettingsBinder : public QObject {
    Q_OBJECT
public:
    SettingsBinder(vm::ProjectModel* model, QWidget* root);
    ~SettingsBinder() override;

    // Whether the setting's control shows one of its values: text typed into
    // a combo box that is none of its items shows none, and the model keeps
    // the value it had.
    bool Shows(const vm::SettingDef& setting) const;
    // What the control shows, as the user sees it (the typed text).
    QString ShownText(const vm::SettingDef& setting) const;
    // While held, the control may show something that is not the project's
    // (a batch's slides) and its changes do not reach the model; released,
    // it shows the model's value again.
    void Hold(const vm::SettingDef& setting, bool held);

private:
    struct Binding {
        const vm::SettingDef* setting = nullptr;
        // The control's value; invalid when it shows none.
        std::function<QVariant()> read;
        std::function<void(const QVariant&)> write;
        std::function<QString()> text;
        bool held = false;
    };
    void Bind(Binding* b, QWidget* control);
    void BindPages(Binding* b, QWidget* root);
    void Edited(Binding* b);
    void Show(Binding* b);
    Binding* Find(const vm::SettingDef* setting) const;

    vm::ProjectModel* model_;
    std::vector<std::unique_ptr<Binding>> bindings_;
    // The binding whose control is being edited or written to now: its own
    // changes do not come back to it.
    const Binding* busy_ = nullptr;
};
