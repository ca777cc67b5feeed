// Finding the bridge by its MAC address, the CAN library's version, and the
// pause of the polling waits.
#include <atomic>
#include <cstdio>
#include <cstring>

#include "can/can.h"
#include "can/can_pause.h"
#include "errors/errors.h"
#include "platform/clock.h"
#include "platform/dynamic_library.h"

namespace {

void system_sleep(int32_t milliseconds) { plat::sleep_ms(milliseconds); }

std::atomic<can_sleep_func> g_sleep{system_sleep};

constexpr int32_t kEnumerateCapacity = 127;
constexpr int kSearchAttempts = 3;
constexpr int32_t kSearchPauseMs = 2000;

}  // namespace

void can_set_sleep_func(can_sleep_func sleep) { g_sleep.store(sleep != nullptr ? sleep : system_sleep); }

void can_pause(int32_t milliseconds) {
    g_sleep.load()(milliseconds);
    gl_IdleFunc();
}

int32_t find_bridge(sys_can_bridge* bridge) {
    if (bridge == nullptr) return ERR_INVALID_PARAM;
    const uint8_t* mac = bridge->macAddress;
    char mac_text[24];
    std::snprintf(mac_text, sizeof mac_text, "%2.2X %2.2X %2.2X %2.2X %2.2X %2.2X", unsigned{mac[0]},
                  unsigned{mac[1]}, unsigned{mac[2]}, unsigned{mac[3]}, unsigned{mac[4]},
                  unsigned{mac[5]});
    std::memset(bridge->ipAddress, 0xFF, sizeof bridge->ipAddress);
    static can_bridge_entry found[kEnumerateCapacity];  // 1270 bytes: kept off the stack
    for (int attempt = 0; attempt < kSearchAttempts; ++attempt) {
        if (attempt > 0) can_pause(kSearchPauseMs);
        // Records the library does not write must not match from a former search.
        std::memset(found, 0xFF, sizeof found);
        int32_t count = CAN_EnumerateBridges(found, kEnumerateCapacity);
        if (count < 0) {
            u_print_stamped("%s: CAN_EnumerateBridges failed\n", "find_bridge");
            return ERR_CAN_FINDING_BRIDGE;
        }
        if (count == 0) {
            u_print_stamped("%s: CAN_EnumerateBridges found no CAN bridges\n", "find_bridge");
            return ERR_CAN_FINDING_BRIDGE;
        }
        // The library's count is not trusted beyond the buffer it was given.
        if (count > kEnumerateCapacity) count = kEnumerateCapacity;
        for (int32_t i = 0; i < count; ++i) {
            if (std::memcmp(found[i].macAddress, mac, SYS_MAC_SIZE) != 0) continue;
            std::memcpy(bridge->ipAddress, found[i].ipAddress, 4);
            const uint8_t* ip = bridge->ipAddress;
            gl_PrintFunc("Found CAN bridge\n");
            gl_PrintFunc("MAC address: %s\n", mac_text);
            gl_PrintFunc("IP  address: %d.%d.%d.%d\n", ip[0], ip[1], ip[2], ip[3]);
            return NO_ERROR;
        }
    }
    u_print_stamped("CAN bridge with MAC address %s not found on network\n", mac_text);
    return ERR_CAN_MACADDRESS_ERROR;
}

void can_get_dll_version(int32_t* major, int32_t* minor) {
    plat::library_file_version(CAN_LIBRARY_MODULE, major, minor);
}
