// The word timing and rate helpers every engine adapter shares (SpeechEngine.h).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "SpeechEngine.h"

namespace vm::speech {
namespace {

constexpr int kWhisper = 200;  // about -44 dB of full scale

bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A word reduced to what engines keep of it: letters and digits, lower case
// (bytes of other scripts are kept as they are).
std::string Bare(const std::string& word) {
    std::string bare;
    for (unsigned char c : word) {
        if (c >= 0x80 || std::isalnum(c)) bare += char(c >= 0x80 ? c : std::tolower(c));
    }
    return bare;
}

}  // namespace

double UsableRate(double rate) {
    if (!std::isfinite(rate)) return 1.0;
    return std::clamp(rate, kSlowestSpeechRate, kFastestSpeechRate);
}

std::vector<std::string> WhitespaceTokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::string current;
    for (unsigned char c : text) {
        if (IsSpace(c)) {
            if (!current.empty()) tokens.push_back(current);
            current.clear();
        } else {
            current += char(c);
        }
    }
    if (!current.empty()) tokens.push_back(current);
    return tokens;
}

std::vector<TokenSpan> MatchTokens(const std::string& text, const std::vector<NamedSpan>& spans) {
    const std::vector<std::string> tokens = WhitespaceTokens(text);
    std::vector<TokenSpan> matched;
    size_t next = 0;  // the first engine word not used yet
    constexpr size_t kLookAhead = 4;
    for (size_t t = 0; t < tokens.size() && next < spans.size(); ++t) {
        const std::string bare = Bare(tokens[t]);
        if (bare.empty()) continue;  // punctuation alone is not spoken
        // The engine's next words, a few ahead, for one of this name.
        for (size_t s = next; s < std::min(spans.size(), next + kLookAhead); ++s) {
            if (Bare(spans[s].name) != bare) continue;
            matched.push_back({int(t), spans[s].start, spans[s].end});
            next = s + 1;
            break;
        }
    }
    return matched;
}

int64_t SpeechStartAfter(const std::vector<int16_t>& samples, int64_t from, int64_t to) {
    to = std::min<int64_t>(to, int64_t(samples.size()));
    for (int64_t i = std::max<int64_t>(from, 0); i < to; ++i)
        if (std::abs(int(samples[size_t(i)])) > kWhisper) return i;
    return from;
}

int64_t SpeechEndBefore(const std::vector<int16_t>& samples, int64_t from, int64_t to) {
    to = std::min<int64_t>(to, int64_t(samples.size()));
    for (int64_t i = to - 1; i >= from && i >= 0; --i)
        if (std::abs(int(samples[size_t(i)])) > kWhisper) return i + 1;
    return std::max<int64_t>(from, 0);
}

}  // namespace vm::speech
