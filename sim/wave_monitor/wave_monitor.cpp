#include "sim/wave_monitor/wave_monitor.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "seriallink/seriallink.h"

namespace sim {
namespace {

constexpr size_t kLongestCommand = 64;

void put_u32(byte_string* out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void put_f32(byte_string* out, double value) {
    put_u32(out, std::bit_cast<uint32_t>(static_cast<float>(value)));
}

void put_u16(byte_string* out, double value) {
    const auto v = static_cast<uint16_t>(value);
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

// A whole decimal integer of 32 bits; false for anything else.
bool parse_int(const std::string& text, int64_t* value) {
    if (text.empty() || text.size() > 11) return false;
    char* end = nullptr;
    *value = std::strtoll(text.c_str(), &end, 10);
    return end == text.c_str() + text.size() && *value >= INT32_MIN && *value <= INT32_MAX;
}

}  // namespace

wave_monitor::wave_monitor() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    values_ = {
        {"calibrated", 1},    {"full_cal", 1},      {"no_second_query", 0}, {"extra_flags", 0},
        {"laser", 1},         {"laser_polls", 2},   {"word0", 0},           {"value1", 1.25},
        {"value2", -2.5},     {"max_range", 0.15},  {"min_rate", 0.002},    {"max_rate", 40},
        {"cal_age", 3600},    {"word7", 7},         {"gain_a", 1.5},        {"gain_b", 1.25},
        {"gain_c", 0.75},     {"gain_d", 0.5},      {"system_gain", 2.5},   {"offset_a", 100},
        {"offset_b", 200},    {"offset_c", 300},    {"offset_d", 65535},    {"phase_01", 0.125},
        {"phase_12", -0.25},  {"phase_23", 3.5},    {"cl", 0},              {"ss", 0},
        {"rr1", nan},         {"rr2", nan},         {"commands", 0},        {"lo_queries", 0},
        {"ms_queries", 0},    {"cc_queries", 0},
    };
    laser_target_ = value("laser");
}

bool wave_monitor::set_value(std::string_view name, std::string_view text) {
    const auto found = values_.find(name);
    double number = 0;
    if (found == values_.end() || !parse_number(text, &number)) return false;
    found->second = number;
    if (name == "laser") {
        laser_target_ = number;
        polls_until_switch_ = 0;
    }
    return true;
}

bool wave_monitor::get_value(std::string_view name, std::string* text) const {
    const auto found = values_.find(name);
    if (found == values_.end()) return false;
    *text = format_number(found->second);
    return true;
}

std::string wave_monitor::value_names() const {
    std::string names;
    for (const auto& [name, value] : values_) names += (names.empty() ? "" : ", ") + name;
    return names;
}

void wave_monitor::take(const uint8_t* bytes, size_t count, timed_answer* out) {
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] != WM_COMMAND_END) {
            if (line_.size() < kLongestCommand) {
                line_ += static_cast<char>(bytes[i]);
            } else {
                line_too_long_ = true;
            }
            continue;
        }
        value("commands") += 1;
        log_taken(line_ + static_cast<char>(WM_COMMAND_END));
        if (line_too_long_) {
            ack(false, out);
        } else {
            command(line_, out);
        }
        line_.clear();
        line_too_long_ = false;
    }
}

uint32_t wave_monitor::flags() const {
    uint32_t flags = static_cast<uint32_t>(value("extra_flags"));
    if (value("calibrated") != 0) flags |= 1u << 0;
    if (value("laser") != 0) flags |= 1u << 15;
    if (value("full_cal") != 0) flags |= 1u << 30;
    if (value("no_second_query") != 0) flags |= 1u << 31;
    return flags;
}

void wave_monitor::command(const std::string& text, timed_answer* out) {
    const std::string name = text.substr(0, 3);
    const std::string argument = text.size() > 3 ? text.substr(3) : "";
    if (text == "LO?") {
        value("lo_queries") += 1;
        if (value("laser") != laser_target_ && --polls_until_switch_ <= 0) {
            value("laser") = laser_target_;
        }
        byte_string data;
        put_u32(&data, value("laser") != 0 ? 1u << 15 : 0u);
        data_answer(data, out);
    } else if (name == "LO=" && (argument == "0" || argument == "1")) {
        laser_target_ = argument == "1" ? 1 : 0;
        polls_until_switch_ = static_cast<int>(value("laser_polls"));
        if (polls_until_switch_ <= 0) value("laser") = laser_target_;
        ack(true, out);
    } else if (text == "MS?") {
        value("ms_queries") += 1;
        byte_string data;
        put_u32(&data, static_cast<uint32_t>(value("word0")));
        for (const char* word : {"value1", "value2", "max_range", "min_rate", "max_rate"}) {
            put_f32(&data, value(word));
        }
        put_u32(&data, static_cast<uint32_t>(value("cal_age")));
        put_u32(&data, static_cast<uint32_t>(value("word7")));
        put_u32(&data, flags());
        data_answer(data, out);
    } else if (text == "CC?") {
        value("cc_queries") += 1;
        byte_string data;
        if (value("full_cal") != 0) {
            for (const char* gain : {"gain_a", "gain_b", "gain_c", "gain_d"}) put_f32(&data, value(gain));
        }
        put_f32(&data, value("system_gain"));
        if (value("full_cal") != 0) {
            for (const char* offset : {"offset_a", "offset_b", "offset_c", "offset_d"}) {
                put_u16(&data, value(offset));
            }
            for (const char* phase : {"phase_01", "phase_12", "phase_23"}) put_f32(&data, value(phase));
        }
        data_answer(data, out);
    } else if (name == "CL=") {
        int64_t cl = 0;
        const bool good = parse_int(argument, &cl);
        if (good) value("cl") = static_cast<double>(cl);
        ack(good, out);
    } else if (name == "SS=") {
        double ss = 0;
        const bool good = parse_number(argument, &ss);
        if (good) value("ss") = ss;
        ack(good, out);
    } else if (name == "RR=") {
        const size_t comma = argument.find(',');
        int64_t first = 0;
        int64_t second = 0;
        if (comma == std::string::npos || !parse_int(argument.substr(0, comma), &first) ||
            !parse_int(argument.substr(comma + 1), &second)) {
            ack(false, out);
            return;
        }
        byte_string data;
        put_u32(&data, static_cast<uint32_t>(std::isnan(value("rr1")) ? first
                                                                      : static_cast<int64_t>(value("rr1"))));
        put_u32(&data, static_cast<uint32_t>(std::isnan(value("rr2")) ? second
                                                                      : static_cast<int64_t>(value("rr2"))));
        data_answer(data, out);
    } else {
        ack(false, out);
    }
}

void wave_monitor::data_answer(const byte_string& data, timed_answer* out) {
    byte_string good = data;
    good.push_back(WM_ACK);
    byte_string bad = data;
    bad.push_back(0x41);
    answer(good, bad, out);
}

void wave_monitor::ack(bool good, timed_answer* out) {
    answer({good ? WM_ACK : WM_NAK}, {0x41}, out);
}

}  // namespace sim
