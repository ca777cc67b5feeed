// The frame-grabber library's error numbers: their texts and our codes.
#include "acquisition/acquisition.h"
#include "errors/errors.h"

namespace {

struct library_error {
    const char* text;
    int32_t code;
};

// Indexed by the library's error number; entry 0 stands for every number
// the library does not document.
constexpr library_error kErrors[] = {
    {"Unknown\n", ERR_UNKNOWN},
    {"Device Open\n", ERR_ACQ_DEVICE_OPEN},
    {"Control File\n", ERR_ACQ_CMD},
    {"Host Resource\n", ERR_ACQ_CMD},
    {"Input Device Open\n", ERR_ACQ_DEVICE_OPEN},
    {"Device Busy\n", ERR_ACQ_DEVICE_BUSY},
    {"Device Closed\n", ERR_ACQ_DEVICE_CLOSE},
    {"Device Not Ready\n", ERR_ACQ_CMD},
    {"Device Buffer\n", ERR_ACQ_CMD},
    {"Out Of Memory\n", ERR_ACQ_CMD},
    {"Invalid Device Mode Specified\n", ERR_ACQ_INVALID_MODE},
    {"Invalid Device Specified\n", ERR_ACQ_CMD},
    {"Invalid Parameter\n", ERR_ACQ_CMD},
    {"Missing Parameter\n", ERR_ACQ_CMD},
    {"System\n", ERR_ACQ_CMD},
    {"System Resource\n", ERR_ACQ_CMD},
    {"Timed Out Waiting for Frames\n", ERR_ACQ_TIMEOUT},
    {"Frame Buffer Overflow\n", ERR_LOST_FRAME},
    {"Data Corrupt\n", ERR_FRAME_DATA_CORRUPT},
    {"Unknown\n", ERR_ACQ_CMD},
    {"Device\n", ERR_ACQ_CMD},
    {"Missed Frame\n", ERR_LOST_FRAME},
    {"Device Initialize\n", ERR_ACQ_CMD},
    {"Configuration File Invalid\n", ERR_ACQ_CFGFILE_INVALID},
    {"Cannot Find File\n", ERR_CANT_OPEN_FILE},
    {"Field Drop\n", ERR_LOST_FRAME},
    {"Attempt to use unsupported functionality\n", ERR_ACQ_CMD},
};
constexpr int32_t kErrorCount = static_cast<int32_t>(sizeof kErrors / sizeof kErrors[0]);

const library_error& lookup(int32_t number) {
    return number > 0 && number < kErrorCount ? kErrors[number] : kErrors[0];
}

}  // namespace

const char* acq_error_text(int32_t library_error) {
    return lookup(library_error).text;
}

int32_t acq_error_code(int32_t library_error) {
    return lookup(library_error).code;
}

int32_t acq_last_error() {
    if (gl_Kv.GetLastAcqError == nullptr) return NO_ERROR;
    const int32_t number = gl_Kv.GetLastAcqError();
    if (number == 0) return NO_ERROR;
    u_print_stamped("Acq Error: ");
    gl_PrintFunc("%s", acq_error_text(number));
    return acq_error_code(number);
}
