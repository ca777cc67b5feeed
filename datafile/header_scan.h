// Scanning of the ASCII data file's header lines.
#pragma once

#include <cstdint>
#include <span>
#include <variant>

// Where one conversion of a header line goes: %hd into int16_t, %d into
// int32_t, %f into float, %Wc into W characters.
using scan_target = std::variant<int16_t*, int32_t*, float*, char*>;

// Scans a line like sscanf with a format made of blanks, literal characters
// and the conversions %hd, %d, %f and %Wc, storing into targets in order.
// Numbers convert exactly as glibc's sscanf converts them in the C locale,
// whatever locale the host has set. A %Wc conversion takes
// exactly W characters (blanks and quotes included, no terminator added);
// when fewer than W are left it fails. Returns the number of conversions
// made, or -1 when the line ended before the first one.
int scan_header_line(const char* line, const char* format, std::span<const scan_target> targets);
