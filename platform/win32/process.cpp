// Process figures on Windows: the peak working set that GetProcessMemoryInfo
// reports. Each process has its own counters, so a child counts from its start.
#include "platform/process.h"

#include "platform/win32/windows_api.h"

// After windows.h, which it needs.
#include <psapi.h>

namespace plat {

int64_t peak_rss_bytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<int64_t>(counters.PeakWorkingSetSize);
}

}  // namespace plat
