// Sleeping the calling thread.
#include "platform/platform.h"
#include "util/util.h"

void u_sleep(int32_t milliseconds) {
    plat::sleep_ms(milliseconds);
}
