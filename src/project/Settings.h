#pragma once

#include <QHash>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <type_traits>
#include <vector>

// The settings of a project, each declared once (SettingsTable.h) with its
// project-file key, type, default, range or named choices, the label the
// window shows, its control and its name in the report. Reading and writing
// project files, defaults, range checks, the report and the window's binding
// all walk that table, so a new setting is one line there plus the code that
// uses it (and its control, if it has one).
namespace vm {

class Settings;

struct SettingDef {
    enum class Type {
        Flag,    // true or false
        Whole,   // a whole number in [lowest, highest]
        Number,  // a number in [lowest, highest]
        Text,    // any text (Path: a file, relative to the project file)
        Texts,   // a list of texts (Paths: files)
        Choice,  // one of `choices`, held and written by that name
    };

    // The project-file key. A dot puts the field in an object of a few
    // fields: "music.duckDb" is {"music": {"duckDb": ...}}.
    const char* key = "";
    Type type = Type::Flag;
    QVariant fallback;  // the default: what a project that leaves it out gets
    double lowest = 0;
    double highest = 0;
    QStringList choices;
    // Texts: items may be empty (ad copies) or must hold a name (slides,
    // keywords); at most `maxItems` of them (0: no limit).
    bool emptyItems = false;
    int maxItems = 0;
    // Text: what is expected when it must not be empty (null: it may be).
    const char* nonEmpty = nullptr;
    // The value names files, relative to the project file's folder.
    bool path = false;
    // Left out of the project file while it holds its default, so files
    // saved before the setting existed are written as they were.
    bool omitDefault = false;
    // What the window calls it, and the objectName of the window's control
    // that edits it ("" when it has none or a control of its own kind).
    const char* label = "";
    const char* control = "";
    // Its name in the report's "output" block ("" when it is not there), and
    // what is reported when that differs from the value itself.
    const char* report = "";
    std::function<QJsonValue(const Settings&)> reportValue;
    // A further check of a value that has the right type: the "expected ..."
    // text, or empty when the value is fine.
    std::function<QString(const QVariant&)> check;
    // A default that follows other settings (a caption style's parts follow
    // its preset): a project that leaves the setting out gets this.
    std::function<QVariant(const Settings&)> derived;

    QString Key() const { return QString::fromLatin1(key); }
    // The object a dotted key lives in ("music"), empty for a top-level key.
    QString Group() const;
    // The key inside that object ("duckDb").
    QString Field() const;
};

// A typed handle on a declaration: Settings::Get(setting::speechRate) is a
// double, Get(setting::shape) the choice's name.
template <typename T>
struct Setting : SettingDef {};
using FlagSetting = Setting<bool>;
using WholeSetting = Setting<int>;
using NumberSetting = Setting<double>;
using TextSetting = Setting<QString>;
using TextsSetting = Setting<QStringList>;

// Builders for the table: each fills the type and limits; the rest is set
// with the chained calls.
template <typename T>
struct SettingBuilder {
    Setting<T> def;
    SettingBuilder& Label(const char* text) { return def.label = text, *this; }
    SettingBuilder& Control(const char* objectName) { return def.control = objectName, *this; }
    // Reported in the "output" block under its key (or `name`).
    SettingBuilder& Report(const char* name = nullptr) {
        return def.report = name ? name : def.key, *this;
    }
    SettingBuilder& ReportValue(std::function<QJsonValue(const Settings&)> value) {
        return def.reportValue = std::move(value), *this;
    }
    SettingBuilder& Check(std::function<QString(const QVariant&)> check) {
        return def.check = std::move(check), *this;
    }
    SettingBuilder& Derived(std::function<QVariant(const Settings&)> value) {
        return def.derived = std::move(value), *this;
    }
    SettingBuilder& NonEmpty(const char* expected) { return def.nonEmpty = expected, *this; }
    SettingBuilder& EmptyItems(int maxItems = 0) {
        def.emptyItems = true;
        def.maxItems = maxItems;
        return *this;
    }
    SettingBuilder& Path() { return def.path = true, *this; }
    SettingBuilder& OmitDefault() { return def.omitDefault = true, *this; }
    operator Setting<T>() const { return def; }
};
SettingBuilder<bool> Flag(const char* key, bool fallback);
SettingBuilder<int> Whole(const char* key, int fallback, int lowest, int highest);
SettingBuilder<double> Number(const char* key, double fallback, double lowest, double highest);
SettingBuilder<QString> Text(const char* key, const QString& fallback = {});
SettingBuilder<QStringList> Texts(const char* key, const QStringList& fallback = {});
SettingBuilder<QString> Choice(const char* key, const QString& fallback,
                               const QStringList& choices);

// Every setting, in the order of the table.
const std::vector<const SettingDef*>& AllSettings();
// The declaration of a key ("music.duckDb"); null when there is none.
const SettingDef* FindSetting(const QString& key);

// The values of a project's settings. A setting that was never set has its
// default; IsSet tells which were (a project file may leave fields out).
class Settings {
public:
    template <typename T>
    T Get(const Setting<T>& s) const {
        return Value(s).template value<T>();
    }
    // For a choice: whether it is `name`. `name` must be one of its choices.
    bool Is(const TextSetting& s, const char* name) const;
    // The choice's place in its list (0 for the first).
    int ChoiceIndex(const TextSetting& s) const;

    template <typename T>
    void Set(const Setting<T>& s, const std::type_identity_t<T>& value) {
        SetValue(s, QVariant::fromValue(value));
    }
    QVariant Value(const SettingDef& s) const;
    // What the setting holds while it is left out: its table default, or
    // what it follows (a caption style's part, its style's).
    QVariant DefaultValue(const SettingDef& s) const;
    // Sets a value of the setting's type (no range check: values from a file
    // or a control are checked where they enter).
    void SetValue(const SettingDef& s, const QVariant& value);
    void Unset(const SettingDef& s) { values_.remove(s.key); }
    bool IsSet(const SettingDef& s) const { return values_.contains(s.key); }

    // Settings this one leaves unset take the values of `defaults`, but for
    // those whose default follows other settings.
    void FillFrom(const Settings& defaults);
    // Every setting set, to its table default, but for those whose default
    // follows other settings.
    static Settings Defaults();

    bool operator==(const Settings& other) const;
    bool operator!=(const Settings& other) const { return !(*this == other); }

private:
    QHash<QString, QVariant> values_;
};

// A value as the project file writes it ("portrait", 1.5, ["a", "b"]).
QJsonValue SettingJson(const SettingDef& s, const QVariant& value);
// Reads a project-file value of `s`; false with "field: expected ..., got
// ..." in `error` when it is not one. `field` names it in the message (a
// row's column, or the key).
bool ReadSettingJson(const SettingDef& s, const QJsonValue& json, const QString& field,
                     QVariant* value, QString* error);
// A value as the user wrote it, short enough for one line.
QString ShownJson(const QJsonValue& value);

}  // namespace vm
