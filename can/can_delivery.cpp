// The delivery paths into the input queues and their in-flight counts.
#include "can/can_delivery.h"

bool can_delivery_path::enter() {
    const std::lock_guard<std::mutex> guard(lock_);
    if (!open_) return false;
    ++in_flight_;
    return true;
}

void can_delivery_path::leave() {
    const std::lock_guard<std::mutex> guard(lock_);
    if (--in_flight_ == 0) idle_.notify_all();
}

void can_delivery_path::open() {
    const std::lock_guard<std::mutex> guard(lock_);
    open_ = true;
}

void can_delivery_path::close() {
    std::unique_lock<std::mutex> guard(lock_);
    open_ = false;
    idle_.wait(guard, [this] { return in_flight_ == 0; });
}

can_delivery_path& can_library_path() {
    static auto* path = new can_delivery_path;
    return *path;
}

can_delivery_path& can_mwi_path() {
    static auto* path = new can_delivery_path;
    return *path;
}
