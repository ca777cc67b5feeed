// Default name of the system calibration file: computer name, point, digit.
#include <cstring>
#include <mutex>

#include "util/util.h"

namespace {
char cal_file_name[U_CAL_FILE_NAME_SIZE];
std::once_flag cal_file_name_once;
}  // namespace

const char* u_cal_file_name(int32_t system) {
    std::call_once(cal_file_name_once, [system] {
        u_computer_name(cal_file_name, U_COMPUTER_NAME_SIZE);
        cal_file_name[U_COMPUTER_NAME_SIZE - 1] = '\0';
        const size_t length = std::strlen(cal_file_name);
        // '0' plus the system number, computed without overflow for any number.
        const auto digit =
            static_cast<uint8_t>(static_cast<uint32_t>('0') + static_cast<uint32_t>(system));
        cal_file_name[length] = '.';
        cal_file_name[length + 1] = static_cast<char>(digit);
        cal_file_name[length + 2] = '\0';
    });
    return cal_file_name;
}
