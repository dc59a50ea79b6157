#include "SpVoice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <atomic>
#include <cmath>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

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

// One engine call of a Speak, or the pause before the next one, in order.
struct Step {
    QString text;  // as the engine is given it
    bool markup = false;
    int firstToken = 0;  // how many of the whole text's words came before it
    int pauseMs = 0;     // > 0: a pause, no text
};

// What an engine call gave.
struct Spoken {
    bool ok = false;
    EngineAudio audio;
    std::string error;
};

// Engine calls started ahead of the Speak calls that need them, several at
// once, each answered into its own slot. The threads take calls in order
// and stop taking them once the voice lets go of what is left.
struct Ahead {
    struct Call {
        std::string key;
        std::string text;
        bool markup = false;
        std::promise<Spoken> promise;
        std::future<Spoken> result;
        bool taken = false;  // by a Speak
    };
    std::shared_ptr<SpeechEngine> engine;
    std::string voiceId;
    double rate = 1.0;
    std::deque<Call> calls;
    std::atomic<size_t> next{0};
    std::atomic<bool> dropped{false};

    void Work() {
        for (size_t i = next++; i < calls.size() && !dropped; i = next++) {
            Call& call = calls[i];
            Spoken spoken;
            spoken.ok = engine->Synthesize(voiceId, call.text, call.markup, rate, &spoken.audio,
                                           &spoken.error);
            call.promise.set_value(std::move(spoken));
        }
    }
};

std::string CallKey(const SpeechEngine& engine, const std::string& voiceId, double rate,
                    const QString& text, bool markup) {
    return engine.Name() + '\n' + voiceId + '\n' + std::to_string(rate) +
           (markup ? "\nm\n" : "\nt\n") + text.toStdString();
}

}  // namespace

struct SpVoice::Impl {
    EngineList engines;
    VoiceToken voice;
    SpFileStream* stream = nullptr;
    QString error;
    double rate = 1.0;
    std::shared_ptr<Ahead> ahead;
    std::vector<std::thread> aheadThreads;

    std::shared_ptr<SpeechEngine> EngineNamed(const QString& name) const {
        for (const auto& engine : engines)
            if (QString::fromStdString(engine->Name()) == name) return engine;
        return nullptr;
    }

    // The engine calls and pauses of one Speak. Plain text goes line by
    // line with a pause at every line break (no engine pauses at a single
    // line break by itself), escaped for engines that read markup so "<"
    // and "&" are only words.
    std::vector<Step> Plan(const SpeechEngine& engine, const QString& text, int flags) const {
        std::vector<Step> steps;
        if (flags & SpVoice::SVSFIsXML) {
            if (engine.SpeaksMarkup()) return {{text, true}};
            for (const auto& piece : vm::speech::ParseMarkup(text)) {
                if (piece.pauseMs > 0)
                    steps.push_back({{}, false, 0, piece.pauseMs});
                else if (!IsBlank(piece.text))
                    steps.push_back({piece.text, false});
            }
            return steps;
        }
        bool spoken = false;
        const bool markup = engine.SpeaksMarkup();
        int words = 0;  // of the text, before the piece being spoken
        for (const QString& line : vm::speech::SplitLines(text)) {
            if (IsBlank(line)) continue;
            if (spoken)
                steps.push_back(
                    {{}, false, 0, int(std::lround(vm::speech::kLineBreakPauseMs / rate))});
            // A long line goes in pieces, one after the other with no pause
            // of its own: the engine's pauses at sentence ends remain.
            for (const QString& piece : vm::speech::SplitLongLine(line, engine.LongestText())) {
                steps.push_back({markup ? vm::speech::EscapeMarkup(piece) : piece, markup, words});
                words += int(vm::speech::WhitespaceTokens(piece.toStdString()).size());
            }
            spoken = true;
        }
        return steps;
    }

    // The answer of a call started ahead, when one for this text is there.
    bool TakeAhead(const SpeechEngine& engine, const std::string& voiceId, const Step& step,
                   Spoken* out) {
        if (!ahead || ahead->engine.get() != &engine) return false;
        const std::string key = CallKey(engine, voiceId, rate, step.text, step.markup);
        for (Ahead::Call& call : ahead->calls) {
            if (call.taken || call.key != key) continue;
            call.taken = true;
            *out = call.result.get();
            return true;
        }
        return false;
    }

    bool SpeakPiece(SpeechEngine& engine, const std::string& voiceId, const Step& step,
                    Assembler* out) {
        Spoken spoken;
        if (!TakeAhead(engine, voiceId, step, &spoken))
            spoken.ok = engine.Synthesize(voiceId, step.text.toStdString(), step.markup, rate,
                                          &spoken.audio, &spoken.error);
        if (!spoken.ok) {
            error = QString::fromStdString(spoken.error);
            if (error.isEmpty()) error = QStringLiteral("The voice could not speak");
            return false;
        }
        out->Add(spoken.audio, step.firstToken);
        return true;
    }

    bool Render(SpeechEngine& engine, const std::string& voiceId, const QString& text, int flags,
                Assembler* out) {
        for (const Step& step : Plan(engine, text, flags)) {
            if (step.pauseMs > 0)
                out->Pause(step.pauseMs);
            else if (!SpeakPiece(engine, voiceId, step, out))
                return false;
        }
        return true;
    }

    void DropAhead() {
        if (ahead) ahead->dropped = true;
        for (std::thread& t : aheadThreads) t.join();
        aheadThreads.clear();
        ahead.reset();
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
    d->DropAhead();
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

bool SpVoice::ResolveVoice(VoiceToken* voice) const {
    *voice = d->voice;
    if (!voice->IsNull()) return true;
    QList<VoiceToken> tokens;
    EnumerateVoices(&tokens);
    QStringList descriptions;
    for (const auto& t : tokens) descriptions << t.GetDescription();
    const int index = DefaultVoiceIndex(descriptions);
    if (index < 0) {
        if (d->error.isEmpty()) d->error = QStringLiteral("No voice is installed");
        return false;
    }
    *voice = tokens[index];
    d->error.clear();
    return true;
}

bool SpVoice::Speak(const QString& text, int flags) {
    d->error.clear();
    VoiceToken voice;
    if (!ResolveVoice(&voice)) return false;
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

int SpVoice::SpeakAhead(const QStringList& texts, int flags) {
    d->DropAhead();
    VoiceToken voice;
    const QString error = d->error;
    const bool resolved = ResolveVoice(&voice);
    d->error = error;
    const auto engine = resolved ? d->EngineNamed(voice.Engine()) : nullptr;
    if (!engine || engine->ParallelRequests() < 2) return 0;
    auto ahead = std::make_shared<Ahead>();
    ahead->engine = engine;
    ahead->voiceId = voice.Id().toStdString();
    ahead->rate = d->rate;
    for (const QString& text : texts) {
        for (const Step& step : d->Plan(*engine, text, flags)) {
            if (step.pauseMs > 0) continue;
            Ahead::Call& call = ahead->calls.emplace_back();
            call.key = CallKey(*engine, ahead->voiceId, d->rate, step.text, step.markup);
            call.text = step.text.toStdString();
            call.markup = step.markup;
            call.result = call.promise.get_future();
        }
    }
    // One call gains nothing from a thread of its own.
    if (ahead->calls.size() < 2) return 0;
    const size_t threads = std::min(ahead->calls.size(), size_t(engine->ParallelRequests()));
    d->ahead = ahead;
    for (size_t i = 0; i < threads; ++i) d->aheadThreads.emplace_back([ahead] { ahead->Work(); });
    return int(threads);
}

void SpVoice::EndSpeakAhead() {
    d->DropAhead();
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
