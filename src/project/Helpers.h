#pragma once

#include <QString>
#include <QStringList>

// Small utilities: text replacement and plain file reading and writing.
// Files are UTF-8; lines are written with "\n" and read accepting "\r\n"
// and "\n".
namespace vm {

// Every occurrence of `search`, left to right, without overlap; the inserted
// text is never searched again. compareMode 0 is exact, 1 ignores letter case.
// An empty search string returns the text unchanged.
QString Replace(const QString& text, const QString& search, const QString& replacement,
                int compareMode);

// True when the path names an existing file (folders do not count).
bool PathExists(const QString& path);

// True when a file matching the path (which may hold * and ? in its last
// part) exists; folders count too when includeFolders is set.
bool FileExists(const QString& path, bool includeFolders = false);

// One item a line, replacing the file. Returns false when it cannot be written.
bool SaveList(const QStringList& items, const QString& path);
// The file's lines; blank lines are kept out and a final line break gives no
// empty item. A missing file gives an empty list.
QStringList LoadList(const QString& path);
// The whole text, replacing the file; line breaks are written as "\n".
bool SaveText(const QString& text, const QString& path);
// The file's whole content with "\r\n" read as "\n"; empty when missing.
QString LoadText(const QString& path, bool* ok = nullptr);

}  // namespace vm
