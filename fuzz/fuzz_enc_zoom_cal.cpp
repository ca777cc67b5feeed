// Fuzz target: the encoded zoom's magnification calibration file on
// arbitrary bytes.
//
// A refused file yields no table and a message that stays inside its buffer;
// an accepted one yields 2 to 100 pairs with strictly increasing positions
// and magnifications, each inside its range.
#include <cstring>
#include <string>

#include "can/can.h"
#include "errors/errors.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silence_library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::scratch_path("ZoomCal.txt");
    fuzz::write_file(path, data, size);
    // A short message buffer behind a guard: the parser must stop at its size.
    constexpr size_t kMessage = 200;
    char buffer[kMessage + 16];
    std::memset(buffer, 0x5A, sizeof buffer);
    buffer[0] = '\0';
    int32_t count = -1;
    sys_zoom_cal_pair* pairs = nullptr;
    const int32_t err = enc_zoom_read_cal_file(path.c_str(), &count, &pairs, buffer, kMessage);
    for (size_t i = kMessage; i < sizeof buffer; ++i)
        if (buffer[i] != 0x5A) fuzz::fail("the message ran past its buffer", err, static_cast<int32_t>(i));
    if (std::memchr(buffer, '\0', kMessage) == nullptr) fuzz::fail("the message is not terminated", err, 0);
    if (err != NO_ERROR) {
        if (pairs != nullptr || count != -1) fuzz::fail("a refused file produced a table", err, count);
        if (err != ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE) fuzz::fail("unexpected error", err, 0);
        return 0;
    }
    if (count < ENC_ZOOM_MIN_PAIRS || count > ENC_ZOOM_MAX_PAIRS) fuzz::fail("pair count out of range", count, 0);
    for (int32_t i = 0; i < count; ++i) {
        const sys_zoom_cal_pair& p = pairs[i];
        if (!(p.position >= 0) || !(p.magnification >= 0.5f) || !(p.magnification <= 6.0f))
            fuzz::fail("a pair out of range", i, 0);
        if (i > 0 && !(p.position > pairs[i - 1].position && p.magnification > pairs[i - 1].magnification))
            fuzz::fail("pairs not strictly increasing", i, 0);
    }
    gl_FreeFunc(pairs);
    return 0;
}
