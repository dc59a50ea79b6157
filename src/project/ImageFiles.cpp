#include "ImageFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "Helpers.h"

namespace vm {

QString FullImagePath(const QString& folder, const QString& name) {
    // One pass of the program's own Replace, as for every other joined path.
    return Replace(folder + "/" + name, "//", "/", 0);
}

QStringList PatternFilters(const QString& pattern) {
    QStringList filters;
    for (const QString& part : pattern.split(';', Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty()) filters << trimmed;
    }
    return filters;
}

QStringList FilesMatching(const QString& folder, const QString& pattern) {
    if (folder.isEmpty()) return {};
    QDir dir(folder);
    if (!dir.exists()) return {};
    // QDir matches name filters without regard to letter case unless told
    // otherwise; that is what the pattern means here. Dot files count: a
    // keyword such as ".net" makes a narration ".net.wav" that must be listed
    // to be cleaned up.
    QStringList names =
        dir.entryList(PatternFilters(pattern), QDir::Files | QDir::Hidden, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QStringList ImageFilesIn(const QString& folder) {
    return FilesMatching(folder, QString::fromLatin1(kImagePattern));
}

int DriveIndexFor(const QString& path, const QStringList& roots) {
    if (path.isEmpty()) return -1;
    const QString target = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < roots.size(); ++i) {
        if (roots[i].isEmpty()) continue;
        const QString root = QDir::cleanPath(QFileInfo(roots[i]).absoluteFilePath());
        const bool holds = target == root || root == "/" || target.startsWith(root + "/");
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

QStringList DroppedPictures(const QStringList& paths, QStringList* leftOut) {
    QStringList pictures;
    const QStringList filters = PatternFilters(kImagePattern);
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            for (const QString& name : ImageFilesIn(path)) pictures << FullImagePath(path, name);
        } else if (info.isFile() && QDir::match(filters, info.fileName())) {
            pictures << path;
        } else if (leftOut) {
            *leftOut << (info.fileName().isEmpty() ? path : info.fileName());
        }
    }
    return pictures;
}

QImage LoadPreviewImage(const QString& path, const QSize& box) {
    if (path.isEmpty()) return {};
    QImageReader reader(path);
    // Phone photos are stored sideways with an EXIF orientation: shown the
    // way they were taken, as the video shows them.
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (box.isEmpty() || (image.width() <= box.width() && image.height() <= box.height())) {
        return image;
    }
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace vm
