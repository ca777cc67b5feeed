// Conversion between the decimal multiples of one unit.
#include <limits>

#include "util/util.h"

namespace {

constexpr double kFactors[] = {1.0, 1e3, 1e6, 1e9, 1e12};

bool known(int32_t code) {
    return code >= U_UNITS_1 && code <= U_UNITS_1E12;
}

}  // namespace

double u_convert_units(double value, int32_t from, int32_t to) {
    if (!known(from) || !known(to)) return std::numeric_limits<double>::max();
    return value * kFactors[from - U_UNITS_1] / kFactors[to - U_UNITS_1];
}
