#include "VideoSound.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "FfmpegRunner.h"
#include "MediaLength.h"
#include "MusicCommands.h"

#include <algorithm>

#include "WavFile.h"

namespace vm {

bool PrepareMusic(const BatchSettings& settings, int16_t videoLength, const QString& tempFile,
                  const std::function<void(const QString&)>& logCommand, std::stop_token stop,
                  MusicTrack* track, QString* error) {
    const QString& mp3 = settings.musicFile;
    auto fail = [&](const QString& why) {
        QFile::remove(tempFile);
        *error = QString("The background music \"%1\" could not be prepared: %2").arg(mp3, why);
        return false;
    };
    // A file that cannot be read fails here, on every path, the plain copy included.
    std::string lengthError;
    const double seconds = MediaLengthSeconds(mp3.toStdString(), &lengthError);
    if (seconds < 0)
        return fail(lengthError.empty() ? QString("its length cannot be read")
                                        : QString::fromStdString(lengthError));
    int16_t musicLength = 0;
    QString why;
    if (!RoundMusicLength(seconds, &musicLength, &why)) return fail(why);
    if (QFileInfo::exists(tempFile) && !QFile::remove(tempFile))
        return fail("the old file " + tempFile + " cannot be deleted");

    const MusicAction action =
        DecideMusicAction(settings.Get(setting::musicReduceVolume), musicLength, videoLength);
    if (action == MusicAction::Copy) {
        QFile source(mp3);
        if (!source.copy(tempFile))
            return fail(
                QString("copying it to %1 failed (%2)").arg(tempFile, source.errorString()));
    } else {
        MusicCommand command;
        if (action == MusicAction::Cut) {
            if (!BuildCreateTempAudioCut(settings.ffmpegPath, mp3, videoLength, tempFile, &command,
                                         &why))
                return fail(why);
        } else {
            command = BuildCreateTempAudio(settings.ffmpegPath, mp3, tempFile);
        }
        if (logCommand) logCommand(command.text);
        const ProcessResult run =
            RunProgram(settings.ffmpegPath, command.args, kFfmpegTimeoutMs, stop);
        if (!run.ok) return fail(run.message);
    }
    if (QFileInfo(tempFile).size() <= 0) return fail("the prepared file " + tempFile + " is empty");
    const double prepared = MediaLengthSeconds(tempFile.toStdString(), &lengthError);
    if (prepared <= 0) return fail("the prepared file cannot be measured");
    track->file = tempFile;
    track->fileSeconds = prepared;
    // Cut to the video plus 3 seconds, it is laid for one second more than
    // the video; otherwise for its whole seconds.
    track->laid =
        action == MusicAction::Cut ? videoLength + 1 : std::min(std::floor(prepared), 32767.0);
    return true;
}



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
