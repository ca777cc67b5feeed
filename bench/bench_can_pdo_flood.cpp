// PDOs flooded from the simulated CAN library's delivery thread while the
// device manager's thread drains them through its CAN poll, as a host that
// waits with dev_data_read would. Prints PDOs per second and the longest time
// a PDO waited between its hand-over to the PDO handler and its event being
// taken by the host, and fails when a PDO was lost, duplicated or reordered.
// Goal: at least 100 times a saturated 1 Mbit/s CAN bus (about 10 000 frames
// a second), that is 1 000 000 PDOs a second. In a flood the waits are those
// of the backlog the flood builds; a second run at the bus's own rate (100
// PDOs every 10 ms for 2 s) shows the wait a PDO sees on a real bus, where
// the device manager's 50 ms sweep bounds it.
//
//   bench_can_pdo_flood [PDOS]     (default 2000000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

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

struct result {
    uint64_t taken = 0;
    double seconds = 0;
    uint32_t longest_wait = 0;  // microseconds
    bool ok = true;
};

// Floods total PDOs: all at once (chunk 0), or chunk PDOs every 10 ms. The
// host takes the events as a device manager client does.
result run(uint64_t total, uint64_t chunk) {
    result r;
    std::thread pacer;
    if (chunk == 0) {
        sim_can_flood(0x1C0, 0, total);
    } else {
        pacer = std::thread([=] {
            for (uint64_t sent = 0; sent < total; sent += chunk) {
                sim_can_flood(0x1C0, sent, chunk);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    const auto start = std::chrono::steady_clock::now();
    dev_info device{};
    while (r.taken < total && r.ok) {
        if (dev_data_read(DEV_CAN, &device, 1) != DEV_CAN) continue;
        const uint32_t now = micros_now();
        for (can_event e; can_take_event(&e);) {
            const auto* pdo = reinterpret_cast<const can_pdo_record*>(e.words);
            uint32_t number = 0, stamp = 0;
            std::memcpy(&number, pdo->data, 4);
            std::memcpy(&stamp, pdo->data + 4, 4);
            r.ok = r.ok && e.type == CAN_EVENT_FOCUS && number == static_cast<uint32_t>(r.taken);
            ++r.taken;
            const uint32_t wait = now - stamp;
            if (wait > r.longest_wait) r.longest_wait = wait;
        }
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (pacer.joinable()) pacer.join();
    r.ok = r.ok && r.taken == total;
    return r;
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
    sim_can_set_flood_stamps(1);

    const auto flood = run(static_cast<uint64_t>(pdos), 0);
    const auto paced = run(20000, 100);
    const bool ok = flood.ok && paced.ok;
    sim_can_wait_delivered(10000);
    const bool extra = can_events_pending(&info);
    can_inst_off(&info);
    std::printf("bench_can_pdo_flood: flood: %llu PDOs in %.3f s: %.0f PDOs per second, longest wait %.3f ms\n",
                static_cast<unsigned long long>(flood.taken), flood.seconds,
                static_cast<double>(flood.taken) / flood.seconds, flood.longest_wait / 1000.0);
    std::printf("bench_can_pdo_flood: bus rate: %llu PDOs at 10000 per second, longest wait %.3f ms\n",
                static_cast<unsigned long long>(paced.taken), paced.longest_wait / 1000.0);
    if (!ok || extra || sim_can_pdos_dropped() != 0 || can_events_dropped() != 0) {
        std::printf("bench_can_pdo_flood: FAILED: a PDO was lost, duplicated or reordered\n");
        return 1;
    }
    return 0;
}
