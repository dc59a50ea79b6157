// Temporary skeleton: replaced by the engine-backed voice.
#include "SpVoice.h"

#include "SpFileStream.h"

struct SpVoice::Impl {
    VoiceToken voice;
    SpFileStream* stream = nullptr;
    QString error;
};
SpVoice::SpVoice() : d(new Impl) {}
SpVoice::~SpVoice() { delete d; }
QList<VoiceToken> SpVoice::GetVoices(const QString&, const QString&) const { return {}; }
void SpVoice::setVoice(const VoiceToken& token) { d->voice = token; }
VoiceToken SpVoice::Voice() const { return d->voice; }
void SpVoice::setAudioOutputStream(SpFileStream* stream) { d->stream = stream; }
SpFileStream* SpVoice::AudioOutputStream() const { return d->stream; }
bool SpVoice::Speak(const QString&, int) { d->error = "not built yet"; return false; }
bool SpVoice::WaitUntilDone(int) { return true; }
QString SpVoice::LastError() const { return d->error; }
