#include "BatchProject.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "AppFolder.h"
#include "AppPaths.h"
#include "Compressors.h"
#include "DemoProject.h"
#include "Helpers.h"
#include "KeywordRules.h"
#include "ImageFiles.h"
#include "Narration.h"
#include "ProjectFile.h"
#include "SpVoice.h"

namespace vm {
namespace {

// The demo project: the sample ad copy, keywords and pictures shipped with
// the program (beside it, or installed in ../share/vidmill), on top of the
// start-up settings.
bool DemoProject(Settings* p) {
    bool read = false;
    const QString content = LoadText(DemoContentPath(), &read);
    QStringList slides;
    for (const QString& name : ImageFilesIn(DemoImagesFolder()))
        slides << FullImagePath(DemoImagesFolder(), name);
    if (!read || content.isEmpty() || slides.isEmpty()) return false;
    p->Set(setting::adCopies, QStringList{content, "", "", ""});
    p->Set(setting::keywords, TrimKeywords(LoadList(DemoKeywordsPath())));
    p->Set(setting::slides, slides);
    return true;
}

}  // namespace

bool LoadBatchProject(const QString& projectFile, BatchSettings* settings, QString* source,
                      QString* error) {
    // This machine's voices and compressors: what a project may name.
    const QList<VoiceToken> voices = SpVoice().GetVoices();
    QStringList descriptions;
    for (const VoiceToken& v : voices) descriptions << v.GetDescription();
    const Compressors& compressors = Compressors::Instance();
    QStringList compressorNames;
    for (int i = 0; i < compressors.Count(); ++i) compressorNames << compressors.Name(i);

    Settings project;
    QString folder = QDir::currentPath();
    QString problem;
    if (projectFile.isEmpty()) {
        *source = "the demo project";
        if (!DemoProject(&project)) {
            *error =
                "the demo files (demo_content.txt, demo_keywords.txt, images/dental) are "
                "missing in " +
                DataFolder();
            return false;
        }
    } else {
        *source = projectFile;
        if (!ReadProjectFile(projectFile, &project, &problem)) {
            *error = projectFile + ": " + problem;
            return false;
        }
        folder = QFileInfo(projectFile).absolutePath();
        problem = ProjectProblemHere(project, folder, descriptions, compressorNames);
        if (!problem.isEmpty()) {
            *error = projectFile + ": " + problem;
            return false;
        }
    }
    project.FillFrom(MachineDefaults(descriptions, compressors));
    // What the window would refuse, said in the project's own terms.
    auto refuse = [&](const QString& why) {
        *error = *source + ": " + why;
        return false;
    };
    const QStringList pages = project.Get(setting::adCopies);
    if (std::all_of(pages.begin(), pages.end(), [](const QString& copy) { return copy.isEmpty(); }))
        return refuse("adCopies: every ad copy is empty, so there is nothing to narrate");
    const QString wordless = AdCopyWordsProblem(pages);
    if (!wordless.isEmpty()) return refuse("adCopies: " + wordless);
    if (project.Get(setting::slides).isEmpty()) return refuse("slides: there are no slides");
    if (project.Get(setting::music) && project.Get(setting::musicFile).isEmpty())
        return refuse("music.file: music is on but no file is given");
    if (!MakeBatchSettings(project, folder, voices, compressors, settings, &problem))
        return refuse(problem);
    settings->ffmpegPath = FindFfmpeg(AppFolder());
    return true;
}

}  // namespace vm
