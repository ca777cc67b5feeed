#include "sim/serial_device/device_host.h"

#include <algorithm>
#include <utility>

namespace sim {

device_host::device_host(serial_peer& peer, std::unique_ptr<simulated_device> device)
    : peer_(peer), device_(std::move(device)) {
    thread_ = std::thread([this] { run(); });
    peer_.set_responder([this](const uint8_t* bytes, size_t count, byte_string*) {
        timed_answer answer;
        device_->receive(bytes, count, &answer);
        schedule(answer);
    });
}

device_host::~device_host() {
    // Once this returns the peer's thread no longer calls into the device.
    peer_.set_responder({});
    {
        const std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void device_host::schedule(const timed_answer& answer) {
    if (answer.empty()) return;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        // Pieces go out in order: each one's delay counts from the one before.
        for (const timed_bytes& part : answer) {
            last_due_ = std::max(last_due_, clock_type::now()) + part.delay;
            pending_.push_back({part.bytes, last_due_});
        }
    }
    changed_.notify_all();
}

bool device_host::wait_idle(std::chrono::milliseconds limit) {
    const auto deadline = clock_type::now() + limit;
    const auto idle = [this] { return stopping_ || (pending_.empty() && !sending_); };
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            if (!changed_.wait_until(guard, deadline, idle)) return false;
        }
        // What the peer still takes from the line may call for answers.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - clock_type::now());
        if (!peer_.wait_settled(std::max(left, std::chrono::milliseconds(0)))) return false;
        const std::lock_guard<std::mutex> guard(lock_);
        if (idle()) return true;
    }
}

void device_host::run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        if (stopping_) return;
        if (pending_.empty()) {
            changed_.wait(guard);
            continue;
        }
        if (clock_type::now() < pending_.front().due) {
            changed_.wait_until(guard, pending_.front().due);
            continue;
        }
        byte_string bytes = std::move(pending_.front().bytes);
        pending_.pop_front();
        sending_ = true;
        // Sending takes the peer's lock, which its thread holds while it
        // hands bytes to schedule(): never hold both here.
        guard.unlock();
        peer_.send(bytes);
        guard.lock();
        sending_ = false;
        changed_.notify_all();
    }
}

}  // namespace sim
