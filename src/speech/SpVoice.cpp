#include "SpVoice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cmath>
#include <mutex>
#include <optional>

#include "SoundOutput.h"
#include "SpFileStream.h"
#include "SpeechEngine.h"
#include "SpeechHelper.h"
#include "SpeechText.h"
#include "WavFile.h"

using vm::speech::EngineAudio;
using vm::speech::SpeechEngine;

namespace {

using EngineList = std::vector<std::shared_ptr<SpeechEngine>>;

std::mutex gEnginesMutex;
std::optional<EngineList> gTestEngines;

// The installed engines in listing order. Created once: each library keeps
// global state, and the enumeration order must not change while running.
// They speak through one helper process when the helper is there.
const EngineList& InstalledEngines(QString* problems) {
    static QString startProblems;
    static const EngineList engines = [] {
        const QString helper = SpVoice::HelperProgram();
        if (!helper.isEmpty()) {
            EngineList list = vm::speech::HelperEngines(
                std::make_shared<vm::speech::SpeechHelper>(helper.toStdString()));
            if (!list.empty()) return list;
        }
        EngineList list;
        std::string error;
        for (auto create :
             {vm::speech::EspeakEngine, vm::speech::FliteEngine, vm::speech::FestivalEngine}) {
            error.clear();
            if (auto engine = create(&error))
                list.push_back(engine);
            else if (!error.empty())
                startProblems += QString::fromStdString(error) + QLatin1Char('\n');
        }
        return list;
    }();
    if (problems) *problems = startProblems.trimmed();
    return engines;
}

// Speech of one Speak call: pieces are appended at the first piece's rate;
// a pause asked for before any audio waits until the rate is known.
class Assembler {
public:
    // `firstToken` is where the audio's words start among the whole text's.
    void Add(const EngineAudio& audio, int firstToken = 0) {
        if (audio.sampleRate <= 0) return;
        if (!rate_) rate_ = audio.sampleRate;
        FlushPause();
        const int64_t at = int64_t(samples_.size());
        const double scale = double(rate_) / audio.sampleRate;
        for (const vm::speech::TokenSpan& t : audio.tokens)
            tokens_.push_back(
                {firstToken + t.token, at + int64_t(t.start * scale), at + int64_t(t.end * scale)});
        if (audio.sampleRate == rate_) {
            samples_.insert(samples_.end(), audio.samples.begin(), audio.samples.end());
        } else {
            const auto converted = vm::ResampleLinear(audio.samples, audio.sampleRate, rate_);
            samples_.insert(samples_.end(), converted.begin(), converted.end());
        }
    }
    void Pause(int ms) {
        pendingMs_ += ms;
        if (rate_) FlushPause();
    }
    const std::vector<int16_t>& Samples() const { return samples_; }
    const std::vector<vm::speech::TokenSpan>& Tokens() const { return tokens_; }
    int Rate() const { return rate_; }

private:
    void FlushPause() {
        if (pendingMs_ > 0)
            samples_.resize(samples_.size() + size_t(qint64(rate_) * pendingMs_ / 1000), 0);
        pendingMs_ = 0;
    }
    std::vector<int16_t> samples_;
    std::vector<vm::speech::TokenSpan> tokens_;
    int rate_ = 0;
    int pendingMs_ = 0;
};

bool IsBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

}  // namespace

struct SpVoice::Impl {
    EngineList engines;
    VoiceToken voice;
    SpFileStream* stream = nullptr;
    QString error;
    double rate = 1.0;

    std::shared_ptr<SpeechEngine> EngineNamed(const QString& name) const {
        for (const auto& engine : engines)
            if (QString::fromStdString(engine->Name()) == name) return engine;
        return nullptr;
    }

    // `firstToken`: how many of the whole text's words came before this piece.
    bool SpeakPiece(SpeechEngine& engine, const std::string& voiceId, const QString& text,
                    bool markup, Assembler* out, int firstToken = 0) {
        EngineAudio audio;
        std::string engineError;
        if (!engine.Synthesize(voiceId, text.toStdString(), markup, rate, &audio, &engineError)) {
            error = QString::fromStdString(engineError);
            if (error.isEmpty()) error = QStringLiteral("The voice could not speak");
            return false;
        }
        out->Add(audio, firstToken);
        return true;
    }

    // Turns text into samples. Plain text goes line by line with a pause at
    // every line break (no engine pauses at a single line break by itself),
    // escaped for engines that read markup so "<" and "&" are only words.
    bool Render(SpeechEngine& engine, const std::string& voiceId, const QString& text, int flags,
                Assembler* out) {
        if (flags & SpVoice::SVSFIsXML) {
            if (engine.SpeaksMarkup()) return SpeakPiece(engine, voiceId, text, true, out);
            for (const auto& piece : vm::speech::ParseMarkup(text)) {
                if (piece.pauseMs > 0)
                    out->Pause(piece.pauseMs);
                else if (!IsBlank(piece.text) &&
                         !SpeakPiece(engine, voiceId, piece.text, false, out))
                    return false;
            }
            return true;
        }
        bool spoken = false;
        const bool markup = engine.SpeaksMarkup();
        int words = 0;  // of the text, before the piece being spoken
        for (const QString& line : vm::speech::SplitLines(text)) {
            if (IsBlank(line)) continue;
            if (spoken) out->Pause(int(std::lround(vm::speech::kLineBreakPauseMs / rate)));
            // A long line goes in pieces, one after the other with no pause
            // of its own: the engine's pauses at sentence ends remain.
            for (const QString& piece : vm::speech::SplitLongLine(line, engine.LongestText())) {
                if (!SpeakPiece(engine, voiceId, markup ? vm::speech::EscapeMarkup(piece) : piece,
                                markup, out, words))
                    return false;
                words += int(vm::speech::WhitespaceTokens(piece.toStdString()).size());
            }
            spoken = true;
        }
        return true;
    }
};

SpVoice::SpVoice() : d(new Impl) {
    std::lock_guard lock(gEnginesMutex);
    if (gTestEngines) {
        d->engines = *gTestEngines;
        if (d->engines.empty()) d->error = QStringLiteral("No speech engine is available");
    } else {
        QString problems;
        d->engines = InstalledEngines(&problems);
        if (d->engines.empty())
            d->error =
                problems.isEmpty() ? QStringLiteral("No speech engine is available") : problems;
    }
}

SpVoice::SpVoice(std::vector<std::shared_ptr<SpeechEngine>> engines) : d(new Impl) {
    d->engines = std::move(engines);
    if (d->engines.empty()) d->error = QStringLiteral("No speech engine is available");
}

QString SpVoice::HelperProgram() {
    if (!QCoreApplication::instance()) return {};
    // Beside the program where it was built; installed, with the programs'
    // private helpers.
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& path : {dir + "/vidmill-speak", dir + "/../libexec/vidmill/vidmill-speak"})
        if (QFileInfo(path).isExecutable()) return QFileInfo(path).canonicalFilePath();
    return {};
}

SpVoice::~SpVoice() {
    delete d;
}

bool SpVoice::IsReady() const {
    return !d->engines.empty();
}

bool SpVoice::EnumerateVoices(QList<VoiceToken>* tokens) const {
    tokens->clear();
    if (d->engines.empty()) {
        d->error = QStringLiteral("No speech engine is available");
        return false;
    }
    for (const auto& engine : d->engines) {
        std::vector<vm::speech::EngineVoice> voices;
        std::string error;
        const bool ok = engine->ListVoices(&voices, &error);
        const QString name = QString::fromStdString(engine->Name());
        for (const auto& v : voices)
            tokens->append(VoiceToken(name, QString::fromStdString(v.id),
                                      QString::fromStdString(v.description)));
        if (!ok) {
            d->error = QStringLiteral("%1 could not list its voices: %2")
                           .arg(name, QString::fromStdString(error));
            return false;
        }
    }
    return true;
}

QList<VoiceToken> SpVoice::GetVoices(const QString&, const QString&) const {
    QList<VoiceToken> tokens;
    EnumerateVoices(&tokens);
    return tokens;
}

int SpVoice::DefaultVoiceIndex(const QStringList& descriptions) {
    if (descriptions.isEmpty()) return -1;
    int index = 0;
    for (int i = 0; i < descriptions.size(); ++i)
        if (descriptions[i].toLower().contains(QLatin1String("engl"))) index = i;
    return index;
}

void SpVoice::setVoice(const VoiceToken& token) {
    d->voice = token;
}
VoiceToken SpVoice::Voice() const {
    return d->voice;
}
void SpVoice::setSpeechRate(double rate) {
    d->rate = vm::speech::UsableRate(rate);
}
double SpVoice::SpeechRate() const {
    return d->rate;
}
void SpVoice::setAudioOutputStream(SpFileStream* stream) {
    d->stream = stream;
}
SpFileStream* SpVoice::AudioOutputStream() const {
    return d->stream;
}

bool SpVoice::Speak(const QString& text, int flags) {
    d->error.clear();
    VoiceToken voice = d->voice;
    if (voice.IsNull()) {
        QList<VoiceToken> tokens;
        EnumerateVoices(&tokens);
        QStringList descriptions;
        for (const auto& t : tokens) descriptions << t.GetDescription();
        const int index = DefaultVoiceIndex(descriptions);
        if (index < 0) {
            if (d->error.isEmpty()) d->error = QStringLiteral("No voice is installed");
            return false;
        }
        voice = tokens[index];
        d->error.clear();
    }
    const auto engine = d->EngineNamed(voice.Engine());
    if (!engine) {
        d->error = QStringLiteral("The speech engine %1 is not available").arg(voice.Engine());
        return false;
    }
    if (d->stream && !d->stream->IsOpen()) {
        d->error = QStringLiteral("The speech stream is not open");
        return false;
    }
    Assembler audio;
    if (!d->Render(*engine, voice.Id().toStdString(), text, flags, &audio)) return false;
    if (d->stream) {
        d->stream->AppendSamples(audio.Samples(), audio.Rate(), audio.Tokens());
        return true;
    }
    return vm::speech::PlayOnSoundOutput(audio.Samples(), audio.Rate(), &d->error);
}

bool SpVoice::WaitUntilDone(int) {
    return true;
}

QString SpVoice::LastError() const {
    return d->error;
}

void SpVoice::SetEnginesForTesting(std::vector<std::shared_ptr<SpeechEngine>> engines) {
    std::lock_guard lock(gEnginesMutex);
    gTestEngines = std::move(engines);
}

void SpVoice::UseInstalledEngines() {
    std::lock_guard lock(gEnginesMutex);
    gTestEngines.reset();
}

void SpVoice::SetSoundOutputMissingForTesting(bool missing) {
    vm::speech::SetSoundOutputMissing(missing);
}
