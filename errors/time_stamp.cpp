// Local-time stamps for messages and log lines.
#include <ctime>

#include "errors/errors.h"
#include "platform/platform.h"

int64_t u_format_time(int64_t time, char* destination) {
    std::tm local{};
    if (!plat::local_time(time, &local)) {
        destination[0] = '\0';
        return 0;
    }
    return static_cast<int64_t>(
        std::strftime(destination, U_TIME_STAMP_SIZE, "%Y-%m-%d %H:%M:%S", &local));
}

int64_t u_time_stamp(char* destination) {
    return u_format_time(static_cast<int64_t>(std::time(nullptr)), destination);
}
