// Exchanges with the simulated instrument board on a pseudo-terminal, which
// has no baud-rate delay, so what is timed is the library's own cost (and the
// simulator's): a query answered by a data response and a setting answered by
// an acknowledgement, in turn. Prints exchanges per second, the 50th and
// 99th percentile round trips, and the processor time per exchange of the
// library and the simulator together (which, unlike the round trips, hardly
// depends on what else the machine runs). Goal: at least 5000 exchanges per
// second, a tenth of the 3 ms a 6-byte request and its ACK take at 38400 baud.
//
//   bench_uz_exchange [EXCHANGES]     (default 20000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "device/device.h"
#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "sim/uz_board/board_peer.h"

namespace {

using clock_type = std::chrono::steady_clock;

double micros(clock_type::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

}  // namespace

int main(int argc, char** argv) {
    long exchanges = 20000;
    if (argc > 1) exchanges = std::strtol(argv[1], nullptr, 10);
    if (exchanges < 100) {
        std::fprintf(stderr, "usage: bench_uz_exchange [EXCHANGES >= 100]\n");
        return 2;
    }
    sim::board_peer board(INSTR_BD_UZ2);
    if (!board.is_open()) {
        std::fprintf(stderr, "bench_uz_exchange: no pseudo-terminal\n");
        return 1;
    }
    board.record(false);
    if (dev_init_cntrl(false) != NO_ERROR) return 1;
    sys_info* info = &gl_SysInfo[0];
    info->initialised = 1;
    info->instrBdType = INSTR_BD_UZ2;
    std::snprintf(info->board.line.portName, sizeof info->board.line.portName, "%s",
                  board.device_path());
    if (ur_initUZ(info) != NO_ERROR) return 1;

    std::vector<double> round_trips(static_cast<size_t>(exchanges));
    uint8_t response[UZ_FRAME_BUFFER_SIZE];
    const std::clock_t cpu_start = std::clock();
    const auto start = clock_type::now();
    for (long i = 0; i < exchanges; ++i) {
        const auto begin = clock_type::now();
        const int32_t result =
            i % 2 == 0 ? ur_query(info, 2, UZ2_EE_SERIAL_READ_CMD, response, sizeof response)
                       : ur_send_byte(info, 3, UZ2_EE_CAMERA_SET_CMD, static_cast<uint8_t>(i));
        round_trips[static_cast<size_t>(i)] = micros(clock_type::now() - begin);
        if (result != NO_ERROR) {
            std::fprintf(stderr, "exchange %ld failed: %s\n", i, u_err_name(result));
            return 1;
        }
    }
    const double seconds = micros(clock_type::now() - start) / 1e6;
    const double cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    ur_closeUZ(&info->board.line.portHandle);

    std::sort(round_trips.begin(), round_trips.end());
    auto percentile = [&](double p) {
        return round_trips[static_cast<size_t>(p / 100.0 * static_cast<double>(exchanges - 1))];
    };
    const double rate = static_cast<double>(exchanges) / seconds;
    std::printf("%ld exchanges in %.3f s: %.0f exchanges/s\n", exchanges, seconds, rate);
    std::printf("round trip: median %.1f us, 99th percentile %.1f us, worst %.1f us\n",
                percentile(50), percentile(99), round_trips.back());
    std::printf("processor time per exchange, library and simulated board: %.1f us\n",
                cpu_seconds * 1e6 / static_cast<double>(exchanges));
    std::printf("goal: at least 5000 exchanges/s: %s\n", rate >= 5000 ? "met" : "NOT met");
    return rate >= 5000 ? 0 : 1;
}
