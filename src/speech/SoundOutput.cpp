#include "SoundOutput.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <atomic>

#include "WavFile.h"

namespace vm::speech {
namespace {
std::atomic<bool> gOutputMissing{false};
constexpr int kPlaybackSlackMs = 5000;
}  // namespace

void SetSoundOutputMissing(bool missing) {
    gOutputMissing = missing;
}

bool SoundOutputAvailable() {
    return !gOutputMissing && !QMediaDevices::audioOutputs().isEmpty();
}

bool PlayOnSoundOutput(const std::vector<int16_t>& samples, int sampleRate, QString* error) {
    // Without a device the media backends report playing and never finish (or
    // finish at once, silently): find out first.
    if (!SoundOutputAvailable()) {
        *error = QStringLiteral("No sound output device");
        return false;
    }
    if (samples.empty()) return true;
    if (!QCoreApplication::instance()) {
        *error = QStringLiteral("No application to play sound in");
        return false;
    }

    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/vidmill-speech-XXXXXX.wav"));
    const QByteArray bytes = EncodeWav(samples, sampleRate);
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        *error = QStringLiteral("Cannot write the sound to play: %1").arg(file.errorString());
        return false;
    }
    file.close();

    QMediaPlayer player;
    QAudioOutput output(QMediaDevices::defaultAudioOutput());
    player.setAudioOutput(&output);

    QEventLoop loop;
    bool finished = false;
    QString failure;
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &loop,
                     [&](QMediaPlayer::MediaStatus status) {
                         if (status == QMediaPlayer::EndOfMedia) {
                             finished = true;
                             loop.quit();
                         } else if (status == QMediaPlayer::InvalidMedia) {
                             failure = QStringLiteral("The sound output cannot play the speech");
                             loop.quit();
                         }
                     });
    QObject::connect(&player, &QMediaPlayer::errorOccurred, &loop,
                     [&](QMediaPlayer::Error, const QString& message) {
                         failure = QStringLiteral("Sound output error: %1").arg(message);
                         loop.quit();
                     });
    const int audioMs = int(qint64(samples.size()) * 1000 / sampleRate);
    const int boundMs = audioMs + kPlaybackSlackMs;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);

    player.setSource(QUrl::fromLocalFile(file.fileName()));
    player.play();
    bound.start(boundMs);
    if (!finished && failure.isEmpty()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    player.stop();

    if (!failure.isEmpty()) {
        *error = failure;
        return false;
    }
    if (!finished) {
        *error = QStringLiteral("The sound output did not finish playing within %1 s")
                     .arg(boundMs / 1000.0, 0, 'f', 1);
        return false;
    }
    return true;
}

}  // namespace vm::speech
