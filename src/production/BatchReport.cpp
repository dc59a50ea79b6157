#include "BatchReport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cmath>

#include "OutputPlan.h"

namespace vm {
namespace {

double Rounded(double seconds) {
    return std::round(seconds * 100.0) / 100.0;
}

}  // namespace

QByteArray BatchReportJson(const std::vector<VideoReport>& videos, const BatchSettings& settings,
                           uint64_t seed, bool stopped) {
    QJsonArray entries;
    for (const VideoReport& v : videos) {
        QJsonObject entry{
            {"keyword", v.keyword},
            {"position", v.position},
            {"status", StatusName(v.status)},
            {"path", v.path.isEmpty() ? settings.outputFolder + "/" + VideoName(settings, v.keyword)
                                      : v.path},
            {"plannedSeconds", Rounded(v.plannedSeconds)},
            {"actualSeconds", Rounded(v.actualSeconds)},
            {"secondsTaken", Rounded(v.secondsTaken)},
        };
        if (!v.stage.isEmpty()) entry["stage"] = v.stage;
        if (!v.message.isEmpty()) entry["message"] = v.message;
        if (!v.companions.isEmpty()) entry["files"] = QJsonArray::fromStringList(v.companions);
        entries.append(entry);
    }
    // What kind of videos they are: the settings the table reports, and what
    // the batch made of them on this machine.
    QJsonObject output{
        {"codec", QString::fromStdString(settings.codecName)},
        {"width", settings.width},
        {"height", settings.height},
    };
    for (const SettingDef* s : AllSettings()) {
        if (*s->report == 0) continue;
        output[s->report] =
            s->reportValue ? s->reportValue(settings.values) : SettingJson(*s, settings.values.Value(*s));
    }
    if (settings.quality >= 0)
        output[settings.container == "mp4" ? "mp4Crf" : "quality"] = settings.quality;
    // Every setting the batch worked from, as a project file writes it (the
    // keywords are the videos above).
    QJsonObject project = ProjectJson(settings.values);
    project.remove(setting::keywords.Key());
    // The seed as text: JSON numbers lose digits past 2^53.
    const QJsonObject report{{"seed", QString::number(seed)},
                             {"stopped", stopped},
                             {"output", output},
                             {"settings", project},
                             {"videos", entries}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

QString ReportPathProblem(const QString& path) {
    const QFileInfo file(path);
    if (file.isDir()) return path + " is a folder, not a file";
    const QString folder = file.absolutePath();
    if (!QFileInfo(folder).isDir()) return "the folder " + folder + " does not exist";
    if (file.exists() && !file.isWritable()) return path + " cannot be written: permission denied";
    // The report is written beside its name and renamed over it (QSaveFile):
    // a file must be possible there.
    QTemporaryFile probe(folder + "/.vidmill-report-XXXXXX");
    if (!probe.open()) return path + " cannot be written: " + probe.errorString();
    return {};
}

bool WriteBatchReport(const QString& path, const std::vector<VideoReport>& videos,
                      const BatchSettings& settings, uint64_t seed, bool stopped, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QString("the report %1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    file.write(BatchReportJson(videos, settings, seed, stopped));
    if (!file.commit()) {
        if (error)
            *error = QString("the report %1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace vm
