// The computer's name, obtained once.
#include <cstring>
#include <mutex>

#include "platform/platform.h"
#include "util/util.h"

namespace {
char computer_name[U_COMPUTER_NAME_SIZE];
int32_t name_status = 1;
std::once_flag computer_name_once;
}  // namespace

int32_t u_computer_name(char* destination, int32_t capacity) {
    std::call_once(computer_name_once, [] {
        std::memset(computer_name, 0, sizeof computer_name);
        if (plat::computer_name(computer_name, sizeof computer_name)) name_status = 0;
        computer_name[sizeof computer_name - 1] = '\0';
    });
    if (destination != nullptr && capacity > 0) {
        // Padded with terminators; not terminated when the name fills the capacity.
        std::strncpy(destination, computer_name, static_cast<size_t>(capacity));
    }
    return name_status;
}
