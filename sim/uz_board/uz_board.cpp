#include "sim/uz_board/uz_board.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "sim/scanner/ramp_scan.h"

namespace sim {
namespace {

struct fault_entry {
    uz_fault fault;
    const char* name;
};
constexpr fault_entry kFaults[] = {
    {uz_fault::none, "none"},
    {uz_fault::nak, "nak"},
    {uz_fault::bad_checksum, "bad_checksum"},
    {uz_fault::wrong_echo, "wrong_echo"},
    {uz_fault::over_long, "over_long"},
    {uz_fault::truncated, "truncated"},
    {uz_fault::silence, "silence"},
    {uz_fault::report_first, "report_first"},
    {uz_fault::hostile, "hostile"},
};

constexpr uint8_t kEmptySlot = 255;
constexpr size_t kOverLongExtra = 8;

// length, code, data, checksum
byte_string frame_of(uint8_t code, const byte_string& data) {
    byte_string frame;
    frame.reserve(data.size() + 3);
    frame.push_back(static_cast<uint8_t>(data.size() + 2));
    frame.push_back(code);
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(ur_checksum(frame.data() + 1, static_cast<int32_t>(frame.size() - 1)));
    return frame;
}

const byte_string kAck = frame_of(UZ_ACK, {});
const byte_string kNak = frame_of(UZ_NAK, {});

// The setting a command's name stands for: the name without the suffix;
// empty when it does not end so.
std::string setting_of(std::string_view name, std::string_view suffix) {
    if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix) {
        return {};
    }
    return std::string(name.substr(0, name.size() - suffix.size()));
}

void resize_to(byte_string* data, size_t size) {
    data->resize(size, 0);
}

std::string hex_of(const byte_string& bytes) {
    std::string text;
    char two[4];
    for (const uint8_t byte : bytes) {
        std::snprintf(two, sizeof two, "%02X ", byte);
        text += two;
    }
    if (!text.empty()) text.pop_back();
    return text;
}

}  // namespace

const char* uz_fault_name(uz_fault fault) {
    for (const fault_entry& entry : kFaults) {
        if (entry.fault == fault) return entry.name;
    }
    return "?";
}

bool uz_fault_from_name(std::string_view name, uz_fault* fault) {
    for (const fault_entry& entry : kFaults) {
        if (name == entry.name) {
            *fault = entry.fault;
            return true;
        }
    }
    return false;
}

std::string uz_fault_names() {
    std::string names;
    for (const fault_entry& entry : kFaults)
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

uz_board::uz_board(int32_t board_type) : board_type_(board_type) {
    commands_ = ur_cmd_table(board_type, &command_count_);
    names_ = ur_cmd_names(board_type, &command_count_);
    if (commands_ == nullptr) return;
    ramp_data_code_ = ur_ramp_data_cmd(board_type);
    ramp_request_code_ = code_named("_RAMP_REQUEST_CMD");
    ramp_load_code_ = code_named("_RAMP_LOAD_CMD");
    ramp_delete_code_ = code_named("_RAMP_DELETE_CMD");
    ramp_start_code_ = code_named("_RAMP_START_CMD");
    ramp_idle_code_ = code_named("_RAMP_IDLE_CMD");
    ramp_abort_code_ = code_named("_RAMP_ABORT_CMD");
    version_code_ = code_named("_SW_VERSION_CMD");
    const size_t slots = commands_[ramp_request_code_].response - 2u;
    slot_ids_.assign(slots, kEmptySlot);
    slot_values_.assign(slots, {});
    slot_setups_.assign(slots, {});
    report_code_ = board_type == INSTR_BD_UZ1 ? 0x9B : 0x87;
    report_value_ = board_type == INSTR_BD_UZ1 ? 1 : 2;
    const uint8_t board_read = code_named("_EE_INSTRBD_READ_CMD");
    settings_[setting_of(names_[board_read], "_READ_CMD")] = {static_cast<uint8_t>(board_type)};
}

uint8_t uz_board::code_named(std::string_view suffix) const {
    for (int32_t code = 0; code < command_count_; ++code) {
        if (!setting_of(names_[code], suffix).empty()) return static_cast<uint8_t>(code);
    }
    return 0;
}

void uz_board::receive(const uint8_t* bytes, size_t count, byte_string* answer) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!is_valid()) return;
    pending_.insert(pending_.end(), bytes, bytes + count);
    size_t at = 0;
    while (at < pending_.size()) {
        const size_t length = pending_[at];
        const size_t left = pending_.size() - at;
        if (length == 0 || length > UZ_MAX_FRAME_LENGTH) {
            log_frame("<-", {pending_[at]}, "dropped: no frame has this length byte");
            ++at;
            continue;
        }
        if (left < length + 1) break;
        size_t size = length + 1;
        // The ramp data frame carries its values after a header frame of
        // its own: length 4, code, count, header checksum.
        const uint8_t* head = pending_.data() + at;
        if (length == 4 && ramp_data_code_ != 0 && head[1] == ramp_data_code_ &&
            head[4] == ur_checksum(head + 1, 3)) {
            const size_t values = static_cast<size_t>(head[2]) << 8 | head[3];
            size = 5 + 2 * values + 1;
            if (left < size) break;
        }
        const byte_string frame(pending_.begin() + static_cast<std::ptrdiff_t>(at),
                                pending_.begin() + static_cast<std::ptrdiff_t>(at + size));
        take_frame(frame, answer);
        at += size;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
}

void uz_board::take_frame(const byte_string& frame, byte_string* answer) {
    ++requests_;
    log_frame("<-", frame, nullptr);
    byte_string reply = answer_to(frame);
    const char* note = nullptr;
    if (fault_count_ > 0 && fault_ != uz_fault::none) {
        note = uz_fault_name(fault_);
        apply_fault(frame[1], &reply);
        --fault_count_;
    }
    log_frame("->", reply, note);
    answer->insert(answer->end(), reply.begin(), reply.end());
}

byte_string uz_board::answer_to(const byte_string& frame) {
    const size_t length = frame[0];
    const uint8_t code = frame[1];
    if (frame[length] != ur_checksum(frame.data() + 1, static_cast<int32_t>(length - 1)) ||
        code >= command_count_ || commands_[code].request == 0) {
        return kNak;
    }
    if (frame.size() > length + 1) return answer_ramp_data(frame);
    if (length != commands_[code].request) return kNak;
    const byte_string parameters(frame.begin() + 2,
                                 frame.begin() + static_cast<std::ptrdiff_t>(length));

    if (code == ramp_load_code_ || code == ramp_delete_code_) {
        const size_t slot = parameters.empty() ? slot_ids_.size() : parameters[0];
        if (slot >= slot_ids_.size()) return kNak;
        slot_values_[slot].clear();
        slot_setups_[slot] = {};
        if (code == ramp_delete_code_) {
            slot_ids_[slot] = kEmptySlot;
        } else {
            slot_ids_[slot] = parameters.size() > 1 ? parameters[1] : 0;
            if (parameters.size() >= 2 + SCAN_BOARD_SETUP_SIZE)
                slot_setups_[slot] = scan_unpack_board_setup(parameters.data() + 2);
            loaded_slot_ = slot;
        }
        return kAck;
    }
    if (code == ramp_start_code_) {
        const size_t slot = parameters.empty() ? slot_ids_.size() : parameters[0];
        if (slot >= slot_ids_.size()) return kNak;
        start_ramp(slot);
        return kAck;
    }
    if (code == ramp_abort_code_ && ramp_abort_code_ != 0) {
        ramp_end_ns_ = 0;
        return kAck;
    }
    if (code == ramp_idle_code_) {
        const auto preset = query_data_.find(code);
        byte_string data = preset != query_data_.end()
                               ? preset->second
                               : byte_string{static_cast<uint8_t>(ramp_running() ? 0 : 1)};
        resize_to(&data, commands_[code].response - 2u);
        return frame_of(code, data);
    }
    const std::string_view name = names_[code];
    if (commands_[code].response == 0) {
        const std::string setting = setting_of(name, "_SET_CMD");
        if (!setting.empty()) settings_[setting] = parameters;
        return kAck;
    }

    byte_string data;
    const auto preset = query_data_.find(code);
    if (preset != query_data_.end()) {
        data = preset->second;
    } else if (code == ramp_request_code_) {
        data = slot_ids_;
    } else if (code == version_code_) {
        data = {software_version_};
    } else {
        const auto stored = settings_.find(setting_of(name, "_READ_CMD"));
        if (stored != settings_.end()) data = stored->second;
    }
    resize_to(&data, commands_[code].response - 2u);
    return frame_of(code, data);
}

byte_string uz_board::answer_ramp_data(const byte_string& frame) {
    const size_t count = static_cast<size_t>(frame[2]) << 8 | frame[3];
    const uint8_t* values = frame.data() + 5;
    const bool intact = frame.back() == ur_checksum(values, static_cast<int32_t>(2 * count));
    std::vector<uint16_t>& held = slot_values_[loaded_slot_];
    for (size_t i = 0; i < count; ++i) {
        held.push_back(static_cast<uint16_t>(values[2 * i] << 8 | values[2 * i + 1]));
    }
    byte_string data = {static_cast<uint8_t>(intact ? 0 : 1)};
    resize_to(&data, commands_[frame[1]].response - 2u);
    return frame_of(frame[1], data);
}

void uz_board::start_ramp(size_t slot) {
    ++ramp_starts_;
    const scan_ramp_setup& setup = slot_setups_[slot];
    const std::vector<uint16_t>& values = slot_values_[slot];
    ramp_timing timing;
    timing.ramp_type = setup.rampType;
    timing.trig_start = setup.trigStartAddr;
    timing.n_buckets = setup.nBuckets;
    timing.grab_skip = setup.grabSkip;
    timing.camera_rate_hz = setup.cameraRateCentiHz / 100.0;
    timing.sample_rate_khz = board_sample_rate_khz(setup.updateRate);
    timing.offset = setup.offset;
    const double seconds = static_cast<double>(values.size()) / (1000.0 * timing.sample_rate_khz);
    ramp_end_ns_ = scan_clock_ns() + std::llround(seconds * 1e9);
    scan_state scan;
    if (!compute_ramp_scan(timing, values, &scan)) {
        log_frame("--", {}, "the loaded ramp makes no scan");
        return;
    }
    if (!scan_file_.empty() && !publish_scan(scan_file_, scan)) {
        log_frame("--", {}, "the scan file cannot be written");
    }
}

bool uz_board::ramp_running() const {
    return ramp_end_ns_ != 0 && scan_clock_ns() < ramp_end_ns_;
}

void uz_board::apply_fault(uint8_t code, byte_string* answer) {
    const bool is_data = answer->size() > 1 && (*answer)[1] != UZ_ACK && (*answer)[1] != UZ_NAK;
    switch (fault_) {
        case uz_fault::none:
            break;
        case uz_fault::nak:
            *answer = kNak;
            break;
        case uz_fault::bad_checksum:
            answer->back() = static_cast<uint8_t>(answer->back() + 1);
            break;
        case uz_fault::wrong_echo:
            *answer = is_data ? frame_of(static_cast<uint8_t>(code + 1),
                                         byte_string(answer->begin() + 2, answer->end() - 1))
                              : frame_of(code, {});
            break;
        case uz_fault::over_long: {
            byte_string data =
                is_data ? byte_string(answer->begin() + 2, answer->end() - 1) : byte_string{};
            data.resize(std::min<size_t>(data.size() + kOverLongExtra, UZ_MAX_FRAME_LENGTH - 2),
                        0x5A);
            *answer = frame_of(is_data ? code : UZ_ACK, data);
            break;
        }
        case uz_fault::truncated:
            answer->resize(answer->size() > 2 ? answer->size() - 2 : 1);
            break;
        case uz_fault::silence:
            answer->clear();
            break;
        case uz_fault::report_first: {
            const byte_string report_frame = frame_of(report_code_, {report_value_});
            answer->insert(answer->begin(), report_frame.begin(), report_frame.end());
            break;
        }
        case uz_fault::hostile:
            *answer = hostile_answer(code, *answer);
            break;
    }
}

byte_string uz_board::hostile_answer(uint8_t code, const byte_string& answer) {
    auto below = [this](size_t limit) {
        return static_cast<size_t>(random_() % static_cast<uint32_t>(limit));
    };
    auto random_bytes = [&](size_t count) {
        byte_string bytes(count);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random_());
        return bytes;
    };
    const byte_string report_frame = frame_of(report_code_, {report_value_});
    byte_string mutated = answer;
    // A third of the answers are mutated, the rest left as they should be.
    switch (below(36)) {
        case 0:  // NAK
            return kNak;
        case 1:  // one byte changed anywhere, the length byte included
            if (!mutated.empty())
                mutated[below(mutated.size())] ^= static_cast<uint8_t>(1 + below(255));
            return mutated;
        case 2:  // garbage
            return random_bytes(1 + below(8));
        case 3:  // cut short anywhere after the code
            if (mutated.size() > 2) mutated.resize(2 + below(mutated.size() - 2));
            return mutated;
        case 4:  // well formed, echoing the code, any length
            return frame_of(code, random_bytes(below(UZ_MAX_FRAME_LENGTH - 1)));
        case 5: {  // a length byte that carries no frame, then the answer
            const uint8_t no_frame = below(2) == 0 ? 0 : static_cast<uint8_t>(0x80 + below(128));
            mutated.insert(mutated.begin(), no_frame);
            return mutated;
        }
        case 6:  // a report, known or not, then the answer
            mutated.insert(mutated.begin(), report_frame.begin(), report_frame.end());
            return mutated;
        case 7: {  // three reports, then the answer
            byte_string reports;
            for (int i = 0; i < 3; ++i)
                reports.insert(reports.end(), report_frame.begin(), report_frame.end());
            mutated.insert(mutated.begin(), reports.begin(), reports.end());
            return mutated;
        }
        case 8:  // the answer twice
            mutated.insert(mutated.end(), answer.begin(), answer.end());
            return mutated;
        case 9:  // another command's echo
            return frame_of(static_cast<uint8_t>(code + 1 + below(200)), random_bytes(below(6)));
        case 10:  // the longest frame there is, well formed, any code
            return frame_of(static_cast<uint8_t>(random_()), random_bytes(UZ_MAX_FRAME_LENGTH - 2));
        case 11:  // checksum off
            if (!mutated.empty())
                mutated.back() = static_cast<uint8_t>(mutated.back() + 1 + below(254));
            return mutated;
        default:  // the answer as it should be
            return mutated;
    }
}

byte_string uz_board::report(uint8_t code, uint8_t value) {
    byte_string frame = frame_of(code, {value});
    std::lock_guard<std::mutex> guard(lock_);
    log_frame("->", frame, "report");
    return frame;
}

void uz_board::inject(uz_fault fault, int count, uint32_t seed) {
    std::lock_guard<std::mutex> guard(lock_);
    fault_ = fault;
    fault_count_ = count;
    random_.seed(seed);
}

void uz_board::set_software_version(uint8_t version) {
    std::lock_guard<std::mutex> guard(lock_);
    software_version_ = version;
}

void uz_board::set_query_data(uint8_t code, const byte_string& data) {
    std::lock_guard<std::mutex> guard(lock_);
    query_data_[code] = data;
}

void uz_board::set_log(log_func log) {
    std::lock_guard<std::mutex> guard(lock_);
    log_ = std::move(log);
}

void uz_board::set_scan_file(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock_);
    scan_file_ = path;
}

scan_ramp_setup uz_board::ramp_setup(size_t slot) const {
    std::lock_guard<std::mutex> guard(lock_);
    return slot < slot_setups_.size() ? slot_setups_[slot] : scan_ramp_setup{};
}

size_t uz_board::ramp_starts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return ramp_starts_;
}

byte_string uz_board::slots() const {
    std::lock_guard<std::mutex> guard(lock_);
    return slot_ids_;
}

size_t uz_board::ramp_values(size_t slot) const {
    std::lock_guard<std::mutex> guard(lock_);
    return slot < slot_values_.size() ? slot_values_[slot].size() : 0;
}

size_t uz_board::requests() const {
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

void uz_board::log_frame(const char* direction, const byte_string& frame, const char* note) {
    if (!log_) return;
    std::string what;
    if (frame.size() < 2) {
        what = frame.empty() ? "nothing" : "a byte";
    } else if (frame[1] == UZ_ACK) {
        what = "ACK";
    } else if (frame[1] == UZ_NAK) {
        what = "NAK";
    } else if (frame[1] < command_count_) {
        what = names_[frame[1]];
    } else {
        char code[32];
        std::snprintf(code, sizeof code, "code 0x%02X", frame[1]);
        what = code;
    }
    std::string line = std::string(direction) + " " + what;
    if (!frame.empty()) line += "  " + hex_of(frame);
    if (note != nullptr) line += "  (" + std::string(note) + ")";
    log_(line);
}

}  // namespace sim
