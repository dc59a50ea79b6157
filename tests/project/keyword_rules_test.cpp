#include <gtest/gtest.h>

#include "KeywordRules.h"

using namespace vm;

TEST(KeywordRules, RefusesOnlyWhatCannotBeAFileName) {
    EXPECT_TRUE(KeywordFileNameProblem("dentist").isEmpty());
    EXPECT_TRUE(KeywordFileNameProblem("caf\u00e9 & bar: \"best\"?*").isEmpty());
    EXPECT_TRUE(KeywordFileNameProblem("...").isEmpty());
    EXPECT_TRUE(KeywordFileNameProblem(QString(200, 'a')).isEmpty());
    EXPECT_TRUE(KeywordFileNameProblem("../etc/passwd").contains("../etc/passwd"));
    EXPECT_FALSE(KeywordFileNameProblem("a/b").isEmpty());
    EXPECT_FALSE(KeywordFileNameProblem(".").isEmpty());
    EXPECT_FALSE(KeywordFileNameProblem("..").isEmpty());
    // A NUL is shown, so the message is not cut off where it is printed.
    const QString nul = KeywordFileNameProblem(QString("a") + QChar(0) + "b");
    EXPECT_EQ(nul,
              "The keyword \"a\\0b\" cannot be used as a file name: it contains a NUL character.");
    EXPECT_FALSE(KeywordFileNameProblem(QString(201, 'a')).isEmpty());
    // 101 two-byte characters are 202 bytes.
    EXPECT_FALSE(KeywordFileNameProblem(QString(101, QChar(0x00e9))).isEmpty());
}
