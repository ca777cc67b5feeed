#include "sim/temp_sensor/temp_sensor.h"

#include "seriallink/seriallink.h"

namespace sim {
namespace {

constexpr std::string_view kAddress = TEMP_ADDRESS;
constexpr size_t kLongestMessage = 300;

uint8_t block_check(std::string_view block) {
    uint8_t check = 0;
    for (const char c : block) check ^= static_cast<uint8_t>(c);
    return check;
}

bool is_mnemonic(std::string_view name) {
    return name.size() == 2 && name[0] > ' ' && name[1] > ' ';
}

}  // namespace

temp_sensor::temp_sensor() {
    parameters_ = {{"PV", "0023.4"}, {"SP", "0025.0"}, {"IM", "0000"},
                   {"QD", "0000"},   {"Q1", "0000"},   {"EE", "0000"}};
    counts_ = {{"polls", 0}, {"selects", 0}, {"bad_checks", 0}};
}

bool temp_sensor::set_value(std::string_view name, std::string_view value) {
    if (const auto count = counts_.find(name); count != counts_.end()) {
        double number = 0;
        if (!parse_number(value, &number)) return false;
        count->second = static_cast<int64_t>(number);
        return true;
    }
    if (!is_mnemonic(name) || value.find_first_of(" \t\r\n") != std::string_view::npos) {
        return false;
    }
    parameters_[std::string(name)] = std::string(value);
    return true;
}

bool temp_sensor::get_value(std::string_view name, std::string* value) const {
    if (const auto count = counts_.find(name); count != counts_.end()) {
        *value = std::to_string(count->second);
        return true;
    }
    const auto found = parameters_.find(name);
    if (found == parameters_.end()) return false;
    *value = found->second;
    return true;
}

std::string temp_sensor::value_names() const {
    std::string names = "any two-character parameter mnemonic";
    for (const auto& [name, count] : counts_) names += ", " + name;
    return names;
}

void temp_sensor::take(const uint8_t* bytes, size_t count, timed_answer* out) {
    for (size_t i = 0; i < count; ++i) {
        const auto byte = static_cast<char>(bytes[i]);
        if (awaiting_check_) {
            awaiting_check_ = false;
            in_message_ = false;
            log_taken(static_cast<char>(TEMP_EOT) + message_ + byte);
            // EOT address STX text ETX: the text lies between.
            const size_t text_at = kAddress.size() + 1;
            if (message_.compare(0, kAddress.size(), kAddress) == 0 && message_.size() > text_at &&
                message_[kAddress.size()] == static_cast<char>(TEMP_STX)) {
                select(message_.substr(text_at, message_.size() - text_at - 1), bytes[i], out);
            }
            continue;
        }
        if (bytes[i] == TEMP_EOT) {
            message_.clear();
            in_message_ = true;
            continue;
        }
        if (!in_message_) continue;
        if (message_.size() >= kLongestMessage) {
            in_message_ = false;
            continue;
        }
        message_ += byte;
        if (bytes[i] == TEMP_ETX && message_.size() > kAddress.size() &&
            message_[kAddress.size()] == static_cast<char>(TEMP_STX)) {
            awaiting_check_ = true;
        } else if (bytes[i] == TEMP_ENQ) {
            in_message_ = false;
            log_taken(static_cast<char>(TEMP_EOT) + message_);
            if (message_.compare(0, kAddress.size(), kAddress) == 0) {
                poll(message_.substr(kAddress.size(), message_.size() - kAddress.size() - 1), out);
            }
        }
    }
}

void temp_sensor::poll(const std::string& mnemonic, timed_answer* out) {
    counts_["polls"] += 1;
    const auto found = parameters_.find(mnemonic);
    if (found == parameters_.end()) {
        answer({TEMP_EOT}, {TEMP_EOT}, out);
        return;
    }
    const std::string block = static_cast<char>(TEMP_STX) + mnemonic + found->second +
                              static_cast<char>(TEMP_ETX);
    const uint8_t check = block_check(std::string_view(block).substr(1));
    byte_string good = to_bytes(block);
    byte_string bad = good;
    good.push_back(check);
    bad.push_back(static_cast<uint8_t>(check + 1));
    answer(good, bad, out);
}

void temp_sensor::select(const std::string& text, uint8_t check, timed_answer* out) {
    counts_["selects"] += 1;
    const std::string block = text + static_cast<char>(TEMP_ETX);
    if (block_check(block) != check) {
        counts_["bad_checks"] += 1;
        parameters_["EE"] = "0001";
        answer({TEMP_NAK}, {TEMP_NAK}, out);
        return;
    }
    if (text.size() < 2) {
        parameters_["EE"] = "0002";
        answer({TEMP_NAK}, {TEMP_NAK}, out);
        return;
    }
    parameters_[text.substr(0, 2)] = text.substr(2);
    answer({TEMP_ACK}, {0x41}, out);
}

}  // namespace sim
