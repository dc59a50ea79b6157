#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The background-music step in values: the ffmpeg command lines (the text we
// log and the argument list we actually run), the rounding of the measured
// music length and the choice between copying, passing the whole file through
// ffmpeg and cutting it. No widgets, no processes.
namespace vm {

// One ffmpeg run. `text` is the command line as the program has always logged
// it to txtCommand; `args` is what QProcess hands to ffmpeg, one argument per
// item, so blanks, quotes and semicolons in paths reach ffmpeg untouched.
struct MusicCommand {
    QString text;
    QStringList args;
};

// Cut to `cutLength` + 3 seconds from the start and lowered to a tenth of the
// volume. Returns false with a reason when the length is negative or the
// seconds would not fit the 16-bit lengths of the timing plan.
bool BuildCreateTempAudioCut(const QString& ffmpegPath, const QString& mp3, int16_t cutLength,
                             const QString& tempMusicFile, MusicCommand* command, QString* error);

// The whole file decoded and written again at its own volume.
MusicCommand BuildCreateTempAudio(const QString& ffmpegPath, const QString& mp3,
                                  const QString& tempMusicFile);

// The entry appended to txtCommand for one run (no separator before it).
QString MusicLogEntry(const QString& commandText);

// A measured music length in seconds to whole seconds: nearest, halves to the
// even neighbour (94.5 -> 94, 95.5 -> 96). False with a reason when the value
// is not a number or does not fit a 16-bit signed integer.
bool RoundMusicLength(double seconds, int16_t* rounded, QString* error);

enum class MusicAction {
    Copy,   // volume reduction off: the file is copied unchanged
    Whole,  // reduction on, music not longer than the video: whole file through ffmpeg
    Cut,    // reduction on, music longer than the video: cut and lowered
};

MusicAction DecideMusicAction(bool reduceVolume, int16_t musicLength, int16_t videoLength);

}  // namespace vm
