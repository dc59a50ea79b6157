#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// Reading, writing and measuring PCM WAV files: what speech writes, and what
// anyone who needs a narration's length or format can read back.
namespace vm {

struct WavInfo {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int formatTag = 0;       // 1 = PCM
    qint64 sampleCount = 0;  // per channel (frames)
    qint64 dataOffset = 0;   // where the samples start in the file
    double Duration() const { return sampleRate > 0 ? double(sampleCount) / sampleRate : 0.0; }
};

// The complete bytes of a 16-bit mono PCM WAV file.
QByteArray EncodeWav(const std::vector<int16_t>& samples, int sampleRate);

// Writes a 16-bit mono WAV, replacing the file in one step (written beside it
// and renamed), so a reader never sees half a header. The folder must exist.
bool WriteWav(const QString& path, const std::vector<int16_t>& samples, int sampleRate,
              QString* error);

// Reads the header of a RIFF/WAVE file (any chunk order, extra chunks skipped).
bool ReadWavInfo(const QString& path, WavInfo* info, QString* error);

// Reads a 16-bit PCM WAV: the samples, channels interleaved.
bool ReadWav(const QString& path, std::vector<int16_t>* samples, WavInfo* info, QString* error);

// Linear-interpolation resampling of 16-bit mono audio.
std::vector<int16_t> ResampleLinear(const std::vector<int16_t>& samples, int fromRate, int toRate);

// Root-mean-square level of samples [begin, end), full scale = 1.0.
double RmsLevel(const std::vector<int16_t>& samples, qint64 begin, qint64 end);

}  // namespace vm
