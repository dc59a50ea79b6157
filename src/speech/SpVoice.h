#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "VoiceToken.h"

class SpFileStream;
namespace vm::speech {
class SpeechEngine;
}

// The window's voice object: lists the installed voices of every engine in a
// fixed order (espeak-ng, flite, festival) and speaks text either into an
// attached SpFileStream or to the default sound output.
class SpVoice {
public:
    enum Flags { SVSFDefault = 0, SVSFIsXML = 8 };

    // Speaks with this machine's engines: through the vidmill-speak helper
    // when it is beside the program (one helper shared by these voices),
    // else in this process.
    SpVoice();
    // Speaks with exactly these engines (each production worker gives its
    // voice a helper process of its own).
    explicit SpVoice(std::vector<std::shared_ptr<vm::speech::SpeechEngine>> engines);
    ~SpVoice();
    // Owns its Impl by raw pointer: a copy would free it twice.
    SpVoice(const SpVoice&) = delete;
    SpVoice& operator=(const SpVoice&) = delete;

    // Every voice in enumeration order. The filters are accepted for the
    // shape of the call and ignored when empty.
    QList<VoiceToken> GetVoices(const QString& requiredAttributes = {},
                                const QString& optionalAttributes = {}) const;

    void setVoice(const VoiceToken& token);
    VoiceToken Voice() const;

    // The pace of speech against the voice's own: 1 is its own, 1.5 half as
    // fast again, 0.7 slower. Each engine sets it with its own duration
    // control (the voice keeps its pitch); the pauses this voice puts in at
    // line breaks follow it. Kept within the range engines speak clearly in
    // (vm::speech::kSlowestSpeechRate .. kFastestSpeechRate).
    void setSpeechRate(double rate);
    double SpeechRate() const;

    // nullptr sends speech to the default sound output.
    void setAudioOutputStream(SpFileStream* stream);
    SpFileStream* AudioOutputStream() const;

    // Speaks synchronously. With SVSFIsXML the text is speech markup; without
    // it the text is plain and every markup character in it is spoken or
    // skipped, never interpreted. A line break in plain text is a pause.
    // Returns false and sets LastError() on failure.
    bool Speak(const QString& text, int flags = SVSFDefault);

    // Starts the engine calls that speaking `texts` (in this order, with
    // these flags) will make, several at once when the engine speaks through
    // several helpers; each Speak that follows takes the answers of its own
    // calls, in order, so what it speaks is what it would have spoken alone.
    // Returns how many calls run at once (0: the engine speaks one call at a
    // time, or there is only one, and nothing was started). What is not
    // taken is dropped by EndSpeakAhead, the next SpeakAhead or the voice's
    // end (calls in flight finish first).
    int SpeakAhead(const QStringList& texts, int flags = SVSFDefault);
    void EndSpeakAhead();

    // Speech is synchronous, so this only reports whether playback ended
    // within the bound.
    bool WaitUntilDone(int milliseconds);

    QString LastError() const;

    // False when no speech engine could be created on this machine (the
    // reason is in LastError()).
    bool IsReady() const;

    // Like GetVoices, but tells whether listing went through: on failure the
    // tokens listed before it are in `tokens` and the reason in LastError().
    bool EnumerateVoices(QList<VoiceToken>* tokens) const;

    // The voice picked when none is chosen: the last description holding
    // "engl" in any letter case, else the first; -1 for an empty list.
    static int DefaultVoiceIndex(const QStringList& descriptions);

    // The speech helper program beside this one; empty when it is missing.
    static QString HelperProgram();

    // Test seams. Voices created after SetEnginesForTesting use exactly the
    // given engines (an empty list = no engine can be created);
    // UseInstalledEngines() returns to espeak-ng, flite and festival.
    // SetSoundOutputMissingForTesting makes speaking to the sound output fail
    // as on a machine without an output device.
    static void SetEnginesForTesting(
        std::vector<std::shared_ptr<vm::speech::SpeechEngine>> engines);
    static void UseInstalledEngines();
    static void SetSoundOutputMissingForTesting(bool missing);

private:
    // The voice set, else the default one; false (reason in LastError) when
    // there is none.
    bool ResolveVoice(VoiceToken* voice) const;

    struct Impl;
    Impl* d;
};
