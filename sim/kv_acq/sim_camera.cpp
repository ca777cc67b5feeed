#include "sim/kv_acq/sim_camera.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/clock.h"
#include "ramps/ramps.h"
#include "sim/optics/surface_file.h"

namespace sim_acq {
namespace {

// How often a waiting read looks at the scan file and the clock.
constexpr int32_t kPollMs = 1;

template <typename T>
bool parse_whole(std::string_view text, T* value) {
    const char* end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, *value);
    return status == std::errc{} && stop == end;
}

// A control's text when set, else the environment's, else empty.
std::string chosen(const char* control, const char* environment) {
    if (control[0] != '\0') return std::string(control, strnlen(control, SIM_ACQ_TEXT_SIZE));
    const char* value = std::getenv(environment);
    return value != nullptr ? value : "";
}

template <typename T>
bool environment_number(const char* name, T* value) {
    const char* text = std::getenv(name);
    return text != nullptr && parse_whole(std::string_view(text), value);
}

// When a trigger's frame is due on the scan clock: its time after the start,
// shortened by the time scale. The scan file is input: a start far off either
// end of the clock saturates rather than wraps.
int64_t due_time(int64_t start_ns, int64_t time_ns, double scale) {
    const long double due =
        static_cast<long double>(start_ns) + static_cast<long double>(time_ns) / scale;
    if (due >= static_cast<long double>(INT64_MAX)) return INT64_MAX;
    if (due <= static_cast<long double>(INT64_MIN)) return INT64_MIN;
    return static_cast<int64_t>(due);
}

}  // namespace

camera_fault parse_fault(const char* text) {
    camera_fault fault;
    if (text == nullptr) return fault;
    const std::string_view all(text);
    const size_t colon = all.find(':');
    if (colon == std::string_view::npos) return fault;
    const std::string_view what = all.substr(0, colon);
    int64_t trigger = 0;
    if (!parse_whole(all.substr(colon + 1), &trigger) || trigger < 0 || trigger > INT32_MAX) {
        return fault;
    }
    if (what == "drop") fault.what = camera_fault::kind::drop;
    if (what == "stall") fault.what = camera_fault::kind::stall;
    fault.trigger = trigger;
    return fault;
}

camera::settings camera::current_settings() const {
    settings chosen_settings;
    chosen_settings.scan_file = chosen(controls_->scanFile, sim::SIM_SCAN_FILE_ENV);
    chosen_settings.surface_file = chosen(controls_->surfaceFile, sim::SIM_SURFACE_ENV);
    char fault[SIM_ACQ_NAME_SIZE + 1] = {};
    std::memcpy(fault, controls_->fault, SIM_ACQ_NAME_SIZE);
    chosen_settings.fault =
        parse_fault(fault[0] != '\0' ? fault : std::getenv(sim::SIM_CAMERA_FAULT_ENV));

    double scale = 0;
    if (controls_->timeScale > 0 && std::isfinite(controls_->timeScale)) {
        chosen_settings.time_scale = controls_->timeScale;
    } else if (environment_number(sim::SIM_TIME_SCALE_ENV, &scale) && scale > 0 &&
               std::isfinite(scale)) {
        chosen_settings.time_scale = scale;
    }
    if (controls_->timeoutMs > 0) chosen_settings.timeout_ms = controls_->timeoutMs;

    double noise = 0;
    if (environment_number(sim::SIM_CAMERA_NOISE_ENV, &noise) && noise >= 0 && std::isfinite(noise)) {
        chosen_settings.optics.noise_sigma = noise;
    }
    uint64_t seed = 0;
    if (environment_number(sim::SIM_CAMERA_SEED_ENV, &seed)) chosen_settings.optics.seed = seed;
    return chosen_settings;
}

bool camera::hostile_failure(int32_t* error) {
    if (!hostile()) return false;
    const std::lock_guard<std::mutex> lock(hostile_lock_);
    if (hostile_random_() % 8 != 0) return false;
    *error = static_cast<int32_t>(hostile_random_() % 30);
    return true;
}

int32_t camera::open(int32_t mode_id, int32_t* error) {
    ++controls_->openCalls;
    if (hostile())
        hostile_random_.seed(controls_->hostileSeed + static_cast<uint32_t>(controls_->openCalls));
    if (hostile_failure(error)) return 0;
    if (open_) {
        *error = SIM_ACQ_ERROR_BUSY;
        return 0;
    }
    settings_ = current_settings();
    std::string reason;
    optics::surface loaded;
    if (settings_.surface_file.empty() ||
        !optics::load_surface(settings_.surface_file, &loaded, &reason)) {
        *error = SIM_ACQ_ERROR_NO_FILE;
        return 0;
    }
    // A frame's byte count must fit ReadDevice's size argument.
    if (static_cast<uint64_t>(loaded.width) * static_cast<uint64_t>(loaded.height) * 2 >
        INT32_MAX) {
        *error = SIM_ACQ_ERROR_DEVICE_OPEN;
        return 0;
    }
    surface_ = std::move(loaded);
    open_ = true;
    frame_number_ = -1;
    controls_->isOpen = 1;
    controls_->openMode = mode_id;
    return 1;
}

int32_t camera::start(int32_t* error) {
    ++controls_->startCalls;
    if (hostile_failure(error)) return 0;
    if (!open_) {
        *error = SIM_ACQ_ERROR_CLOSED;
        return 0;
    }
    // Only a scan published after this moment is the camera's.
    sim::scan_state current;
    baseline_sequence_ = sim::read_scan_state(settings_.scan_file, &current) ? current.sequence : 0;
    have_scan_ = false;
    next_index_ = 0;
    frame_number_ = -1;
    acquiring_ = true;
    controls_->isAcquiring = 1;
    return 1;
}

int32_t camera::stop() {
    ++controls_->stopCalls;
    acquiring_ = false;
    controls_->isAcquiring = 0;
    return 1;
}

int32_t camera::close() {
    ++controls_->closeCalls;
    if (acquiring_) stop();
    open_ = false;
    surface_ = optics::surface{};
    controls_->isOpen = 0;
    return 1;
}

bool camera::wait_for_scan(int64_t deadline_ns) {
    while (acquiring_) {
        sim::scan_state scan;
        if (sim::read_scan_state(settings_.scan_file, &scan) &&
            scan.sequence > baseline_sequence_) {
            scan_ = std::move(scan);
            source_ = rr_is_pmi_type(scan_.ramp_type) ? optics::monochromatic_source()
                                                      : optics::broadband_source();
            have_scan_ = true;
            return true;
        }
        if (sim::scan_clock_ns() >= deadline_ns) return false;
        plat::sleep_ms(kPollMs);
    }
    return false;
}

int64_t camera::next_trigger() {
    const camera_fault& fault = settings_.fault;
    if (fault.what == camera_fault::kind::drop && next_index_ == fault.trigger) ++next_index_;
    if (fault.what == camera_fault::kind::stall && next_index_ >= fault.trigger) return -1;
    if (next_index_ >= static_cast<int64_t>(scan_.triggers.size())) return -1;
    return next_index_;
}

bool camera::wait_until(int64_t time_ns, int64_t deadline_ns) const {
    while (acquiring_) {
        const int64_t now = sim::scan_clock_ns();
        if (now >= time_ns) return true;
        if (now >= deadline_ns) return false;
        plat::sleep_ms(kPollMs);
    }
    return false;
}

int32_t camera::read(void* buffer, int32_t size, int32_t* error) {
    ++controls_->readCalls;
    if (!open_ || !acquiring_) {
        *error = SIM_ACQ_ERROR_NOT_READY;
        return 0;
    }
    const int64_t frame_bytes = static_cast<int64_t>(surface_.height_nm.size()) * 2;
    if (buffer == nullptr || size != frame_bytes) {
        *error = SIM_ACQ_ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (hostile()) return hostile_read(buffer, size, error);

    const int64_t deadline = sim::scan_clock_ns() + settings_.timeout_ms * 1000000;
    const int64_t trigger = have_scan_ || wait_for_scan(deadline) ? next_trigger() : -1;
    // A trigger that never comes leaves the read waiting until its time-out.
    const sim::scan_trigger* due =
        trigger >= 0 ? &scan_.triggers[static_cast<size_t>(trigger)] : nullptr;
    if (!wait_until(due != nullptr ? due_time(scan_.start_ns, due->time_ns, settings_.time_scale)
                                   : INT64_MAX,
                    deadline)) {
        *error = acquiring_ ? SIM_ACQ_ERROR_TIMEOUT : SIM_ACQ_ERROR_NOT_READY;
        return 0;
    }
    optics::render_frame(surface_, source_, settings_.optics, due->position_nm,
                         static_cast<uint64_t>(trigger), static_cast<uint16_t*>(buffer));
    frame_number_ = trigger;
    next_index_ = trigger + 1;
    ++controls_->framesDelivered;
    return 1;
}

// Random answers: a failure with any error number (0 and unknown numbers
// included), a frame at once with a frame number that is right, skips,
// repeats or is nonsense, or a read that waits until the camera's
// time-out or the stop.
int32_t camera::hostile_read(void* buffer, int32_t size, int32_t* error) {
    std::unique_lock<std::mutex> lock(hostile_lock_);
    const uint32_t choice = static_cast<uint32_t>(hostile_random_() % 16);
    const int64_t number_shift = static_cast<int64_t>(hostile_random_() % 5) - 2;
    const int32_t error_number = static_cast<int32_t>(hostile_random_() % 30);
    lock.unlock();
    if (choice < 3) {
        *error = error_number;
        return 0;
    }
    if (choice == 3) {
        const int64_t deadline = sim::scan_clock_ns() + settings_.timeout_ms * 1000000;
        wait_until(INT64_MAX, deadline);
        *error = SIM_ACQ_ERROR_TIMEOUT;
        return 0;
    }
    std::memset(buffer, static_cast<int>(choice), static_cast<size_t>(size));
    const int64_t expected = frame_number_ + 1;
    frame_number_ = choice < 12 ? expected : expected + number_shift;
    ++controls_->framesDelivered;
    return 1;
}

bool camera::query(const char* parameter, double* value) {
    if (!open_) return false;
    double answer = 0;
    if (std::strcmp(parameter, "WIDTH") == 0) {
        answer = surface_.width;
    } else if (std::strcmp(parameter, "HEIGHT") == 0) {
        answer = surface_.height;
    } else if (std::strcmp(parameter, "FRAME NUMBER") == 0) {
        if (frame_number_ < 0 && !hostile()) return false;
        answer = static_cast<double>(frame_number_);
    } else {
        return false;
    }
    if (hostile()) {
        const std::lock_guard<std::mutex> lock(hostile_lock_);
        const uint32_t choice = static_cast<uint32_t>(hostile_random_() % 24);
        if (choice == 0) return false;
        if (choice == 1) answer = std::nan("");
        if (choice == 2) answer = -answer - 1;
        if (choice == 3) answer = 1e12;
        if (choice == 4) answer += 0.5;
        if (choice == 5) answer = 0;
    }
    *value = answer;
    return true;
}

}  // namespace sim_acq
