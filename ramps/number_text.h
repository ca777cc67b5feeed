// Numbers as the ramp files and dumps write and read them, independent of
// the C locale: "%f" and "%g" digits as printf makes them in the "C" locale,
// and reals and integers read as strtod and strtol read them there. Internal
// to ramps/; "%g" and the real numbers come from the shared C-locale helpers.
#pragma once

#include <cstdint>
#include <string>

namespace rr_text {

// printf's "%.{precision}f" of value.
std::string fixed(double value, int precision);

// printf's "%g" of value.
std::string general(double value);

// The shortest text that reads back (through read_real, then single
// precision) to exactly this float.
std::string shortest(float value);

// Reads the real number at the start of text as strtod does: blanks first,
// a sign, then decimal digits with a point and an exponent, or "0x" and
// hexadecimal ones; what follows the number is ignored. Infinities and NaNs
// are not numbers here. A value beyond the range of double becomes an
// infinity, one too small for it 0. False, with *value 0, when text does not
// begin with a number.
bool read_real(const char* text, double* value);

// Reads a base-10 integer at the start of text as strtol does, its value
// held to the int32 range. False, with *value 0, when there is no number.
bool read_integer(const char* text, int32_t* value);

}  // namespace rr_text
