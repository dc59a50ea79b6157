#include "ImageFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "ClipSource.h"
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
    return FilesMatching(folder, QString::fromLatin1(kImagePattern) + ";" + kClipPattern);
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

QStringList DriveList(const QStringList& mountedRoots, const QString& currentRoot) {
    QStringList roots{"/"};
    for (const QString& root : mountedRoots + QStringList{currentRoot})
        if (!root.isEmpty() && !roots.contains(root)) roots << root;
    roots.sort();
    return roots;
}

namespace {

// A clip's first frame, upright, whole within `box` (on black).
QImage ClipPreview(const QString& path, const QSize& box) {
    const int w = std::max(2, box.isEmpty() ? 320 : box.width()) & ~1;
    const int h = std::max(2, box.isEmpty() ? 180 : box.height()) & ~1;
    const CanvasFormat canvas{w, h, AV_PIX_FMT_YUV444P, true};
    RenderResult result;
    auto clip = ClipSource::Open(path.toStdString(), canvas, PictureFit::Fit, false, &result);
    av::FramePtr frame = clip ? clip->FrameAt(0, &result) : nullptr;
    if (!frame) return {};
    QImage image(w, h, QImage::Format_RGB888);
    av::SwsPtr scaler =
        MakeScaler(w, h, AV_PIX_FMT_YUV444P, true, w, h, AV_PIX_FMT_RGB24, true, SWS_POINT);
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (!scaler || sws_scale(scaler.get(), frame->data, frame->linesize, 0, h, planes, strides) < 0)
        return {};
    return image;
}

}  // namespace

QStringList DroppedPictures(const QStringList& paths, QStringList* leftOut) {
    QStringList pictures;
    // Pictures and clips alike.
    const QStringList filters = PatternFilters(kImagePattern) + PatternFilters(kClipPattern);
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
    const QString lower = path.toLower();
    if (!lower.endsWith(".gif") && IsClipFile(path.toStdString())) return ClipPreview(path, box);
    QImageReader reader(path);
    // Phone photos are stored sideways with an EXIF orientation: shown the
    // way they were taken, as the video shows them.
    reader.setAutoTransform(true);
    // Read at the size shown: a JPEG decodes at a fraction of its size
    // (libjpeg scales by eighths), much faster than whole and then scaled.
    // The size is asked for as the file stores the picture, before turning.
    const QSize stored = reader.size();
    if (!box.isEmpty() && stored.isValid()) {
        const bool turned =
            reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize fit = turned ? box.transposed() : box;
        if (stored.width() > fit.width() || stored.height() > fit.height())
            reader.setScaledSize(stored.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (box.isEmpty() || (image.width() <= box.width() && image.height() <= box.height())) {
        return image;
    }
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace vm
