#pragma once

#include <QList>
#include <QString>

#include "VoiceToken.h"

class SpFileStream;

// The window's voice object: lists the installed voices of every engine in a
// fixed order (espeak-ng, flite, festival) and speaks text either into an
// attached SpFileStream or to the default sound output.
class SpVoice {
public:
    enum Flags { SVSFDefault = 0, SVSFIsXML = 8 };

    SpVoice();
    ~SpVoice();

    // Every voice in enumeration order. The filters are accepted for the
    // shape of the call and ignored when empty.
    QList<VoiceToken> GetVoices(const QString& requiredAttributes = {},
                                const QString& optionalAttributes = {}) const;

    void setVoice(const VoiceToken& token);
    VoiceToken Voice() const;

    // nullptr sends speech to the default sound output.
    void setAudioOutputStream(SpFileStream* stream);
    SpFileStream* AudioOutputStream() const;

    // Speaks synchronously. With SVSFIsXML the text is speech markup; without
    // it the text is plain and every markup character in it is spoken or
    // skipped, never interpreted. A line break in plain text is a pause.
    // Returns false and sets LastError() on failure.
    bool Speak(const QString& text, int flags = SVSFDefault);

    // Speech is synchronous, so this only reports whether playback ended
    // within the bound.
    bool WaitUntilDone(int milliseconds);

    QString LastError() const;

private:
    struct Impl;
    Impl* d;
};
