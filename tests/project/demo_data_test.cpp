// The demo project's shipped files: the ad copy reads well with any of the
// keywords put in, the keywords make good file names, and the pictures are
// real, large enough for 720p and listed by the image browser.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include "AppFolder.h"
#include "DemoProject.h"
#include "Helpers.h"
#include "TestSupport.h"

namespace {

QString DataDir() {
    return testsupport::SourceDir() + "/data";
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The pictures the image browser would list: *.jpg and *.gif, any case.
QFileInfoList BrowserPictures(const QString& folder) {
    return QDir(folder).entryInfoList({"*.jpg", "*.gif"}, QDir::Files | QDir::Readable,
                                      QDir::Name | QDir::IgnoreCase);
}

}  // namespace

TEST(DemoData, PathsLieBesideTheProgram) {
    const QString app = testsupport::FreshAppFolder("demo_paths");
    EXPECT_EQ(vm::DemoContentPath(), app + "/demo_content.txt");
    EXPECT_EQ(vm::DemoKeywordsPath(), app + "/demo_keywords.txt");
    EXPECT_EQ(vm::DemoImagesFolder(), app + "/images/dental");
    // A program at the root of a file system must not give "//images".
    vm::SetAppFolderForTesting("/");
    EXPECT_EQ(vm::DemoImagesFolder(), "/images/dental");
    testsupport::FreshAppFolder("demo_paths");
}

TEST(DemoData, AdCopyReadsWithEveryKeyword) {
    const QByteArray raw = ReadBytes(DataDir() + "/demo_content.txt");
    ASSERT_FALSE(raw.isEmpty()) << "data/demo_content.txt is missing or empty";
    EXPECT_FALSE(raw.contains('\r')) << "line ends must be \"\\n\"";
    const QString text = QString::fromUtf8(raw);

    const int words = text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts).size();
    EXPECT_GE(words, 50);
    EXPECT_LE(words, 80);
    EXPECT_GE(text.count("#KEYWORD#"), 2);
    EXPECT_EQ(text.count('\n'), 1) << "exactly one line break, none at the end";
    EXPECT_FALSE(text.endsWith('\n'));

    // With a keyword put in, no tag or stray marker is left for the voice to read.
    const QStringList keywords = vm::LoadList(DataDir() + "/demo_keywords.txt");
    ASSERT_FALSE(keywords.isEmpty());
    for (const QString& keyword : keywords) {
        const QString spoken = vm::Replace(text, "#KEYWORD#", keyword, 0);
        EXPECT_FALSE(spoken.contains('#')) << keyword.toStdString();
        EXPECT_TRUE(spoken.contains(keyword)) << keyword.toStdString();
    }
}

TEST(DemoData, KeywordsMakeGoodFileNames) {
    const QByteArray raw = ReadBytes(DataDir() + "/demo_keywords.txt");
    ASSERT_FALSE(raw.isEmpty()) << "data/demo_keywords.txt is missing or empty";
    EXPECT_FALSE(raw.contains('\r')) << "line ends must be \"\\n\"";
    const QStringList keywords = vm::LoadList(DataDir() + "/demo_keywords.txt");
    EXPECT_GE(keywords.size(), 5);
    EXPECT_LE(keywords.size(), 8);
    // Every line is an entry: no blank lines the loader would drop.
    EXPECT_EQ(QString::fromUtf8(raw).trimmed().split('\n').size(), keywords.size());

    int multiWord = 0;
    QStringList seen;
    for (const QString& keyword : keywords) {
        EXPECT_EQ(keyword, keyword.trimmed()) << "surrounding spaces: " << keyword.toStdString();
        if (keyword.contains(' ')) ++multiWord;
        // Each keyword names its video file and narration file unchanged.
        EXPECT_FALSE(keyword.contains(QRegularExpression(R"([/\\:*?"<>|'])")))
            << keyword.toStdString();
        EXPECT_FALSE(seen.contains(keyword, Qt::CaseInsensitive))
            << "twice: " << keyword.toStdString();
        seen << keyword;
    }
    EXPECT_GE(multiWord, 1);
}

// Every picture the browser lists in `folder` loads, is at least 1280 x 720
// and small on disk, and nothing else lies there.
void ExpectLargePictures(const QString& folder, int minimumCount) {
    const QFileInfoList pictures = BrowserPictures(folder);
    EXPECT_GE(pictures.size(), minimumCount);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), pictures.size());
    for (const QFileInfo& picture : pictures) {
        SCOPED_TRACE(picture.fileName().toStdString());
        const QImage image(picture.filePath());
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(image.width(), 1280);
        EXPECT_GE(image.height(), 720);
        EXPECT_LE(picture.size(), 300 * 1024);
    }
}

TEST(DemoData, DentalPicturesAreLargeAndLoad) {
    ExpectLargePictures(DataDir() + "/images/dental", 6);
}

TEST(DemoData, GalleryHoldsGeneralPictures) {
    ExpectLargePictures(DataDir() + "/images", 3);
}
