#pragma once

#include <QGroupBox>
#include <QList>
#include <array>
#include <memory>

#include "VoiceToken.h"

class PathLabel;

class Frame;
class QAction;
class QComboBox;
class QDoubleSpinBox;
class QListWidget;
class QMenu;
class QPushButton;
class QTextEdit;
class SpVoice;
class Stretcher;

// The "Text To Speech" panel: the voice and its test, the four ad-copy pages
// with their links, the keyword list with its menu and editor, the speech
// rate and loudness, and the background-music group.
class TextToSpeechPanel : public QGroupBox {
    Q_OBJECT
public:
    TextToSpeechPanel(const QRect& place, QWidget* parent);
    ~TextToSpeechPanel() override;

    // Lists this machine's voices. False (after saying "Voice Not
    // Supported.") when there is no engine or listing failed; the voices
    // listed before a failure stay in the list.
    bool LoadVoices();
    // The voices listed, in the list's order.
    QList<VoiceToken> Voices() const;
    QStringList VoiceNames() const;

    // The keyword list (a batch marks how each keyword's video is doing).
    QListWidget* Keywords() const { return keywords_; }

    // Shows ad-copy page `index` (0..3) and marks its header.
    void ShowAdCopy(int index);
    // The page whose header is marked (the first when none is).
    int CurrentAdCopy() const;
    // Puts the keyboard into page `index`.
    void FocusAdCopy(int index);

signals:
    // The voice test speaks meanwhile: "Make Videos!" waits.
    void voiceTestRunning(bool running);

private:
    void BuildAdCopy(Stretcher* stretch);
    void BuildKeywords(Stretcher* stretch);
    // The links over the visible page.
    void DeleteContent();
    void PasteContent();
    void InsertTag();
    // "Test Selected Voice".
    void TestVoice();
    void EditKeywords();
    void DeleteAllKeywords();
    void OpenSpreadsheet();
    // Shows the rows of the table at `path` in the keyword list, each row's
    // values in its tooltip; a table that cannot be read is said and left out.
    void ShowRows(const QString& path);

    QComboBox* voiceList_ = nullptr;
    QPushButton* testVoice_ = nullptr;
    std::array<Frame*, 4> adCopyHeaders_{};
    std::array<QTextEdit*, 4> pages_{};
    QListWidget* keywords_ = nullptr;
    QMenu* keywordMenu_ = nullptr;
    PathLabel* rowsFile_ = nullptr;
    QDoubleSpinBox* speechRate_ = nullptr;
    std::unique_ptr<SpVoice> voice_;
};
