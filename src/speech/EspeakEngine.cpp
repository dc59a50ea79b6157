// espeak-ng behind the SpeechEngine interface: synchronous synthesis into a
// sample buffer through the library's callback.
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

#include "SpeechEngine.h"

namespace vm::speech {
namespace {

// espeak-ng is one global synthesizer: every call goes through this lock, and
// the callback writes into the buffer of the call that holds it.
std::mutex gEspeakMutex;
std::vector<int16_t>* gSink = nullptr;
// Where each word begins: its character position in the text (from 1) and
// the time in milliseconds.
std::vector<std::pair<int, int>>* gWords = nullptr;

int SynthCallback(short* wav, int count, espeak_EVENT* events) {
    if (wav && count > 0 && gSink) gSink->insert(gSink->end(), wav, wav + count);
    for (; events && events->type != espeakEVENT_LIST_TERMINATED; ++events)
        if (events->type == espeakEVENT_WORD && gWords)
            gWords->push_back({events->text_position, events->audio_position});
    return 0;  // go on
}

// The word (as whitespace separates them) each character of a UTF-8 text
// belongs to, counting characters as espeak-ng does; -1 for spaces.
std::vector<int> WordOfCharacter(const std::string& text) {
    std::vector<int> word;
    int current = -1;
    bool inWord = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        if ((c & 0xC0) == 0x80) continue;  // a continuation byte: same character
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
        if (!space && !inWord) ++current;
        inWord = !space;
        word.push_back(space ? -1 : current);
    }
    return word;
}

// Word events to spans: a word runs from its start to where the speech
// before the next word's start ends.
std::vector<TokenSpan> WordSpans(const std::string& text,
                                 const std::vector<std::pair<int, int>>& events,
                                 const std::vector<int16_t>& samples, int rate) {
    const std::vector<int> wordOf = WordOfCharacter(text);
    std::vector<TokenSpan> spans;
    for (const auto& [position, ms] : events) {
        const int at = position - 1;
        if (at < 0 || at >= int(wordOf.size()) || wordOf[size_t(at)] < 0) continue;
        const int token = wordOf[size_t(at)];
        if (!spans.empty() && spans.back().token >= token) continue;
        spans.push_back({token, int64_t(ms) * rate / 1000, 0});
    }
    for (size_t i = 0; i < spans.size(); ++i) {
        const int64_t next = i + 1 < spans.size() ? spans[i + 1].start : int64_t(samples.size());
        // The event comes where the word's turn begins, pause included.
        spans[i].start = SpeechStartAfter(samples, spans[i].start, next);
        spans[i].end = SpeechEndBefore(samples, spans[i].start, next);
    }
    return spans;
}

std::string GenderWord(unsigned char gender) {
    if (gender == 1) return "male";
    if (gender == 2) return "female";
    return {};
}

bool ProgramOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::stringstream folders(path);
    std::string folder;
    std::error_code ec;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && std::filesystem::is_regular_file(folder + "/" + program, ec))
            return true;
    }
    return false;
}

// An mbrola voice ("mb/mb-en1") only speaks when its voice file and the
// mbrola program are installed; espeak-ng lists it either way.
bool MbrolaVoiceInstalled(const std::string& identifier) {
    const auto dash = identifier.rfind("mb-");
    if (dash == std::string::npos) return false;
    const std::string name = identifier.substr(dash + 3);
    std::error_code ec;
    const bool voiceFile =
        std::filesystem::is_regular_file("/usr/share/mbrola/" + name + "/" + name, ec) ||
        std::filesystem::is_regular_file("/usr/share/mbrola/" + name, ec) ||
        std::filesystem::is_regular_file("/usr/share/mbrola/voices/" + name, ec);
    return voiceFile && ProgramOnPath("mbrola");
}

class Espeak final : public SpeechEngine {
public:
    // Enough to list the voices. The sound output is set up only before the
    // first text is spoken: espeak-ng opens an audio device with it even
    // though it only hands samples back, and listing voices (all the window
    // and vidmill-batch do in their own process) needs none.
    bool Start(std::string* error) {
        std::lock_guard lock(gEspeakMutex);
        espeak_ng_InitializePath(nullptr);
        espeak_ng_ERROR_CONTEXT context = nullptr;
        const espeak_ng_STATUS status = espeak_ng_Initialize(&context);
        espeak_ng_ClearErrorContext(&context);
        if (status != ENS_OK) {
            *error = "espeak-ng could not start (is espeak-ng-data installed?)";
            return false;
        }
        return true;
    }

    bool PrepareVoice(const std::string& voiceId, std::string* error) override {
        std::lock_guard lock(gEspeakMutex);
        return StartOutput(error);
    }

    std::string Name() const override { return "espeak-ng"; }
    bool SpeaksMarkup() const override { return true; }
    bool CarriesStateOver() const override { return true; }

    bool ListVoices(std::vector<EngineVoice>* voices, std::string* error) override {
        std::lock_guard lock(gEspeakMutex);
        if (!listed_) {
            const espeak_VOICE** list = espeak_ListVoices(nullptr);
            if (!list) {
                *error = "espeak-ng listed no voices";
                return false;
            }
            for (int i = 0; list[i]; ++i) {
                const espeak_VOICE* v = list[i];
                if (!v->identifier || !v->name) continue;
                const std::string id = v->identifier;
                if (id.rfind("mb/", 0) == 0 && !MbrolaVoiceInstalled(id)) continue;
                std::string description = id + " - " + v->name;
                const std::string gender = GenderWord(v->gender);
                if (!gender.empty()) description += ", " + gender;
                description += " (espeak-ng)";
                voices_.push_back({id, description});
            }
            listed_ = true;
        }
        voices->insert(voices->end(), voices_.begin(), voices_.end());
        return true;
    }

    bool Synthesize(const std::string& voiceId, const std::string& text, bool markup, double rate,
                    EngineAudio* audio, std::string* error) override {
        std::lock_guard lock(gEspeakMutex);
        audio->samples.clear();
        if (!StartOutput(error)) return false;
        if (espeak_SetVoiceByName(voiceId.c_str()) != EE_OK) {
            *error = "espeak-ng cannot select the voice " + voiceId;
            return false;
        }
        // Words a minute, from espeak-ng's own default pace (a voice's speed
        // setting applies on top); set on every text, as the library keeps it.
        const int wordsPerMinute =
            int(std::lround(espeak_GetParameter(espeakRATE, 0) * UsableRate(rate)));
        if (espeak_SetParameter(espeakRATE, wordsPerMinute, 0) != EE_OK) {
            *error =
                "espeak-ng cannot speak at " + std::to_string(wordsPerMinute) + " words a minute";
            return false;
        }
        // Asked after choosing the voice: mbrola voices speak at 16000 Hz.
        audio->sampleRate = espeak_ng_GetSampleRate();
        unsigned flags = espeakCHARS_UTF8 | espeakENDPAUSE;
        if (markup) flags |= espeakSSML;
        std::vector<std::pair<int, int>> words;
        gSink = &audio->samples;
        gWords = &words;
        const espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                                 flags, nullptr, nullptr);
        gSink = nullptr;
        gWords = nullptr;
        audio->tokens = WordSpans(text, words, audio->samples, audio->sampleRate);
        if (result != EE_OK) {
            *error = "espeak-ng could not speak the text (error " + std::to_string(result) + ")";
            return false;
        }
        if (audio->sampleRate <= 0) {
            *error = "espeak-ng reported no sample rate";
            return false;
        }
        return true;
    }

private:
    // Samples handed back through the callback, never played. Under the lock.
    bool StartOutput(std::string* error) {
        if (outputStarted_) return true;
        if (espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr) != ENS_OK) {
            *error = "espeak-ng could not start its sound output";
            return false;
        }
        espeak_SetSynthCallback(SynthCallback);
        outputStarted_ = true;
        return true;
    }

    bool outputStarted_ = false;
    bool listed_ = false;
    std::vector<EngineVoice> voices_;
};

}  // namespace

std::shared_ptr<SpeechEngine> EspeakEngine(std::string* error) {
    static std::mutex createMutex;
    static std::shared_ptr<Espeak> instance;
    static std::string startError;
    std::lock_guard lock(createMutex);
    if (!instance && startError.empty()) {
        auto engine = std::make_shared<Espeak>();
        if (engine->Start(&startError))
            instance = engine;
        else if (startError.empty())
            startError = "espeak-ng could not start";
    }
    if (!instance && error) *error = startError;
    return instance;
}

}  // namespace vm::speech
