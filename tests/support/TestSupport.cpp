#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTimer>
#include <QTransform>
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

bool WriteOrientedJpeg(const QString& path, const QImage& upright, int orientation) {
    // What the sensor stored: the upright picture turned back the way the
    // orientation turns it forward (5 and 7 are 6 and 8 mirrored).
    const auto turned = [&](qreal degrees) {
        return upright.transformed(QTransform().rotate(degrees));
    };
    QImage stored;
    switch (orientation) {
        case 2:
            stored = upright.mirrored(true, false);
            break;
        case 3:
            stored = turned(180);
            break;
        case 4:
            stored = upright.mirrored(false, true);
            break;
        case 5:
            stored = turned(90).mirrored(true, false);
            break;
        case 6:
            stored = turned(270);
            break;
        case 7:
            stored = turned(90).mirrored(false, true);
            break;
        case 8:
            stored = turned(90);
            break;
        default:
            stored = upright;
            break;
    }
    stored = stored.convertToFormat(QImage::Format_RGB32);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (!buffer.open(QIODevice::WriteOnly) || !stored.save(&buffer, "JPG", 95)) return false;
    // APP1 "Exif": a big-endian TIFF header and one IFD holding only the
    // orientation (tag 0x0112, one SHORT), after the JFIF APP0 segment.
    QByteArray tiff("MM\x00\x2a\x00\x00\x00\x08", 8);
    const char entry[] = {0x00, 0x01, 0x01, 0x12, 0x00, 0x03,
                          0x00, 0x00, 0x00, 0x01, 0x00, char(orientation),
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    tiff.append(entry, sizeof entry);
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xff\xe1", 2);
    segment.append(char((body.size() + 2) >> 8)).append(char((body.size() + 2) & 0xff));
    segment += body;
    int at = 2;
    if (jpeg.size() > 4 && uchar(jpeg[2]) == 0xff && uchar(jpeg[3]) == 0xe0)
        at = 4 + (uchar(jpeg[4]) << 8 | uchar(jpeg[5]));
    jpeg.insert(at, segment);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size()) return false;
    file.close();
    // Qt reads EXIF orientation on its own: the file must come back upright
    // there too, or the tests built on it would prove nothing.
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    if (back.size() != upright.size()) return false;
    for (int y = 0; y < back.height(); y += 7)
        for (int x = 0; x < back.width(); x += 7) {
            const QColor a = back.pixelColor(x, y), b = upright.pixelColor(x, y);
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                    std::abs(a.blue() - b.blue()) >
                120)
                return false;
        }
    return true;
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

bool CopyLargePhotos(const QString& folder) {
    static const char* const kPhotos[] = {
        "seeding_by_Clements_Engelhardt.jpg",     "Dragonfly_by_Bolly.jpg",
        "sunset_by_Aitzol_Berasategi.jpg",        "Bridge_by_Sander_Klootwijk.jpg",
        "picosdeeuropa_by_Aitzol_Berasategi.jpg", "Wine_by_Jakkub_Mede.jpg",
        "life_by_Aitzol_Berasategi.jpg",          "aitzgorri_by_Aitzol_Berasategi.jpg"};
    if (!QDir().mkpath(folder)) return false;
    for (const char* name : kPhotos)
        if (!QFile::copy(QString("/usr/share/backgrounds/") + name, folder + "/" + name))
            return false;
    return true;
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
