#include "BatchReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

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
            {"path", v.path},
            {"plannedSeconds", Rounded(v.plannedSeconds)},
            {"actualSeconds", Rounded(v.actualSeconds)},
            {"secondsTaken", Rounded(v.secondsTaken)},
        };
        if (!v.stage.isEmpty()) entry["stage"] = v.stage;
        if (!v.message.isEmpty()) entry["message"] = v.message;
        if (!v.companions.isEmpty()) entry["files"] = QJsonArray::fromStringList(v.companions);
        entries.append(entry);
    }
    const QString captions = settings.captionsFile && settings.captionsBurned ? "both"
                             : settings.captionsFile                          ? "srt"
                             : settings.captionsBurned                        ? "burned"
                                                                              : "none";
    QJsonObject output{
        {"format", QString::fromStdString(settings.container)},
        {"codec", QString::fromStdString(settings.codecName)},
        {"width", settings.width},
        {"height", settings.height},
        {"fit", QString::fromStdString(settings.fit)},
        {"captions", captions},
        {"highlightWords", settings.highlightWords},
        {"cover", settings.cover},
        {"motion", qRound(settings.motionStrength * 100)},
        {"transitionSet", settings.transitionSet},
        {"transitionSeconds", settings.transitionSeconds},
        {"speechRate", settings.speechRate},
        {"evenLoudness", settings.evenLoudness},
        {"musicDuckDb", settings.musicDuckDb},
    };
    if (settings.quality >= 0)
        output[settings.container == "mp4" ? "mp4Crf" : "quality"] = settings.quality;
    // The seed as text: JSON numbers lose digits past 2^53.
    const QJsonObject report{{"seed", QString::number(seed)},
                             {"stopped", stopped},
                             {"output", output},
                             {"videos", entries}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
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
