#include "sim/scanner/ramp_scan.h"

#include <cmath>
#include <utility>

namespace sim {

double scanner_gain_nm_per_count(int32_t ramp_type) {
    return ramp_type >= 1 && ramp_type <= 15 ? SIM_PZT_NM_PER_COUNT : SIM_PIFOC_NM_PER_COUNT;
}

double board_sample_rate_khz(int32_t update_rate) {
    return 4000.0 / (65536.0 - static_cast<double>(update_rate));
}

bool compute_ramp_scan(const ramp_timing& timing, const std::vector<uint16_t>& values,
                       scan_state* scan) {
    if (timing.n_buckets < 1 || timing.trig_start < 0 || timing.grab_skip < 0 ||
        !(timing.camera_rate_hz > 0) || !(timing.sample_rate_khz > 0) ||
        !std::isfinite(timing.sample_rate_khz) ||
        static_cast<size_t>(timing.n_buckets) > SIM_SCAN_MAX_FRAMES) {
        return false;
    }
    // Multiplied out before the one division, so that a whole number of
    // samples per trigger comes out whole.
    const double samples_per_k = (timing.grab_skip + 1.0) * 1000.0 * timing.sample_rate_khz;
    const double gain = scanner_gain_nm_per_count(timing.ramp_type);
    std::vector<scan_trigger> triggers;
    triggers.reserve(static_cast<size_t>(timing.n_buckets));
    for (int32_t k = 0; k < timing.n_buckets; ++k) {
        const double at = timing.trig_start + std::floor(k * samples_per_k / timing.camera_rate_hz);
        if (!(at < static_cast<double>(values.size()))) return false;
        const size_t i = static_cast<size_t>(at);
        scan_trigger trigger;
        trigger.time_ns = std::llround(at / (1000.0 * timing.sample_rate_khz) * 1e9);
        trigger.position_nm = (static_cast<double>(values[i]) - timing.offset) * gain;
        triggers.push_back(trigger);
    }
    scan->ramp_type = timing.ramp_type;
    scan->triggers = std::move(triggers);
    return true;
}

bool publish_scan(const std::string& path, scan_state scan) {
    scan_state previous;
    scan.sequence = read_scan_state(path, &previous) ? previous.sequence + 1 : 1;
    scan.start_ns = scan_clock_ns();
    return write_scan_state(path, scan);
}

}  // namespace sim
