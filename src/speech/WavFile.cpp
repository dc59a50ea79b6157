#include "WavFile.h"

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace vm {
namespace {

void PutU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}
void PutU16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

bool MissingFolder(const QString& path, QString* error) {
    const QDir folder = QFileInfo(path).absoluteDir();
    if (folder.exists()) return false;
    if (error) *error = QStringLiteral("The folder %1 does not exist").arg(folder.path());
    return true;
}

}  // namespace

QByteArray EncodeWav(const std::vector<int16_t>& samples, int sampleRate) {
    const quint32 dataBytes = quint32(samples.size() * 2);
    QByteArray out;
    out.reserve(44 + int(dataBytes));
    out.append("RIFF", 4);
    PutU32(out, 36 + dataBytes);
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    PutU32(out, 16);
    PutU16(out, 1);  // PCM
    PutU16(out, 1);  // mono
    PutU32(out, quint32(sampleRate));
    PutU32(out, quint32(sampleRate) * 2);
    PutU16(out, 2);
    PutU16(out, 16);
    out.append("data", 4);
    PutU32(out, dataBytes);
    for (int16_t s : samples) PutU16(out, quint16(s));
    return out;
}

bool WriteWav(const QString& path, const std::vector<int16_t>& samples, int sampleRate,
              QString* error) {
    if (path.isEmpty()) {
        if (error) *error = QStringLiteral("No file name for the WAV file");
        return false;
    }
    if (MissingFolder(path, error)) return false;
    const QByteArray bytes = EncodeWav(samples, sampleRate);
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        // A short write leaves Qt's own error unset ("Unknown error"): the
        // system's reason (a full disk, say) is in errno.
        const int reason = errno;
        const QString why = file.error() == QFileDevice::NoError && reason != 0
                                ? QString::fromLocal8Bit(std::strerror(reason))
                                : file.errorString();
        if (error) *error = QStringLiteral("Cannot write %1: %2").arg(path, why);
        return false;
    }
    return true;
}

bool ReadWavInfo(const QString& path, WavInfo* info, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return fail(QStringLiteral("not a RIFF/WAVE file"));
    WavInfo result;
    bool haveFormat = false;
    qint64 dataBytes = -1;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() < 8) break;
        const QByteArray id = chunk.left(4);
        const quint32 size = qFromLittleEndian<quint32>(chunk.constData() + 4);
        if (id == "fmt ") {
            const QByteArray fmt = file.read(size);
            if (fmt.size() < 16) return fail(QStringLiteral("short format chunk"));
            result.formatTag = qFromLittleEndian<quint16>(fmt.constData());
            result.channels = qFromLittleEndian<quint16>(fmt.constData() + 2);
            result.sampleRate = int(qFromLittleEndian<quint32>(fmt.constData() + 4));
            result.bitsPerSample = qFromLittleEndian<quint16>(fmt.constData() + 14);
            haveFormat = true;
            if (size % 2) file.read(1);
        } else if (id == "data") {
            result.dataOffset = file.pos();
            // A writer that never finished may leave the size unset: use what is there.
            dataBytes = std::min<qint64>(size, file.size() - file.pos());
            break;
        } else if (!file.seek(file.pos() + size + (size % 2))) {
            break;
        }
    }
    if (!haveFormat) return fail(QStringLiteral("no format chunk"));
    if (dataBytes < 0) return fail(QStringLiteral("no data chunk"));
    if (result.channels <= 0 || result.bitsPerSample <= 0 || result.sampleRate <= 0)
        return fail(QStringLiteral("invalid format"));
    const qint64 frameBytes = qint64(result.channels) * ((result.bitsPerSample + 7) / 8);
    result.sampleCount = dataBytes / frameBytes;
    *info = result;
    return true;
}

bool ReadWav(const QString& path, std::vector<int16_t>* samples, WavInfo* info, QString* error) {
    WavInfo header;
    if (!ReadWavInfo(path, &header, error)) return false;
    if (header.formatTag != 1 || header.bitsPerSample != 16) {
        if (error) *error = QStringLiteral("%1: not 16-bit PCM").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(header.dataOffset)) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    const qint64 count = header.sampleCount * header.channels;
    const QByteArray bytes = file.read(count * 2);
    samples->resize(size_t(bytes.size() / 2));
    for (size_t i = 0; i < samples->size(); ++i)
        (*samples)[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    if (info) *info = header;
    return true;
}

std::vector<int16_t> ResampleLinear(const std::vector<int16_t>& samples, int fromRate, int toRate) {
    if (fromRate <= 0 || toRate <= 0 || fromRate == toRate || samples.empty()) return samples;
    const size_t outCount = size_t(std::llround(double(samples.size()) * toRate / fromRate));
    std::vector<int16_t> out(outCount);
    const double step = double(fromRate) / toRate;
    for (size_t i = 0; i < outCount; ++i) {
        const double pos = i * step;
        const size_t k = size_t(pos);
        const double frac = pos - double(k);
        const double a = samples[std::min(k, samples.size() - 1)];
        const double b = samples[std::min(k + 1, samples.size() - 1)];
        out[i] = int16_t(std::lround(a + (b - a) * frac));
    }
    return out;
}

double RmsLevel(const std::vector<int16_t>& samples, qint64 begin, qint64 end) {
    begin = std::max<qint64>(0, begin);
    end = std::min<qint64>(qint64(samples.size()), end);
    if (end <= begin) return 0.0;
    double sum = 0.0;
    for (qint64 i = begin; i < end; ++i) sum += double(samples[size_t(i)]) * samples[size_t(i)];
    return std::sqrt(sum / double(end - begin)) / 32768.0;
}

}  // namespace vm
