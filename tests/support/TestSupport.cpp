#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTimer>
#include <QtEndian>
#include <cmath>

#include "AppFolder.h"

namespace testsupport {

QString& ScratchRoot() {
    static QString root;
    return root;
}

QString FreshAppFolder(const QString& name) {
    const QString folder = ScratchRoot() + "/" + name;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    vm::SetAppFolderForTesting(folder);
    return folder;
}

QString SourceDir() {
    const QByteArray dir = qgetenv("VIDMILL_SOURCE_DIR");
    return dir.isEmpty() ? QString(VIDMILL_SOURCE_DIR_FALLBACK) : QString::fromLocal8Bit(dir);
}

bool WriteSolidImage(const QString& path, int width, int height, const QColor& color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    const bool gif = path.endsWith(".gif", Qt::CaseInsensitive);
    return image.save(path, gif ? "GIF" : "JPG", 95);
}

bool WriteToneWav(const QString& path, double seconds, int sampleRate, double frequency,
                  double amplitude) {
    const int count = static_cast<int>(seconds * sampleRate);
    QByteArray data(count * 2, Qt::Uninitialized);
    auto* samples = reinterpret_cast<int16_t*>(data.data());
    for (int i = 0; i < count; ++i) {
        const double v = amplitude * std::sin(2 * M_PI * frequency * i / sampleRate);
        samples[i] = qToLittleEndian(static_cast<int16_t>(v * 32767));
    }
    QByteArray header;
    auto put32 = [&](quint32 v) { v = qToLittleEndian(v); header.append(reinterpret_cast<char*>(&v), 4); };
    auto put16 = [&](quint16 v) { v = qToLittleEndian(v); header.append(reinterpret_cast<char*>(&v), 2); };
    header.append("RIFF");
    put32(36 + data.size());
    header.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(sampleRate);
    put32(sampleRate * 2);
    put16(2);
    put16(16);
    header.append("data");
    put32(data.size());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write(header + data) == header.size() + data.size();
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

}  // namespace testsupport
