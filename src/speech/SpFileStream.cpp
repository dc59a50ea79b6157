#include "SpFileStream.h"

#include <QDir>
#include <QFileInfo>

#include "WavFile.h"

namespace {
// The rate of a file into which nothing was spoken.
constexpr int kRateBeforeSpeech = 22050;
}  // namespace

bool SpFileStream::Open(const QString& path, int mode, bool) {
    open_ = false;
    samples_.clear();
    words_.clear();
    sampleRate_ = 0;
    error_.clear();
    if (mode != SSFMCreateForWrite && mode != SSFMCreate) {
        error_ = QStringLiteral("Only writing a new file is supported (mode %1)").arg(mode);
        return false;
    }
    if (path.isEmpty()) {
        error_ = QStringLiteral("No file name for the speech stream");
        return false;
    }
    // The caller makes the folder; like creating the file, opening fails without it.
    const QDir folder = QFileInfo(path).absoluteDir();
    if (!folder.exists()) {
        error_ = QStringLiteral("The folder %1 does not exist").arg(folder.path());
        return false;
    }
    path_ = path;
    open_ = true;
    return true;
}

bool SpFileStream::Close() {
    if (!open_) {
        error_ = QStringLiteral("The speech stream is not open");
        return false;
    }
    open_ = false;
    QString error;
    const bool written =
        vm::WriteWav(path_, samples_, sampleRate_ > 0 ? sampleRate_ : kRateBeforeSpeech, &error);
    samples_.clear();
    samples_.shrink_to_fit();
    if (!written) {
        error_ = error;
        return false;
    }
    error_.clear();
    return true;
}

void SpFileStream::AppendSamples(const std::vector<int16_t>& samples, int rate,
                                 const std::vector<vm::speech::TokenSpan>& tokens) {
    if (rate <= 0) return;
    if (!sampleRate_) sampleRate_ = rate;
    const double at = double(samples_.size()) / sampleRate_;
    for (const vm::speech::TokenSpan& t : tokens)
        words_.push_back({t.token, at + double(t.start) / rate, at + double(t.end) / rate});
    if (rate == sampleRate_) {
        samples_.insert(samples_.end(), samples.begin(), samples.end());
    } else {
        const std::vector<int16_t> converted = vm::ResampleLinear(samples, rate, sampleRate_);
        samples_.insert(samples_.end(), converted.begin(), converted.end());
    }
}

std::vector<SpFileStream::SpokenWord> SpFileStream::TakeWords() {
    std::vector<SpokenWord> words;
    words.swap(words_);
    return words;
}

void SpFileStream::AppendSilence(int ms) {
    if (ms <= 0) return;
    // Silence before any speech fixes the rate, so its length stays right.
    if (!sampleRate_) sampleRate_ = kRateBeforeSpeech;
    samples_.resize(samples_.size() + size_t(qint64(sampleRate_) * ms / 1000), 0);
}
