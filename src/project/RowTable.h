#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

// A table of videos as people keep it in a spreadsheet: CSV (comma or
// semicolon), TSV or JSON Lines, one row per video. Files are taken as
// spreadsheets save them: UTF-8 with or without a byte-order mark, CRLF or
// LF, quoted fields holding separators, quotes and line breaks, trailing
// empty rows and columns. Other encodings are refused, saying what to do.
namespace vm {

struct TableRow {
    // Where the row is in the file as its program shows it: the
    // spreadsheet's row number (the header is row 1), a JSON line's number.
    int number = 0;
    // Column name to cell: a JSON string for a cell of a CSV or TSV file
    // (empty cells left out), the value as written in a JSON line.
    QJsonObject cells;
};

struct RowTable {
    QStringList columns;  // in the file's order (JSON Lines: as first met)
    std::vector<TableRow> rows;
    // CSV and TSV cells are all text: "1,5" may be a European 1.5.
    bool textCells = true;
    bool decimalComma = false;
};

// Reads a table. `fileName` chooses the kind by its extension (.csv, .tsv,
// .txt, .jsonl, .ndjson; anything else by the content). False with one line
// in `error` when the file is no table (a line that is not JSON, a column
// without a name holding values, another encoding than UTF-8).
bool ParseRowTable(const QByteArray& bytes, const QString& fileName, RowTable* table,
                   QString* error);
// ParseRowTable on a file's content; the error names the file.
bool ReadRowTable(const QString& path, RowTable* table, QString* error);

}  // namespace vm
