// The text protocol between a remote serial peer (a Windows test process) and
// the native serial peer server that runs the peers on pseudo-terminals.
//
// One request per line, one reply line per request. Fields are separated by
// single blanks; byte strings travel as lower-case hex, "-" when empty.
//   hello                         -> ok
//   open                          -> ok <id> <port name>
//   close <id>                    -> ok
//   steps <id> (<expect> <answer> <delay ms>)...
//   send <id> <bytes>
//   busy <id> <0|1> <bytes> <period ms>
//   pause <id> <0|1>
//   clear <id>                    -> ok
//   wait_done <id> <limit ms>     -> ok <0|1>
//   steps_done <id>               -> ok <count>
//   received <id>                 -> ok <bytes>
//   wait_received <id> <count> <limit ms> -> ok <0|1>
//   line <id>                     -> ok <baud> <data bits> <parity> <parity check>
//                                    <stop bits> <xon out> <xon in> <cts> <xon char>
//                                    <xoff char> <raw> <framing known>
//   record <id> <0|1>             -> ok
// A simulated instrument board answers on a peer once it is attached:
//   board <id> <board type>       -> ok
//   fault <id> <fault name> <count> <seed>  -> ok
//   report <id> <code> <value>    -> ok    (the board sends a report now)
//   version <id> <byte>           -> ok
//   query_data <id> <code> <bytes> -> ok
// A request that cannot be served is answered "fail <reason>".
#pragma once

#include <charconv>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/serial_peer/serial_peer.h"

namespace sim::peer_protocol {

inline std::string to_hex(const byte_string& bytes) {
    if (bytes.empty()) return "-";
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

// False for text that is not an even number of hex digits (or "-").
inline bool from_hex(std::string_view text, byte_string* bytes) {
    bytes->clear();
    if (text == "-") return true;
    if (text.size() % 2 != 0) return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    bytes->reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = nibble(text[i]);
        const int low = nibble(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes->push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

// A whole field as an unsigned number; false for anything else.
template <typename Number>
bool to_number(const std::string& field, Number* value) {
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, *value);
    return error == std::errc() && stop == end;
}

inline std::vector<std::string> split_fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

}  // namespace sim::peer_protocol
