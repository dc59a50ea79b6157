#include "VideoRows.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>

#include "ImageFiles.h"
#include "KeywordRules.h"
#include "ProjectFile.h"
#include "SettingsTable.h"

namespace vm {
namespace {

// Settings a row cannot set: the table is the keyword list, and names itself.
bool RowSetting(const SettingDef& s) {
    return &s != &setting::keywords && &s != &setting::rows;
}

// A spreadsheet cell as the project file would hold it: numbers as numbers,
// TRUE and FALSE (how spreadsheets write them) as flags, lists split at "|".
// Anything else stays text, so the message shows what was written.
QJsonValue CellJson(const SettingDef& s, const QString& cell, bool decimalComma) {
    const QString text = cell.trimmed();
    switch (s.type) {
        case SettingDef::Type::Flag:
            if (text.compare("true", Qt::CaseInsensitive) == 0) return true;
            if (text.compare("false", Qt::CaseInsensitive) == 0) return false;
            return text;
        case SettingDef::Type::Whole:
        case SettingDef::Type::Number: {
            QString number = text;
            static const QRegularExpression european("^[-+]?\\d+,\\d+$");
            if (decimalComma && european.match(number).hasMatch()) number.replace(',', '.');
            bool ok = false;
            const double value = number.toDouble(&ok);
            return ok ? QJsonValue(value) : QJsonValue(text);
        }
        case SettingDef::Type::Texts: {
            QJsonArray items;
            for (const QString& item : cell.split('|')) items.append(item.trimmed());
            return items;
        }
        case SettingDef::Type::Choice:
            return text;
        default:
            return cell;
    }
}

// A cell of one of the row's own columns as text; numbers (a JSON line's
// "id": 17) are their digits.
bool CellText(const QJsonValue& v, QString* text) {
    if (v.isString()) return *text = v.toString(), true;
    if (v.isDouble()) return *text = QString::number(v.toDouble(), 'g', 15), true;
    return false;
}

}  // namespace

QString VideoRow::Name() const {
    return !outputName.isEmpty() ? outputName : !id.isEmpty() ? id : keyword;
}

QString VideoRow::Shown() const {
    return id.isEmpty() ? QString("row %1").arg(number) : id;
}

QStringList RowFolderPictures(const QString& folder) {
    QStringList pictures;
    for (const QString& name : FilesMatching(folder, "*.jpg;*.jpeg;*.png;*.gif;*.bmp;*.webp"))
        pictures << FullImagePath(folder, name);
    return pictures;
}

bool VideoRowsFrom(const RowTable& table, std::vector<VideoRow>* rows, QStringList* problems) {
    const int before = int(problems->size());
    if (!table.columns.contains("keyword")) {
        problems->append("the table has no \"keyword\" column (the first row names the columns)");
    }
    QStringList known;
    for (const char* column : kRowColumns) known << column;
    for (const SettingDef* s : AllSettings())
        if (RowSetting(*s) && !known.contains(s->Key())) known << s->Key();
    QStringList unknown;
    for (const QString& column : table.columns)
        if (!known.contains(column)) unknown << "\"" + column + "\"";
    if (!unknown.isEmpty())
        problems->append(
            QString("unknown column%1 %2; the columns are %3")
                .arg(unknown.size() == 1 ? "" : "s", unknown.join(", "), known.join(", ")));
    if (int(problems->size()) > before) return false;

    QHash<QString, int> names;  // a video's name, to the row that has it
    rows->clear();
    rows->reserve(table.rows.size());
    for (const TableRow& in : table.rows) {
        VideoRow row;
        row.number = in.number;
        row.cells = in.cells;
        auto problem = [&](const QString& text) {
            problems->append(QString("row %1, %2").arg(in.number).arg(text));
        };
        for (auto it = in.cells.begin(); it != in.cells.end(); ++it) {
            const QString column = it.key();
            QString* own = column == "keyword"  ? &row.keyword
                           : column == "id"     ? &row.id
                           : column == "adCopy" ? &row.adCopy
                           : column == "music"  ? &row.music
                                                : nullptr;
            if (own) {
                if (!CellText(*it, own))
                    problem(column + ": expected a text, got " + ShownJson(*it));
                continue;
            }
            if (column == "slides") {
                QString text;
                if (it->isArray()) {
                    for (const QJsonValue& item : it->toArray()) row.slides << item.toString();
                } else if (CellText(*it, &text)) {
                    for (const QString& item : text.split('|'))
                        if (!item.trimmed().isEmpty()) row.slides << item.trimmed();
                } else {
                    problem("slides: expected a folder or pictures separated by \"|\", got " +
                            ShownJson(*it));
                }
                continue;
            }
            const SettingDef* s = FindSetting(column);
            const QJsonValue json = table.textCells && it->isString()
                                        ? CellJson(*s, it->toString(), table.decimalComma)
                                        : *it;
            QVariant value;
            QString error;
            if (ReadSettingJson(*s, json, column, &value, &error))
                row.values.SetValue(*s, value);
            else
                problem(error);
        }
        if (row.values.IsSet(setting::outputName))
            row.outputName = row.values.Get(setting::outputName);
        row.keyword = row.keyword.trimmed();
        row.id = row.id.trimmed();
        if (row.keyword.isEmpty()) {
            problem("keyword: the cell is empty; every row needs a keyword");
        } else {
            const char* column = !row.outputName.isEmpty() ? "outputName"
                                 : !row.id.isEmpty()       ? "id"
                                                           : "keyword";
            const QString name = row.Name();
            const QString bad = KeywordFileNameProblem(name);
            if (!bad.isEmpty()) {
                problem(QString(column) + ": " + bad);
            } else if (const auto first = names.constFind(name); first != names.constEnd()) {
                problem(QString("%1: \"%2\" names the video of row %3 too (each row needs a "
                                "name of its own: give it an id)")
                            .arg(column, name)
                            .arg(*first));
            } else {
                names.insert(name, row.number);
            }
        }
        rows->push_back(std::move(row));
    }
    if (rows->empty() && int(problems->size()) == before)
        problems->append("the table has no rows: nothing to make");
    return int(problems->size()) == before;
}

Settings RowProject(const Settings& project, const VideoRow& row, const QString& tableFolder,
                    QString* problem) {
    problem->clear();
    Settings p = project;
    for (const SettingDef* s : AllSettings())
        if (row.values.IsSet(*s)) p.SetValue(*s, row.values.Value(*s));
    if (!row.adCopy.isEmpty()) p.Set(setting::adCopies, QStringList{row.adCopy, "", "", ""});
    if (!row.slides.isEmpty()) {
        QStringList pictures;
        for (const QString& written : row.slides) {
            const QString path = ResolveProjectPath(written, tableFolder);
            const QFileInfo info(path);
            if (row.slides.size() == 1 && info.isDir()) {
                pictures = RowFolderPictures(path);
                if (pictures.isEmpty())
                    *problem = "slides: the folder " + path +
                               " holds no pictures (.jpg, .jpeg, .png, .gif, .bmp, .webp)";
            } else if (!info.isFile()) {
                *problem = "slides: the picture " + path + " does not exist";
            } else {
                pictures << path;
            }
            if (!problem->isEmpty()) return p;
        }
        p.Set(setting::slides, pictures);
    }
    if (!row.music.isEmpty()) {
        const QString path = ResolveProjectPath(row.music, tableFolder);
        if (!QFileInfo(path).isFile()) {
            *problem = "music: the music file " + path + " does not exist";
            return p;
        }
        p.Set(setting::music, true);
        p.Set(setting::musicFile, path);
    }
    return p;
}

}  // namespace vm
