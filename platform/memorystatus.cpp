#include "memorystatus.h"

#include <QFile>

#include <sys/sysinfo.h>

namespace platform {

MemoryStatus memoryStatus() {
    MemoryStatus s;
    struct sysinfo info {};
    if (::sysinfo(&info) != 0)
        return s;
    const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    const std::uint64_t total = info.totalram * unit;
    std::uint64_t available = info.freeram * unit;
    // What the kernel calls available (free plus reclaimable cache) is the honest "not in use".
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        while (!meminfo.atEnd()) {
            const QByteArray line = meminfo.readLine();
            if (line.startsWith("MemAvailable:")) {
                available = line.mid(13).trimmed().split(' ').value(0).toULongLong() * 1024;
                break;
            }
        }
    }
    s.totalPhysicalKb = (total + 512) / 1024; // to the nearest kilobyte
    if (total > 0 && available <= total)
        s.memoryLoadPercent = static_cast<int>((total - available) * 100 / total);
    return s;
}

} // namespace platform
