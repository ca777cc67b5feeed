// PDOs flooded from the simulated CAN library's delivery thread while the
// device manager's thread drains them through its CAN poll, as a host that
// waits with dev_data_read would. Prints PDOs per second and the longest time
// a PDO waited between its hand-over to the PDO handler and its event being
// taken by the host, and fails when a PDO was lost, duplicated or reordered.
// Goal: at least 100 times a saturated 1 Mbit/s CAN bus (about 10 000 frames
// a second), that is 1 000 000 PDOs a second.
//
//   bench_can_pdo_flood [PDOS]     (default 2000000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "can/can.h"
#include "device/device.h"
#include "errors/errors.h"
#include "sim/can_library/can_sim.h"

namespace {

const uint8_t kMac[6] = {0x00, 0x50, 0xC2, 0x01, 0x02, 0x03};
const uint8_t kIp[4] = {10, 0, 0, 9};

uint32_t micros_now() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace

int main(int argc, char** argv) {
    long long pdos = 2000000;
    if (argc > 1) pdos = std::strtoll(argv[1], nullptr, 10);
    if (pdos < 1000) {
        std::fprintf(stderr, "usage: bench_can_pdo_flood [PDOS >= 1000]\n");
        return 2;
    }
    gl_PrintFunc = u_print_nothing;
    if (dev_init_cntrl(false) != NO_ERROR) return 1;
    sim_can_add_bridge(kMac, kIp);
    sys_info& info = gl_SysInfo[0];
    info.instrBdType = INSTR_BD_CAN;
    info.systemType = 23;  // registers 0x1C0: one focus event per PDO
    std::memcpy(info.can.bridge.macAddress, kMac, 6);
    if (can_inst_on(&info) != NO_ERROR) {
        std::fprintf(stderr, "bench_can_pdo_flood: the instrument does not switch on\n");
        return 1;
    }

    const auto total = static_cast<uint64_t>(pdos);
    sim_can_set_flood_stamps(1);
    const auto start = std::chrono::steady_clock::now();
    sim_can_flood(0x1C0, 0, total);
    uint64_t taken = 0;
    uint32_t longest_wait = 0;
    bool in_order = true;
    dev_info device{};
    while (taken < total && in_order) {
        if (dev_data_read(DEV_CAN, &device, 1) != DEV_CAN) continue;
        const uint32_t now = micros_now();
        for (can_event e; can_take_event(&e);) {
            const auto* pdo = reinterpret_cast<const can_pdo_record*>(e.words);
            uint32_t number = 0, stamp = 0;
            std::memcpy(&number, pdo->data, 4);
            std::memcpy(&stamp, pdo->data + 4, 4);
            in_order = in_order && e.type == CAN_EVENT_FOCUS && number == static_cast<uint32_t>(taken);
            ++taken;
            const uint32_t wait = now - stamp;
            if (wait > longest_wait) longest_wait = wait;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sim_can_wait_delivered(10000);
    const bool extra = can_events_pending(&info);
    can_inst_off(&info);
    std::printf("bench_can_pdo_flood: %llu PDOs in %.3f s: %.0f PDOs per second, longest wait %.3f ms\n",
                static_cast<unsigned long long>(taken), seconds, static_cast<double>(taken) / seconds,
                longest_wait / 1000.0);
    if (!in_order || taken != total || extra || sim_can_pdos_dropped() != 0 || can_events_dropped() != 0) {
        std::printf("bench_can_pdo_flood: FAILED: a PDO was lost, duplicated or reordered\n");
        return 1;
    }
    return 0;
}
