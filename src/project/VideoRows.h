#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "RowTable.h"
#include "Settings.h"

// The rows of a table as videos: each row's keyword, its own name, text,
// pictures and music, and the project settings its cells set. A cell is read
// by its column, the setting's project-file key, with the project file's own
// rules (ranges, choices, spellings); an empty cell keeps the project's value.
namespace vm {

// The columns that are no setting of the project.
inline const char* const kRowColumns[] = {"keyword", "id", "adCopy", "slides", "music",
                                          "outputName"};

struct VideoRow {
    int number = 0;  // the row's number in its file (RowTable.h)
    QString keyword;
    QString id;          // the row's stable name: its file's, its seed's
    QString adCopy;      // this row's text instead of the four ad copies
    QStringList slides;  // as written: one folder, or pictures
    QString music;       // as written
    QString outputName;  // the file's name, before the id and the keyword
    Settings values;     // the settings its cells set, and only those
    QJsonObject cells;   // every cell as read, for the fingerprint and the window

    // The video's file name without extension: outputName, else id, else
    // the keyword.
    QString Name() const;
    // What its random choices are seeded from: the id, else the keyword.
    QString SeedName() const { return id.isEmpty() ? keyword : id; }
    // "spring-sale" or "row 3": what a list or a message calls it.
    QString Shown() const;
};

// The rows of `table`. Every problem goes into `problems`, one line each
// ("row 14, speechRate: expected a number from 0.7 to 1.5, got \"fast\""),
// so a table is mended in one go; a problem of the whole table (a missing
// keyword column, unknown columns) is one line without a row. False when
// there was any.
bool VideoRowsFrom(const RowTable& table, std::vector<VideoRow>* rows, QStringList* problems);

// The project one row makes: `project` with the row's settings, its text as
// the only ad copy, its pictures (a folder's pictures by name, or the paths
// given) and its music, paths taken from `tableFolder`. Empty `problem` when
// fine, else "slides: ..." naming the column.
Settings RowProject(const Settings& project, const VideoRow& row, const QString& tableFolder,
                    QString* problem);

// The pictures a row's folder offers, by name.
QStringList RowFolderPictures(const QString& folder);

}  // namespace vm
