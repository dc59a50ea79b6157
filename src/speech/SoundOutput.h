#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace vm::speech {

// Plays 16-bit mono audio on the default sound output and returns when it has
// finished. Fails at once without an output device, and gives up (stopping
// playback) when playing takes 5 s longer than the audio lasts. Blocks the
// window's input while playing but lets other events through.
bool PlayOnSoundOutput(const std::vector<int16_t>& samples, int sampleRate, QString* error);

// False on a machine without a sound output device.
bool SoundOutputAvailable();

// For tests: behave as if the machine had no sound output device.
void SetSoundOutputMissing(bool missing);

}  // namespace vm::speech
