#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "ProjectFile.h"

// The project being edited: the values of every setting, the file it came
// from, and whether it has changes not saved. The window's controls edit it
// and follow it; a batch takes a copy of its values. Paths are held full (as
// the window shows them); a save writes each back in the form it was read in
// (a relative path stays relative).
namespace vm {

class ProjectModel : public QObject {
    Q_OBJECT
public:
    explicit ProjectModel(QObject* parent = nullptr);

    // What a new project starts from and what a file's missing fields get:
    // the machine's defaults. Also makes the project new with them.
    void SetDefaults(const Settings& defaults);
    const Settings& Defaults() const { return defaults_; }

    const Settings& Values() const { return values_; }
    template <typename T>
    T Get(const Setting<T>& s) const {
        return values_.Get(s);
    }
    template <typename T>
    void Set(const Setting<T>& s, const std::type_identity_t<T>& value) {
        SetValue(s, QVariant::fromValue(value));
    }
    // Emits changed() and marks the project modified when the value differs.
    void SetValue(const SettingDef& s, const QVariant& value);

    // A new project: the defaults with `values` set on top, no file, nothing
    // to save.
    void New(const Settings& values = {});
    // Opens a project file. `check` may refuse it (a voice this machine
    // lacks, a missing slide) before anything changes; fields the file
    // leaves out take the defaults.
    using Check = std::function<QString(const Settings& project, const QString& folder)>;
    bool Open(const QString& path, const Check& check, QString* error);
    // Writes every setting to `path`, which becomes the project's file.
    bool Save(const QString& path, QString* error);

    QString Path() const { return path_; }
    // The folder relative paths start from: the file's, or none.
    QString Folder() const { return folder_; }
    bool IsModified() const { return modified_; }

signals:
    void changed(const vm::SettingDef* setting);
    // Every value may have changed (a project was opened or made new).
    void reset();
    void modifiedChanged(bool modified);
    void pathChanged(const QString& path);

private:
    void SetModified(bool modified);
    void Replace(const Settings& values, const QString& path);

    Settings defaults_;
    Settings values_;
    QString path_;
    QString folder_;
    bool modified_ = false;
    // Full path and the form it was written in, in the order read: the same
    // picture may be in the list twice, written two ways.
    QList<QPair<QString, QString>> written_;
};

}  // namespace vm
