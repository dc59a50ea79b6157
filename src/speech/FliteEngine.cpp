// flite behind the SpeechEngine interface. flite's voices carry no language or
// gender, so this file keeps its own table of the voices it links.
#include <flite/flite.h>

#include <mutex>

#include "SpeechEngine.h"

extern "C" {
cst_voice* register_cmu_us_kal(const char* voxdir);
cst_voice* register_cmu_us_kal16(const char* voxdir);
cst_voice* register_cmu_us_awb(const char* voxdir);
cst_voice* register_cmu_us_slt(const char* voxdir);
cst_voice* register_cmu_us_rms(const char* voxdir);
}

namespace vm::speech {
namespace {

struct FliteVoice {
    const char* id;
    const char* language;
    const char* gender;
    cst_voice* (*registerVoice)(const char*);
};

// The listing order of flite's voices.
constexpr FliteVoice kVoices[] = {
    {"cmu_us_kal", "English (America)", "male", register_cmu_us_kal},
    {"cmu_us_kal16", "English (America)", "male", register_cmu_us_kal16},
    {"cmu_us_awb", "English (Scotland)", "male", register_cmu_us_awb},
    {"cmu_us_slt", "English (America)", "female", register_cmu_us_slt},
    {"cmu_us_rms", "English (America)", "male", register_cmu_us_rms},
};
constexpr int kVoiceCount = sizeof(kVoices) / sizeof(kVoices[0]);

// When each of the utterance's tokens (the text's words) is heard: from the
// start of its first word's first sound to the end of its last word's last.
std::vector<NamedSpan> TokenTimes(cst_utterance* utt, int rate) {
    std::vector<NamedSpan> spans;
    cst_relation* tokens = utt_relation(utt, "Token");
    if (!tokens) return spans;
    for (cst_item* token = relation_head(tokens); token; token = item_next(token)) {
        // The token's words with sounds (punctuation may be a word with none).
        float start = -1;
        float end = -1;
        for (cst_item* word = item_daughter(token); word; word = item_next(word)) {
            cst_item* syllables = item_as(word, "SylStructure");
            if (!syllables || !item_daughter(syllables)) continue;
            if (start < 0)
                start = ffeature_float(word, "R:SylStructure.daughter.daughter.R:Segment.p.end");
            end = ffeature_float(word, "R:SylStructure.daughtern.daughtern.R:Segment.end");
        }
        if (start < 0 || !(end > start)) continue;  // said nothing
        spans.push_back({item_name(token), int64_t(start * rate), int64_t(end * rate)});
    }
    return spans;
}

class Flite final : public SpeechEngine {
public:
    Flite() { flite_init(); }

    std::string Name() const override { return "flite"; }

    bool ListVoices(std::vector<EngineVoice>* voices, std::string*) override {
        for (const FliteVoice& v : kVoices) {
            voices->push_back(
                {v.id, std::string(v.id) + " - " + v.language + ", " + v.gender + " (flite)"});
        }
        return true;
    }

    bool PrepareVoice(const std::string& voiceId, std::string* error) override {
        std::lock_guard lock(mutex_);
        if (VoiceFor(voiceId)) return true;
        *error = "flite has no voice " + voiceId;
        return false;
    }

    bool Synthesize(const std::string& voiceId, const std::string& text, bool, double rate,
                    EngineAudio* audio, std::string* error) override {
        std::lock_guard lock(mutex_);
        audio->samples.clear();
        cst_voice* voice = VoiceFor(voiceId);
        const int index = VoiceIndex(voiceId);
        if (!voice) {
            *error = "flite has no voice " + voiceId;
            return false;
        }
        // The voice's durations are stretched by its own factor divided by
        // the rate; set on every text, as the voice keeps it.
        feat_set_float(voice->features, "duration_stretch",
                       float(ownStretch_[index] / UsableRate(rate)));
        cst_utterance* utt = flite_synth_text(text.c_str(), voice);
        const cst_wave* wave = utt ? utt_wave(utt) : nullptr;
        if (!wave) {
            if (utt) delete_utterance(utt);
            *error = "flite could not speak the text";
            return false;
        }
        audio->sampleRate = wave->sample_rate;
        const int channels = wave->num_channels > 0 ? wave->num_channels : 1;
        audio->samples.reserve(wave->num_samples);
        // Always mono here; keep the first channel should a voice ever give more.
        for (int i = 0; i < wave->num_samples; ++i)
            audio->samples.push_back(wave->samples[i * channels]);
        audio->tokens = MatchTokens(text, TokenTimes(utt, audio->sampleRate));
        delete_utterance(utt);
        if (audio->sampleRate <= 0) {
            *error = "flite reported no sample rate";
            return false;
        }
        return true;
    }

private:
    // Voices are registered on first use: listing stays instant.
    cst_voice* VoiceFor(const std::string& id) {
        const int i = VoiceIndex(id);
        if (i < 0) return nullptr;
        if (!registered_[i]) {
            registered_[i] = kVoices[i].registerVoice(nullptr);
            if (registered_[i])
                ownStretch_[i] =
                    get_param_float(registered_[i]->features, "duration_stretch", 1.0f);
        }
        return registered_[i];
    }
    static int VoiceIndex(const std::string& id) {
        for (int i = 0; i < kVoiceCount; ++i)
            if (id == kVoices[i].id) return i;
        return -1;
    }

    std::mutex mutex_;
    cst_voice* registered_[kVoiceCount] = {};
    // Each voice's own duration stretch, as it was registered.
    float ownStretch_[kVoiceCount] = {};
};

}  // namespace

std::shared_ptr<SpeechEngine> FliteEngine(std::string*) {
    static std::shared_ptr<Flite> instance = std::make_shared<Flite>();
    return instance;
}

}  // namespace vm::speech
