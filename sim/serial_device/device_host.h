// Runs a simulated device on a serial peer: the peer hands it what comes
// from the line, and the host sends the device's answers, each piece when
// its delay has passed. The peer must outlive the host.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "sim/serial_device/simulated_device.h"
#include "sim/serial_peer/serial_peer.h"

namespace sim {

class device_host {
  public:
    device_host(serial_peer& peer, std::unique_ptr<simulated_device> device);
    ~device_host();
    device_host(const device_host&) = delete;
    device_host& operator=(const device_host&) = delete;

    simulated_device& device() { return *device_; }

    // True once the device has answered everything that had come from the
    // line when it was called and every piece of those answers (late ones
    // too) is on the line; false after the limit.
    bool wait_idle(std::chrono::milliseconds limit);

  private:
    using clock_type = std::chrono::steady_clock;
    struct piece {
        byte_string bytes;
        clock_type::time_point due;
    };

    void schedule(const timed_answer& answer);  // on the peer's thread
    void run();

    serial_peer& peer_;
    std::unique_ptr<simulated_device> device_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<piece> pending_;
    clock_type::time_point last_due_{};
    bool stopping_ = false;
    bool sending_ = false;  // a piece taken from pending_ is on its way
    std::thread thread_;
};

}  // namespace sim
