// The main window's handlers: narration.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include "AppFolder.h"
#include "Helpers.h"
#include "KeywordRules.h"
#include "NarrationText.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "frmVSL.h"

namespace {
// Silence between the pieces of a text cut at "[IMAGE]".
constexpr int kPiecePauseMs = 400;
// How long a narration file may take to settle on disk.
constexpr int kWatchBoundMs = 30000;
}  // namespace

int frmVSL::PickAdCopy() {
    QStringList indices;
    for (int i = 0; i < 4; ++i) {
        if (!txtArticle[i]->toPlainText().isEmpty()) indices << QString::number(i);
    }
    vm::Shuffle(indices);
    lstAdCopies->clear();
    lstAdCopies->addItems(indices);
    if (indices.isEmpty()) return 0;
    lstAdCopies->setCurrentRow(0);
    return lstAdCopies->item(0)->text().toInt();
}

namespace {

// One pass of the narration: every piece of the text into one WAV at `path`.
bool SpeakPieces(SpVoice& voice, SpFileStream& stream, int voiceIndex, const QStringList& pieces,
                 const QString& path, QPlainTextEdit* finalText, QString* error) {
    const QList<VoiceToken> voices = voice.GetVoices();
    if (voiceIndex < 0 || voiceIndex >= voices.size()) {
        *error = "No voice is selected: please select a voice in the list.";
        return false;
    }
    if (!stream.Open(path, SpFileStream::SSFMCreateForWrite, false)) {
        *error = stream.LastError();
        return false;
    }
    voice.setAudioOutputStream(&stream);
    voice.setVoice(voices.at(voiceIndex));
    bool ok = true;
    for (int i = 0; i < pieces.size() && ok; ++i) {
        finalText->setPlainText(vm::ReplaceText(pieces.at(i), "[IMAGE]", "", 1));
        if (i > 0) stream.AppendSilence(kPiecePauseMs);
        const QString piece = finalText->toPlainText();
        if (piece.trimmed().isEmpty()) continue;
        if (!voice.Speak(piece, SpVoice::SVSFDefault)) {
            *error = "The voice could not speak the text: " + voice.LastError();
            ok = false;
        }
    }
    voice.setAudioOutputStream(nullptr);
    if (!stream.Close() && ok) {
        *error = "The narration could not be written: " + stream.LastError();
        ok = false;
    }
    return ok;
}

}  // namespace

bool frmVSL::SpeakNarration(const QString& keyword, QString* error) {
    QString problem = vm::KeywordFileNameProblem(keyword);
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return false;
    }
    if (!oVoice || !oFileStream) {
        if (error) *error = "No speech engine is available.";
        return false;
    }
    // The speech engine may fail once on a busy machine: the whole step runs
    // again once before the failure is passed on.
    for (int attempt = 0; attempt < 2 && !closing_; ++attempt) {
        problem.clear();
        const QString path = vm::NarrationPath(keyword);
        if (!QDir().mkpath(QFileInfo(path).path())) {
            problem = "The output folder " + QFileInfo(path).path() + " cannot be created.";
            continue;
        }
        lblOutputFilename->setText(path);
        const int index = PickAdCopy();
        // The ad copy in the window is only read, so it keeps its tag for the
        // next keyword.
        const QString adCopy = txtArticle[index]->toPlainText();
        if (!keyword.isEmpty()) txtArticle_old->setPlainText(adCopy);
        const QString text = vm::NarrationTextFor(adCopy, keyword);
        const QStringList pieces = vm::SplitText(text, "[IMAGE]", -1, 0);
        if (!SpeakPieces(*oVoice, *oFileStream, List1->currentIndex(), pieces, path,
                         txtArticleFinal, &problem)) {
            continue;
        }
        if (tmrLogAnalyzer->interval() != 100) tmrLogAnalyzer->setInterval(100);
        if (!WatchFile(path, kWatchBoundMs, &problem)) continue;
        vm::Pause(2);
        return true;
    }
    if (error)
        *error = closing_ && problem.isEmpty() ? QString("The program is closing.") : problem;
    return false;
}
