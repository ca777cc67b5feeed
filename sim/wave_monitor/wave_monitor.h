// A simulated wave monitor. It takes commands ended by a carriage return and
// answers from what it keeps:
// - "LO?": the laser word (bit 15: on) and ACK; "LO=1" / "LO=0": ACK, and the
//   laser follows after `laser_polls` further "LO?" queries (0: at once);
// - "MS?": the nine status words and ACK; the flags say calibrated (bit 0,
//   `calibrated`), laser on (bit 15), full calibration record (bit 30,
//   `full_cal`) and no second query (bit 31, `no_second_query`), with
//   `extra_flags` or-ed in;
// - "CC?": the 40-byte calibration record when bit 30 is set, else the
//   system gain alone, and ACK;
// - "CL=<int>", "SS=<float>": kept (`cl`, `ss`), ACK;
// - "RR=<int>,<int>": `rr1` and `rr2` when set, else the two integers
//   given, and ACK;
// - anything else: NAK.
// Settings and observations (all numbers): calibrated, full_cal,
// no_second_query, extra_flags, laser, laser_polls, word0, value1, value2,
// max_range, min_rate, max_rate (status words 3 to 5, in units of 10^6),
// cal_age, word7, gain_a to gain_d, system_gain, offset_a to offset_d,
// phase_01, phase_12, phase_23, cl, ss, rr1, rr2 (NaN: echo), and the
// counts of commands taken: commands, lo_queries, ms_queries, cc_queries.
// The bad checksum fault damages the acknowledgement byte (0x41).
#pragma once

#include <map>
#include <string>

#include "sim/serial_device/simulated_device.h"

namespace sim {

class wave_monitor : public simulated_device {
  public:
    wave_monitor();

  protected:
    void take(const uint8_t* bytes, size_t count, timed_answer* out) override;
    bool set_value(std::string_view name, std::string_view value) override;
    bool get_value(std::string_view name, std::string* value) const override;
    std::string value_names() const override;

  private:
    void command(const std::string& text, timed_answer* out);
    // The data with ACK after it; the bad checksum form ends in 0x41.
    void data_answer(const byte_string& data, timed_answer* out);
    void ack(bool good, timed_answer* out);
    uint32_t flags() const;
    double& value(const char* name) { return values_.at(name); }
    double value(const char* name) const { return values_.at(name); }

    std::map<std::string, double, std::less<>> values_;
    std::string line_;           // the command being received
    bool line_too_long_ = false;
    double laser_target_ = 0;
    int polls_until_switch_ = 0;
};

}  // namespace sim
