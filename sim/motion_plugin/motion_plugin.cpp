// A simulated motion wrapper library: controllers with four axes that move
// at once, queue a position event per move while position reports are on, and
// answer HasEvent_MWI from that queue or from a pending flag that tests set.
// A delivery thread hands the CAN messages that tests queue to the callbacks
// a controller registered, as the real library does from its own thread.
//
// The build links this one source into several libraries that differ only in
// which entry points they export, so the loader meets each kind of library.
// Results follow the library's convention: 1 for success, 0 for failure, with
// the reason kept for GetError_MWI.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <type_traits>

#include "motion/motion.h"

namespace {

constexpr int kControllers = 8;
constexpr int kAxes = 4;

enum : int32_t { kNoError = 0, kBadHandle = 1, kBadAxis = 2, kBadArgument = 3, kNotOpen = 4 };

struct axis_state {
    double position = 0.0;
    double velocity = 10.0;
    double acceleration = 100.0;
    double dmi_preset = 0.0;
    int32_t mode = 0;
    int32_t report_interval = 0;
    int32_t joystick = 0;
    int32_t homed = 0;
    int32_t closed_loop = 0;
    int32_t trigger = 0;
};

struct controller_state {
    bool open = false;
    bool reports = false;
    bool joystick = false;
    bool event_pending = false;  // set by tests through sim_mwi_set_event_pending
    int32_t error = kNoError;
    mwi_pdo_func pdo = nullptr;
    mwi_emcy_func emcy = nullptr;
    axis_state axes[kAxes];
    std::deque<mwi_event> events;
};

// One CAN message waiting for the delivery thread.
struct can_message {
    mwi_handle handle;
    bool is_pdo;
    int32_t first, second, third;  // PDO: identifier and word
    uint8_t fourth, sixth;
    uint8_t bytes[8];  // PDO: the data bytes; emergency: the five-byte block
};

struct simulator {
    std::mutex lock;
    bool initialised = false;
    controller_state controllers[kControllers];
    int64_t has_event_calls = 0;
    // CAN message delivery.
    std::condition_variable changed;
    std::deque<can_message> messages;
    // Runs while messages wait, then ends; joined by whoever finds it ended,
    // so no thread of the library is left once its messages are delivered.
    std::thread worker;
    bool worker_running = false;
    uint64_t delivered = 0;
    int32_t unregister_refusals = 0;

    simulator() = default;
    simulator(const simulator&) = delete;
    simulator& operator=(const simulator&) = delete;
    // The library may be unloaded: its thread ends first.
    ~simulator() {
        {
            const std::lock_guard<std::mutex> guard(lock);
            messages.clear();
        }
        if (worker.joinable()) worker.join();
    }
};

simulator& sim() {
    static simulator instance;
    return instance;
}

// The open controller of a handle (1 to kControllers), or null.
controller_state* controller(mwi_handle handle) {
    if (handle < 1 || handle > kControllers) return nullptr;
    controller_state& state = sim().controllers[handle - 1];
    return state.open ? &state : nullptr;
}

int32_t fail(controller_state* state, int32_t error) {
    if (state != nullptr) state->error = error;
    return 0;
}

// Runs an operation on one open controller under the simulator's lock.
template <typename Operation>
int32_t with_controller(mwi_handle handle, Operation operation) {
    const std::lock_guard<std::mutex> guard(sim().lock);
    controller_state* state = controller(handle);
    if (state == nullptr) return 0;
    return operation(*state);
}

// Runs an operation on one axis of an open controller.
template <typename Operation>
int32_t with_axis(mwi_handle handle, int32_t axis, Operation operation) {
    return with_controller(handle, [&](controller_state& state) {
        if (axis < 0 || axis >= kAxes) return fail(&state, kBadAxis);
        return operation(state, state.axes[axis]);
    });
}

template <typename Value>
int32_t give(Value* out, Value value, controller_state& state) {
    if (out == nullptr) return fail(&state, kBadArgument);
    *out = value;
    return 1;
}

// Hands each queued message to the callback its controller registered; a
// message without one is dropped. No lock is held while a callback runs.
void deliver_messages() {
    simulator& s = sim();
    std::unique_lock<std::mutex> guard(s.lock);
    while (!s.messages.empty()) {
        const can_message m = s.messages.front();
        s.messages.pop_front();
        const controller_state* state = controller(m.handle);
        const mwi_pdo_func pdo = state != nullptr ? state->pdo : nullptr;
        const mwi_emcy_func emcy = state != nullptr ? state->emcy : nullptr;
        if (m.is_pdo ? pdo == nullptr : emcy == nullptr) continue;
        guard.unlock();
        if (m.is_pdo)
            pdo(m.first, m.second, m.bytes);
        else
            emcy(m.first, m.second, m.third, m.fourth, m.bytes, m.sixth);
        guard.lock();
        ++s.delivered;
    }
    s.worker_running = false;
    s.changed.notify_all();
}

// Joins an ended delivery thread; the lock is held, which the ended thread
// no longer needs.
void join_ended_worker(simulator& s) {
    if (!s.worker_running && s.worker.joinable()) s.worker.join();
}

void queue_message(const can_message& message) {
    simulator& s = sim();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.messages.push_back(message);
    if (s.worker_running) return;
    join_ended_worker(s);
    s.worker_running = true;
    s.worker = std::thread(deliver_messages);
}

int32_t copy_text(char* text, int32_t size, const char* value) {
    if (text == nullptr || size <= 0) return 0;
    std::snprintf(text, static_cast<size_t>(size), "%s", value);
    return 1;
}

}  // namespace

extern "C" {

// ---- controls for tests ---------------------------------------------------

void sim_mwi_set_event_pending(mwi_handle handle, int32_t pending) {
    const std::lock_guard<std::mutex> guard(sim().lock);
    if (handle >= 1 && handle <= kControllers)
        sim().controllers[handle - 1].event_pending = pending;
}

int64_t sim_mwi_has_event_calls() {
    const std::lock_guard<std::mutex> guard(sim().lock);
    return sim().has_event_calls;
}

// Queues one PDO or emergency message for the controller's callbacks.
void sim_mwi_queue_pdo(mwi_handle handle, int32_t identifier, int32_t word, const uint8_t* data) {
    can_message m{};
    m.handle = handle;
    m.is_pdo = true;
    m.first = identifier;
    m.second = word;
    if (data != nullptr) std::memcpy(m.bytes, data, 8);
    queue_message(m);
}
void sim_mwi_queue_emcy(mwi_handle handle, int32_t first, int32_t second, int32_t third,
                        uint8_t fourth, const uint8_t* block, uint8_t sixth) {
    can_message m{};
    m.handle = handle;
    m.first = first;
    m.second = second;
    m.third = third;
    m.fourth = fourth;
    m.sixth = sixth;
    if (block != nullptr) std::memcpy(m.bytes, block, 5);
    queue_message(m);
}

// Waits until every queued message was delivered or dropped and no callback
// runs; 0 after timeout_ms.
int32_t sim_mwi_wait_delivered(int32_t timeout_ms) {
    simulator& s = sim();
    std::unique_lock<std::mutex> guard(s.lock);
    if (!s.changed.wait_for(guard, std::chrono::milliseconds(timeout_ms), [&] { return !s.worker_running; }))
        return 0;
    join_ended_worker(s);
    return 1;
}

// Messages handed to a callback so far.
uint64_t sim_mwi_delivered() {
    const std::lock_guard<std::mutex> guard(sim().lock);
    return sim().delivered;
}

// The next count calls of UnregisterCanEvents_MWI fail and keep the callbacks.
void sim_mwi_refuse_unregister(int32_t count) {
    const std::lock_guard<std::mutex> guard(sim().lock);
    sim().unregister_refusals = count;
}

// ---- the library's own entry points --------------------------------------

int32_t InitMotionWrapperInterface_MWI(const char* /*configuration*/) {
    const std::lock_guard<std::mutex> guard(sim().lock);
    sim().initialised = true;
    return 1;
}

int32_t CloseMotionWrapperInterface_MWI() {
    const std::lock_guard<std::mutex> guard(sim().lock);
    for (controller_state& state : sim().controllers) state = controller_state{};
    sim().initialised = false;
    return 1;
}

int32_t OpenComm_MWI(const char* port, mwi_handle* handle) {
    const std::lock_guard<std::mutex> guard(sim().lock);
    if (port == nullptr || handle == nullptr) return 0;
    for (int i = 0; i < kControllers; ++i) {
        controller_state& state = sim().controllers[i];
        if (state.open) continue;
        state = controller_state{};
        state.open = true;
        *handle = i + 1;
        return 1;
    }
    return 0;
}

int32_t CloseComm_MWI(mwi_handle handle) {
    return with_controller(handle, [](controller_state& state) {
        state = controller_state{};
        return 1;
    });
}

int32_t CheckForEStopEvent_MWI(mwi_handle handle, int32_t* stopped) {
    return with_controller(handle, [&](controller_state& s) { return give(stopped, 0, s); });
}

int32_t EnableJoystick_MWI(mwi_handle handle) {
    return with_controller(handle, [](controller_state& s) { return s.joystick = true, 1; });
}
int32_t DisableJoystick_MWI(mwi_handle handle) {
    return with_controller(handle, [](controller_state& s) { return s.joystick = false, 1; });
}
int32_t GetIsJoystickEnabled_MWI(mwi_handle handle, int32_t* enabled) {
    return with_controller(handle, [&](controller_state& s) {
        return give(enabled, static_cast<int32_t>(s.joystick), s);
    });
}
int32_t EnableAxisJoystick_MWI(mwi_handle handle, int32_t axis) {
    return with_axis(handle, axis, [](controller_state&, axis_state& a) { return a.joystick = 1; });
}
int32_t DisableAxisJoystick_MWI(mwi_handle handle, int32_t axis) {
    return with_axis(handle, axis,
                     [](controller_state&, axis_state& a) { return a.joystick = 0, 1; });
}

int32_t EnablePositionReports_MWI(mwi_handle handle) {
    return with_controller(handle, [](controller_state& s) { return s.reports = true, 1; });
}
int32_t DisablePositionReports_MWI(mwi_handle handle) {
    return with_controller(handle, [](controller_state& s) { return s.reports = false, 1; });
}
int32_t SetPositionReport_MWI(mwi_handle handle, int32_t axis, int32_t interval_ms) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        if (interval_ms < 0) return fail(&s, kBadArgument);
        return a.report_interval = interval_ms, 1;
    });
}

int32_t FindHome_MWI(mwi_handle handle, int32_t axis) {
    return with_axis(handle, axis, [](controller_state&, axis_state& a) {
        a.position = 0.0;
        return a.homed = 1;
    });
}
int32_t GetHomeState_MWI(mwi_handle handle, int32_t axis, int32_t* state) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state& a) { return give(state, a.homed, s); });
}
int32_t GetHomeType_MWI(mwi_handle handle, int32_t axis, int32_t* type) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(type, 1, s); });
}

int32_t Move_MWI(mwi_handle handle, int32_t axis, double position) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        a.position = position;
        if (s.reports) s.events.push_back(mwi_event{1, axis, position});
        return 1;
    });
}
int32_t SetMoveMode_MWI(mwi_handle handle, int32_t axis, int32_t mode) {
    return with_axis(handle, axis,
                     [&](controller_state&, axis_state& a) { return a.mode = mode, 1; });
}
int32_t Stop_MWI(mwi_handle handle) {
    return with_controller(handle, [](controller_state&) { return 1; });
}
int32_t StopAxis_MWI(mwi_handle handle, int32_t axis) {
    return with_axis(handle, axis, [](controller_state&, axis_state&) { return 1; });
}

int32_t GetPosition_MWI(mwi_handle handle, int32_t axis, double* position) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        return give(position, a.position, s);
    });
}
int32_t GetActualPosition_MWI(mwi_handle handle, int32_t axis, double* position) {
    return GetPosition_MWI(handle, axis, position);
}
int32_t GetCommandedPosition_MWI(mwi_handle handle, int32_t axis, double* position) {
    return GetPosition_MWI(handle, axis, position);
}

int32_t GetVelocity_MWI(mwi_handle handle, int32_t axis, double* value) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        return give(value, a.velocity, s);
    });
}
int32_t SetVelocity_MWI(mwi_handle handle, int32_t axis, double value) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        if (!(value > 0.0)) return fail(&s, kBadArgument);
        return a.velocity = value, 1;
    });
}
int32_t GetAcceleration_MWI(mwi_handle handle, int32_t axis, double* value) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        return give(value, a.acceleration, s);
    });
}
int32_t SetAcceleration_MWI(mwi_handle handle, int32_t axis, double value) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        if (!(value > 0.0)) return fail(&s, kBadArgument);
        return a.acceleration = value, 1;
    });
}
int32_t GetPitch_MWI(mwi_handle handle, int32_t axis, double* value) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(value, 2.0, s); });
}
int32_t GetTravelMax_MWI(mwi_handle handle, int32_t axis, double* value) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(value, 50.0, s); });
}
int32_t GetTravelMin_MWI(mwi_handle handle, int32_t axis, double* value) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(value, -50.0, s); });
}
int32_t GetTravelZero_MWI(mwi_handle handle, int32_t axis, double* value) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(value, 0.0, s); });
}
int32_t GetLabel_MWI(mwi_handle handle, int32_t axis, char* text, int32_t size) {
    static const char* const kLabels[kAxes] = {"X", "Y", "Z", "T"};
    return with_axis(handle, axis, [&](controller_state&, axis_state&) {
        return copy_text(text, size, kLabels[axis]);
    });
}
int32_t GetNodeId_MWI(mwi_handle handle, int32_t axis, int32_t* node) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(node, 32 + axis, s); });
}
int32_t GetAxisStatus_MWI(mwi_handle handle, int32_t axis, int32_t* status) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state& a) { return give(status, a.homed, s); });
}
int32_t GetAxisError_MWI(mwi_handle handle, int32_t axis, int32_t* error) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(error, 0, s); });
}
int32_t GetStatus_MWI(mwi_handle handle, int32_t* status) {
    return with_controller(handle, [&](controller_state& s) { return give(status, 1, s); });
}
int32_t GetError_MWI(mwi_handle handle, int32_t* error) {
    const std::lock_guard<std::mutex> guard(sim().lock);
    if (error == nullptr) return 0;
    const controller_state* state = controller(handle);
    *error = state != nullptr ? state->error : kNotOpen;
    return 1;
}
int32_t GetErrorString_MWI(int32_t error, char* text, int32_t size) {
    static const char* const kTexts[] = {"no error", "invalid controller handle", "invalid axis",
                                         "invalid argument", "controller not open"};
    if (error < 0 || error > kNotOpen) return copy_text(text, size, "unknown error");
    return copy_text(text, size, kTexts[error]);
}

uint8_t HasEvent_MWI(mwi_handle handle) {
    const std::lock_guard<std::mutex> guard(sim().lock);
    ++sim().has_event_calls;
    const controller_state* state = controller(handle);
    return state != nullptr && (state->event_pending || !state->events.empty()) ? 1 : 0;
}
int32_t GetEvent_MWI(mwi_handle handle, mwi_event* event) {
    return with_controller(handle, [&](controller_state& s) {
        if (event == nullptr || s.events.empty()) return fail(&s, kBadArgument);
        *event = s.events.front();
        s.events.pop_front();
        return 1;
    });
}

int32_t RegisterCanEvents_MWI(mwi_handle handle, mwi_pdo_func pdo, mwi_emcy_func emcy) {
    return with_controller(handle, [&](controller_state& s) {
        if (pdo == nullptr || emcy == nullptr) return fail(&s, kBadArgument);
        s.pdo = pdo;
        s.emcy = emcy;
        return 1;
    });
}
// Returns at once, even while a callback runs on the delivery thread.
int32_t UnregisterCanEvents_MWI(mwi_handle handle) {
    return with_controller(handle, [](controller_state& s) {
        if (sim().unregister_refusals > 0) {
            --sim().unregister_refusals;
            return fail(&s, kBadArgument);
        }
        s.pdo = nullptr;
        s.emcy = nullptr;
        return 1;
    });
}

int32_t DmiReset_MWI(mwi_handle handle, int32_t axis) {
    return with_axis(handle, axis,
                     [](controller_state&, axis_state& a) { return a.dmi_preset = 0.0, 1; });
}
int32_t GetDmiCaptureBufferSize_MWI(mwi_handle handle, int32_t axis, int32_t* count) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(count, 0, s); });
}
int32_t GetDmiCaptureBuffer_MWI(mwi_handle handle, int32_t axis, double* values, int32_t count) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state&) {
        return values == nullptr || count < 0 ? fail(&s, kBadArgument) : 1;
    });
}
int32_t GetDmiPosition_MWI(mwi_handle handle, int32_t axis, double* position) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        return give(position, a.position - a.dmi_preset, s);
    });
}
int32_t GetDmiPreset_MWI(mwi_handle handle, int32_t axis, double* preset) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        return give(preset, a.dmi_preset, s);
    });
}
int32_t SetDmiPreset_MWI(mwi_handle handle, int32_t axis, double preset) {
    return with_axis(handle, axis,
                     [&](controller_state&, axis_state& a) { return a.dmi_preset = preset, 1; });
}
int32_t GetDmiStatus_MWI(mwi_handle handle, int32_t axis, int32_t* status) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(status, 1, s); });
}
int32_t GetExternalClosedLoopAmplifierFault_MWI(mwi_handle handle, int32_t axis, int32_t* fault) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(fault, 0, s); });
}
int32_t GetExternalClosedLoopEnabled_MWI(mwi_handle handle, int32_t axis, int32_t* enabled) {
    return with_axis(handle, axis, [&](controller_state& s, axis_state& a) {
        return give(enabled, a.closed_loop, s);
    });
}
int32_t SetExternalClosedLoopEnabled_MWI(mwi_handle handle, int32_t axis, int32_t enabled) {
    return with_axis(handle, axis, [&](controller_state&, axis_state& a) {
        return a.closed_loop = enabled != 0 ? 1 : 0, 1;
    });
}
int32_t GetIsDmiBufferReady_MWI(mwi_handle handle, int32_t axis, int32_t* ready) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(ready, 1, s); });
}
int32_t GetSupportsExternalClosedLoop_MWI(mwi_handle handle, int32_t axis, int32_t* supported) {
    return with_axis(handle, axis,
                     [&](controller_state& s, axis_state&) { return give(supported, 1, s); });
}
int32_t SetDmiCaptureTrigger_MWI(mwi_handle handle, int32_t axis, int32_t trigger) {
    return with_axis(handle, axis,
                     [&](controller_state&, axis_state& a) { return a.trigger = trigger, 1; });
}

int32_t SetAlignViewIndicator_MWI(mwi_handle handle, int32_t /*indicator*/) {
    return with_controller(handle, [](controller_state&) { return 1; });
}
int32_t GetConfigurationFile_MWI(char* path, int32_t size) {
    return copy_text(path, size, "simulated-motion.cfg");
}

}  // extern "C"

// Every entry point has exactly the type that the loader's table expects.
#define MWI_ENTRY(group, name, result, params) \
    static_assert(std::is_same_v<decltype(&name), result(*) params>, #name);
#include "motion/mwi_entry_points.inc"
#undef MWI_ENTRY
