#include "RowTable.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringDecoder>

namespace vm {
namespace {

enum class Kind { Csv, Tsv, JsonLines };

Kind KindOf(const QString& fileName, const QString& text) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == "jsonl" || suffix == "ndjson") return Kind::JsonLines;
    if (suffix == "tsv" || suffix == "tab") return Kind::Tsv;
    if (suffix == "csv") return Kind::Csv;
    const QString first = text.trimmed();
    if (first.startsWith('{')) return Kind::JsonLines;
    return text.section('\n', 0, 0).contains('\t') ? Kind::Tsv : Kind::Csv;
}

// The text of UTF-8 bytes, the byte-order mark dropped. False with what the
// file looks like and what to do when it is not UTF-8.
bool DecodeUtf8(const QByteArray& bytes, QString* text, QString* error) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        *error =
            "it is UTF-16 text (\"Unicode text\"); save it as \"CSV UTF-8\" or another UTF-8 "
            "text";
        return false;
    }
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    // Line by line, so the message can say where the first stray byte is.
    int line = 1;
    qsizetype start = 0;
    while (start <= body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0) end = body.size();
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString part = decoder(QByteArrayView(body).sliced(start, end - start));
        if (decoder.hasError()) {
            *error = QString(
                         "line %1 is not UTF-8 text (saved as Windows-1252, Latin-1 or another "
                         "old encoding?); save the table as \"CSV UTF-8\" or another UTF-8 text")
                         .arg(line);
            return false;
        }
        text->append(part);
        if (end < body.size()) text->append('\n');
        start = end + 1;
        ++line;
    }
    return true;
}

// The records of a CSV or TSV text: fields, quoted ones with separators,
// doubled quotes and line breaks inside. CRLF, LF and CR all end a record.
std::vector<QStringList> SplitRecords(const QString& text, QChar separator) {
    std::vector<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    auto endField = [&] {
        fields << field;
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        records.push_back(std::move(fields));
        fields.clear();
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < n && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (c == '\r') {
                field += '\n';  // a line break inside a cell is one, however saved
                if (i + 1 < n && text[i + 1] == '\n') ++i;
            } else {
                field += c;
            }
        } else if (c == '"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == separator) {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
            endRecord();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !fields.isEmpty() || wasQuoted) endRecord();
    return records;
}

// A spreadsheet in a European locale separates with semicolons: the header
// says which, by what it holds outside quotes.
QChar CsvSeparator(const QString& text) {
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        commas += c == ',';
        semicolons += c == ';';
    }
    return semicolons > commas ? QChar(';') : QChar(',');
}

bool Blank(const QString& cell) {
    return cell.trimmed().isEmpty();
}

bool ParseDelimited(const QString& text, QChar separator, RowTable* table, QString* error) {
    std::vector<QStringList> records = SplitRecords(text, separator);
    if (records.empty()) {
        *error = "the table is empty: its first row names the columns";
        return false;
    }
    QStringList header = records.front();
    for (QString& name : header) name = name.trimmed();
    // Columns past the last named one are a spreadsheet's trailing empty
    // columns: their cells must be empty too.
    while (!header.isEmpty() && header.back().isEmpty()) header.removeLast();
    for (int c = 0; c < header.size(); ++c) {
        if (header[c].isEmpty()) {
            *error = QString("column %1 has no name in the first row").arg(c + 1);
            return false;
        }
        if (header.indexOf(header[c]) != c) {
            *error = QString("the column \"%1\" is there twice").arg(header[c]);
            return false;
        }
    }
    table->columns = header;
    for (size_t r = 1; r < records.size(); ++r) {
        const QStringList& fields = records[r];
        TableRow row;
        row.number = int(r) + 1;
        for (int c = 0; c < fields.size(); ++c) {
            if (Blank(fields[c])) continue;
            if (c >= header.size()) {
                *error = QString(
                             "row %1 has a value in column %2, which has no name in the "
                             "first row")
                             .arg(row.number)
                             .arg(c + 1);
                return false;
            }
            row.cells.insert(header[c], fields[c]);
        }
        if (!row.cells.isEmpty()) table->rows.push_back(std::move(row));
    }
    table->textCells = true;
    table->decimalComma = separator == ';';
    return true;
}

bool ParseJsonLines(const QString& text, RowTable* table, QString* error) {
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty()) continue;
        QJsonParseError parse;
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &parse);
        if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
            *error = QString("line %1 is not a JSON object%2")
                         .arg(i + 1)
                         .arg(doc.isNull() ? ": " + parse.errorString() : QString());
            return false;
        }
        TableRow row;
        row.number = i + 1;
        const QJsonObject object = doc.object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!table->columns.contains(it.key())) table->columns << it.key();
            // Null and "" leave the project's value, as an empty cell does.
            if (it->isNull() || (it->isString() && Blank(it->toString()))) continue;
            row.cells.insert(it.key(), *it);
        }
        if (!row.cells.isEmpty()) table->rows.push_back(std::move(row));
    }
    table->textCells = false;
    return true;
}

}  // namespace

bool ParseRowTable(const QByteArray& bytes, const QString& fileName, RowTable* table,
                   QString* error) {
    *table = RowTable{};
    QString text;
    if (!DecodeUtf8(bytes, &text, error)) return false;
    switch (KindOf(fileName, text)) {
        case Kind::JsonLines:
            return ParseJsonLines(text, table, error);
        case Kind::Tsv:
            return ParseDelimited(text, '\t', table, error);
        case Kind::Csv:
            return ParseDelimited(text, CsvSeparator(text), table, error);
    }
    return false;
}

bool ReadRowTable(const QString& path, RowTable* table, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QString("%1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    QString problem;
    if (!ParseRowTable(file.readAll(), path, table, &problem)) {
        *error = path + ": " + problem;
        return false;
    }
    return true;
}

}  // namespace vm
