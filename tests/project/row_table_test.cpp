#include <gtest/gtest.h>

#include <QJsonArray>

#include "RowTable.h"
#include "SettingsTable.h"
#include "VideoRows.h"

using namespace vm;

namespace {

RowTable Parse(const QByteArray& bytes, const QString& name) {
    RowTable table;
    QString error;
    EXPECT_TRUE(ParseRowTable(bytes, name, &table, &error)) << error.toStdString();
    return table;
}

}  // namespace

// A table as a spreadsheet in a European locale saves it: BOM, CRLF,
// semicolons, a quoted cell with a line break, a separator and quotes, an
// apostrophe and an emoji, a decimal comma, an empty trailing column and
// empty trailing rows.
TEST(RowTable, ReadsWhatSpreadsheetsWrite) {
    const QByteArray csv =
        "\xEF\xBB\xBFkeyword;id;adCopy;speechRate;;\r\n"
        "dentist;d1;\"Smile; it's \"\"easy\"\"\r\nat #KEYWORD# \xF0\x9F\x98\x80\";1,25;;\r\n"
        "baker;;Fresh bread.;;;\r\n"
        ";;;;;\r\n"
        ";;;;;\r\n";
    const RowTable table = Parse(csv, "videos.csv");
    EXPECT_EQ(table.columns, QStringList({"keyword", "id", "adCopy", "speechRate"}));
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0].number, 2);
    EXPECT_EQ(table.rows[1].number, 3);  // the quoted line break stays inside row 2
    std::vector<VideoRow> rows;
    QStringList problems;
    ASSERT_TRUE(VideoRowsFrom(table, &rows, &problems)) << problems.join("\n").toStdString();
    EXPECT_EQ(rows[0].adCopy,
              QString::fromUtf8("Smile; it's \"easy\"\nat #KEYWORD# \xF0\x9F\x98\x80"));
    EXPECT_EQ(rows[0].values.Get(setting::speechRate), 1.25);
    EXPECT_EQ(rows[0].Name(), "d1");
    EXPECT_EQ(rows[1].Name(), "baker");
    EXPECT_FALSE(rows[1].values.IsSet(setting::speechRate));  // empty: the project's

    // The same rows as TSV (LF, commas in text) and as JSON Lines.
    const RowTable tsv = Parse("keyword\tadCopy\tshape\nbaker\tBread, rolls\tportrait\n", "v.tsv");
    ASSERT_EQ(tsv.rows.size(), 1u);
    EXPECT_EQ(tsv.rows[0].cells["adCopy"].toString(), "Bread, rolls");
    const RowTable jsonl = Parse(
        "{\"keyword\": \"baker\", \"speechRate\": 1.2, \"slides\": [\"a.jpg\", \"b.jpg\"]}\n\n",
        "v.jsonl");
    ASSERT_TRUE(VideoRowsFrom(jsonl, &rows, &problems));
    EXPECT_EQ(rows[0].values.Get(setting::speechRate), 1.2);
    EXPECT_EQ(rows[0].slides, QStringList({"a.jpg", "b.jpg"}));
    // A comma CSV: "1,5" is two cells there, never a decimal comma.
    const RowTable commas = Parse("keyword,speechRate\nx,\"1,5\"\n", "v.csv");
    ASSERT_FALSE(VideoRowsFrom(commas, &rows, &problems));
    EXPECT_EQ(problems.last(), "row 2, speechRate: expected a number from 0.7 to 1.5, got \"1,5\"");
}

TEST(RowTable, RefusesWhatItCannotReadSayingWhy) {
    RowTable table;
    QString error;
    // Latin-1, as an old spreadsheet saves "café".
    EXPECT_FALSE(ParseRowTable("keyword\ncaf\xE9\n", "v.csv", &table, &error));
    EXPECT_EQ(error,
              "line 2 is not UTF-8 text (saved as Windows-1252, Latin-1 or another old encoding?); "
              "save the table as \"CSV UTF-8\" or another UTF-8 text");
    EXPECT_FALSE(ParseRowTable("\xFF\xFEk\0", "v.csv", &table, &error));
    EXPECT_TRUE(error.contains("UTF-16"));
    EXPECT_FALSE(ParseRowTable("keyword,,shape\nx,1,square\n", "v.csv", &table, &error));
    EXPECT_EQ(error, "column 2 has no name in the first row");
    EXPECT_FALSE(ParseRowTable("{\"keyword\": \"x\"}\n[1]\n", "v.jsonl", &table, &error));
    EXPECT_TRUE(error.startsWith("line 2 is not a JSON object"));

    // Every problem of every row at once, by the project file's rules.
    ASSERT_TRUE(
        ParseRowTable("keyword,id,speechRate,shape,transitions\n"
                      "a,,fast,square,TRUE\n"
                      ",b,1,,\n"
                      "c,a,1,round,no\n",
                      "v.csv", &table, &error));
    std::vector<VideoRow> rows;
    QStringList problems;
    EXPECT_FALSE(VideoRowsFrom(table, &rows, &problems));
    EXPECT_EQ(problems,
              QStringList({"row 2, speechRate: expected a number from 0.7 to 1.5, got \"fast\"",
                           "row 3, keyword: the cell is empty; every row needs a keyword",
                           "row 4, shape: expected one of \"landscape\", \"portrait\", "
                           "\"square\", got \"round\"",
                           "row 4, transitions: expected true or false, got \"no\"",
                           "row 4, id: \"a\" names the video of row 2 too (each row needs a "
                           "name of its own: give it an id)"}));
    ASSERT_TRUE(ParseRowTable("keyword,speed,keywords\nx,1,y\n", "v.csv", &table, &error));
    problems.clear();
    EXPECT_FALSE(VideoRowsFrom(table, &rows, &problems));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].startsWith(
        "unknown columns \"speed\", \"keywords\"; the columns are keyword, id, adCopy, slides, "
        "music, outputName, adCopies, voice, "));
}
