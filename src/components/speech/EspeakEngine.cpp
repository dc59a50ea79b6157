// espeak-ng behind the SpeechEngine interface: synchronous synthesis into a
// sample buffer through the library's callback.
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

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

int SynthCallback(short* wav, int count, espeak_EVENT*) {
    if (wav && count > 0 && gSink) gSink->insert(gSink->end(), wav, wav + count);
    return 0;  // go on
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
    bool Start(std::string* error) {
        std::lock_guard lock(gEspeakMutex);
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
        if (rate <= 0) {
            *error = "espeak-ng could not start (is espeak-ng-data installed?)";
            return false;
        }
        espeak_SetSynthCallback(SynthCallback);
        return true;
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

    bool Synthesize(const std::string& voiceId, const std::string& text, bool markup,
                    EngineAudio* audio, std::string* error) override {
        std::lock_guard lock(gEspeakMutex);
        audio->samples.clear();
        if (espeak_SetVoiceByName(voiceId.c_str()) != EE_OK) {
            *error = "espeak-ng cannot select the voice " + voiceId;
            return false;
        }
        // Asked after choosing the voice: mbrola voices speak at 16000 Hz.
        audio->sampleRate = espeak_ng_GetSampleRate();
        unsigned flags = espeakCHARS_UTF8 | espeakENDPAUSE;
        if (markup) flags |= espeakSSML;
        gSink = &audio->samples;
        const espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                                 flags, nullptr, nullptr);
        gSink = nullptr;
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
