#pragma once

#include <QString>

#include "RenderJob.h"
#include "Settings.h"

// The brand a project puts on its videos: the logo in a corner of every
// frame, the intro and the outro. Its files are read when the batch starts,
// so a file that cannot be read refuses the project, not each video.
namespace vm {

struct Brand {
    RenderJob::Logo logo;  // empty path: none
    RenderJob::Bookend intro;
    RenderJob::Bookend outro;
    bool logoOnCover = false;
};

// Why the logo (`logo` true) or an intro or outro at `path` cannot be used,
// or empty: "the picture ... cannot be read (Invalid data found when
// processing input)".
QString BrandFileProblem(const QString& path, bool logo);

// The project's brand, its paths taken from `projectFolder` and the intro
// and outro measured. False with one line naming the field ("intro: the video
// ... cannot be read (...)") when a file cannot be used.
bool MakeBrand(const Settings& project, const QString& projectFolder, Brand* brand, QString* error);

}  // namespace vm
