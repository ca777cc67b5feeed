// Unique-name suffixes from a per-process random start, a counter and the clock.
#include "platform/unique_suffix.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>

namespace plat {

std::string unique_suffix() {
    static const uint64_t start = (uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
    static std::atomic<uint64_t> sequence{0};
    const auto now = static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    uint64_t mix = start ^ (now << 16) ^ (sequence.fetch_add(1) * 0x9E3779B97F4A7C15u);
    mix ^= mix >> 29;
    mix *= 0xBF58476D1CE4E5B9u;
    mix ^= mix >> 32;
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix(6, '0');
    for (char& c : suffix) {
        c = kDigits[mix % 36];
        mix /= 36;
    }
    return suffix;
}

}  // namespace plat
