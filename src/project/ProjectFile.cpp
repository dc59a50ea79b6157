#include "ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <cmath>

#include "RenderTimeline.h"

namespace vm {
namespace {

const QStringList kWhenLonger = {"showLastImage", "repeatImages"};

// 16-bit seconds: the timing plan must be able to hold the slide time.
constexpr int kMaxSecondsPerSlide = 32767;

// A value as the user wrote it, short enough for one line.
QString Shown(const QJsonValue& value) {
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

// Each reader returns false with the field's error set.
struct Reader {
    QString* error;

    bool Fail(const QString& field, const QString& expected, const QJsonValue& got) {
        if (error) *error = QString("%1: expected %2, got %3").arg(field, expected, Shown(got));
        return false;
    }

    bool Bool(const QJsonValue& v, const QString& field, std::optional<bool>* out) {
        if (!v.isBool()) return Fail(field, "true or false", v);
        *out = v.toBool();
        return true;
    }

    bool String(const QJsonValue& v, const QString& field, std::optional<QString>* out) {
        if (!v.isString()) return Fail(field, "a text in quotes", v);
        *out = v.toString();
        return true;
    }

    bool Strings(const QJsonValue& v, const QString& field, std::optional<QStringList>* out,
                 bool allowEmptyItems) {
        if (!v.isArray()) return Fail(field, "a list of texts", v);
        QStringList items;
        const QJsonArray array = v.toArray();
        for (int i = 0; i < array.size(); ++i) {
            const QString item = QString("%1[%2]").arg(field).arg(i);
            if (!array[i].isString()) return Fail(item, "a text in quotes", array[i]);
            // Only spaces is no name either.
            if (!allowEmptyItems && array[i].toString().trimmed().isEmpty())
                return Fail(item, "a text that is not empty", array[i]);
            items << array[i].toString();
        }
        *out = items;
        return true;
    }

    bool Choice(const QJsonValue& v, const QString& field, const QStringList& choices,
                std::optional<int>* out) {
        const int index = v.isString() ? choices.indexOf(v.toString()) : -1;
        if (index < 0) return Fail(field, "one of \"" + choices.join("\", \"") + "\"", v);
        *out = index;
        return true;
    }

    bool Number(const QJsonValue& v, const QString& field, double lowest, double highest,
                std::optional<double>* out) {
        if (!v.isDouble() || v.toDouble() < lowest || v.toDouble() > highest)
            return Fail(field, QString("a number from %1 to %2").arg(lowest).arg(highest), v);
        *out = v.toDouble();
        return true;
    }

    bool Whole(const QJsonValue& v, const QString& field, int lowest, int highest,
               std::optional<int>* out) {
        const double d = v.toDouble();
        if (!v.isDouble() || std::floor(d) != d || d < lowest || d > highest)
            return Fail(field, QString("a whole number from %1 to %2").arg(lowest).arg(highest), v);
        *out = static_cast<int>(d);
        return true;
    }

    // An object of a few fields: `read` takes each key and its value and
    // returns false, leaving the error to this, for a key it does not know.
    template <typename Read>
    bool Object(const QJsonValue& v, const QString& field, const QStringList& keys, Read read) {
        if (!v.isObject()) return Fail(field, "an object with " + keys.join(", "), v);
        const QJsonObject object = v.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!keys.contains(it.key())) {
                if (error)
                    *error = QString("%1.%2: unknown field (%1 knows %3)")
                                 .arg(field, it.key(), keys.join(", "));
                return false;
            }
            if (!read(it.key(), *it, field + "." + it.key())) return false;
        }
        return true;
    }
};

bool ReadMusic(const QJsonValue& v, ProjectFile* p, Reader& r) {
    return r.Object(v, "music", {"enabled", "file", "reduceVolume", "duck", "duckDb"},
                    [&](const QString& key, const QJsonValue& value, const QString& field) {
                        if (key == "enabled") return r.Bool(value, field, &p->music);
                        if (key == "file") return r.String(value, field, &p->musicFile);
                        if (key == "duck") return r.Bool(value, field, &p->musicDuck);
                        if (key == "duckDb")
                            return r.Number(value, field, 1, kMaxDuckDb, &p->musicDuckDb);
                        return r.Bool(value, field, &p->musicReduceVolume);
                    });
}

bool ReadMotion(const QJsonValue& v, ProjectFile* p, Reader& r) {
    return r.Object(v, "motion", {"enabled", "strength"},
                    [&](const QString& key, const QJsonValue& value, const QString& field) {
                        if (key == "enabled") return r.Bool(value, field, &p->motion);
                        return r.Whole(value, field, 1, kMaxMotionStrength, &p->motionStrength);
                    });
}

bool ReadCover(const QJsonValue& v, ProjectFile* p, Reader& r) {
    return r.Object(v, "cover", {"enabled", "slide"},
                    [&](const QString& key, const QJsonValue& value, const QString& field) {
                        if (key == "enabled") return r.Bool(value, field, &p->cover);
                        return r.Whole(value, field, 1, 1 << 20, &p->coverSlide);
                    });
}

}  // namespace

bool ParseProject(const QByteArray& json, ProjectFile* project, QString* error) {
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
    ProjectFile p;
    Reader r{error};
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = *it;
        bool ok = false;
        if (key == "version") {
            ok = v.isDouble() && v.toDouble() == kProjectVersion;
            if (!ok) r.Fail(key, QString::number(kProjectVersion), v);
        } else if (key == "adCopies") {
            ok = r.Strings(v, key, &p.adCopies, true);
            if (ok && p.adCopies->size() > 4) {
                ok = false;
                if (error)
                    *error = QString("adCopies: expected at most 4 ad copies, got %1")
                                 .arg(p.adCopies->size());
            }
        } else if (key == "voice") {
            ok = r.String(v, key, &p.voice);
        } else if (key == "slides") {
            ok = r.Strings(v, key, &p.slides, false);
        } else if (key == "secondsPerSlide") {
            ok = r.Whole(v, key, 1, kMaxSecondsPerSlide, &p.secondsPerSlide);
        } else if (key == "whenNarrationIsLonger") {
            ok = r.Choice(v, key, kWhenLonger, &p.whenNarrationIsLonger);
        } else if (key == "transitions") {
            ok = r.Bool(v, key, &p.transitions);
        } else if (key == "randomize") {
            ok = r.Bool(v, key, &p.randomize);
        } else if (key == "resolution") {
            ok = r.Choice(v, key, kProjectResolutions, &p.resolution);
        } else if (key == "compressor") {
            ok = r.String(v, key, &p.compressor);
        } else if (key == "compression") {
            ok = r.Bool(v, key, &p.compression);
        } else if (key == "keywords") {
            ok = r.Strings(v, key, &p.keywords, false);
        } else if (key == "outputName") {
            ok = r.String(v, key, &p.outputName);
            if (ok && p.outputName->isEmpty()) ok = r.Fail(key, "a file name that is not empty", v);
        } else if (key == "music") {
            ok = ReadMusic(v, &p, r);
        } else if (key == "format") {
            ok = r.Choice(v, key, kProjectFormats, &p.format);
        } else if (key == "mp4Crf") {
            ok = r.Whole(v, key, 0, kMaxMp4Crf, &p.mp4Crf);
        } else if (key == "shape") {
            ok = r.Choice(v, key, kProjectShapes, &p.shape);
        } else if (key == "fit") {
            ok = r.Choice(v, key, kProjectFits, &p.fit);
        } else if (key == "captions") {
            ok = r.Choice(v, key, kProjectCaptions, &p.captions);
        } else if (key == "highlightWords") {
            ok = r.Bool(v, key, &p.highlightWords);
        } else if (key == "cover") {
            ok = ReadCover(v, &p, r);
        } else if (key == "titleTemplate") {
            ok = r.String(v, key, &p.titleTemplate);
        } else if (key == "descriptionTemplate") {
            ok = r.String(v, key, &p.descriptionTemplate);
        } else if (key == "motion") {
            ok = ReadMotion(v, &p, r);
        } else if (key == "transitionSet") {
            ok = r.String(v, key, &p.transitionSet);
            const QString problem = ok ? TransitionSetProblem(*p.transitionSet) : QString();
            if (!problem.isEmpty()) ok = r.Fail(key, problem, v);
        } else if (key == "transitionSeconds") {
            ok = r.Number(v, key, kMinTransitionSeconds, kMaxTransitionSeconds,
                          &p.transitionSeconds);
        } else if (key == "speechRate") {
            ok = r.Number(v, key, kMinSpeechRate, kMaxSpeechRate, &p.speechRate);
        } else if (key == "evenLoudness") {
            ok = r.Bool(v, key, &p.evenLoudness);
        } else {
            if (error) *error = QString("%1: unknown field").arg(key);
            return false;
        }
        if (!ok) return false;
    }
    *project = p;
    return true;
}

QByteArray WriteProject(const ProjectFile& p) {
    // QJsonObject keeps its keys sorted, which makes saved files stable and
    // easy to compare.
    QJsonObject root;
    root["version"] = kProjectVersion;
    if (p.adCopies) root["adCopies"] = QJsonArray::fromStringList(*p.adCopies);
    if (p.voice) root["voice"] = *p.voice;
    if (p.slides) root["slides"] = QJsonArray::fromStringList(*p.slides);
    if (p.secondsPerSlide) root["secondsPerSlide"] = *p.secondsPerSlide;
    if (p.whenNarrationIsLonger)
        root["whenNarrationIsLonger"] = kWhenLonger.value(*p.whenNarrationIsLonger);
    if (p.transitions) root["transitions"] = *p.transitions;
    if (p.randomize) root["randomize"] = *p.randomize;
    if (p.resolution) root["resolution"] = kProjectResolutions.value(*p.resolution);
    if (p.compressor) root["compressor"] = *p.compressor;
    if (p.compression) root["compression"] = *p.compression;
    if (p.keywords) root["keywords"] = QJsonArray::fromStringList(*p.keywords);
    if (p.outputName) root["outputName"] = *p.outputName;
    if (p.music || p.musicFile || p.musicReduceVolume || p.musicDuck || p.musicDuckDb) {
        QJsonObject music;
        if (p.music) music["enabled"] = *p.music;
        if (p.musicFile) music["file"] = *p.musicFile;
        if (p.musicReduceVolume) music["reduceVolume"] = *p.musicReduceVolume;
        if (p.musicDuck) music["duck"] = *p.musicDuck;
        if (p.musicDuckDb) music["duckDb"] = *p.musicDuckDb;
        root["music"] = music;
    }
    if (p.motion || p.motionStrength) {
        QJsonObject motion;
        if (p.motion) motion["enabled"] = *p.motion;
        if (p.motionStrength) motion["strength"] = *p.motionStrength;
        root["motion"] = motion;
    }
    if (p.transitionSet) root["transitionSet"] = *p.transitionSet;
    if (p.transitionSeconds) root["transitionSeconds"] = *p.transitionSeconds;
    if (p.speechRate) root["speechRate"] = *p.speechRate;
    if (p.evenLoudness) root["evenLoudness"] = *p.evenLoudness;
    if (p.format) root["format"] = kProjectFormats.value(*p.format);
    if (p.mp4Crf) root["mp4Crf"] = *p.mp4Crf;
    if (p.shape) root["shape"] = kProjectShapes.value(*p.shape);
    if (p.fit) root["fit"] = kProjectFits.value(*p.fit);
    if (p.captions) root["captions"] = kProjectCaptions.value(*p.captions);
    if (p.highlightWords) root["highlightWords"] = *p.highlightWords;
    if (p.cover || p.coverSlide) {
        QJsonObject cover;
        if (p.cover) cover["enabled"] = *p.cover;
        if (p.coverSlide) cover["slide"] = *p.coverSlide;
        root["cover"] = cover;
    }
    if (p.titleTemplate) root["titleTemplate"] = *p.titleTemplate;
    if (p.descriptionTemplate) root["descriptionTemplate"] = *p.descriptionTemplate;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool ReadProjectFile(const QString& path, ProjectFile* project, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QString("cannot be read: %1").arg(file.errorString());
        return false;
    }
    return ParseProject(file.readAll(), project, error);
}

bool WriteProjectFile(const QString& path, const ProjectFile& project, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(WriteProject(project)) < 0 ||
        !file.commit()) {
        if (error) *error = QString("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QString TransitionSetProblem(const QString& set) {
    if (set == "ten" || set == "all" || TransitionTypeNamed(set.toStdString()) > 0) return {};
    QStringList names;
    for (const std::string& name : TransitionNames()) names << QString::fromStdString(name);
    return "\"ten\", \"all\" or one of " + names.join(", ");
}

FrameSize ProjectFrameSize(int resolution, int shape) {
    const int width = kResolutionSizes[resolution][0];
    const int height = kResolutionSizes[resolution][1];
    if (shape == 1) return {height, width};
    if (shape == 2) return {height, height};
    return {width, height};
}

FrameSize CoverSize(int shape) {
    return ProjectFrameSize(1, shape);
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

QString MissingProjectFile(const ProjectFile& project, const QString& projectFolder) {
    if (project.slides) {
        for (int i = 0; i < project.slides->size(); ++i) {
            const QString path = ResolveProjectPath(project.slides->at(i), projectFolder);
            const QFileInfo info(path);
            if (info.isDir())
                return QString("slides[%1]: the image %2 is a folder, not a picture")
                    .arg(i)
                    .arg(path);
            if (!info.isFile())
                return QString("slides[%1]: the image %2 does not exist").arg(i).arg(path);
        }
    }
    if (project.music.value_or(false) && project.musicFile && !project.musicFile->isEmpty()) {
        const QString path = ResolveProjectPath(*project.musicFile, projectFolder);
        if (!QFileInfo(path).isFile())
            return QString("music.file: the music file %1 does not exist").arg(path);
    }
    return {};
}

}  // namespace vm
