#include "ProjectModel.h"

#include <QFileInfo>
#include <QHash>

namespace vm {
namespace {

// The settings that name files (the slides, the music).
bool IsPath(const SettingDef& s) {
    return s.path;
}

QStringList Paths(const SettingDef& s, const QVariant& value) {
    return s.type == SettingDef::Type::Texts ? value.toStringList() : QStringList{value.toString()};
}

QVariant FromPaths(const SettingDef& s, const QStringList& paths) {
    return s.type == SettingDef::Type::Texts ? QVariant(paths) : QVariant(paths.value(0));
}

}  // namespace

ProjectModel::ProjectModel(QObject* parent) : QObject(parent) {
    defaults_ = Settings::Defaults();
    values_ = defaults_;
}

void ProjectModel::SetDefaults(const Settings& defaults) {
    defaults_ = Settings::Defaults();
    for (const SettingDef* s : AllSettings())
        if (defaults.IsSet(*s)) defaults_.SetValue(*s, defaults.Value(*s));
    New();
}

void ProjectModel::SetValue(const SettingDef& s, const QVariant& value) {
    Settings next = values_;
    next.SetValue(s, value);
    if (next.Value(s) == values_.Value(s)) return;
    // A setting whose default follows this one (a caption style's parts)
    // takes its new default: choosing a style shows that style.
    std::vector<const SettingDef*> followers;
    for (const SettingDef* d : AllSettings()) {
        if (!d->derived || d == &s || d->derived(next) == d->derived(values_)) continue;
        next.Unset(*d);
        if (next.Value(*d) != values_.Value(*d)) followers.push_back(d);
    }
    values_ = next;
    emit changed(&s);
    for (const SettingDef* d : followers) emit changed(d);
    SetModified(true);
}

void ProjectModel::New(const Settings& values) {
    Settings all = values;
    all.FillFrom(defaults_);
    written_.clear();
    folder_.clear();
    Replace(all, QString());
}

bool ProjectModel::Open(const QString& path, const Check& check, QString* error) {
    Settings read;
    if (!ReadProjectFile(path, &read, error)) return false;
    const QString folder = QFileInfo(path).absolutePath();
    const QString problem = check ? check(read, folder) : QString();
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return false;
    }
    read.FillFrom(defaults_);
    QList<QPair<QString, QString>> written;
    for (const SettingDef* s : AllSettings()) {
        if (!IsPath(*s)) continue;
        QStringList full;
        for (const QString& form : Paths(*s, read.Value(*s))) {
            full << ResolveProjectPath(form, folder);
            if (!full.last().isEmpty()) written.append({full.last(), form});
        }
        read.SetValue(*s, FromPaths(*s, full));
    }
    written_ = written;
    folder_ = folder;
    Replace(read, path);
    return true;
}

bool ProjectModel::Save(const QString& path, QString* error) {
    const QString newFolder = QFileInfo(path).absolutePath();
    // Each path takes the next unused form it was read in; paths added since
    // (a slide added twice) take the last.
    QHash<QString, QStringList> forms;
    QHash<QString, QString> lastForm;
    for (const auto& [full, form] : written_) {
        forms[full] << form;
        lastForm[full] = form;
    }
    Settings stored = values_;
    QList<QPair<QString, QString>> written;
    for (const SettingDef* s : AllSettings()) {
        if (!IsPath(*s)) continue;
        QStringList out;
        for (const QString& full : Paths(*s, values_.Value(*s))) {
            if (full.isEmpty()) {
                out << full;
                continue;
            }
            QStringList& unused = forms[full];
            const QString was = unused.isEmpty() ? lastForm.value(full) : unused.takeFirst();
            out << StoredProjectPath(full, was, folder_, newFolder);
            written.append({full, out.last()});
        }
        stored.SetValue(*s, FromPaths(*s, out));
    }
    if (!WriteProjectFile(path, stored, error)) return false;
    // The saved file is now where relative paths start from.
    written_ = written;
    folder_ = newFolder;
    path_ = path;
    emit pathChanged(path_);
    SetModified(false);
    return true;
}

void ProjectModel::SetModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    emit modifiedChanged(modified_);
}

void ProjectModel::Replace(const Settings& values, const QString& path) {
    values_ = values;
    path_ = path;
    emit reset();
    emit pathChanged(path_);
    SetModified(false);
}

}  // namespace vm
