#include "TextToSpeechPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

#include "Controls.h"
#include "Helpers.h"
#include "MsgBox.h"
#include "MusicGroup.h"
#include "Shell.h"
#include "SoundOutput.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "WidgetMaker.h"
#include "frmKeywords.h"
#include "MusicChooser.h"
#include "VideoRows.h"

namespace {

const QRect kPageRect(54, 117, 541, 157);
const char* const kTestSentence = "This is just a test. Hope that you enjoy the selected voice.";

// Puts text in place of the selection, or at the caret when nothing is selected.
void InsertAtCaret(QTextEdit* box, const QString& text) {
    QTextCursor cursor = box->textCursor();
    cursor.insertText(text);
    box->setTextCursor(cursor);
}

void VoiceNotSupported(QWidget* parent) {
    MsgBox(parent, QStringLiteral("Voice Not Supported."), QStringLiteral("Not Supported"),
           QMessageBox::Warning, QMessageBox::Ok);
}

}  // namespace

TextToSpeechPanel::TextToSpeechPanel(const QRect& place, QWidget* parent)
    : QGroupBox("Text To Speech", parent) {
    setObjectName("frTab_0");
    setGeometry(place);
    auto* stretch = new Stretcher(this, place.size());

    ui::MakeLabel(this, "Label1",
                  "Select an Installed Voice From The List:", QRect(20, 27, 230, 18));
    voiceList_ = ui::MakeCombo(this, "List1", QRect(252, 24, 420, 24));
    testVoice_ = ui::MakeButton(this, "Command2", "Test Selected Voice", QRect(684, 22, 150, 28));
    stretch->Add(voiceList_, {0, 0, 1, 0});
    stretch->Add(testVoice_, {1, 0, 0, 0});
    connect(testVoice_, &QPushButton::clicked, this, &TextToSpeechPanel::TestVoice);

    BuildAdCopy(stretch);
    BuildKeywords(stretch);

    // The voice's pace and loudness.
    QLabel* rateLabel =
        ui::MakeLabel(this, "lblSpeechRate", "Speech Rate:", QRect(54, 300, 84, 18));
    speechRate_ = ui::Make<QDoubleSpinBox>(this, "spnSpeechRate");
    speechRate_->setGeometry(140, 296, 76, 24);
    speechRate_->setSingleStep(0.05);
    speechRate_->setDecimals(2);
    speechRate_->setSuffix(" x");
    speechRate_->setToolTip(
        "How fast the voice speaks: 1 is its own pace, 1.5 half again as "
        "fast, 0.7 slower.");
    QCheckBox* loudness =
        ui::MakeCheck(this, "chkEvenLoudness", "Even loudness (every narration at -16 LUFS)",
                      QRect(234, 298, 361, 20));
    loudness->setToolTip(
        "Brings every narration to the same loudness, the usual level of web video, whichever "
        "voice speaks it.");
    for (QWidget* w : std::initializer_list<QWidget*>{rateLabel, speechRate_, loudness})
        stretch->Add(w, {0, 1, 0, 0});

    stretch->Add(new MusicGroup(QRect(54, 324, 541, 84), this), {0, 1, 1, 0});
    ShowAdCopy(0);
}

TextToSpeechPanel::~TextToSpeechPanel() = default;

void TextToSpeechPanel::BuildAdCopy(Stretcher* stretch) {
    QLabel* title =
        ui::MakeLabel(this, "Label2", "Enter Your Content Below:", QRect(54, 58, 180, 18));
    ui::SetBold(title);
    LinkLabel* paste =
        ui::MakeLink(this, "Label20", "Paste Content From Clipboard", QRect(337, 58, 170, 18));
    paste->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LinkLabel* erase = ui::MakeLink(this, "Label19", "Delete Content", QRect(510, 58, 85, 18));
    erase->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    static const int adLefts[] = {57, 153, 246, 339};
    for (int i = 0; i < 4; ++i) {
        adCopyHeaders_[i] = ui::Make<Frame>(this, QString("vAdCopy_%1").arg(i));
        adCopyHeaders_[i]->setGeometry(adLefts[i], 78, 88, 28);
        auto* caption = ui::Make<LinkLabel>(adCopyHeaders_[i], QString("lblAdCopy_%1").arg(i),
                                            QString("Ad Copy %1").arg(i + 1));
        caption->setGeometry(2, 3, 84, 24);
        caption->setAlignment(Qt::AlignCenter);
        connect(caption, &LinkLabel::clicked, this, [this, i] { ShowAdCopy(i); });
    }
    LinkLabel* tag = ui::MakeLink(this, "Label31", "Insert #KEYWORD# Tag", QRect(435, 86, 160, 18));
    tag->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // The four pages lie on one another; one shows at a time.
    for (int i = 0; i < 4; ++i) {
        pages_[i] = ui::Make<QTextEdit>(this, QString("txtArticle_%1").arg(i));
        pages_[i]->setGeometry(kPageRect);
        // Only the plain text reaches the narration; keep pasted formatting out.
        pages_[i]->setAcceptRichText(false);
        // Tab goes on to the next control: a tab in spoken text says nothing.
        pages_[i]->setTabChangesFocus(true);
        stretch->Add(pages_[i], {0, 0, 1, 1});
    }
    QLabel* pauses =
        ui::MakeLabel(this, "Label28", "Important: Each carriage return will cause a pause.",
                      QRect(54, 276, 541, 16));
    pauses->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui::SetTextColor(pauses, QColor(96, 96, 96));
    stretch->Add(pauses, {0, 1, 1, 0});
    for (QWidget* w : std::initializer_list<QWidget*>{paste, erase, tag})
        stretch->Add(w, {1, 0, 0, 0});

    connect(erase, &LinkLabel::clicked, this, &TextToSpeechPanel::DeleteContent);
    connect(paste, &LinkLabel::clicked, this, &TextToSpeechPanel::PasteContent);
    connect(tag, &LinkLabel::clicked, this, &TextToSpeechPanel::InsertTag);
}

void TextToSpeechPanel::BuildKeywords(Stretcher* stretch) {
    QLabel* title = ui::MakeLabel(this, "Label29", "Keywords:", QRect(618, 82, 80, 18));
    ui::SetBold(title);
    QPushButton* manage =
        ui::MakeButton(this, "cmdKeywords", "Manage Keywords", QRect(704, 76, 130, 28));
    keywords_ = ui::Make<QListWidget>(this, "lstKeywords");
    keywords_->setGeometry(618, 117, 216, 155);
    // The table of videos the list shows, when it shows one.
    rowsFile_ = ui::Make<PathLabel>(this, "lblRowsFile");
    rowsFile_->setGeometry(618, 104, 216, 13);
    connect(rowsFile_, &PathLabel::pathChanged, this, &TextToSpeechPanel::ShowRows);
    // The name of the one video a batch without keywords makes.
    QLabel* nameLabel =
        ui::MakeLabel(this, "lblFilename", "Video name:", QRect(618, 280, 124, 18));
    auto* name = ui::Make<QLineEdit>(this, "txtFilename", "myfile");
    name->setGeometry(744, 277, 90, 22);
    name->setToolTip("The name of the video made when the keyword list is empty.");
    QLabel* howTo =
        ui::MakeLabel(this, "Label30",
                      "The software will create 1 video per keyword. To pass the keyword to the "
                      "video, you need to insert the #KEYWORD# tag in the ad copy.",
                      QRect(618, 304, 216, 58));
    howTo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    howTo->setWordWrap(true);
    QLabel* advice =
        ui::MakeLabel(this, "Label35", "We recommend you to work with up to 15 keywords per batch.",
                      QRect(618, 362, 216, 30));
    advice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    advice->setWordWrap(true);
    ui::SetTextColor(advice, QColor(96, 96, 96));
    for (QWidget* w : std::initializer_list<QWidget*>{title, manage}) stretch->Add(w, {1, 0, 0, 0});
    stretch->Add(keywords_, {1, 0, 0, 1});
    stretch->Add(rowsFile_, {1, 0, 0, 0});
    for (QWidget* w : std::initializer_list<QWidget*>{nameLabel, name}) stretch->Add(w, {1, 1, 0, 0});
    for (QWidget* w : std::initializer_list<QWidget*>{howTo, advice}) stretch->Add(w, {1, 1, 0, 0});

    // "Manage Keywords" pops up Edit, Delete All and Cancel (which only
    // closes the menu).
    keywordMenu_ = ui::Make<QMenu>(this, "mnuKeywords");
    QAction* edit = keywordMenu_->addAction("Edit");
    edit->setObjectName("mnuEditKeywords");
    QAction* deleteAll = keywordMenu_->addAction("Delete All");
    deleteAll->setObjectName("mnuDeleteAllKeywords");
    QAction* table = keywordMenu_->addAction("Open Spreadsheet...");
    table->setObjectName("mnuOpenSpreadsheet");
    keywordMenu_->addAction("Cancel")->setObjectName("mnuCancelKeywords");
    connect(table, &QAction::triggered, this, &TextToSpeechPanel::OpenSpreadsheet);
    connect(manage, &QPushButton::clicked, this,
            [this] { PopupMenu(keywordMenu_, QCursor::pos()); });
    connect(edit, &QAction::triggered, this, &TextToSpeechPanel::EditKeywords);
    connect(deleteAll, &QAction::triggered, this, &TextToSpeechPanel::DeleteAllKeywords);
}

// ---------------------------------------------------------------- ad copies

void TextToSpeechPanel::ShowAdCopy(int index) {
    if (index < 0 || index > 3) return;
    for (int i = 0; i < 4; ++i) adCopyHeaders_[i]->setNotSelected(i != index);
    for (int i = 0; i < 4; ++i) pages_[i]->setVisible(i == index);
}

void TextToSpeechPanel::FocusAdCopy(int index) {
    if (index >= 0 && index < 4) pages_[index]->setFocus(Qt::TabFocusReason);
}

int TextToSpeechPanel::CurrentAdCopy() const {
    for (int i = 0; i < 4; ++i)
        if (!adCopyHeaders_[i]->NotSelected()) return i;
    return 0;
}

void TextToSpeechPanel::DeleteContent() {
    // Through the editor's own undo history, so Ctrl+Z brings the text back.
    QTextCursor cursor(pages_[CurrentAdCopy()]->document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

void TextToSpeechPanel::PasteContent() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return;  // pictures and files insert nothing
    const QString text = data->text();
    if (text.isEmpty()) return;
    InsertAtCaret(pages_[CurrentAdCopy()], text);
}

void TextToSpeechPanel::InsertTag() {
    InsertAtCaret(pages_[CurrentAdCopy()], "#KEYWORD#");
}

// ---------------------------------------------------------------- voices

bool TextToSpeechPanel::LoadVoices() {
    // The voice is kept even when no engine exists: the voice test then
    // fails with a message instead of touching a null voice.
    voice_ = std::make_unique<SpVoice>();
    if (!voice_->IsReady()) {
        VoiceNotSupported(this);
        return false;
    }
    QList<VoiceToken> tokens;
    const bool listed = voice_->EnumerateVoices(&tokens);
    for (const VoiceToken& token : tokens) voiceList_->addItem(token.GetDescription(0));
    if (listed && !tokens.isEmpty()) return true;
    VoiceNotSupported(this);
    return false;
}

QList<VoiceToken> TextToSpeechPanel::Voices() const {
    return voice_ ? voice_->GetVoices() : QList<VoiceToken>();
}

QStringList TextToSpeechPanel::VoiceNames() const {
    QStringList names;
    for (int i = 0; i < voiceList_->count(); ++i) names << voiceList_->itemText(i);
    return names;
}

void TextToSpeechPanel::TestVoice() {
    if (voiceList_->currentText().isEmpty()) {
        MsgBox(this, QStringLiteral("Please select a voice."), QStringLiteral("Error"),
               QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    emit voiceTestRunning(true);
    testVoice_->setEnabled(false);

    bool spoke = false;
    const bool hearable = vm::speech::SoundOutputAvailable();
    // Text typed into the box that is not the selected entry's is no voice.
    const int index = voiceList_->currentIndex();
    const bool chosen = index >= 0 && voiceList_->itemText(index) == voiceList_->currentText();
    const QList<VoiceToken> tokens = chosen && voice_ ? voice_->GetVoices() : QList<VoiceToken>();
    if (chosen && index < tokens.size()) {
        voice_->setVoice(tokens[index]);
        // Heard at the pace the videos will have.
        voice_->setSpeechRate(speechRate_->value());
        // The test sentence goes to the sound output; without one the voice
        // still speaks it into a stream that is never written, to tell a
        // voice that cannot speak from a machine that cannot play.
        SpFileStream* stream = voice_->AudioOutputStream();
        SpFileStream silent;
        silent.Open(QDir::tempPath() + "/vidmill-voice-test.wav");
        voice_->setAudioOutputStream(hearable ? nullptr : &silent);
        spoke = voice_->Speak(QString::fromLatin1(kTestSentence), SpVoice::SVSFIsXML) &&
                voice_->WaitUntilDone(5000);
        voice_->setAudioOutputStream(stream);
    }
    if (!spoke) {
        VoiceNotSupported(this);
    } else if (!hearable) {
        MsgBox(this,
               "No sound output is available on this computer, so the voice cannot be heard "
               "here. It speaks, and it can narrate your videos.",
               "No Sound", QMessageBox::Information, QMessageBox::Ok);
    }
    testVoice_->setEnabled(true);
    emit voiceTestRunning(false);
}

// ---------------------------------------------------------------- keywords

void TextToSpeechPanel::EditKeywords() {
    if (keywords_->count() > 0) {
        QStringList items;
        for (int i = 0; i < keywords_->count(); ++i) items << keywords_->item(i)->text();
        vm::SaveList(items, frmKeywords::ExchangeFile());
    }
    frmKeywords editor(keywords_, this);
    editor.exec();
}

void TextToSpeechPanel::DeleteAllKeywords() {
    if (keywords_->count() == 0) return;
    if (MsgBox(this, "Do you want to delete all the keywords?", "Confirm?", QMessageBox::Question,
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        keywords_->clear();
        rowsFile_->SetPath(QString());
    }
}

MusicChooser& SpreadsheetChooser() {
    static MusicChooser chooser;
    return chooser;
}

void TextToSpeechPanel::OpenSpreadsheet() {
    const MusicChooser& chooser = SpreadsheetChooser();
    const QString path =
        chooser ? chooser(this)
                : QFileDialog::getOpenFileName(this, "Open Spreadsheet", QDir::homePath(),
                                               "Tables (*.csv *.tsv *.txt *.jsonl)", nullptr,
                                               QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) rowsFile_->SetPath(path);
}

void TextToSpeechPanel::ShowRows(const QString& path) {
    if (path.isEmpty()) return;
    vm::RowTable table;
    QString error;
    std::vector<vm::VideoRow> rows;
    QStringList problems;
    if (!vm::ReadRowTable(path, &table, &error)) problems << error;
    else vm::VideoRowsFrom(table, &rows, &problems);
    if (!problems.isEmpty())
        MsgBox(this, "The table cannot be made into videos:\n\n" + problems.mid(0, 20).join("\n"),
               "Open Spreadsheet", QMessageBox::Warning, QMessageBox::Ok);
    keywords_->clear();
    for (const vm::VideoRow& row : rows) {
        auto* item = new QListWidgetItem(row.keyword, keywords_);
        QStringList cells{QString("row %1").arg(row.number)};
        for (auto it = row.cells.begin(); it != row.cells.end(); ++it)
            cells << it.key() + ": " + vm::ShownJson(*it);
        item->setToolTip(cells.join("\n"));
    }
}
