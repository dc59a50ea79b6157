#include "Narration.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "NarrationText.h"
#include "SpFileStream.h"
#include "SpVoice.h"
#include "VideoRandom.h"

namespace vm {
namespace {

// Silence between the pieces of a text cut at "[IMAGE]".
constexpr int kPiecePauseMs = 400;

// The words of `piece` timed from what the engine said (`spoken`: token
// indexes into the piece's words). Words it said nothing for share the time
// between their timed neighbours by length; `from` and `to` bound the piece.
void TimePieceWords(const QString& piece, const std::vector<SpFileStream::SpokenWord>& spoken,
                    double from, double to, std::vector<NarrationWord>* words) {
    const std::vector<std::string> tokens = speech::WhitespaceTokens(piece.toStdString());
    const size_t first = words->size();
    std::vector<bool> timed(tokens.size(), false);
    for (const std::string& token : tokens)
        words->push_back({QString::fromStdString(token), from, from});
    double last = from;
    for (const SpFileStream::SpokenWord& w : spoken) {
        if (w.token < 0 || size_t(w.token) >= tokens.size() || w.start < last) continue;
        NarrationWord& word = (*words)[first + size_t(w.token)];
        word.start = w.start;
        word.end = std::max(w.start, w.end);
        last = word.end;
        timed[size_t(w.token)] = true;
    }
    for (size_t i = 0; i < tokens.size();) {
        if (timed[i]) {
            ++i;
            continue;
        }
        size_t j = i;  // [i, j) untimed
        while (j < tokens.size() && !timed[j]) ++j;
        const double begin = i > 0 ? (*words)[first + i - 1].end : from;
        const double end = j < tokens.size() ? (*words)[first + j].start : std::max(begin, to);
        double chars = 0;
        for (size_t k = i; k < j; ++k) chars += double(tokens[k].size());
        double at = begin;
        for (size_t k = i; k < j; ++k) {
            NarrationWord& word = (*words)[first + k];
            word.start = at;
            at += chars > 0 ? (end - begin) * double(tokens[k].size()) / chars : 0.0;
            word.end = at;
        }
        i = j;
    }
}

// One attempt: every piece (none blank) into one WAV at `path`.
bool SpeakOnce(SpVoice& voice, const QStringList& pieces, const QString& path, double* seconds,
               std::vector<NarrationWord>* words, QString* error) {
    SpFileStream stream;
    if (!stream.Open(path, SpFileStream::SSFMCreateForWrite, false)) {
        *error = stream.LastError();
        return false;
    }
    voice.setAudioOutputStream(&stream);
    bool ok = true;
    bool spoken = false;
    std::vector<NarrationWord> timed;
    auto now = [&stream] {
        return stream.SampleRate() > 0 ? double(stream.SampleCount()) / stream.SampleRate() : 0.0;
    };
    for (const QString& piece : pieces) {
        // The pause goes between spoken pieces, at the rate of the speech,
        // and follows the voice's pace as the pauses inside a piece do.
        if (spoken) stream.AppendSilence(int(std::lround(kPiecePauseMs / voice.SpeechRate())));
        const double from = now();
        if (!voice.Speak(piece, SpVoice::SVSFDefault)) {
            *error = "The voice could not speak the text: " + voice.LastError();
            ok = false;
            break;
        }
        TimePieceWords(piece, stream.TakeWords(), from, now(), &timed);
        spoken = true;
    }
    voice.setAudioOutputStream(nullptr);
    const int rate = stream.SampleRate();
    const qint64 samples = stream.SampleCount();
    if (!stream.Close() && ok) {
        *error = "The narration could not be written: " + stream.LastError();
        ok = false;
    }
    if (ok) *seconds = rate > 0 ? double(samples) / rate : 0.0;
    if (ok && words) *words = std::move(timed);
    return ok;
}

}  // namespace

bool HasWords(const QString& text) {
    const QString spoken = ReplaceText(text, "[IMAGE]", " ", 1);
    return std::any_of(spoken.begin(), spoken.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

int PickAdCopy(const QStringList& adCopies, const QString& keyword, VideoRandom& random) {
    QList<int> speakable;
    for (int i = 0; i < adCopies.size(); ++i)
        if (HasWords(NarrationTextFor(adCopies[i], keyword))) speakable << i;
    return speakable.isEmpty() ? -1 : speakable[random.Below(int(speakable.size()))];
}

QString AdCopyWordsProblem(const QStringList& adCopies) {
    QStringList wordless;
    for (int i = 0; i < adCopies.size(); ++i) {
        if (HasWords(adCopies[i])) return {};
        if (!adCopies[i].isEmpty()) wordless << QString::number(i + 1);
    }
    if (wordless.isEmpty()) return "Every ad copy is empty: there is nothing to narrate.";
    return QString(
               "No ad copy has words to speak: ad cop%1 %2 hold%3 only spaces, [IMAGE] tags "
               "or punctuation.")
        .arg(wordless.size() == 1 ? "y" : "ies", wordless.join(", "),
             wordless.size() == 1 ? "s" : "");
}

bool SpeakNarrationFile(SpVoice& voice, const QString& text, const QString& path, double* seconds,
                        QString* error, std::vector<NarrationWord>* words) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        *error = "The output folder " + QFileInfo(path).path() + " cannot be created.";
        return false;
    }
    QStringList pieces;
    for (const QString& raw : SplitText(text, "[IMAGE]", -1, 0)) {
        const QString piece = ReplaceText(raw, "[IMAGE]", "", 1);
        if (!piece.trimmed().isEmpty()) pieces << piece;
    }
    // Every line of every piece is one request to the engine, spoken the
    // same whatever came before it: with several helpers they are all
    // started at once and joined below exactly as one helper's would be.
    // The render waits for the whole narration, as the slides' times and
    // the captions follow from its length and words.
    voice.SpeakAhead(pieces);
    bool spoken = false;
    // The speech engine may fail once on a busy machine: one more try.
    for (int attempt = 0; attempt < 2 && !spoken; ++attempt) {
        spoken = SpeakOnce(voice, pieces, path, seconds, words, error);
        if (voice.LastError() == "speech was stopped") break;
    }
    voice.EndSpeakAhead();
    return spoken;
}

}  // namespace vm
