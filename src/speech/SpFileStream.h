#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "SpeechEngine.h"

// A WAV file being written by speech. Open() starts a new file (mode 3 creates
// or replaces it); every Speak() into the stream appends its samples; Close()
// writes the WAV (16-bit mono at the speaking engine's sample rate). Several
// texts spoken between Open and Close land in one file, in order.
// The file is written whole at Close, beside the old one and renamed over it,
// so a watcher sees either the old file or the complete new one. The caller
// makes the folder: Open and Close fail with "The folder ... does not exist".
class SpFileStream {
public:
    enum FileMode { SSFMOpenForRead = 0, SSFMCreate = 2, SSFMCreateForWrite = 3 };

    bool Open(const QString& path, int mode = SSFMCreateForWrite, bool doEvents = false);
    // Writes the file; false (with LastError) when it cannot be written.
    bool Close();
    bool IsOpen() const { return open_; }

    // Used by SpVoice: appends samples at a rate; a first rate fixes the
    // stream's rate, later audio at another rate is resampled to it. `tokens`
    // say when the spoken text's words are heard in these samples.
    void AppendSamples(const std::vector<int16_t>& samples, int sampleRate,
                       const std::vector<vm::speech::TokenSpan>& tokens = {});

    // When the words of the texts spoken since the last call are heard, in
    // seconds from the file's start; `token` counts the words of the text of
    // the Speak call that spoke them.
    struct SpokenWord {
        int token = 0;
        double start = 0;
        double end = 0;
    };
    std::vector<SpokenWord> TakeWords();
    // Appends silence (at the stream's rate, 22050 Hz before any speech).
    void AppendSilence(int milliseconds);

    QString Path() const { return path_; }
    int SampleRate() const { return sampleRate_; }
    qint64 SampleCount() const { return static_cast<qint64>(samples_.size()); }
    QString LastError() const { return error_; }

private:
    QString path_;
    bool open_ = false;
    int sampleRate_ = 0;
    std::vector<int16_t> samples_;
    std::vector<SpokenWord> words_;
    QString error_;
};
