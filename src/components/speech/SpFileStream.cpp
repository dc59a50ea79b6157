// Temporary skeleton: replaced by the WAV-writing stream.
#include "SpFileStream.h"

bool SpFileStream::Open(const QString& path, int, bool) { path_ = path; open_ = true; samples_.clear(); sampleRate_ = 0; return true; }
bool SpFileStream::Close() { open_ = false; return false; }
void SpFileStream::AppendSamples(const std::vector<int16_t>& samples, int rate) { if (!sampleRate_) sampleRate_ = rate; samples_.insert(samples_.end(), samples.begin(), samples.end()); }
void SpFileStream::AppendSilence(int ms) { samples_.resize(samples_.size() + (sampleRate_ ? sampleRate_ : 22050) * ms / 1000); }
