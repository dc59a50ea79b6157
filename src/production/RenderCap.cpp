#include "RenderCap.h"

#include <sched.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <cmath>
#include <thread>

namespace vm {
namespace {

QByteArray ReadSmallFile(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}

int Cores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    int cores = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 0;
    if (cores <= 0) cores = int(std::max(1u, std::thread::hardware_concurrency()));
    // A container's CPU quota (cgroup v2: "quota period", or "max").
    const QList<QByteArray> quota = ReadSmallFile("/sys/fs/cgroup/cpu.max").trimmed().split(' ');
    if (quota.size() == 2 && quota[0] != "max") {
        const double q = quota[0].toDouble(), period = quota[1].toDouble();
        if (q > 0 && period > 0) cores = std::min(cores, std::max(1, int(std::ceil(q / period))));
    }
    return std::max(1, cores);
}

int64_t AvailableBytes() {
    int64_t available = 0;
    for (const QByteArray& line : ReadSmallFile("/proc/meminfo").split('\n'))
        if (line.startsWith("MemAvailable:"))
            available = line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    // A container's limit (cgroup v2, then v1) less what it already uses.
    const QByteArray max = ReadSmallFile("/sys/fs/cgroup/memory.max").trimmed();
    const QByteArray used = ReadSmallFile("/sys/fs/cgroup/memory.current").trimmed();
    int64_t limit = max.isEmpty() || max == "max" ? 0 : max.toLongLong();
    int64_t current = used.toLongLong();
    if (max.isEmpty()) {
        limit = ReadSmallFile("/sys/fs/cgroup/memory/memory.limit_in_bytes").trimmed().toLongLong();
        current =
            ReadSmallFile("/sys/fs/cgroup/memory/memory.usage_in_bytes").trimmed().toLongLong();
        if (limit >= (int64_t(1) << 60)) limit = 0;  // v1 says "no limit" with a huge number
    }
    if (limit > 0) {
        const int64_t left = std::max<int64_t>(0, limit - current);
        available = available > 0 ? std::min(available, left) : left;
    }
    return available;
}

}  // namespace

RenderCap RenderCapHere(int width, int height) {
    RenderCap cap;
    cap.cores = Cores();
    cap.availableBytes = AvailableBytes();
    const double share = double(std::max(1, width) * std::max(1, height)) / (1920.0 * 1080.0);
    cap.bytesPerRender =
        std::max<int64_t>(kRenderBytes1080p / 8, int64_t(kRenderBytes1080p * share));
    cap.jobs = cap.cores;
    if (cap.availableBytes > 0)
        cap.jobs = std::min<int64_t>(cap.jobs,
                                     std::max<int64_t>(1, cap.availableBytes / cap.bytesPerRender));
    return cap;
}

QString RenderCapReason(const RenderCap& cap) {
    if (cap.availableBytes > 0 && cap.jobs < cap.cores)
        return QString("%1 GB of memory available, about %2 MB a render")
            .arg(double(cap.availableBytes) / (1 << 30), 0, 'f', 1)
            .arg(cap.bytesPerRender >> 20);
    return QString("%1 processor core%2").arg(cap.cores).arg(cap.cores == 1 ? "" : "s");
}

}  // namespace vm
