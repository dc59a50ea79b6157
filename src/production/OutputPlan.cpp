#include "OutputPlan.h"

#include <dirent.h>

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "KeywordRules.h"
#include "Narration.h"

#ifndef VIDMILL_VERSION
#error "VIDMILL_VERSION is set by CMake from the project's version"
#endif

namespace vm {

QByteArray FileContentHash(const QString& path, const std::stop_token& stop) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "unreadable";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    while (!file.atEnd()) {
        if (stop.stop_requested()) return {};
        const QByteArray block = file.read(1 << 20);
        if (block.isEmpty()) break;
        hash.addData(block);
    }
    return hash.result().toHex();
}

namespace {

// The extensions of the files this program writes, a bit each.
constexpr const char* kExtensions[] = {".avi", ".mp4", ".srt", ".jpg", ".txt"};

// The bit of the extension `name` ends with; 0 for any other.
int ExtensionBit(const QString& name) {
    for (int i = 0; i < int(std::size(kExtensions)); ++i)
        if (name.endsWith(QLatin1String(kExtensions[i]))) return 1 << i;
    return 0;
}

// The name without one of the extensions this program writes, or empty.
QString BaseName(const QString& name) {
    return ExtensionBit(name) != 0 ? name.chopped(4) : QString();
}

// The final name a leftover of a killed run was being written for:
// "<final>.part", "<final>.<process id>.part", also nested (a cover is
// written through a file of its own beside its unfinished name). Empty for
// any other name.
QString UnfinishedFor(QString name) {
    if (!name.endsWith(QLatin1String(".part"))) return {};
    while (name.endsWith(QLatin1String(".part"))) {
        name.chop(5);
        const qsizetype dot = name.lastIndexOf('.');
        if (dot > 0) {
            const QStringView digits = QStringView(name).mid(dot + 1);
            if (!digits.isEmpty() &&
                std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
                name.truncate(dot);
        }
    }
    return name;
}

}  // namespace

QByteArray BatchFingerprint(const BatchSettings& settings, std::stop_token stop) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayLiteral("Vid Mill " VIDMILL_VERSION "\n"));
    Settings project = settings.values;
    project.Unset(setting::keywords);  // each video's own keyword goes in below
    project.Unset(setting::rows);      // and a row's values with it
    const QJsonObject resolved{
        {"voice", settings.voice.GetDescription()},
        {"width", settings.width},
        {"height", settings.height},
        {"codec", QString::fromStdString(settings.codec)},
        {"quality", settings.quality},
        {"container", QString::fromStdString(settings.container)},
        {"coverWidth", settings.coverWidth},
        {"coverHeight", settings.coverHeight},
    };
    hash.addData(
        QJsonDocument(QJsonObject{{"project", ProjectJson(project)}, {"resolved", resolved}})
            .toJson(QJsonDocument::Compact));
    // The pictures and the music by their content, in the order they are
    // used: where the project folder lies does not matter, what is in it does.
    QStringList files = settings.slides;
    if (settings.Get(setting::music) && !settings.musicFile.isEmpty()) files << settings.musicFile;
    for (const std::string* brand :
         {&settings.brand.logo.path, &settings.brand.intro.path, &settings.brand.outro.path})
        if (!brand->empty()) files << QString::fromStdString(*brand);
    QHash<QString, QByteArray> contents;
    for (const QString& file : files) {
        auto found = contents.constFind(file);
        if (found == contents.constEnd()) {
            found = contents.insert(file, FileContentHash(file, stop));
            if (stop.stop_requested()) return {};
        }
        hash.addData(*found + '\n');
    }
    return hash.result().toHex();
}

QByteArray VideoFingerprint(const QByteArray& batch, const VideoTask& task) {
    QByteArray data = batch + '\n' + task.keyword.toUtf8();
    if (!task.print.isEmpty()) data += '\n' + task.print;
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QString VideoName(const BatchSettings& settings, const QString& keyword) {
    return (keyword.isEmpty() ? settings.Get(setting::outputName) : keyword) +
           (settings.container == "mp4" ? ".mp4" : ".avi");
}

QString VideoName(const BatchSettings& batch, const VideoTask& task) {
    return TaskName(batch, task) + (SettingsOf(batch, task).container == "mp4" ? ".mp4" : ".avi");
}

QStringList VideoFiles(const BatchSettings& settings, const QString& videoName) {
    QStringList files{videoName};
    const QString base = videoName.chopped(4);
    if (settings.captionsFile && AdCopyWordsProblem(settings.Get(setting::adCopies)).isEmpty())
        files << base + ".srt";
    if (settings.Get(setting::cover) && !settings.slides.isEmpty()) files << base + ".jpg";
    if (!settings.Get(setting::titleTemplate).isEmpty() ||
        !settings.Get(setting::descriptionTemplate).isEmpty())
        files << base + ".txt";
    return files;
}

bool PlanOutput(const BatchSettings& settings, const std::vector<VideoTask>& tasks,
                bool skipExisting, const OutputRecord& record, const QByteArray& fingerprint,
                std::stop_token stop, OutputPlan* plan, QString* error) {
    auto stopped = [&] {
        *error = "stopped";
        return false;
    };
    const int count = int(tasks.size());
    plan->alreadyMade.assign(size_t(count), 0);
    plan->repeats.assign(size_t(count), -1);
    plan->clashes.clear();
    plan->unfinished.clear();

    // The folder, listed once: for each name the files this program writes
    // are called by, which of them are there (a bit per extension), and the
    // leftovers.
    QHash<QString, quint8> present;
    QStringList leftovers;
    const QByteArray folder = settings.outputFolder.toLocal8Bit();
    if (DIR* dir = opendir(folder.constData())) {
        int seen = 0;
        while (const dirent* entry = readdir(dir)) {
            if ((++seen & 4095) == 0 && stop.stop_requested()) {
                closedir(dir);
                return stopped();
            }
            const QString name = QString::fromLocal8Bit(entry->d_name);
            const int kind = ExtensionBit(name);
            if (kind != 0) present[name.chopped(4)] |= quint8(kind);
            if (name.endsWith(QLatin1String(".part"))) leftovers << name;
        }
        closedir(dir);
    } else if (errno != ENOENT) {
        *error = QString("The output folder %1 cannot be read: %2")
                     .arg(settings.outputFolder, std::strerror(errno));
        return false;
    }

    // One video per name: a keyword that names an earlier one's video repeats it.
    struct Kind {
        QStringList companions;  // the extensions beside the video
        QString videoExtension;
        int neededBits = 0;
    };
    auto kindOf = [](const BatchSettings& s) {
        Kind kind;
        const QStringList files = VideoFiles(s, "x.avi");
        for (int i = 1; i < files.size(); ++i) kind.companions << files[i].mid(1);
        kind.videoExtension = s.container == "mp4" ? ".mp4" : ".avi";
        kind.neededBits = ExtensionBit(kind.videoExtension);
        for (const QString& extension : kind.companions) kind.neededBits |= ExtensionBit(extension);
        return kind;
    };
    const Kind batchKind = kindOf(settings);
    QHash<QString, int> first;
    first.reserve(count);
    for (int i = 0; i < count; ++i) {
        if ((i & 4095) == 0 && stop.stop_requested()) return stopped();
        const VideoTask& task = tasks[size_t(i)];
        const QString base = TaskName(settings, task);
        const auto found = first.constFind(base);
        if (found != first.constEnd()) {
            plan->repeats[size_t(i)] = *found;
            continue;
        }
        first.insert(base, i);
        // A table's row may make another kind of file than the batch.
        const Kind ownKind = task.settings ? kindOf(*task.settings) : Kind{};
        const Kind& kind = task.settings ? ownKind : batchKind;
        const QStringList& companions = kind.companions;
        const QString& videoExtension = kind.videoExtension;
        // None of this video's files in the folder: nothing to skip or to replace.
        const int there = present.value(base) & kind.neededBits;
        if (there == 0) continue;
        if (!(task.name.isEmpty() ? VideoNameProblem(settings, task.keyword)
                                  : KeywordFileNameProblem(task.name))
                 .isEmpty())
            continue;
        const QString video = base + videoExtension;
        const std::optional<OutputRecord::Entry> entry = record.Find(video);
        auto ours = [&](const QString& extension) {
            return entry && entry->files.contains(base + extension);
        };
        if (skipExisting && there == kind.neededBits) {
            // Made before the record was kept: its files are there, and
            // leaving them replaces nothing.
            const bool unchanged =
                !entry || (entry->made && ours(videoExtension) &&
                           std::all_of(companions.begin(), companions.end(), ours) &&
                           entry->fingerprint == VideoFingerprint(fingerprint, task));
            if (unchanged) {
                plan->alreadyMade[size_t(i)] = 1;
                continue;
            }
        }
        for (const QString& extension : QStringList{videoExtension} + companions)
            if ((there & ExtensionBit(extension)) && !ours(extension))
                plan->clashes << base + extension;
    }

    // Leftovers of these videos' files from runs that were killed.
    for (const QString& name : leftovers) {
        const QString base = BaseName(UnfinishedFor(name));
        if (!base.isEmpty() && first.contains(base))
            plan->unfinished << settings.outputFolder + "/" + name;
    }
    return true;
}

QStringList OutputClashes(const BatchSettings& settings, const std::vector<VideoTask>& tasks,
                          bool skipExisting) {
    OutputRecord record;
    QString error;
    if (!record.Load(settings.outputFolder, {}, &error)) return {};
    OutputPlan plan;
    const QByteArray fingerprint = skipExisting ? BatchFingerprint(settings) : QByteArray();
    if (!PlanOutput(settings, tasks, skipExisting, record, fingerprint, {}, &plan, &error))
        return {};
    return plan.clashes;
}

QString ClashMessage(const QString& folder, const QStringList& clashes) {
    QStringList named = clashes.mid(0, 10);
    if (clashes.size() > 10) named << QString("and %1 more").arg(clashes.size() - 10);
    return QString(
               "The output folder %1 holds %2 Vid Mill did not make that this batch would "
               "replace: %3.")
        .arg(folder,
             clashes.size() == 1 ? QString("a file") : QString("%1 files").arg(clashes.size()),
             named.join(", "));
}

}  // namespace vm
