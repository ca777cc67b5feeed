// Process figures on POSIX. Linux keeps the high-water mark of the current
// address space in /proc/self/status (VmHWM); getrusage's ru_maxrss there
// also carries the peak of the address space a process replaced at exec,
// which after a spawn from a large parent is the parent's. Elsewhere
// getrusage is the best there is.
#include "platform/process.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace plat {
namespace {

int64_t high_water_from_proc() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    int64_t bytes = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        long long kib = 0;
        if (std::sscanf(line, "VmHWM: %lld kB", &kib) == 1) {
            bytes = kib * 1024;
            break;
        }
    }
    std::fclose(status);
    return bytes;
}

}  // namespace

int64_t peak_rss_bytes() {
    if (const int64_t bytes = high_water_from_proc(); bytes >= 0) return bytes;
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) return -1;
#if defined(__APPLE__)
    return static_cast<int64_t>(usage.ru_maxrss);  // bytes
#else
    return static_cast<int64_t>(usage.ru_maxrss) * 1024;  // kibibytes
#endif
}

}  // namespace plat
