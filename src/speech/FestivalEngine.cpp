// festival behind the SpeechEngine interface. Only its HTS voices are offered
// (the diphone voices sound far worse and would otherwise become the last
// English voice). festival keeps one global Scheme interpreter: it is started
// once per process, on first use, and only ever driven from that one thread.
// Listing does not start it: the voices are found by scanning festival's voice
// folders, so the window opens without paying festival's start-up.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wdeprecated-copy"
#pragma GCC diagnostic ignored "-Wclass-memaccess"
#include <festival/festival.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "SpeechEngine.h"

namespace vm::speech {
namespace {

namespace fs = std::filesystem;

// Where festival itself looks for voices (its system-voice-path and
// load-path/voices) on Debian.
const char* const kVoiceFolders[] = {"/usr/share/festival/voices", "/usr/lib/festival/voices"};

std::atomic<double> gStartMilliseconds{0.0};

// Cells of festival's Scheme heap. Its own default (10 million) takes about
// 330 MB the moment it starts; a quarter of that speaks long paragraphs.
constexpr int kHeapCells = 2500000;

std::string Capitalised(std::string word) {
    std::replace(word.begin(), word.end(), '_', ' ');
    if (!word.empty() && word[0] >= 'a' && word[0] <= 'z') word[0] = char(word[0] - 'a' + 'A');
    return word;
}

std::string Field(const std::string& text, const char* name) {
    const std::regex pattern(std::string("\\(\\s*") + name + "\\s+([A-Za-z_]+)\\s*\\)");
    std::smatch match;
    return std::regex_search(text, match, pattern) ? match[1].str() : std::string();
}

// "English (America)" from festival's (language english) (dialect american).
std::string LanguageWords(const std::string& language, const std::string& dialect) {
    if (language.empty()) return "unknown language";
    std::string words = Capitalised(language);
    if (dialect == "american")
        words += " (America)";
    else if (dialect == "british")
        words += " (Great Britain)";
    else if (dialect == "scottish")
        words += " (Scotland)";
    else if (!dialect.empty())
        words += " (" + Capitalised(dialect) + ")";
    return words;
}

// The description from the voice's own proclaim_voice entry, read as text.
std::string Describe(const std::string& name, const fs::path& definition) {
    std::ifstream in(definition);
    std::stringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    const auto proclaim = text.find("proclaim_voice");
    const std::string entry = proclaim == std::string::npos ? text : text.substr(proclaim);
    std::string description =
        name + " - " + LanguageWords(Field(entry, "language"), Field(entry, "dialect"));
    const std::string gender = Field(entry, "gender");
    if (!gender.empty()) description += ", " + gender;
    return description + " (festival)";
}

// When each of the utterance's tokens (the text's words) is heard: from the
// start of its first word's first sound to the end of its last word's last.
std::vector<NamedSpan> TokenTimes(EST_Utterance* utt, int rate) {
    std::vector<NamedSpan> spans;
    EST_Relation* tokens = utt->relation("Token", 0);
    if (!tokens) return spans;
    // A word's sounds: the segments of its syllables.
    auto firstSegment = [](EST_Item* word) -> EST_Item* {
        EST_Item* syllable = daughter1(word, "SylStructure");
        return syllable ? daughter1(syllable, "SylStructure") : nullptr;
    };
    auto lastSegment = [](EST_Item* word) -> EST_Item* {
        EST_Item* syllable = daughtern(word, "SylStructure");
        return syllable ? daughtern(syllable, "SylStructure") : nullptr;
    };
    for (EST_Item* token = tokens->head(); token; token = inext(token)) {
        // The token's words with sounds (a "." of its own is a word with none).
        EST_Item* first = nullptr;
        EST_Item* last = nullptr;
        for (EST_Item* word = daughter1(token); word; word = inext(word)) {
            if (!first) first = firstSegment(word);
            if (EST_Item* end = lastSegment(word)) last = end;
        }
        if (!first || !last) continue;  // said nothing (punctuation)
        // A segment starts where the one before it (in time) ends.
        EST_Item* before = iprev(as(first, "Segment"));
        const float start = before ? before->F("end", 0.0) : 0.0f;
        const float end = as(last, "Segment")->F("end", 0.0);
        if (!(end > start)) continue;
        spans.push_back({token->name().str(), int64_t(start * rate), int64_t(end * rate)});
    }
    return spans;
}

class Festival final : public SpeechEngine {
public:
    std::string Name() const override { return "festival"; }
    // About 100 words: time stays in step with the text and the heap flat.
    int LongestText() const override { return 600; }

    bool ListVoices(std::vector<EngineVoice>* voices, std::string* error) override {
        std::lock_guard lock(mutex_);
        if (!listed_) {
            std::vector<EngineVoice> found;
            std::error_code ec;
            for (const char* root : kVoiceFolders) {
                if (!fs::is_directory(root, ec)) continue;
                // <root>/<language folder>/<voice>/festvox/<voice>.scm
                for (const auto& group : fs::directory_iterator(root, ec)) {
                    if (!group.is_directory(ec)) continue;
                    for (const auto& voice : fs::directory_iterator(group.path(), ec)) {
                        const std::string name = voice.path().filename().string();
                        if (name.size() < 4 || name.compare(name.size() - 4, 4, "_hts") != 0)
                            continue;
                        const fs::path definition = voice.path() / "festvox" / (name + ".scm");
                        if (!fs::is_regular_file(definition, ec)) continue;
                        if (std::none_of(found.begin(), found.end(),
                                         [&](const EngineVoice& v) { return v.id == name; }))
                            found.push_back({name, Describe(name, definition)});
                    }
                }
            }
            std::sort(found.begin(), found.end(),
                      [](const EngineVoice& a, const EngineVoice& b) { return a.id < b.id; });
            voices_ = std::move(found);
            listed_ = true;
        }
        voices->insert(voices->end(), voices_.begin(), voices_.end());
        (void)error;
        return true;
    }

    bool PrepareVoice(const std::string& voiceId, std::string* error) override {
        std::lock_guard lock(mutex_);
        return Select(voiceId, error);
    }

    bool Synthesize(const std::string& voiceId, const std::string& text, bool, double rate,
                    EngineAudio* audio, std::string* error) override {
        std::lock_guard lock(mutex_);
        audio->samples.clear();
        if (!Select(voiceId, error) || !SetRate(rate, error)) return false;
        if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
            audio->sampleRate = lastRate_;
            return true;
        }
        // (utt.synth (Utterance Text "...")), built as a list so the text
        // needs no quoting; the utterance also says when each word is heard.
        const LISP expression =
            cons(rintern("utt.synth"),
                 cons(cons(rintern("Utterance"),
                           cons(rintern("Text"), cons(strintern(text.c_str()), NIL))),
                      NIL));
        const LISP result = leval(expression, NIL);
        EST_Utterance* utt = result && utterance_p(result) ? utterance(result) : nullptr;
        EST_Relation* waves = utt ? utt->relation("Wave", 0) : nullptr;
        EST_Wave* wave = waves && waves->head() ? ::wave(waves->head()->f("wave")) : nullptr;
        if (!wave) {
            *error = "festival could not speak the text";
            return false;
        }
        audio->sampleRate = wave->sample_rate();
        audio->samples.reserve(wave->num_samples());
        for (int i = 0; i < wave->num_samples(); ++i) audio->samples.push_back(wave->a(i, 0));
        if (audio->sampleRate <= 0) {
            *error = "festival reported no sample rate";
            return false;
        }
        audio->tokens = MatchTokens(text, TokenTimes(utt, audio->sampleRate));
        lastRate_ = audio->sampleRate;
        return true;
    }

private:
    // Starts festival on first use and loads the voice when it changes.
    bool Select(const std::string& voiceId, std::string* error) {
        const auto started = std::chrono::steady_clock::now();
        if (!started_) {
            festival_initialize(1, kHeapCells);
            thread_ = std::this_thread::get_id();
            started_ = true;
        } else if (thread_ != std::this_thread::get_id()) {
            *error = "festival speaks only on the thread that started it";
            return false;
        }
        if (voiceId != currentVoice_) {
            // The voice before goes back to its own pace first: a voice that
            // does not set the pace itself would take that one as its own.
            if (!currentVoice_.empty() && !SetRate(1.0, error)) return false;
            if (voiceId.empty() ||
                voiceId.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") !=
                    std::string::npos ||
                !festival_eval_command(EST_String(("(voice_" + voiceId + ")").c_str()))) {
                *error = "festival cannot load the voice " + voiceId;
                return false;
            }
            // The voice's own pace, which every rate is taken from.
            if (!festival_eval_command(
                    "(begin (set! vidmill_own_hts_params hts_engine_params)"
                    " (set! vidmill_own_stretch (or (Parameter.get 'Duration_Stretch) 1)))")) {
                *error = "festival cannot read the pace of the voice " + voiceId;
                return false;
            }
            currentVoice_ = voiceId;
        }
        if (gStartMilliseconds.load() == 0.0) {
            gStartMilliseconds = std::chrono::duration<double, std::milli>(
                                     std::chrono::steady_clock::now() - started)
                                     .count();
        }
        return true;
    }

    // The pace of the current voice. HTS voices take their durations from
    // their own models: their engine's speed option ("-r") sets the pace, and
    // festival's Duration_Stretch only reaches other voices. At rate 1 both
    // are the voice's own.
    bool SetRate(double rate, std::string* error) {
        rate = UsableRate(rate);
        if (rate == currentRate_) return true;
        char command[256];
        if (rate == 1.0)
            std::snprintf(command, sizeof command,
                          "(begin (set! hts_engine_params vidmill_own_hts_params)"
                          " (Parameter.set 'Duration_Stretch vidmill_own_stretch))");
        else
            std::snprintf(command, sizeof command,
                          "(begin (set! hts_engine_params (append vidmill_own_hts_params"
                          " (list (list \"-r\" %.6f))))"
                          " (Parameter.set 'Duration_Stretch (/ vidmill_own_stretch %.6f)))",
                          rate, rate);
        if (!festival_eval_command(command)) {
            *error = "festival cannot speak at rate " + std::to_string(rate);
            return false;
        }
        currentRate_ = rate;
        return true;
    }

    std::mutex mutex_;
    bool listed_ = false;
    std::vector<EngineVoice> voices_;
    bool started_ = false;
    std::thread::id thread_;
    std::string currentVoice_;
    double currentRate_ = 1.0;  // set for the current voice
    int lastRate_ = 16000;
};

}  // namespace

std::shared_ptr<SpeechEngine> FestivalEngine(std::string*) {
    static std::shared_ptr<Festival> instance = std::make_shared<Festival>();
    return instance;
}

double FestivalStartMilliseconds() {
    return gStartMilliseconds.load();
}

}  // namespace vm::speech
