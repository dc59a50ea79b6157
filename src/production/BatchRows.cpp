#include "BatchRows.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <algorithm>

#include "Compressors.h"
#include "Narration.h"
#include "OutputPlan.h"
#include "ProjectFile.h"
#include "RowTable.h"
#include "SpVoice.h"

namespace vm {
namespace {

// What a row changes beyond its keyword and name.
bool HasOwnSettings(const VideoRow& row) {
    if (!row.adCopy.isEmpty() || !row.slides.isEmpty() || !row.music.isEmpty()) return true;
    for (const SettingDef* s : AllSettings())
        if (row.values.IsSet(*s)) return true;
    return false;
}

// The row's problems on this machine, "column: why" each; its settings in
// `out` when there are none.
QStringList RowProblems(const BatchSettings& batch, const QString& projectFolder,
                        const VideoRow& row, const QString& tableFolder,
                        const QList<VoiceToken>& voices, const Compressors& compressors,
                        const QStringList& voiceNames, const QStringList& compressorNames,
                        BatchSettings* out) {
    QString problem;
    Settings project = RowProject(batch.values, row, tableFolder, &problem);
    if (!problem.isEmpty()) return {problem};
    // The project's keywords were checked with it; the row is the keyword.
    project.Unset(setting::keywords);
    problem = ProjectProblemHere(project, projectFolder, voiceNames, compressorNames);
    if (!problem.isEmpty()) return {problem};
    const char* text = row.adCopy.isEmpty() ? "adCopies" : "adCopy";
    const QStringList pages = project.Get(setting::adCopies);
    if (std::all_of(pages.begin(), pages.end(), [](const QString& p) { return p.isEmpty(); }))
        return {QString(text) + ": there is no text to narrate"};
    problem = AdCopyWordsProblem(pages);
    if (!problem.isEmpty()) return {QString(text) + ": " + problem};
    if (project.Get(setting::music) && project.Get(setting::musicFile).isEmpty())
        return {"music.file: music is on but no file is given"};
    if (!MakeBatchSettings(project, projectFolder, voices, compressors, out, &problem))
        return {problem};
    out->outputFolder = batch.outputFolder;
    out->ffmpegPath = batch.ffmpegPath;
    return {};
}

}  // namespace

bool MakeRowTasks(const BatchSettings& batch, const QString& projectFolder,
                  const std::vector<VideoRow>& rows, const QString& tableFolder,
                  const QList<VoiceToken>& voices, const Compressors& compressors,
                  std::vector<VideoTask>* tasks, QStringList* problems) {
    QStringList voiceNames;
    for (const VoiceToken& v : voices) voiceNames << v.GetDescription();
    QStringList compressorNames;
    for (int i = 0; i < compressors.Count(); ++i) compressorNames << compressors.Name(i);
    const int before = int(problems->size());
    std::vector<VideoTask> made;
    made.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const VideoRow& row = rows[i];
        VideoTask task;
        task.position = int(i);
        task.keyword = row.keyword;
        task.row = row.number;
        task.id = row.id;
        task.name = row.Name();
        task.seedName = row.SeedName();
        task.print = QJsonDocument(row.cells).toJson(QJsonDocument::Compact);
        if (HasOwnSettings(row)) {
            auto own = std::make_shared<BatchSettings>();
            const QStringList found =
                RowProblems(batch, projectFolder, row, tableFolder, voices, compressors, voiceNames,
                            compressorNames, own.get());
            for (const QString& problem : found)
                problems->append(QString("row %1, %2").arg(row.number).arg(problem));
            if (!found.isEmpty()) continue;
            // The row's own pictures and music by their content: a picture
            // replaced in its folder makes its video again.
            if (!row.slides.isEmpty())
                for (const QString& slide : own->slides)
                    task.print += '\n' + FileContentHash(slide);
            if (!row.music.isEmpty()) task.print += '\n' + FileContentHash(own->musicFile);
            task.settings = std::move(own);
        }
        made.push_back(std::move(task));
    }
    if (int(problems->size()) > before) return false;
    *tasks = std::move(made);
    return true;
}

bool LoadRowTasks(const QString& tableFile, const BatchSettings& batch,
                  const QString& projectFolder, std::vector<VideoTask>* tasks,
                  QStringList* problems) {
    const int start = int(problems->size());
    RowTable table;
    QString error;
    if (!ReadRowTable(tableFile, &table, &error)) {
        problems->append(error);
        return false;
    }
    std::vector<VideoRow> rows;
    QStringList found;
    if (!VideoRowsFrom(table, &rows, &found)) {
        // Table-wide problems name the file; a row's problems follow it.
        for (const QString& problem : found)
            problems->append(problem.startsWith("row ") ? problem : tableFile + ": " + problem);
        // Rows whose cells were fine are still checked on this machine, so
        // the list holds every bad row at once.
        if (rows.empty()) return false;
    }
    const bool fine = found.isEmpty();
    const bool rowsFine =
        MakeRowTasks(batch, projectFolder, rows, QFileInfo(tableFile).absolutePath(),
                     SpVoice().GetVoices(), Compressors::Instance(), tasks, problems);
    // In the table's order, whichever check found them.
    auto number = [](const QString& line) {
        return line.startsWith("row ") ? line.section(',', 0, 0).mid(4).toInt() : 0;
    };
    std::stable_sort(problems->begin() + start, problems->end(),
                     [&](const QString& a, const QString& b) { return number(a) < number(b); });
    return fine && rowsFine;
}

}  // namespace vm
