#pragma once
// The voice the batch benchmarks speak with.
#include <QString>

#include "SpVoice.h"

// An English espeak-ng voice: quick, and on every machine the program runs on.
inline QString EspeakVoice() {
    for (const VoiceToken& token : SpVoice().GetVoices())
        if (token.GetDescription().contains("/en-US - ") && token.Engine() == "espeak-ng")
            return token.GetDescription();
    return {};
}
