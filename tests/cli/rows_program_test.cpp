// vidmill-batch making one video per row of a table, run for real: a table
// saved the way spreadsheets save it, bad rows found before anything is
// touched, reruns that remake only the changed rows, and rows whose videos
// do not depend on where they stand in the table.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "MediaProbe.h"
#include "Narration.h"
#include "NarrationText.h"
#include "SpVoice.h"
#include "TestSupport.h"

namespace {

struct Ran {
    int exitCode = -1;
    QString out;
    QString err;
};

Ran Batch(const QStringList& args) {
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/vidmill-batch", args);
    Ran run;
    if (!p.waitForFinished(10 * 60 * 1000)) {
        p.kill();
        p.waitForFinished(10000);
        run.err = "vidmill-batch did not end within 10 minutes";
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

// The file names of the "made <path> ..." lines, in order.
QStringList MadeNames(const Ran& run) {
    static const QRegularExpression made("^made (\\S+) ", QRegularExpression::MultilineOption);
    QStringList names;
    for (auto it = made.globalMatch(run.out); it.hasNext();)
        names << QFileInfo(it.next().captured(1)).fileName();
    names.sort();
    return names;
}

QString EspeakVoice() {
    for (const VoiceToken& token : SpVoice().GetVoices()) {
        const QString d = token.GetDescription();
        if (d.contains("(espeak") && d.contains("/en-US - ")) return d;
    }
    return {};
}

// The colour in the middle of the video's middle frame.
QColor Middle(const QString& path) {
    QString error;
    const QImage frame =
        testsupport::DecodeFrame(path, testsupport::ProbeMedia(path).videoFrames / 2, &error);
    EXPECT_FALSE(frame.isNull()) << error.toStdString();
    return frame.isNull() ? QColor() : frame.pixelColor(frame.width() / 2, frame.height() / 2);
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RowsBatch : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = testsupport::FreshAppFolder(QString("rows-%1").arg(info->name()));
        voice = EspeakVoice();
        ASSERT_FALSE(voice.isEmpty()) << "no English espeak-ng voice installed";
        Picture("images/red.jpg", Qt::red);
        // A small espeak-ng project at 240p, a second per slide; its own
        // keywords are left for the table's rows.
        Write("project.json", QString(R"({"adCopies": ["About #KEYWORD#."],
            "keywords": ["unused"], "resolution": "240p", "secondsPerSlide": 1,
            "slides": ["images/red.jpg"], "voice": "%1", "rows": "table/videos.csv"})")
                                  .arg(voice)
                                  .toUtf8());
    }
    void Write(const QString& name, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(dir + "/" + name).path());
        QFile f(dir + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void Picture(const QString& name, const QColor& color) {
        QDir().mkpath(QFileInfo(dir + "/" + name).path());
        ASSERT_TRUE(testsupport::WriteSolidImage(dir + "/" + name, 320, 240, color));
    }
    QString dir;
    QString voice;
};

}  // namespace

// A semicolon CSV with a byte-order mark and CRLF, a text with a quoted line
// break, an apostrophe and an emoji, an empty trailing column: each row's
// video has the row's size, format, pictures and narration.
TEST_F(RowsBatch, EachRowsVideoHasItsOwnTextPicturesSizeAndFormat) {
    Picture("table/blue/b1.jpg", Qt::blue);
    const QByteArray text =
        "\"It's spring at #KEYWORD#;\r\ncome in \xF0\x9F\x98\x80\"";  // as the cell is written
    Write("table/videos.csv",
          "\xEF\xBB\xBFkeyword;id;adCopy;slides;shape;format;\r\n"
          "Caf\xC3\xA9 Rose;rose;" +
              text +
              ";blue;portrait;mp4;\r\n"
              "baker;;;;;;\r\n"
              ";;;;;;\r\n");
    const Ran run =
        Batch({"--output", dir + "/out", "--report", dir + "/report.json", dir + "/project.json"});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(MadeNames(run), QStringList({"baker.avi", "rose.mp4"}));

    const testsupport::MediaInfo rose = testsupport::ProbeMedia(dir + "/out/rose.mp4");
    ASSERT_TRUE(rose.ok) << rose.error.toStdString();
    EXPECT_EQ(rose.videoCodec, "h264");
    EXPECT_EQ(QSize(rose.width, rose.height), QSize(240, 426));  // 240p on its side
    EXPECT_LT(testsupport::ColorDistance(Middle(dir + "/out/rose.mp4"), Qt::blue), 60);
    const testsupport::MediaInfo baker = testsupport::ProbeMedia(dir + "/out/baker.avi");
    ASSERT_TRUE(baker.ok) << baker.error.toStdString();
    EXPECT_EQ(QSize(baker.width, baker.height), QSize(426, 240));
    EXPECT_LT(testsupport::ColorDistance(Middle(dir + "/out/baker.avi"), Qt::red), 60);

    // The narration is the row's text: as long as a WAV spoken from it.
    SpVoice speaker;
    for (const VoiceToken& token : speaker.GetVoices())
        if (token.GetDescription() == voice) speaker.setVoice(token);
    const std::pair<QString, QString> spoken[] = {
        {"rose", vm::NarrationTextFor(QString::fromUtf8("It's spring at #KEYWORD#;\ncome in "
                                                        "\xF0\x9F\x98\x80"),
                                      QString::fromUtf8("Caf\xC3\xA9 Rose"))},
        {"baker", "About baker."}};
    for (const auto& [name, words] : spoken) {
        double seconds = 0;
        QString error;
        ASSERT_TRUE(
            vm::SpeakNarrationFile(speaker, words, dir + "/" + name + ".wav", &seconds, &error))
            << error.toStdString();
        const QRegularExpression line("made \\S+/" + name +
                                      "\\.\\w+ \\(planned \\d+ s, narration ([0-9.]+) s\\)");
        const auto m = line.match(run.out);
        ASSERT_TRUE(m.hasMatch()) << run.out.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), seconds, 0.02) << name.toStdString();
    }
    // The report names each video's row and id.
    const QString report = QString::fromUtf8(Bytes(dir + "/report.json"));
    EXPECT_TRUE(report.contains("\"id\": \"rose\"")) << report.toStdString();
    EXPECT_TRUE(report.contains("\"row\": 2"));
    EXPECT_TRUE(report.contains("\"row\": 3"));
}

// Three bad rows among twenty: all three listed with their column and
// reason, exit 2, and the output folder exactly as it was.
TEST_F(RowsBatch, EveryBadRowIsListedBeforeAnythingIsTouched) {
    QByteArray table = "keyword,speechRate,slides,voice\n";
    for (int i = 1; i <= 20; ++i) {
        QByteArray row = "k" + QByteArray::number(i) + ",,,\n";
        if (i == 4) row = "k4,fast,,\n";
        if (i == 11) row = "k11,,missing-folder,\n";
        if (i == 17) row = "k17,,,Nobody (espeak-ng)\n";
        table += row;
    }
    Write("table/videos.csv", table);
    ASSERT_TRUE(QDir().mkpath(dir + "/out"));
    Write("out/mine.txt", "the user's");
    const QStringList before = QDir(dir + "/out").entryList(QDir::AllEntries | QDir::Hidden);
    const Ran run = Batch({"--output", dir + "/out", dir + "/project.json"});
    EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
    EXPECT_TRUE(
        run.err.contains("row 5, speechRate: expected a number from 0.7 to 1.5, got "
                         "\"fast\""))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("row 12, slides: the picture " + dir +
                                 "/table/missing-folder does not exist"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("row 18, voice: \"Nobody (espeak-ng)\" is not installed"))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count("\n  row "), 3) << run.err.toStdString();
    EXPECT_EQ(QDir(dir + "/out").entryList(QDir::AllEntries | QDir::Hidden), before);
    EXPECT_FALSE(run.out.contains("made"));
}

// A rerun with --skip-existing after one row's text and a picture in another
// row's folder changed remakes exactly those two; a row put in at the top
// leaves every other row's video byte for byte as it was (same seed).
TEST_F(RowsBatch, RerunsRemakeChangedRowsAndRowsKeepTheirVideosWherever) {
    const QColor colors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    QByteArray rows;
    for (int i = 0; i < 4; ++i) {
        const QString folder = QString("table/f%1").arg(i);
        Picture(folder + "/a.jpg", colors[i]);
        Picture(folder + "/b.jpg", colors[(i + 1) % 4]);
        Picture(folder + "/c.jpg", colors[(i + 2) % 4]);
        rows += QString("k%1,v%1,f%1,Row %1 about #KEYWORD#.\n").arg(i).toUtf8();
    }
    const QByteArray header = "keyword,id,slides,adCopy\n";
    Write("table/videos.csv", header + rows);
    const QStringList args = {"--seed",   "7",          "--skip-existing",
                              "--output", dir + "/out", dir + "/project.json"};
    const Ran first = Batch(args);
    ASSERT_EQ(first.exitCode, 0) << first.out.toStdString() << first.err.toStdString();
    ASSERT_EQ(MadeNames(first).size(), 4u) << first.out.toStdString();
    QMap<QString, QDateTime> times;
    for (int i = 0; i < 4; ++i)
        times[QString("v%1.avi").arg(i)] =
            QFileInfo(dir + QString("/out/v%1.avi").arg(i)).lastModified();

    Write("table/videos.csv",
          header + QByteArray(rows).replace("Row 1 about", "Row one now about"));
    Picture("table/f2/b.jpg", Qt::white);
    const Ran second = Batch(args);
    ASSERT_EQ(second.exitCode, 0) << second.out.toStdString() << second.err.toStdString();
    EXPECT_EQ(MadeNames(second), QStringList({"v1.avi", "v2.avi"})) << second.out.toStdString();
    for (const QString name : {"v0.avi", "v3.avi"})
        EXPECT_EQ(QFileInfo(dir + "/out/" + name).lastModified(), times[name])
            << name.toStdString();
    EXPECT_NE(QFileInfo(dir + "/out/v1.avi").lastModified(), times["v1.avi"]);

    // The same table with a row put in at the top, into a new folder.
    Write("table/videos.csv", header + "new,vnew,f0,A new row about #KEYWORD#.\n" +
                                  QByteArray(rows).replace("Row 1 about", "Row one now about"));
    QStringList fresh = args;
    fresh[fresh.indexOf("--output") + 1] = dir + "/out2";
    const Ran third = Batch(fresh);
    ASSERT_EQ(third.exitCode, 0) << third.out.toStdString() << third.err.toStdString();
    for (int i = 0; i < 4; ++i) {
        const QString name = QString("v%1.avi").arg(i);
        const QByteArray made = Bytes(dir + "/out2/" + name);
        ASSERT_FALSE(made.isEmpty()) << name.toStdString();
        EXPECT_TRUE(made == Bytes(dir + "/out/" + name)) << name.toStdString() << " changed";
    }
}
