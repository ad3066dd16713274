#pragma once
// The peak resident memory of the running process, as the kernel counts it.

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

// VmHWM of /proc/self/status in KiB, or -1 where the kernel does not tell.
inline qint64 peakResidentKib()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status) {
        return -1;
    }
    char line[256];
    qint64 kib = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kib = std::strtoll(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kib;
}

} // namespace bench
