#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "Captions.h"

class SpVoice;

// What a video says: which ad copy it narrates, and the narration spoken
// into a WAV with the time of every word.
namespace vm {

class VideoRandom;

// True when the text has something to speak: a letter or a digit once its
// "[IMAGE]" tags are left out.
bool HasWords(const QString& text);

// Which ad copy the video of `keyword` narrates: one of the pages that have
// words to speak with the keyword put in, at random; -1 when none has.
int PickAdCopy(const QStringList& adCopies, const QString& keyword, VideoRandom& random);

// Why no video could be narrated: "No ad copy has words to speak: ad copy 2
// holds only spaces, [IMAGE] tags or punctuation." Empty when a page has words.
QString AdCopyWordsProblem(const QStringList& adCopies);

// Speaks `text` with `voice` into a WAV at `path`: the text is cut at every
// "[IMAGE]", a tag in another letter case is dropped, and the pieces follow
// each other 400 ms apart. A failed attempt is made once more. On success
// `seconds` is the narration's length and `words` (when given) every word
// spoken, as written, with when it is heard.
bool SpeakNarrationFile(SpVoice& voice, const QString& text, const QString& path, double* seconds,
                        QString* error, std::vector<NarrationWord>* words = nullptr);

}  // namespace vm
