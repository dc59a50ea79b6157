#include <gtest/gtest.h>

#include "AppFolder.h"
#include "NarrationText.h"

using namespace vm;

TEST(SplitText, CutsAtExactTagOnly) {
    EXPECT_EQ(SplitText("Hello[IMAGE]World", "[IMAGE]", -1, 0), QStringList({"Hello", "World"}));
    EXPECT_EQ(SplitText("Hello[IMAGE]", "[IMAGE]", -1, 0), QStringList({"Hello"}));
    EXPECT_EQ(SplitText("[IMAGE]Hello", "[IMAGE]", -1, 0), QStringList({"", "Hello"}));
    EXPECT_EQ(SplitText("Hello[IMAGE]!", "[IMAGE]", -1, 0), QStringList({"Hello", "!"}));
    EXPECT_EQ(SplitText("Hello[image]World", "[IMAGE]", -1, 0), QStringList({"Hello[image]World"}));
    EXPECT_TRUE(SplitText("", "[IMAGE]", -1, 0).isEmpty());
    EXPECT_EQ(SplitText("No tag here", "[IMAGE]", -1, 0), QStringList({"No tag here"}));
    EXPECT_EQ(SplitText("a[IMAGE][IMAGE]b", "[IMAGE]", -1, 0), QStringList({"a", "", "b"}));
}

TEST(SplitText, CompareModeAndManyPieces) {
    EXPECT_EQ(SplitText("Hello[image]World", "[IMAGE]", -1, 1), QStringList({"Hello", "World"}));
    QString text;
    for (int i = 0; i < 250; ++i) text += QString::number(i) + ",";
    const QStringList pieces = SplitText(text, ",", -1, 0);
    ASSERT_EQ(pieces.size(), 250);
    EXPECT_EQ(pieces.at(249), "249");
}

TEST(ReplaceText, RemovesTagsInAnyCase) {
    EXPECT_EQ(ReplaceText("Hello[image]World", "[IMAGE]", "", 1), "HelloWorld");
    EXPECT_EQ(ReplaceText("a[Image]b[IMAGE]c", "[IMAGE]", "", 1), "abc");
    EXPECT_EQ(ReplaceText("Hello[image]World", "[IMAGE]", "", 0), "Hello[image]World");
    EXPECT_EQ(ReplaceText("", "[IMAGE]", "", 1), "");
    // The inserted text is never searched again.
    EXPECT_EQ(ReplaceText("aa", "a", "aa", 0), "aaaa");
}

TEST(NarrationText, KeywordGoesInAndWithoutOneTheTagIsLeftOut) {
    EXPECT_EQ(NarrationTextFor("Call a #KEYWORD# today.", "dentist"), "Call a dentist today.");
    EXPECT_EQ(NarrationTextFor("#KEYWORD# and #KEYWORD#", "x"), "x and x");
    EXPECT_EQ(NarrationTextFor("Looking for #KEYWORD#? Call #KEYWORD# now.", ""),
              "Looking for? Call now.");
    EXPECT_EQ(NarrationTextFor("#KEYWORD# rooms#KEYWORD#", ""), "rooms");
    // The tag is matched exactly.
    EXPECT_EQ(NarrationTextFor("a #keyword# b", "x"), "a #keyword# b");
}
