#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// The image browser's rules, kept apart from the window: which files of a
// folder are offered, how a browser entry becomes a slide path, which drive a
// folder lies on, and how a picture is shrunk for the preview.
namespace vm {

// The pattern of the hidden file list: JPEG and GIF pictures only.
inline constexpr char kImagePattern[] = "*.jpg;*.gif";
// And the video clips the browser offers beside them.
inline constexpr char kClipPattern[] = "*.mp4;*.mov;*.mkv;*.webm;*.avi";

// folder + "/" + name, then every "//" collapsed to "/", so that a folder at
// the root ("/") plus "a.jpg" gives "/a.jpg" and not "//a.jpg".
QString FullImagePath(const QString& folder, const QString& name);

// "*.jpg;*.gif" -> {"*.jpg", "*.gif"}; blanks around the parts are dropped.
QStringList PatternFilters(const QString& pattern);

// Names (no folder) of the plain files in `folder` that match `pattern`,
// letter case ignored, sorted by name (letter case ignored, then exact, so the
// order is stable). A missing folder gives an empty list.
QStringList FilesMatching(const QString& folder, const QString& pattern);

// FilesMatching(folder, kImagePattern and kClipPattern): "x.JPG" and
// "x.mp4" are listed, "x.jpeg" and "x.png" are not.
QStringList ImageFilesIn(const QString& folder);

// The slides a drop of files and folders from a file manager gives, in the
// dropped order: each picture the browser would offer (kImagePattern) as it
// is, each folder's pictures as the browser lists them. The names of what is
// neither go to `leftOut`.
QStringList DroppedPictures(const QStringList& paths, QStringList* leftOut);

// The index of the root in `roots` that holds `path`: the longest root that is
// the path itself or a parent of it. -1 when none does (or the path is empty).
// Both sides are compared as clean absolute paths.
int DriveIndexFor(const QString& path, const QStringList& roots);

// The image browser's drive list: the roots of the mounted volumes and of the
// current folder, each once, sorted, and "/" always: in a chroot or a
// container no mounted volume may cover it, and every folder lies below it.
QStringList DriveList(const QStringList& mountedRoots, const QString& currentRoot);

// The picture at `path`, the right way up as its EXIF orientation says,
// scaled down to fit `box` with its aspect kept (never
// enlarged; an empty box keeps the picture's own size); a clip's first
// frame. A null image when the file is missing or not a picture Qt can read.
// A JPEG is decoded at about the size asked for, not whole. Any thread may
// call it (the window reads its thumbnails and previews on workers).
QImage LoadPreviewImage(const QString& path, const QSize& box);

}  // namespace vm
