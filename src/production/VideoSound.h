#pragma once

#include "BatchSettings.h"
#include "RenderJob.h"

// The sound of a video beyond the plain mix: music that makes room for the
// voice.
namespace vm {

// With ducking on, music fades in over the video's first second and out
// over its last two.
constexpr double kDuckedMusicFadeInSeconds = 1.0;
constexpr double kDuckedMusicFadeOutSeconds = 2.0;

// Makes the music track step back by the settings' ducking amount while the
// narration speaks, with its fades; leaves it as it is when ducking is off.
void DuckMusicUnderVoice(const BatchSettings& settings, RenderJob::Audio* music);

}  // namespace vm
