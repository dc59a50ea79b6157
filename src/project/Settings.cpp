#include "Settings.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <cmath>

#include "RenderTimeline.h"
#include "SettingsTable.h"

namespace vm {

QString SettingDef::Group() const {
    const QString k = Key();
    const qsizetype dot = k.indexOf('.');
    return dot < 0 ? QString() : k.left(dot);
}

QString SettingDef::Field() const {
    const QString k = Key();
    return k.mid(k.indexOf('.') + 1);
}

namespace {

template <typename T>
SettingBuilder<T> Make(const char* key, SettingDef::Type type, const QVariant& fallback) {
    SettingBuilder<T> b;
    b.def.key = key;
    b.def.type = type;
    b.def.fallback = fallback;
    return b;
}

// The value in the type its setting holds.
QVariant Normalized(const SettingDef& s, const QVariant& value) {
    switch (s.type) {
        case SettingDef::Type::Flag:
            return value.toBool();
        case SettingDef::Type::Whole:
            return value.toInt();
        case SettingDef::Type::Number:
            return value.toDouble();
        case SettingDef::Type::Texts:
            return value.toStringList();
        default:
            return value.toString();
    }
}

QString Expected(const QString& field, const QString& expected, const QJsonValue& got) {
    return QString("%1: expected %2, got %3").arg(field, expected, ShownJson(got));
}

}  // namespace

SettingBuilder<bool> Flag(const char* key, bool fallback) {
    return Make<bool>(key, SettingDef::Type::Flag, fallback);
}

SettingBuilder<int> Whole(const char* key, int fallback, int lowest, int highest) {
    auto b = Make<int>(key, SettingDef::Type::Whole, fallback);
    b.def.lowest = lowest;
    b.def.highest = highest;
    return b;
}

SettingBuilder<double> Number(const char* key, double fallback, double lowest, double highest) {
    auto b = Make<double>(key, SettingDef::Type::Number, fallback);
    b.def.lowest = lowest;
    b.def.highest = highest;
    return b;
}

SettingBuilder<QString> Text(const char* key, const QString& fallback) {
    return Make<QString>(key, SettingDef::Type::Text, fallback);
}

SettingBuilder<QStringList> Texts(const char* key, const QStringList& fallback) {
    return Make<QStringList>(key, SettingDef::Type::Texts, fallback);
}

SettingBuilder<QString> Choice(const char* key, const QString& fallback,
                               const QStringList& choices) {
    auto b = Make<QString>(key, SettingDef::Type::Choice, fallback);
    b.def.choices = choices;
    return b;
}

const std::vector<const SettingDef*>& AllSettings() {
    static const std::vector<const SettingDef*> all(std::begin(setting::kAll),
                                                   std::end(setting::kAll));
    return all;
}

const SettingDef* FindSetting(const QString& key) {
    for (const SettingDef* s : AllSettings())
        if (s->Key() == key) return s;
    return nullptr;
}

QVariant Settings::Value(const SettingDef& s) const {
    const auto it = values_.constFind(s.key);
    return it != values_.constEnd() ? *it : DefaultValue(s);
}

QVariant Settings::DefaultValue(const SettingDef& s) const {
    return s.derived ? Normalized(s, s.derived(*this)) : s.fallback;
}

void Settings::SetValue(const SettingDef& s, const QVariant& value) {
    values_.insert(s.key, Normalized(s, value));
}

bool Settings::Is(const TextSetting& s, const char* name) const {
    // A name that is none of the choices is a slip of ours, not the user's.
    if (!s.choices.contains(QLatin1String(name)))
        qFatal("%s is no choice of the setting %s", name, s.key);
    return Get(s) == QLatin1String(name);
}

int Settings::ChoiceIndex(const TextSetting& s) const {
    return std::max<int>(0, s.choices.indexOf(Get(s)));
}

void Settings::FillFrom(const Settings& defaults) {
    for (auto it = defaults.values_.begin(); it != defaults.values_.end(); ++it) {
        if (values_.contains(it.key())) continue;
        const SettingDef* s = FindSetting(it.key());
        if (!s || !s->derived) values_.insert(it.key(), it.value());
    }
}

Settings Settings::Defaults() {
    Settings all;
    for (const SettingDef* s : AllSettings())
        if (!s->derived) all.SetValue(*s, s->fallback);
    return all;
}

bool Settings::operator==(const Settings& other) const {
    for (const SettingDef* s : AllSettings())
        if (IsSet(*s) != other.IsSet(*s) || Value(*s) != other.Value(*s)) return false;
    return true;
}

QString ShownJson(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Null:
            return "null";
        case QJsonValue::Bool:
            return value.toBool() ? "true" : "false";
        case QJsonValue::Double:
            return QString::number(value.toDouble(), 'g', 12);
        case QJsonValue::String: {
            QString text = value.toString();
            if (text.size() > 40) text = text.left(37) + "...";
            return "\"" + text + "\"";
        }
        case QJsonValue::Array:
            return "an array";
        case QJsonValue::Object:
            return "an object";
        default:
            return "nothing";
    }
}

QJsonValue SettingJson(const SettingDef& s, const QVariant& value) {
    return QJsonValue::fromVariant(Normalized(s, value));
}

bool ReadSettingJson(const SettingDef& s, const QJsonValue& v, const QString& field,
                     QVariant* value, QString* error) {
    auto fail = [&](const QString& expected, const QJsonValue& got, const QString& name) {
        if (error) *error = Expected(name, expected, got);
        return false;
    };
    switch (s.type) {
        case SettingDef::Type::Flag:
            if (!v.isBool()) return fail("true or false", v, field);
            *value = v.toBool();
            break;
        case SettingDef::Type::Whole: {
            const double d = v.toDouble();
            if (!v.isDouble() || std::floor(d) != d || d < s.lowest || d > s.highest)
                return fail(QString("a whole number from %1 to %2").arg(s.lowest).arg(s.highest),
                            v, field);
            *value = static_cast<int>(d);
            break;
        }
        case SettingDef::Type::Number:
            if (!v.isDouble() || v.toDouble() < s.lowest || v.toDouble() > s.highest)
                return fail(QString("a number from %1 to %2").arg(s.lowest).arg(s.highest), v,
                            field);
            *value = v.toDouble();
            break;
        case SettingDef::Type::Text:
            if (!v.isString()) return fail("a text in quotes", v, field);
            if (s.nonEmpty && v.toString().isEmpty()) return fail(s.nonEmpty, v, field);
            *value = v.toString();
            break;
        case SettingDef::Type::Choice:
            if (!v.isString() || !s.choices.contains(v.toString()))
                return fail("one of \"" + s.choices.join("\", \"") + "\"", v, field);
            *value = v.toString();
            break;
        case SettingDef::Type::Texts: {
            if (!v.isArray()) return fail("a list of texts", v, field);
            QStringList items;
            const QJsonArray array = v.toArray();
            items.reserve(array.size());
            // A keyword list may hold a million: each item is read once, and
            // its name is only spelled out for one that is refused.
            for (int i = 0; i < array.size(); ++i) {
                const QJsonValue entry = array[i];
                auto item = [&] { return QString("%1[%2]").arg(field).arg(i); };
                if (!entry.isString()) return fail("a text in quotes", entry, item());
                QString text = entry.toString();
                // Only spaces is no name either.
                if (!s.emptyItems && text.trimmed().isEmpty())
                    return fail("a text that is not empty", entry, item());
                items << std::move(text);
            }
            if (s.maxItems > 0 && items.size() > s.maxItems) {
                if (error)
                    *error = QString("%1: expected at most %2 %3, got %4")
                                 .arg(field)
                                 .arg(s.maxItems)
                                 .arg(QString(s.label).toLower())
                                 .arg(items.size());
                return false;
            }
            *value = items;
            break;
        }
    }
    if (s.check) {
        const QString problem = s.check(*value);
        if (!problem.isEmpty()) return fail(problem, v, field);
    }
    return true;
}

namespace setting {

QString TransitionSetProblem(const QVariant& value) {
    const QString set = value.toString();
    if (set == "ten" || set == "all" || TransitionTypeNamed(set.toStdString()) > 0) return {};
    QStringList names;
    for (const std::string& name : TransitionNames()) names << QString::fromStdString(name);
    return "\"ten\", \"all\" or one of " + names.join(", ");
}

QString ColourProblem(const QVariant& value) {
    const QString text = value.toString();
    static const QRegularExpression rgb("^#[0-9A-Fa-f]{6}$");
    return rgb.match(text).hasMatch() ? QString() : "a colour written #RRGGBB";
}

std::function<QVariant(const Settings&)> FromCaptionStyle(const char* key) {
    return [key](const Settings& s) {
        const QString preset = s.Get(captionStyle);
        const QVariantMap parts = CaptionStyleParts(preset);
        const SettingDef* part = FindSetting(QString::fromLatin1(key));
        return parts.contains(key) ? parts.value(key) : part->fallback;
    };
}

QVariantMap CaptionStyleParts(const QString& preset) {
    // Classic is every part's table default.
    if (preset == "boldCentre")
        return {{"captionStyle.size", 9.0},           {"captionStyle.place", "middle"},
                {"captionStyle.margin", 0.0},         {"captionStyle.backColour", "#000000"},
                {"captionStyle.upperCase", true},     {"captionStyle.wordsPerCue", 3},
                {"captionStyle.highlight", "#FFE03C"}};
    if (preset == "boxedLowerThird")
        return {{"captionStyle.size", 5.0},
                {"captionStyle.background", "box"},
                {"captionStyle.backColour", "#101828"},
                {"captionStyle.backOpacity", 75},
                {"captionStyle.margin", 6.0},
                {"captionStyle.highlight", "#7FD4FF"}};
    if (preset == "oneWordAtATime")
        return {{"captionStyle.size", 12.0},
                {"captionStyle.margin", 12.0},
                {"captionStyle.backColour", "#000000"},
                {"captionStyle.upperCase", true},
                {"captionStyle.wordsPerCue", 1},
                {"captionStyle.highlight", "#FFE03C"}};
    return {};
}

}  // namespace setting
}  // namespace vm
