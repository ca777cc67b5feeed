#include "sim/serial_device/simulated_device.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace sim {
namespace {

constexpr uint8_t kNak = 0x15;

struct fault_entry {
    device_fault fault;
    const char* name;
};
constexpr fault_entry kFaults[] = {
    {device_fault::none, "none"},           {device_fault::nak, "nak"},
    {device_fault::bad_checksum, "bad_checksum"}, {device_fault::stray, "stray"},
    {device_fault::truncated, "truncated"}, {device_fault::over_long, "over_long"},
    {device_fault::silence, "silence"},     {device_fault::stall, "stall"},
    {device_fault::hostile, "hostile"},
};

void send_now(const byte_string& bytes, timed_answer* out) {
    if (!bytes.empty()) out->push_back({bytes, std::chrono::milliseconds(0)});
}

}  // namespace

const char* device_fault_name(device_fault fault) {
    for (const fault_entry& entry : kFaults) {
        if (entry.fault == fault) return entry.name;
    }
    return "none";
}

bool device_fault_from_name(std::string_view name, device_fault* fault) {
    for (const fault_entry& entry : kFaults) {
        if (name == entry.name) {
            *fault = entry.fault;
            return true;
        }
    }
    return false;
}

std::string device_fault_names() {
    std::string names;
    for (const fault_entry& entry : kFaults)
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

bool parse_number(std::string_view text, double* value) {
    if (text.empty() || text.size() > 64) return false;
    // strtod takes what from_chars does and more (hex floats, "inf"), and
    // exists for doubles on every compiler this builds with.
    const std::string copy(text);
    char* end = nullptr;
    *value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size();
}

std::string format_number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

void simulated_device::receive(const uint8_t* bytes, size_t count, timed_answer* out) {
    const std::lock_guard<std::mutex> guard(lock_);
    take(bytes, count, out);
}

void simulated_device::inject(device_fault fault, int count, uint32_t seed) {
    const std::lock_guard<std::mutex> guard(lock_);
    fault_ = fault;
    fault_count_ = count;
    random_.seed(seed);
}

bool simulated_device::set(std::string_view name, std::string_view value) {
    const std::lock_guard<std::mutex> guard(lock_);
    if (name == "stall_ms" || name == "late_ms") {
        double ms = 0;
        if (!parse_number(value, &ms) || ms < 0 || ms > 600000) return false;
        (name == "stall_ms" ? stall_ : late_) = std::chrono::milliseconds(static_cast<int64_t>(ms));
        return true;
    }
    return set_value(name, value);
}

std::string simulated_device::setting_names() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return value_names() + ", stall_ms";
}

bool simulated_device::get(std::string_view name, std::string* value) const {
    const std::lock_guard<std::mutex> guard(lock_);
    if (name == "stall_ms" || name == "late_ms") {
        *value = std::to_string((name == "stall_ms" ? stall_ : late_).count());
        return true;
    }
    return get_value(name, value);
}

void simulated_device::set_log(log_func log) {
    const std::lock_guard<std::mutex> guard(lock_);
    log_ = std::move(log);
}

void simulated_device::log_taken(std::string_view message) const {
    if (log_) log_("<- " + readable_bytes(message));
}

std::string readable_bytes(std::string_view bytes) {
    static constexpr const char* kControlNames[32] = {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
        "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else if (byte < 0x20) {
            text += std::string("<") + kControlNames[byte] + ">";
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            text += hex;
        }
    }
    return text;
}

void simulated_device::answer(const byte_string& good, const byte_string& with_bad_check,
                              timed_answer* out) {
    device_fault fault = device_fault::none;
    if (fault_count_ != 0) {
        fault = fault_;
        if (fault_count_ > 0) --fault_count_;
    }
    if (log_) {
        std::string line = "-> " + readable_bytes({reinterpret_cast<const char*>(good.data()), good.size()});
        if (fault != device_fault::none) line += std::string("  (") + device_fault_name(fault) + ")";
        log_(line);
    }
    byte_string bytes = good;
    switch (fault) {
        case device_fault::none:
            break;
        case device_fault::nak:
            bytes = {kNak};
            break;
        case device_fault::bad_checksum:
            bytes = with_bad_check;
            break;
        case device_fault::stray:
            bytes.insert(bytes.begin(), 0x7E);
            break;
        case device_fault::truncated:
            if (!bytes.empty()) bytes.pop_back();
            break;
        case device_fault::over_long:
            bytes.insert(bytes.end(), {0x5A, 0xA5, 0x3C});
            break;
        case device_fault::silence:
            return;
        case device_fault::stall: {
            const auto half = static_cast<std::ptrdiff_t>(bytes.size() / 2);
            send_now(byte_string(bytes.begin(), bytes.begin() + half), out);
            out->push_back({byte_string(bytes.begin() + half, bytes.end()), stall_});
            return;
        }
        case device_fault::hostile:
            bytes = hostile(good, out);
            break;
    }
    send_now(bytes, out);
}

// A random damage, or none. Most outcomes keep at least the answer's
// length, so that the library is seldom left waiting for a byte that never
// comes (each such wait lasts the port's time-out).
byte_string simulated_device::hostile(const byte_string& good, timed_answer* out) {
    auto below = [this](size_t n) {
        return static_cast<size_t>(std::uniform_int_distribution<size_t>(0, n - 1)(random_));
    };
    auto random_byte = [this] {
        return static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_));
    };
    byte_string bytes = good;
    const size_t choice = below(1000);  // per mille
    if (choice < 500) return bytes;     // left alone
    if (choice < 680) {                 // some bytes changed
        for (size_t n = 1 + below(3); n > 0 && !bytes.empty(); --n) {
            bytes[below(bytes.size())] = random_byte();
        }
    } else if (choice < 760) {  // noise, at least as long as the answer
        bytes.resize(good.size() + below(good.size() + 5));
        for (uint8_t& byte : bytes) byte = random_byte();
    } else if (choice < 850) {  // bytes after the answer
        for (size_t n = 1 + below(8); n > 0; --n) bytes.push_back(random_byte());
    } else if (choice < 920) {  // bytes before the answer
        for (size_t n = 1 + below(3); n > 0; --n) bytes.insert(bytes.begin(), random_byte());
    } else if (choice < 950) {  // the answer of another moment: a lone NAK or ACK
        bytes = {below(2) == 0 ? kNak : uint8_t{0x06}};
    } else if (choice < 985) {  // the rest comes late, within the port's time-out
        const auto half = static_cast<std::ptrdiff_t>(bytes.size() / 2);
        send_now(byte_string(bytes.begin(), bytes.begin() + half), out);
        const auto spread = static_cast<size_t>(late_.count());
        out->push_back({byte_string(bytes.begin() + half, bytes.end()),
                        std::chrono::milliseconds(spread / 10 + (spread > 0 ? below(spread) : 0))});
        return {};
    } else if (choice < 995) {  // cut short
        bytes.resize(below(bytes.size() + 1));
    } else {  // nothing
        return {};
    }
    return bytes;
}

}  // namespace sim
