#include "Helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace vm {

QString Replace(const QString& text, const QString& search, const QString& replacement,
                int compareMode) {
    if (search.isEmpty()) return text;
    const Qt::CaseSensitivity cs = compareMode == 1 ? Qt::CaseInsensitive : Qt::CaseSensitive;
    QString result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(search, from, cs);
        if (at < 0) break;
        result += QStringView(text).mid(from, at - from);
        result += replacement;
        from = at + search.size();
    }
    result += QStringView(text).mid(from);
    return result;
}

bool PathExists(const QString& path) {
    if (path.isEmpty()) return false;
    return QFileInfo(path).isFile();
}

bool FileExists(const QString& path, bool includeFolders) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!name.contains('*') && !name.contains('?')) {
        return info.exists() && (includeFolders || !info.isDir());
    }
    QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System;
    if (includeFolders) filters |= QDir::Dirs | QDir::NoDotAndDotDot;
    return !QDir(info.path()).entryList({name}, filters).isEmpty();
}

namespace {
bool WriteUtf8(const QString& text, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(text.toUtf8());
    return file.commit();
}
}  // namespace

bool SaveList(const QStringList& items, const QString& path) {
    QString text;
    for (const QString& item : items) text += item + "\n";
    return WriteUtf8(text, path);
}

QStringList LoadList(const QString& path) {
    QStringList items;
    const QString text = LoadText(path);
    for (const QString& line : text.split('\n')) {
        if (!line.trimmed().isEmpty()) items << line;
    }
    return items;
}

bool SaveText(const QString& text, const QString& path) {
    QString normalised = text;
    normalised.replace("\r\n", "\n");
    normalised.replace('\r', '\n');
    return WriteUtf8(normalised, path);
}

QString LoadText(const QString& path, bool* ok) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok) *ok = false;
        return {};
    }
    if (ok) *ok = true;
    QString text = QString::fromUtf8(file.readAll());
    text.replace("\r\n", "\n");
    return text;
}

}  // namespace vm
