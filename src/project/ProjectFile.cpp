#include "ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMap>
#include <QSaveFile>

#include "ClipSource.h"
#include "KeywordRules.h"

namespace vm {
namespace {

// Line and column of a byte offset, for parse errors a person can find.
QString Position(const QByteArray& json, int offset) {
    int line = 1;
    int column = 1;
    for (int i = 0; i < offset && i < json.size(); ++i) {
        if (json[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return QString("line %1, column %2").arg(line).arg(column);
}

// The fields of the object a dotted key lives in ("enabled", "file", ...),
// in the table's order.
QStringList GroupFields(const QString& group) {
    QStringList fields;
    for (const SettingDef* s : AllSettings())
        if (s->Group() == group) fields << s->Field();
    return fields;
}

bool ReadField(const SettingDef& s, const QJsonValue& v, const QString& field, Settings* p,
               QString* error) {
    QVariant value;
    if (!ReadSettingJson(s, v, field, &value, error)) return false;
    p->SetValue(s, value);
    return true;
}

}  // namespace

bool ParseProject(const QByteArray& json, Settings* project, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = QString("not valid JSON: %1 at %2")
                         .arg(parseError.errorString(), Position(json, parseError.offset));
        return false;
    }
    if (!doc.isObject()) {
        if (error) *error = "not a project: the file must hold one JSON object { ... }";
        return false;
    }
    Settings p;
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = *it;
        if (key == "version") {
            if (!v.isDouble() || v.toDouble() != kProjectVersion) {
                if (error)
                    *error = QString("version: expected %1, got %2")
                                 .arg(kProjectVersion)
                                 .arg(ShownJson(v));
                return false;
            }
            continue;
        }
        if (const SettingDef* s = FindSetting(key); s && s->Group().isEmpty()) {
            if (!ReadField(*s, v, key, &p, error)) return false;
            continue;
        }
        const QStringList fields = GroupFields(key);
        if (fields.isEmpty()) {
            if (error) *error = QString("%1: unknown field").arg(key);
            return false;
        }
        if (!v.isObject()) {
            if (error)
                *error = QString("%1: expected an object with %2, got %3")
                             .arg(key, fields.join(", "), ShownJson(v));
            return false;
        }
        const QJsonObject object = v.toObject();
        for (auto field = object.begin(); field != object.end(); ++field) {
            const QString name = key + "." + field.key();
            const SettingDef* s = FindSetting(name);
            if (!s) {
                if (error)
                    *error = QString("%1: unknown field (%2 knows %3)")
                                 .arg(name, key, fields.join(", "));
                return false;
            }
            if (!ReadField(*s, *field, name, &p, error)) return false;
        }
    }
    // Keywords typed with a tab or a space at either end name the same video.
    if (p.IsSet(setting::keywords)) p.Set(setting::keywords, TrimKeywords(p.Get(setting::keywords)));
    *project = p;
    return true;
}

QJsonObject ProjectJson(const Settings& p) {
    QJsonObject root;
    QMap<QString, QJsonObject> groups;
    for (const SettingDef* s : AllSettings()) {
        if (!p.IsSet(*s) || (s->omitDefault && p.Value(*s) == p.DefaultValue(*s))) continue;
        const QJsonValue value = SettingJson(*s, p.Value(*s));
        if (s->Group().isEmpty())
            root[s->Key()] = value;
        else
            groups[s->Group()][s->Field()] = value;
    }
    for (auto it = groups.begin(); it != groups.end(); ++it) root[it.key()] = it.value();
    return root;
}

QByteArray WriteProject(const Settings& p) {
    // QJsonObject keeps its keys sorted, which makes saved files stable and
    // easy to compare.
    QJsonObject root = ProjectJson(p);
    root["version"] = kProjectVersion;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool ReadProjectFile(const QString& path, Settings* project, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QString("cannot be read: %1").arg(file.errorString());
        return false;
    }
    return ParseProject(file.readAll(), project, error);
}

bool WriteProjectFile(const QString& path, const Settings& project, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(WriteProject(project)) < 0 ||
        !file.commit()) {
        if (error) *error = QString("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

FrameSize ProjectFrameSize(const Settings& project) {
    static constexpr int kSizes[][2] = {
        {1920, 1080}, {1280, 720}, {854, 480}, {640, 360}, {426, 240}};
    const int* size = kSizes[project.ChoiceIndex(setting::resolution)];
    if (project.Is(setting::shape, "portrait")) return {size[1], size[0]};
    if (project.Is(setting::shape, "square")) return {size[1], size[1]};
    return {size[0], size[1]};
}

FrameSize CoverSize(const Settings& project) {
    Settings cover;
    cover.Set(setting::resolution, "720p");
    cover.Set(setting::shape, project.Get(setting::shape));
    return ProjectFrameSize(cover);
}

QString ResolveProjectPath(const QString& written, const QString& projectFolder) {
    if (written.isEmpty() || QDir::isAbsolutePath(written)) return written;
    return QDir::cleanPath(QDir(projectFolder).absoluteFilePath(written));
}

QString StoredProjectPath(const QString& path, const QString& written, const QString& oldFolder,
                          const QString& newFolder) {
    if (written.isEmpty() || QDir::isAbsolutePath(written)) return path;
    // Same folder: exactly as written ("./a.jpg" stays "./a.jpg").
    if (QDir::cleanPath(oldFolder) == QDir::cleanPath(newFolder)) return written;
    return QDir(newFolder).relativeFilePath(path);
}

QString MissingProjectFile(const Settings& project, const QString& projectFolder,
                           bool slidesMayBeMissing) {
    if (project.IsSet(setting::slides)) {
        const QStringList slides = project.Get(setting::slides);
        for (int i = 0; i < slides.size(); ++i) {
            const QString path = ResolveProjectPath(slides[i], projectFolder);
            const QFileInfo info(path);
            if (info.isDir())
                return QString("slides[%1]: the image %2 is a folder, not a picture")
                    .arg(i)
                    .arg(path);
            if (!info.isFile() && !slidesMayBeMissing)
                return QString("slides[%1]: the image %2 does not exist").arg(i).arg(path);
            if (IsClipFile(path.toStdString())) {
                const ClipInfo clip = ProbeClip(path.toStdString());
                if (!clip.problem.empty())
                    return QString("slides[%1]: the clip %2 cannot be played: %3")
                        .arg(i)
                        .arg(path, QString::fromStdString(clip.problem));
            }
        }
    }
    if (project.Get(setting::music) && !project.Get(setting::musicFile).isEmpty()) {
        const QString path = ResolveProjectPath(project.Get(setting::musicFile), projectFolder);
        if (!QFileInfo(path).isFile())
            return QString("music.file: the music file %1 does not exist").arg(path);
    }
    return {};
}

}  // namespace vm
