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

// A text as a JSON string, in quotes.
void AppendString(QByteArray* out, const QString& text) {
    static const char hex[] = "0123456789abcdef";
    out->append('"');
    for (const char c : text.toUtf8()) {
        switch (c) {
            case '"':
                out->append("\\\"");
                break;
            case '\\':
                out->append("\\\\");
                break;
            case '\b':
                out->append("\\b");
                break;
            case '\f':
                out->append("\\f");
                break;
            case '\n':
                out->append("\\n");
                break;
            case '\r':
                out->append("\\r");
                break;
            case '\t':
                out->append("\\t");
                break;
            default:
                if (uchar(c) < 0x20)
                    out->append("\\u00").append(hex[uchar(c) >> 4]).append(hex[uchar(c) & 15]);
                else
                    out->append(c);
        }
    }
    out->append('"');
}

// One entry of the "videos" array, laid out as QJsonDocument::Indented lays
// it out (its keys in order): written by hand, as a list of a hundred
// thousand videos takes a document model seconds.
void AppendEntry(QByteArray* out, const VideoReport& v, const BatchSettings& settings) {
    const QByteArray indent(12, ' ');
    QList<std::pair<const char*, QByteArray>> fields;
    auto number = [](double value) {
        return QByteArray::number(Rounded(value), 'g', QLocale::FloatingPointShortest);
    };
    auto string = [](const QString& text) {
        QByteArray quoted;
        AppendString(&quoted, text);
        return quoted;
    };
    fields.append({"actualSeconds", number(v.actualSeconds)});
    if (!v.companions.isEmpty()) {
        QByteArray files = "[\n";
        for (int i = 0; i < v.companions.size(); ++i) {
            files += QByteArray(16, ' ');
            AppendString(&files, v.companions[i]);
            files += i + 1 < v.companions.size() ? ",\n" : "\n";
        }
        fields.append({"files", files + indent + "]"});
    }
    if (v.row > 0 && !v.id.isEmpty()) fields.append({"id", string(v.id)});
    fields.append({"keyword", string(v.keyword)});
    if (!v.message.isEmpty()) fields.append({"message", string(v.message)});
    fields.append({"path", string(v.path.isEmpty()
                                      ? settings.outputFolder + "/" + VideoName(settings, v.keyword)
                                      : v.path)});
    fields.append({"plannedSeconds", number(v.plannedSeconds)});
    fields.append({"position", QByteArray::number(v.position)});
    if (v.row > 0) fields.append({"row", QByteArray::number(v.row)});
    fields.append({"secondsTaken", number(v.secondsTaken)});
    if (!v.stage.isEmpty()) fields.append({"stage", string(v.stage)});
    fields.append({"status", string(QString::fromLatin1(StatusName(v.status)))});
    out->append("        {\n");
    for (int i = 0; i < fields.size(); ++i) {
        out->append(indent).append('"').append(fields[i].first).append("\": ");
        out->append(fields[i].second).append(i + 1 < fields.size() ? ",\n" : "\n");
    }
    out->append("        }");
}

}  // namespace

QByteArray BatchReportJson(const std::vector<VideoReport>& videos, const BatchSettings& settings,
                           uint64_t seed, bool stopped) {
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
    Settings withoutKeywords = settings.values;
    withoutKeywords.Unset(setting::keywords);
    withoutKeywords.Unset(setting::rows);
    const QJsonObject project = ProjectJson(withoutKeywords);
    // The seed as text: JSON numbers lose digits past 2^53.
    const QJsonObject report{{"seed", QString::number(seed)},
                             {"stopped", stopped},
                             {"output", output},
                             {"settings", project}};
    // "videos" comes last among the keys, as QJsonObject orders them.
    QByteArray json = QJsonDocument(report).toJson(QJsonDocument::Indented);
    json.chop(3);  // "\n}\n"
    json += ",\n    \"videos\": [\n";
    for (size_t i = 0; i < videos.size(); ++i) {
        AppendEntry(&json, videos[i], settings);
        json += i + 1 < videos.size() ? ",\n" : "\n";
    }
    json += "    ]\n}\n";
    return json;
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
