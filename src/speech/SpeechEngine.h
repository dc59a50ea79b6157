#pragma once

// The small interface between SpVoice and one speech engine. It uses only the
// standard library on purpose: festival's adapter must not see Qt headers, and
// flite's and festival's headers cannot share a translation unit, so every
// engine lives in its own .cpp behind this interface.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vm::speech {

struct EngineVoice {
    std::string id;           // the engine's own name for the voice, given back to Synthesize
    std::string description;  // "name - language, gender (engine)"
};

// When one word of the text is heard: `token` counts the text's words as
// whitespace separates them (0 is the first), `start` and `end` are sample
// positions in the audio. Words the engine says nothing for are left out.
struct TokenSpan {
    int token = 0;
    int64_t start = 0;
    int64_t end = 0;
};

struct EngineAudio {
    std::vector<int16_t> samples;   // 16-bit mono
    int sampleRate = 0;             // set even when the text gave no samples
    std::vector<TokenSpan> tokens;  // in order, when the engine tells
};

// The words of a UTF-8 text as whitespace separates them.
std::vector<std::string> WhitespaceTokens(const std::string& text);

// Engines that say which of their own words they spoke when (festival's and
// flite's Token relation) name them without the punctuation around them and
// may leave some out: this matches them to the text's words in order, by
// name (letter case and punctuation aside).
struct NamedSpan {
    std::string name;
    int64_t start = 0;
    int64_t end = 0;
};
std::vector<TokenSpan> MatchTokens(const std::string& text, const std::vector<NamedSpan>& spans);

// Where the speech from `from` on begins: the first sample before `to`
// louder than a whisper (`from` when there is none).
int64_t SpeechStartAfter(const std::vector<int16_t>& samples, int64_t from, int64_t to);

// Where the speech before `to` ends: the last sample from `from` on that is
// louder than a whisper, so a word's end leaves out the pause after it.
int64_t SpeechEndBefore(const std::vector<int16_t>& samples, int64_t from, int64_t to);

// The speech rates engines are asked for: slower or faster than this and
// words run together or drag. UsableRate keeps a rate within them (1 for
// one that is not a number).
constexpr double kSlowestSpeechRate = 0.5;
constexpr double kFastestSpeechRate = 2.0;
double UsableRate(double rate);

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    // "espeak-ng", "flite", "festival": also the engine name of a VoiceToken.
    virtual std::string Name() const = 0;

    // Appends the engine's voices in its own order. On failure returns false
    // with a message; the voices appended before the failure stay.
    virtual bool ListVoices(std::vector<EngineVoice>* voices, std::string* error) = 0;

    // Loads what speaking with the voice needs (festival's start-up and the
    // voice itself), so that it is not done again for every text. Speaking
    // works without it.
    virtual bool PrepareVoice(const std::string& voiceId, std::string* error) { return true; }

    // True when what the engine spoke before changes how it speaks the next
    // text (espeak-ng carries its pitch flutter and gain over). Such an engine
    // speaks each text in a fresh copy of the prepared process.
    virtual bool CarriesStateOver() const { return false; }

    // The longest text one Synthesize call should be given, 0 for any. An
    // engine whose time and memory grow faster than its text (festival
    // builds a whole utterance at once) is given a long text in pieces.
    virtual int LongestText() const { return 0; }

    // How many Synthesize calls may run at once, from as many threads, and
    // gain by it: 1 for an engine in this process (its library is not
    // thread-safe), the number of helpers for one that speaks through them.
    virtual int ParallelRequests() const { return 1; }

    // True when Synthesize can be handed speech markup (SSML) as it is.
    virtual bool SpeaksMarkup() const { return false; }

    // Speaks UTF-8 text with the voice into `audio` (replacing its content).
    // `markup` is only ever true for an engine that SpeaksMarkup(); plain text
    // reaches the engine as it is. `rate` is the pace against the voice's own
    // (1: its own, 1.5: half as fast again), set through the engine's own
    // duration control so the voice keeps its pitch and its word timings
    // stay true; at 1 the engine speaks exactly as it would untouched.
    virtual bool Synthesize(const std::string& voiceId, const std::string& text, bool markup,
                            double rate, EngineAudio* audio, std::string* error) = 0;
};

// The engines of this machine. Each library keeps global state, so each
// factory hands out one shared instance per process; nullptr (with the
// reason) when the engine cannot be used.
std::shared_ptr<SpeechEngine> EspeakEngine(std::string* error);
std::shared_ptr<SpeechEngine> FliteEngine(std::string* error);
std::shared_ptr<SpeechEngine> FestivalEngine(std::string* error);

// Cost of festival's one-off start (festival_initialize plus loading the
// first voice), in milliseconds; 0 while festival has not been started.
double FestivalStartMilliseconds();

}  // namespace vm::speech
