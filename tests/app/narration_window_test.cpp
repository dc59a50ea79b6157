// Narration through the window with a real speech engine.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSet>
#include <QTextEdit>
#include <QTimer>

#include "AppFolder.h"
#include "VideoEdit.h"
#include "WindowFixture.h"

namespace {

class NarrationWindow : public testsupport::WindowTest {
protected:
    double Speak(const QString& keyword, const QString& adCopy) {
        window->txtArticle[0]->setPlainText(adCopy);
        QString error;
        EXPECT_TRUE(window->SpeakNarration(keyword, &error)) << error.toStdString();
        return VideoEdit::MediaLength(vm::OutputFolder() + "/" +
                                      (keyword.isEmpty() ? QString("temp") : keyword) + ".wav");
    }
};

TEST_F(NarrationWindow, KeywordGoesInAndTheAdCopyKeepsItsTag) {
    ASSERT_TRUE(SelectQuickVoice());
    ASSERT_FALSE(QDir(folder + "/output").exists());  // made on first use
    const double first = Speak("dentist", "Call a #KEYWORD# today.");
    const QString wav = folder + "/output/dentist.wav";
    EXPECT_TRUE(QFileInfo(wav).isFile());
    EXPECT_GT(first, 1.0);
    EXPECT_EQ(window->txtArticle[0]->toPlainText(), "Call a #KEYWORD# today.");
    EXPECT_EQ(window->txtArticleFinal->toPlainText(), "Call a dentist today.");
    EXPECT_EQ(window->lblOutputFilename->text(), wav);
    EXPECT_FALSE(window->tmrLogAnalyzer->isActive());

    // A second call replaces the file rather than adding to it.
    const double again = Speak("dentist", "Call a #KEYWORD# today.");
    EXPECT_NEAR(again, first, 0.05);
}

TEST_F(NarrationWindow, LineBreakIsAnAudiblePause) {
    ASSERT_TRUE(SelectQuickVoice());
    const double oneLine = Speak("a", "Call a dentist today. We are open on Sunday.");
    const double twoLines = Speak("b", "Call a dentist today.\nWe are open on Sunday.");
    EXPECT_GT(twoLines - oneLine, 0.3) << oneLine << " vs " << twoLines;
}

TEST_F(NarrationWindow, ImageTagsCutTheTextIntoPiecesOfOneFile) {
    ASSERT_TRUE(SelectQuickVoice());
    const double hello = Speak("one", "Hello there, my friend.");
    const double both = Speak("two", "Hello there, my friend.[IMAGE]Goodbye for now, my friend.");
    EXPECT_EQ(window->txtArticleFinal->toPlainText(), "Goodbye for now, my friend.");
    EXPECT_GT(both, hello + 0.8);
    // A lower-case tag does not cut and is not spoken.
    Speak("three", "Hello[image]World");
    EXPECT_EQ(window->txtArticleFinal->toPlainText(), "HelloWorld");
}

TEST_F(NarrationWindow, EmptyKeywordSpeaksTheTextUnchangedIntoTempWav) {
    ASSERT_TRUE(SelectQuickVoice());
    EXPECT_GT(Speak("", "Call a #KEYWORD# today."), 0.5);
    EXPECT_TRUE(QFileInfo(folder + "/output/temp.wav").isFile());
    EXPECT_EQ(window->txtArticleFinal->toPlainText(), "Call a #KEYWORD# today.");
}

TEST_F(NarrationWindow, KeywordThatCannotBeAFileNameIsRefused) {
    window->txtArticle[0]->setPlainText("Call a #KEYWORD# today.");
    for (const QString& keyword : {QString("../escape"), QString(".."), QString(300, 'k')}) {
        QString error;
        EXPECT_FALSE(window->SpeakNarration(keyword, &error));
        EXPECT_TRUE(error.contains("cannot be used as a file name")) << error.toStdString();
    }
    EXPECT_FALSE(QFileInfo(folder + "/escape.wav").exists());
}

TEST_F(NarrationWindow, NoVoiceSelectedFailsWithAReason) {
    window->txtArticle[0]->setPlainText("Hello.");
    window->List1->setCurrentIndex(-1);
    QString error;
    EXPECT_FALSE(window->SpeakNarration("x", &error));
    EXPECT_TRUE(error.contains("voice")) << error.toStdString();
}

TEST_F(NarrationWindow, PickAdCopyChoosesOnlyNonEmptyCopies) {
    window->txtArticle[0]->setPlainText("zero");
    window->txtArticle[1]->clear();
    window->txtArticle[2]->setPlainText("two");
    window->txtArticle[3]->clear();
    QSet<int> seen;
    for (int i = 0; i < 60; ++i) seen.insert(window->PickAdCopy());
    EXPECT_EQ(seen, QSet<int>({0, 2}));
    EXPECT_EQ(window->lstAdCopies->count(), 2);
    EXPECT_EQ(window->lstAdCopies->currentRow(), 0);
}

}  // namespace
