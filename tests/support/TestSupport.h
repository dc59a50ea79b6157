#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <functional>

namespace testsupport {

// The scratch application folder of this test program (set by the main).
QString& ScratchRoot();

// A fresh, empty application folder for one test; becomes vm::AppFolder().
QString FreshAppFolder(const QString& name);

// The source tree (for data shipped with the program).
QString SourceDir();

// Writes a solid-colour JPEG (or GIF, by extension) of the given size.
bool WriteSolidImage(const QString& path, int width, int height, const QColor& color);

// A JPEG as a phone stores it: `upright` kept as the sensor saw it, with the
// EXIF orientation (1 to 8) that turns it the right way up again.
bool WriteOrientedJpeg(const QString& path, const QImage& upright, int orientation);

// Copies eight large photographs (Debian's lomiri-wallpapers-16.04, which
// scripts/setup.sh installs; the largest 5312x2988, as a phone takes them)
// into `folder`. False when one is missing.
bool CopyLargePhotos(const QString& folder);

// Writes a WAV of a sine tone (16-bit mono).
bool WriteToneWav(const QString& path, double seconds, int sampleRate = 22050,
                  double frequency = 440.0, double amplitude = 0.5);

// A sine tone (about -18 dBFS) encoded as MP3 by the ffmpeg program.
bool WriteToneMp3(const QString& path, int seconds);

// Copies the shipped demo files (ad copy, keywords, images/dental) into an
// application folder. False when one cannot be copied.
bool CopyDemoData(const QString& appFolder);

// Blocks on the event loop until `done` returns true or `ms` pass; never
// sleeps blindly. Returns done().
bool WaitFor(const std::function<bool()>& done, int ms);

}  // namespace testsupport

// Failures print texts as texts, not as bytes.
#include <ostream>
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
