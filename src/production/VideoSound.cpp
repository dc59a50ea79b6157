#include "VideoSound.h"

#include <algorithm>

#include "WavFile.h"

namespace vm {

bool EvenNarrationLoudness(const QString& path, QString* error, Loudness* before, Loudness* after) {
    std::vector<int16_t> samples;
    WavInfo info;
    QString why;
    if (!ReadWav(path, &samples, &info, &why)) {
        *error = "The narration could not be read to even its loudness: " + why;
        return false;
    }
    if (info.channels != 1 || info.bitsPerSample != 16) {
        *error = "The narration " + path + " is not 16-bit mono: its loudness was not evened.";
        return false;
    }
    std::string failure;
    if (!EvenLoudness(&samples, info.sampleRate, MonoAs::BothSides, kNarrationLufs,
                      kNarrationPeakDbtp, before, after, &failure)) {
        *error = "The narration's loudness could not be evened: " + QString::fromStdString(failure);
        return false;
    }
    if (!WriteWav(path, samples, info.sampleRate, &why)) {
        *error = "The narration could not be written: " + why;
        return false;
    }
    return true;
}

void DuckMusicUnderVoice(const BatchSettings& settings, RenderJob::Audio* music) {
    if (settings.musicDuckDb <= 0) return;
    music->duckDb = settings.musicDuckDb;
    music->fadeIn = kDuckedMusicFadeInSeconds;
    music->fadeOut = std::max(music->fadeOut, kDuckedMusicFadeOutSeconds);
}

}  // namespace vm
