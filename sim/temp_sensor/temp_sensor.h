// A simulated temperature sensor at device address "0011". It takes poll and
// select messages and answers from the parameter values it keeps by their
// two-letter mnemonic:
// - poll EOT "0011" mnemonic ENQ: STX mnemonic value ETX BCC, or EOT for a
//   mnemonic it does not know; "EE" gives the error status of the last
//   refused select ("0000" when none was refused);
// - select EOT "0011" STX mnemonic value ETX BCC: the value is kept and ACK
//   sent; a wrong BCC (error status "0001") or a text shorter than a
//   mnemonic ("0002") is refused with NAK;
// - messages to another address, and bytes outside a message, go unanswered.
// Settings and observations: any two-letter name is a parameter (its value
// text, no blanks); "polls", "selects" and "bad_checks" count the messages
// taken. The bad checksum fault damages the BCC of a data block (an ACK
// becomes 0x41).
#pragma once

#include <map>
#include <string>

#include "sim/serial_device/simulated_device.h"

namespace sim {

class temp_sensor : public simulated_device {
  public:
    temp_sensor();

  protected:
    void take(const uint8_t* bytes, size_t count, timed_answer* out) override;
    bool set_value(std::string_view name, std::string_view value) override;
    bool get_value(std::string_view name, std::string* value) const override;
    std::string value_names() const override;

  private:
    void poll(const std::string& mnemonic, timed_answer* out);
    void select(const std::string& text, uint8_t check, timed_answer* out);

    std::map<std::string, std::string, std::less<>> parameters_;
    std::map<std::string, int64_t, std::less<>> counts_;
    std::string message_;  // since the last EOT
    bool in_message_ = false;
    bool awaiting_check_ = false;  // ETX of a select came; its BCC is next
};

}  // namespace sim
