// The poll operations. Each runs on the monitor thread and answers at once.
#include <atomic>

#include "device/device_state.h"
#include "motion/motion.h"
#include "platform/events.h"
#include "platform/serial_port.h"

namespace {
std::atomic<dev_poll_func> g_can_poll{nullptr};
}  // namespace

void dev_set_can_poll(dev_poll_func poll) {
    g_can_poll.store(poll);
}

// Data is waiting when the status query succeeds, the input queue holds a
// byte and the query reported no line error. The query clears the error, so
// a line that had one is seen as ready by the next poll.
int32_t dev_serial_input_check(int64_t handle, void* /*context*/) {
    plat::comm_status status{};
    if (!plat::serial_clear_error(handle, &status)) return 0;
    return status.in_queue > 0 && status.errors == 0 ? 1 : 0;
}

// A motion controller that sets its data-ready event: the event is taken.
int32_t dev_event_check(int64_t /*handle*/, void* context) {
    const auto* controller = static_cast<const mc_controller*>(context);
    if (controller == nullptr || controller->data_ready == nullptr) return 0;
    if (plat::wait_event(controller->data_ready, 0) != plat::wait_result::signalled) return 0;
    plat::reset_event(controller->data_ready);
    return 1;
}

// A motion controller behind the motion wrapper library; without the library
// loaded there is nobody to ask, and so no data.
int32_t dev_wrapper_check(int64_t /*handle*/, void* context) {
    const auto* controller = static_cast<const mc_controller*>(context);
    const auto has_event = gl_Mwi.HasEvent_MWI;
    if (controller == nullptr || has_event == nullptr) return 0;
    return has_event(controller->handle) != 0 ? 1 : 0;
}

int32_t dev_can_queue_check(int64_t handle, void* context) {
    const dev_poll_func poll = g_can_poll.load();
    return poll != nullptr ? poll(handle, context) : 0;
}

bool dev_console_check(int* index) {
    // Console input is never reported; console entries only take up a place.
    *index = -1;
    return false;
}
