#include "Brand.h"

#include <QFileInfo>

#include "ImageLoader.h"
#include "IntroClip.h"
#include "ProjectFile.h"
#include "SettingsTable.h"

namespace vm {

namespace {

// The intro or outro at `path`, measured; empty `reason` when it can be used.
RenderJob::Bookend Measured(const QString& path, double pictureSeconds, QString* reason) {
    RenderJob::Bookend bookend;
    std::string error;
    if (!IntroClip::Measure(path.toStdString(), pictureSeconds, &bookend, &error))
        *reason =
            QString("the video %1 cannot be read (%2)").arg(path, QString::fromStdString(error));
    return bookend;
}

QString Missing(const QString& path, const char* what) {
    const QFileInfo info(path);
    if (info.isDir()) return QString("the %1 %2 is a folder").arg(what, path);
    if (!info.isFile()) return QString("the %1 %2 does not exist").arg(what, path);
    return {};
}

}  // namespace

QString BrandFileProblem(const QString& path, bool logo) {
    const QString missing = Missing(path, logo ? "picture" : "file");
    if (!missing.isEmpty()) return missing;
    if (logo) {
        RenderResult result;
        if (!DecodeFirstFrame(path.toStdString(), &result))
            return QString("the picture %1 cannot be read (%2)")
                .arg(path, QString::fromStdString(result.message));
        return {};
    }
    QString reason;
    Measured(path, 1, &reason);
    return reason;
}

bool MakeBrand(const Settings& p, const QString& folder, Brand* brand, QString* error) {
    *brand = Brand{};
    auto path = [&](const TextSetting& s) {
        const QString written = p.Get(s);
        return written.isEmpty() ? QString() : ResolveProjectPath(written, folder);
    };
    const QString logo = path(setting::logo);
    if (!logo.isEmpty()) {
        const QString problem = BrandFileProblem(logo, true);
        if (!problem.isEmpty()) return *error = "logo: " + problem, false;
        brand->logo.path = logo.toStdString();
        brand->logo.corner = p.Get(setting::logoCorner).toStdString();
        brand->logo.widthPercent = p.Get(setting::logoWidth);
        brand->logo.opacity = p.Get(setting::logoOpacity) / 100.0;
        brand->logo.marginPercent = p.Get(setting::logoMargin);
        brand->logoOnCover = p.Get(setting::logoOnCover);
    }
    for (auto [setting, bookend] :
         {std::pair{&setting::intro, &brand->intro}, std::pair{&setting::outro, &brand->outro}}) {
        const QString file = path(*setting);
        if (file.isEmpty()) continue;
        QString problem = Missing(file, "file");
        if (problem.isEmpty()) *bookend = Measured(file, p.Get(setting::introSeconds), &problem);
        if (!problem.isEmpty()) return *error = QString("%1: %2").arg(setting->key, problem), false;
    }
    return true;
}

}  // namespace vm
