#include "MusicCommands.h"

#include <cmath>
#include <limits>

namespace vm {
namespace {

const QString kQuote = QStringLiteral("\"");

// Options that go only into the argument list, never into the logged text.
// -nostdin: ffmpeg otherwise reads its standard input for keyboard commands
// and for the "overwrite? [y/N]" question; a child without a terminal must
// never wait on that. The old output is deleted before the run, but this keeps
// a leftover file (or a second run racing us) from hanging the batch.
// -hide_banner: the build banner fills stderr, and the last lines of stderr
// are what we show when ffmpeg fails; without it the reason gets crowded out.
QStringList QuietOptions() {
    return {QStringLiteral("-nostdin"), QStringLiteral("-hide_banner")};
}

}  // namespace

bool BuildCreateTempAudioCut(const QString& ffmpegPath, const QString& mp3, int16_t cutLength,
                             const QString& tempMusicFile, MusicCommand* command, QString* error) {
    // The timing plan is 16-bit; a length that does not fit is an error, never
    // a wrapped number handed to ffmpeg.
    const int seconds = int(cutLength) + 3;
    if (cutLength < 0 || seconds > std::numeric_limits<int16_t>::max()) {
        if (error)
            *error = QStringLiteral("the music cannot be cut to %1 + 3 seconds (allowed: 0 to %2)")
                         .arg(cutLength)
                         .arg(std::numeric_limits<int16_t>::max() - 3);
        return false;
    }
    const QString n = QString::number(seconds);
    command->text = ffmpegPath + " -i " + kQuote + mp3 + kQuote + " -ss 0 -t " + n + " -filter:a " +
                    kQuote + "volume=0.1" + kQuote + " " + tempMusicFile;
    command->args =
        QuietOptions() +
        QStringList{"-i", mp3, "-ss", "0", "-t", n, "-filter:a", "volume=0.1", tempMusicFile};
    return true;
}

MusicCommand BuildCreateTempAudio(const QString& ffmpegPath, const QString& mp3,
                                  const QString& tempMusicFile) {
    MusicCommand command;
    command.text = ffmpegPath + " -i " + kQuote + mp3 + kQuote + "   " + tempMusicFile;
    command.args = QuietOptions() + QStringList{"-i", mp3, tempMusicFile};
    return command;
}

QString MusicLogEntry(const QString& commandText) {
    return QStringLiteral("Temp Audio Creation Command -------------- \r\n\r\n") + commandText +
           QStringLiteral("\r\n\r\n-------------- ");
}

bool RoundMusicLength(double seconds, int16_t* rounded, QString* error) {
    if (!std::isfinite(seconds)) {
        if (error) *error = QStringLiteral("the music length is not a number");
        return false;
    }
    // Nearest whole second, a half going to the even neighbour.
    double whole = std::floor(seconds);
    const double fraction = seconds - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole > std::numeric_limits<int16_t>::max() ||
        whole < std::numeric_limits<int16_t>::min()) {
        if (error)
            *error = QStringLiteral(
                         "the music lasts %1 seconds, more than the %2 the program "
                         "can handle")
                         .arg(seconds, 0, 'f', 1)
                         .arg(std::numeric_limits<int16_t>::max());
        return false;
    }
    *rounded = static_cast<int16_t>(whole);
    return true;
}

MusicAction DecideMusicAction(bool reduceVolume, int16_t musicLength, int16_t videoLength) {
    if (!reduceVolume) return MusicAction::Copy;
    // Music exactly as long as the video is not cut: only longer music is.
    return musicLength > videoLength ? MusicAction::Cut : MusicAction::Whole;
}

}  // namespace vm
