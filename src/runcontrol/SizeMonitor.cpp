#include "SizeMonitor.h"

#include <sys/stat.h>

#include <QFile>
#include <cstdint>

namespace vm {

QString GetFileSizeText(const QString& path) {
    if (path.isEmpty()) return "0";
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return "-1";
    // The low 32 bits taken as signed, as the sizes have always been read.
    return QString::number(static_cast<int32_t>(static_cast<uint32_t>(info.st_size)));
}

MonitorDecision MonitorTick(const QString& reading, QString& oldSize, QString& currentSize) {
    if (reading == "0") return MonitorDecision::Ignored;
    currentSize = reading;
    if (oldSize.isEmpty()) {
        oldSize = reading;
        return MonitorDecision::First;
    }
    if (currentSize == oldSize) return MonitorDecision::Settled;
    oldSize = reading;
    return MonitorDecision::Growing;
}

bool CountdownTick(int16_t& countdown) {
    if (countdown != 0) {
        --countdown;
        return false;
    }
    return true;
}

}  // namespace vm
