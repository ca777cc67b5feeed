#include "sim/console/console.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>

namespace sim {
namespace {

volatile std::sig_atomic_t g_stop = 0;

void on_stop(int) {
    g_stop = 1;
}

}  // namespace

void catch_stop_signals() {
    std::signal(SIGINT, on_stop);
    std::signal(SIGTERM, on_stop);
}

bool stop_requested() {
    return g_stop != 0;
}

void wait_for_stop() {
    while (g_stop == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void say(const std::string& line) {
    static std::mutex lock;
    const std::lock_guard<std::mutex> guard(lock);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

bool obey_until_stopped(const std::function<bool(const std::string& line)>& obey) {
    std::string line;
    while (g_stop == 0 && std::getline(std::cin, line)) {
        if (!obey(line)) return false;
    }
    wait_for_stop();
    return true;
}

}  // namespace sim
