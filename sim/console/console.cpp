#include "sim/console/console.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

namespace sim {
namespace {

// The first stop signal that came; 0 while none has.
volatile std::sig_atomic_t g_stop = 0;

void on_stop(int signal) {
    if (g_stop == 0) g_stop = signal;
}

}  // namespace

void catch_stop_signals() {
    std::signal(SIGINT, on_stop);
    std::signal(SIGTERM, on_stop);
#if defined(SIGHUP)
    std::signal(SIGHUP, on_stop);  // the terminal went away
#endif
}

bool stop_requested() {
    return g_stop != 0;
}

int stop_signal() {
    return g_stop;
}

void end_by_stop_signal() {
    const int signal = g_stop;
    if (signal == 0) return;
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::exit(128 + signal);  // where the default action does not end the program
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
    // Reading a line blocks until one is typed, and the C library restarts
    // that read after a signal; reading on a thread of its own lets a stop
    // signal end the program while nobody types.
    struct inbox {
        std::mutex lock;
        std::condition_variable ready;
        std::deque<std::string> lines;
        bool ended = false;
    };
    const auto box = std::make_shared<inbox>();
    std::thread([box] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const std::lock_guard<std::mutex> guard(box->lock);
            box->lines.push_back(line);
            box->ready.notify_one();
        }
        const std::lock_guard<std::mutex> guard(box->lock);
        box->ended = true;
        box->ready.notify_one();
    }).detach();

    while (g_stop == 0) {
        std::unique_lock<std::mutex> guard(box->lock);
        box->ready.wait_for(guard, std::chrono::milliseconds(100),
                            [&box] { return !box->lines.empty() || box->ended; });
        if (!box->lines.empty()) {
            const std::string line = std::move(box->lines.front());
            box->lines.pop_front();
            guard.unlock();
            if (!obey(line)) return false;
        } else if (box->ended) {
            break;
        }
    }
    wait_for_stop();
    return true;
}

}  // namespace sim
