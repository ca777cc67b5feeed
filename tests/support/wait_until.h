// Waiting for a condition that another thread brings about, with a generous
// bound instead of a fixed sleep.
#pragma once

#include <chrono>
#include <thread>

// True as soon as done() holds; false when it still does not after bound.
template <typename Condition>
bool wait_until(Condition done, std::chrono::milliseconds bound = std::chrono::milliseconds(20000)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
