#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

namespace testsupport {

// What a media file holds, as FFmpeg decodes it.
struct MediaInfo {
    bool ok = false;
    QString error;
    bool hasVideo = false;
    bool hasAudio = false;
    QString videoCodec;    // FFmpeg's codec name, e.g. "mpeg4", "rawvideo"
    QString audioCodec;    // e.g. "pcm_s16le"
    QString videoProfile;  // e.g. "High"
    QString pixelFormat;   // e.g. "yuv420p"
    QString colorSpace;    // matrix, primaries and transfer as tagged: "bt709"
    QString colorPrimaries;
    QString colorTransfer;
    QString audioProfile;  // e.g. "LC"
    int width = 0;
    int height = 0;
    double duration = 0;         // container duration, seconds
    int videoFrames = 0;         // frames at 25 fps: last decoded frame's index + 1
    int decodedFrames = 0;       // pictures the decoder actually gave
    std::vector<int> keyframes;  // frame indices (25 fps) of the key pictures
    double audioDuration = 0;    // decoded samples / sample rate
    int audioSampleRate = 0;
    int audioChannels = 0;
};

// Opens and fully decodes the file (video and audio).
MediaInfo ProbeMedia(const QString& path);

// The picture shown at frame `index` (25 fps): the last decoded frame whose
// timestamp is not after it. Null image and `error` when there is none.
QImage DecodeFrame(const QString& path, int index, QString* error = nullptr);

// Every frame at 25 fps, one picture per index (a frame the file repeats is
// its picture again). Empty, with `error`, when nothing can be decoded.
std::vector<QImage> DecodeFrames(const QString& path, QString* error = nullptr);

// Average colour of that frame; invalid QColor when it cannot be decoded.
QColor AverageColor(const QString& path, int index, QString* error = nullptr);

// Largest distance of any pixel from `color` (max over R, G, B differences).
int MaxDeviation(const QImage& image, const QColor& color);

// Per-channel distance of two colours (max over R, G, B).
int ColorDistance(const QColor& a, const QColor& b);

// 'r', 'g' or 'b' for a colour whose channel is strong and three times the
// others, 'k' for one near black, '?' for anything else.
char StrongestColor(const QColor& c);

// Peak absolute sample level (0..1) of the audio between two times.
double PeakAudioLevel(const QString& path, double from, double to, QString* error = nullptr);

}  // namespace testsupport
