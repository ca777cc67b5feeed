// Six characters that make a new file's name unique, for the backends'
// temporary and replacement files. Internal to platform/.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace plat {

// Mixes the clock reading and the process number with a counter, so that
// names differ between processes and between calls; a name that is in use
// anyway is followed by the next one.
inline std::string unique_suffix(uint64_t clock, uint64_t process) {
    static std::atomic<uint64_t> sequence{0};
    uint64_t mix = (clock << 16) ^ (process << 40) ^ process ^
                   (sequence.fetch_add(1) * 0x9E3779B97F4A7C15u);
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
