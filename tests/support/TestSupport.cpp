#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTimer>
#include <QtEndian>
#include <cmath>

#include "AppFolder.h"
#include "FfmpegRunner.h"

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

namespace {

// Qt reads GIF but cannot write it: a one-colour GIF89a written by hand. LZW
// with 8-bit literals; a clear code every 254 codes keeps every code 9 bits
// wide, so no dictionary bookkeeping is needed.
bool WriteSolidGif(const QString& path, int width, int height, const QColor& color) {
    QByteArray out("GIF89a");
    auto put16 = [&](int v) {
        out.append(char(v & 0xff));
        out.append(char((v >> 8) & 0xff));
    };
    put16(width);
    put16(height);
    out.append(char(0xf7));  // global colour table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        const QColor c = i == 0 ? color : QColor(Qt::black);
        out.append(char(c.red()));
        out.append(char(c.green()));
        out.append(char(c.blue()));
    }
    out.append(char(0x2c));  // image descriptor
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    out.append(char(0));
    out.append(char(8));  // LZW minimum code size

    QByteArray codes;
    quint32 bits = 0;
    int bitCount = 0;
    auto emit9 = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            codes.append(char(bits & 0xff));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    const qint64 pixels = qint64(width) * height;
    for (qint64 i = 0; i < pixels; ++i) {
        if (i % 254 == 0) emit9(256);
        emit9(0);
    }
    emit9(257);
    if (bitCount > 0) codes.append(char(bits & 0xff));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    out.append(char(0x3b));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write(out) == out.size();
}

}  // namespace

bool WriteSolidImage(const QString& path, int width, int height, const QColor& color) {
    if (path.endsWith(".gif", Qt::CaseInsensitive))
        return WriteSolidGif(path, width, height, color);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, "JPG", 95);
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
    auto put32 = [&](quint32 v) {
        v = qToLittleEndian(v);
        header.append(reinterpret_cast<char*>(&v), 4);
    };
    auto put16 = [&](quint16 v) {
        v = qToLittleEndian(v);
        header.append(reinterpret_cast<char*>(&v), 2);
    };
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

bool WriteToneMp3(const QString& path, int seconds) {
    const vm::ProcessResult r =
        vm::RunProgram("ffmpeg", {"-nostdin", "-hide_banner", "-y", "-f", "lavfi", "-i",
                                  QString("sine=f=440:d=%1").arg(seconds), "-q:a", "4", path});
    return r.ok && QFileInfo(path).size() > 0;
}

bool CopyDemoData(const QString& app) {
    const QString data = SourceDir() + "/data";
    bool ok = QFile::copy(data + "/demo_content.txt", app + "/demo_content.txt") &&
              QFile::copy(data + "/demo_keywords.txt", app + "/demo_keywords.txt") &&
              QDir().mkpath(app + "/images/dental");
    const QDir dental(data + "/images/dental");
    for (const QString& name : dental.entryList(QDir::Files))
        ok = ok && QFile::copy(dental.filePath(name), app + "/images/dental/" + name);
    return ok;
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
