#include "VideoSound.h"

#include <algorithm>

namespace vm {

void DuckMusicUnderVoice(const BatchSettings& settings, RenderJob::Audio* music) {
    if (settings.musicDuckDb <= 0) return;
    music->duckDb = settings.musicDuckDb;
    music->fadeIn = kDuckedMusicFadeInSeconds;
    music->fadeOut = std::max(music->fadeOut, kDuckedMusicFadeOutSeconds);
}

}  // namespace vm
