// A simulated instrument board that speaks the board protocol for any of the
// four board types, from the library's own command tables.
//
// What it keeps and how it answers a well-formed request:
// - a command the table says is answered by an acknowledgement: ACK
//   (02 FF FF); a *_SET_CMD stores its parameters under the setting's name;
// - a command with a data response: a data response of the table's length,
//   echoing the code; a *_READ_CMD gives back what its *_SET_CMD stored
//   (zeros when nothing was, cut or padded to the response's data size); the
//   EEPROM's board type starts as the board type itself;
// - the software version command: the version byte (set_software_version);
// - the ramp slots (12 on UZ1 and FTP boards, 4 on the others, each empty
//   or holding a ramp ID): the ramp request answers each slot's ID, 255 for
//   an empty one; a ramp load (parameters: slot, ramp ID, then the ramp's
//   set-up) fills a slot and makes it the one ramp data go to; a ramp delete
//   (parameter: slot) empties one; a slot number out of range is NAKed;
//   The load's set-up (scan/scan.h) is kept with the slot;
// - the ramp data frame: the values go to the last loaded slot; the one
//   data byte of the answer is 0 when the frame's data checksum was right,
//   1 when it was not;
// - the ramp start (parameter: slot): the scanner runs through the slot's
//   values for as long as they last, and the scan it makes (its camera
//   triggers: sim/scanner/ramp_scan.h) is published to the scan file, when
//   one is set; the ramp idle query answers 0 while the ramp runs, else 1;
//   the ramp abort ends it;
// - a request with a bad checksum, an unknown code or a length other than
//   the table's: NAK. A length byte of 0 or above 127 is dropped unanswered.
// Any query can be given fixed data with set_query_data.
//
// Faults are injected for a number of answers: each of the next `count`
// answers carries it. All members may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "scan/scan.h"
#include "seriallink/seriallink.h"
#include "sim/serial_peer/serial_peer.h"

namespace sim {

enum class uz_fault {
    none,
    nak,           // a NAK instead of the answer
    bad_checksum,  // the answer with its checksum off by one
    wrong_echo,    // a data response echoing another code; for a setting,
                   // a frame with the command's own code instead of the ACK
    over_long,     // eight data bytes more than the table says, well formed
    truncated,     // the answer without its last two bytes
    silence,       // no answer at all
    report_first,  // a report of the board's own, then the answer
    hostile,       // random and mutated frames, from the seed
};

// The fault's name as board_sim and the serial peer server take it
// ("nak", "bad_checksum", ...), and back; false for an unknown name.
const char* uz_fault_name(uz_fault fault);
bool uz_fault_from_name(std::string_view name, uz_fault* fault);
// Every fault's name, separated by ", ".
std::string uz_fault_names();

class uz_board {
  public:
    using log_func = std::function<void(const std::string& line)>;

    // board_type: 1 UZ1, 3 UZ2, 6 NIF, 7 FTP. Any other type answers
    // nothing (is_valid() is false).
    explicit uz_board(int32_t board_type);

    bool is_valid() const { return commands_ != nullptr; }
    int32_t board_type() const { return board_type_; }

    // Takes bytes from the line; appends what the board sends back.
    void receive(const uint8_t* bytes, size_t count, byte_string* answer);

    // A report frame of this board: 03 code value checksum.
    byte_string report(uint8_t code, uint8_t value);

    void inject(uz_fault fault, int count, uint32_t seed = 1);
    void set_software_version(uint8_t version);
    void set_query_data(uint8_t code, const byte_string& data);
    // Each frame received and sent, in readable form.
    void set_log(log_func log);
    // Where ramp starts publish their scans; empty: nowhere (the start is
    // acknowledged, no scan appears).
    void set_scan_file(const std::string& path);

    // The ramp ID in each slot, 255 for an empty one.
    byte_string slots() const;
    // How many ramp values the slot holds, and the set-up its load gave.
    size_t ramp_values(size_t slot) const;
    scan_ramp_setup ramp_setup(size_t slot) const;
    // Ramp starts taken.
    size_t ramp_starts() const;
    // Requests taken (well formed or not).
    size_t requests() const;

  private:
    void take_frame(const byte_string& frame, byte_string* answer);  // with lock_ held
    byte_string answer_to(const byte_string& frame);
    byte_string answer_ramp_data(const byte_string& frame);
    void start_ramp(size_t slot);  // with lock_ held
    bool ramp_running() const;     // with lock_ held
    void apply_fault(uint8_t code, byte_string* answer);
    byte_string hostile_answer(uint8_t code, const byte_string& answer);
    void log_frame(const char* direction, const byte_string& frame, const char* note);

    // The code whose name ends so; 0 for none.
    uint8_t code_named(std::string_view suffix) const;

    int32_t board_type_;
    const ur_cmd_lengths* commands_ = nullptr;
    const char* const* names_ = nullptr;
    int32_t command_count_ = 0;
    uint8_t ramp_data_code_ = 0;
    uint8_t ramp_request_code_ = 0;
    uint8_t ramp_load_code_ = 0;
    uint8_t ramp_delete_code_ = 0;
    uint8_t ramp_start_code_ = 0;
    uint8_t ramp_idle_code_ = 0;
    uint8_t ramp_abort_code_ = 0;  // 0 on boards without one
    uint8_t version_code_ = 0;
    uint8_t report_code_ = 0;
    uint8_t report_value_ = 0;

    mutable std::mutex lock_;
    byte_string pending_;  // bytes received that do not yet make a frame
    std::map<std::string, byte_string> settings_;
    std::map<uint8_t, byte_string> query_data_;
    std::vector<uint8_t> slot_ids_;
    std::vector<std::vector<uint16_t>> slot_values_;
    std::vector<scan_ramp_setup> slot_setups_;
    std::string scan_file_;
    int64_t ramp_end_ns_ = 0;  // on the scan clock; 0: no ramp has run
    size_t ramp_starts_ = 0;
    size_t loaded_slot_ = 0;
    uint8_t software_version_ = 0x21;
    uz_fault fault_ = uz_fault::none;
    int fault_count_ = 0;
    std::mt19937 random_{1};
    size_t requests_ = 0;
    log_func log_;
};

}  // namespace sim
