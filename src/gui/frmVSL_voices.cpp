// The main window's handlers: voice list and voice test.
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QPushButton>

#include "MsgBox.h"
#include "SoundOutput.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "frmVSL.h"

namespace {

const char* const kTestSentence = "This is just a test. Hope that you enjoy the selected voice.";

// The entry the user has chosen: text typed into the box that is not the
// selected entry's text means no voice is selected.
int SelectedVoiceIndex(const QComboBox* list) {
    const int index = list->currentIndex();
    if (index < 0 || list->itemText(index) != list->currentText()) return -1;
    return index;
}

}  // namespace

bool frmVSL::CreateSpeechObjects() {
    // The objects are kept even when no engine exists: every later call on
    // them then fails with a message instead of touching a null voice.
    oVoice = std::make_unique<SpVoice>();
    oFileStream = std::make_unique<SpFileStream>();
    return oVoice->IsReady();
}

bool frmVSL::FillVoiceList() {
    if (!List1) return false;
    List1->clear();
    if (!oVoice) return false;
    QList<VoiceToken> tokens;
    const bool listed = oVoice->EnumerateVoices(&tokens);
    int counter = 0;
    int defaultIndex = 0;
    for (const VoiceToken& token : tokens) {
        const QString description = token.GetDescription(0);
        // The last English voice wins.
        if (description.toLower().contains(QLatin1String("engl"))) defaultIndex = counter;
        List1->addItem(description);
        ++counter;
    }
    if (!listed || tokens.isEmpty()) {
        // The voices listed before the failure stay, with none selected.
        List1->setCurrentIndex(-1);
        return false;
    }
    List1->setCurrentIndex(defaultIndex);
    return true;
}

void frmVSL::VoiceNotSupported() {
    MsgBox(this, QStringLiteral("Voice Not Supported."), QStringLiteral("Not Supported"),
           QMessageBox::Warning, QMessageBox::Ok);
}

void frmVSL::Command2_Click() {
    if (!List1 || List1->currentText().isEmpty()) {
        MsgBox(this, QStringLiteral("Please select a voice."), QStringLiteral("Error"),
               QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    if (Command1) Command1->setEnabled(false);
    if (Command2) Command2->setEnabled(false);

    bool spoke = false;
    const bool hearable = vm::speech::SoundOutputAvailable();
    const int index = SelectedVoiceIndex(List1);
    if (oVoice && index >= 0) {
        const QList<VoiceToken> tokens = oVoice->GetVoices();
        if (index < tokens.size()) {
            oVoice->setVoice(tokens[index]);
            // Heard at the pace the videos will have.
            oVoice->setSpeechRate(spnSpeechRate->value());
            // The test sentence goes to the sound output; without one the voice
            // still speaks it into a stream that is never written, to tell a
            // voice that cannot speak from a machine that cannot play.
            SpFileStream* stream = oVoice->AudioOutputStream();
            SpFileStream silent;
            silent.Open(QDir::tempPath() + "/vidmill-voice-test.wav");
            oVoice->setAudioOutputStream(hearable ? nullptr : &silent);
            spoke = oVoice->Speak(QString::fromLatin1(kTestSentence), SpVoice::SVSFIsXML) &&
                    oVoice->WaitUntilDone(5000);
            oVoice->setAudioOutputStream(stream);
        }
    }
    if (!spoke) {
        VoiceNotSupported();
    } else if (!hearable) {
        MsgBox(this,
               "No sound output is available on this computer, so the voice cannot be heard "
               "here. It speaks, and it can narrate your videos.",
               "No Sound", QMessageBox::Information, QMessageBox::Ok);
    }

    if (Command2) Command2->setEnabled(true);
    // A batch may be waiting underneath this handler: "Make Videos!" stays
    // disabled until it ends (its end returns the window to idle).
    if (Command1) Command1->setEnabled(!running_);
}
