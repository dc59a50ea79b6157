// The golden projects opened in the window and saved again give the files the
// window wrote of them before its settings became a table: every project
// opens with the same values and is written with the same bytes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Copies a folder tree (the projects point at ../pictures and ../music.mp3).
void CopyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs |
                                                           QDir::NoDotAndDotDot)) {
        if (entry.isDir())
            CopyTree(entry.filePath(), to + "/" + entry.fileName());
        else
            QFile::copy(entry.filePath(), to + "/" + entry.fileName());
    }
}

using GoldenSave = testsupport::WindowTest;

TEST_F(GoldenSave, EveryGoldenProjectIsSavedAsBefore) {
    const QString golden = testsupport::SourceDir() + "/tests/golden";
    QTemporaryDir copy;
    ASSERT_TRUE(copy.isValid());
    CopyTree(golden, copy.path());
    const QStringList projects = QDir(golden + "/projects").entryList({"*.json"}, QDir::Files);
    ASSERT_GE(projects.size(), 8);
    for (const QString& name : projects) {
        SCOPED_TRACE(name.toStdString());
        NewWindow();
        const QString path = copy.path() + "/projects/" + name;
        QString error;
        ASSERT_TRUE(window->OpenProject(path, &error)) << error.toStdString();
        ASSERT_TRUE(window->SaveProject(path + ".saved", &error)) << error.toStdString();
        const QByteArray expected = Read(golden + "/saved/" + name);
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_EQ(QString::fromUtf8(Read(path + ".saved")), QString::fromUtf8(expected));
    }
}

}  // namespace
