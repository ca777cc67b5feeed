// The simulated camera behind the grabbing entry points of the simulated
// frame-grabber library: it watches the scan file the simulated scanner
// publishes and, for each trigger of the scan that follows AcquireStart,
// renders the interferogram of the surface at the scanner's position once the
// trigger's time has come. Internal to sim/kv_acq.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>

#include "sim/kv_acq/sim_kv_acq.h"
#include "sim/optics/optics.h"
#include "sim/scanner/scan_state.h"

namespace sim_acq {

// A camera fault: the trigger at `trigger` is missed (drop) or is the first
// of those never answered (stall).
struct camera_fault {
    enum class kind { none, drop, stall } what = kind::none;
    int64_t trigger = 0;
};
// "drop:K" or "stall:K" with K a decimal 0 .. 2^31-1; anything else is none.
camera_fault parse_fault(const char* text);

class camera {
  public:
    // The caller's controls and records; lives as long as the library.
    explicit camera(sim_acq_camera* controls) : controls_(controls) {}

    // Each answers non-zero on success; on failure *error holds the
    // library's error number for GetLastAcqError.
    int32_t open(int32_t mode_id, int32_t* error);
    int32_t start(int32_t* error);
    // Safe to call while read() waits on another thread: the read ends.
    int32_t stop();
    int32_t close();
    int32_t read(void* buffer, int32_t size, int32_t* error);

    // "WIDTH", "HEIGHT" and "FRAME NUMBER": true when the camera answers it.
    bool query(const char* parameter, double* value);

  private:
    struct settings {
        std::string scan_file;
        std::string surface_file;
        camera_fault fault;
        double time_scale = 1;
        int64_t timeout_ms = SIM_CAMERA_TIMEOUT_MS;
        optics::camera optics;
    };
    settings current_settings() const;
    // Waits for the scan that follows AcquireStart; false at the deadline
    // or when acquisition stops.
    bool wait_for_scan(int64_t deadline_ns);
    // The next trigger the camera answers, or -1 when there is none.
    int64_t next_trigger();
    bool wait_until(int64_t time_ns, int64_t deadline_ns) const;
    bool hostile() const { return controls_->hostileSeed != 0; }
    // In hostile mode, now and then a failure with a random error number.
    bool hostile_failure(int32_t* error);
    int32_t hostile_read(void* buffer, int32_t size, int32_t* error);

    sim_acq_camera* controls_;
    settings settings_;
    optics::surface surface_;
    optics::light_source source_;
    bool open_ = false;
    std::atomic<bool> acquiring_{false};
    uint64_t baseline_sequence_ = 0;
    bool have_scan_ = false;
    sim::scan_state scan_;
    int64_t next_index_ = 0;
    int64_t frame_number_ = -1;  // of the last frame read; -1 before the first
    std::mutex hostile_lock_;
    std::mt19937 hostile_random_;
};

}  // namespace sim_acq
