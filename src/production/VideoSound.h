#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <stop_token>

#include "BatchSettings.h"
#include "Loudness.h"
#include "RenderJob.h"

// The sound of a video beyond the plain mix: the background music prepared
// by the ffmpeg program, narrations brought to one loudness whichever voice
// speaks them, and music that makes room for the voice.
namespace vm {

// Where every narration lands with even loudness on: its loudness as the
// video plays it (the mono voice on both sides), and the highest its true
// peak may go.
constexpr double kNarrationLufs = -16.0;
constexpr double kNarrationPeakDbtp = -1.0;

// Brings the narration WAV at `path` to kNarrationLufs with its true peak at
// most kNarrationPeakDbtp, in place. Its length and the time of every word
// stay as they were. `before` and `after` get the measurements when given.
bool EvenNarrationLoudness(const QString& path, QString* error, Loudness* before = nullptr,
                           Loudness* after = nullptr);

// With ducking on, music fades in over the video's first second and out
// over its last two.
constexpr double kDuckedMusicFadeInSeconds = 1.0;
constexpr double kDuckedMusicFadeOutSeconds = 2.0;

// Makes the music track step back by the settings' ducking amount while the
// narration speaks, with its fades; leaves it as it is when ducking is off.
void DuckMusicUnderVoice(const BatchSettings& settings, RenderJob::Audio* music);

// The music track of one video, prepared.
struct MusicTrack {
    QString file;
    double laid = 0;         // how long it is laid on the timeline
    double fileSeconds = 0;  // how long the prepared file plays
};

// Prepares the music track of a video `videoLength` seconds long into
// `tempFile`: copied, passed whole through ffmpeg, or cut to the video plus 3
// seconds and lowered, as the settings say. `logCommand` gets every ffmpeg
// command line.
bool PrepareMusic(const BatchSettings& settings, int16_t videoLength, const QString& tempFile,
                  const std::function<void(const QString&)>& logCommand, std::stop_token stop,
                  MusicTrack* track, QString* error);

// How long music cut at the video's end takes to fade out.
constexpr double kMusicFadeSeconds = 0.5;

}  // namespace vm
