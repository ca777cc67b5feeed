// The wave monitor's status and calibration, read into the instrument record
// and reported.
#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "util/util.h"

namespace {

// Which calibration query the flags of the status answer call for: the full
// record when bit 30 says it is there; when neither bit 30 nor bit 31 is
// set, a second status query decides by its bit 30 alone.
int32_t wants_full_record(plat::port_handle* handle, uint32_t flags, bool* full) {
    *full = (flags & WM_FLAG_FULL_CAL) != 0;
    if (*full || (flags & WM_FLAG_NO_SECOND_QUERY) != 0) return NO_ERROR;
    wm_status again{};
    const int32_t code = wm_read_status(handle, &again);
    if (code == NO_ERROR) *full = (again.flags & WM_FLAG_FULL_CAL) != 0;
    return code;
}

double from_millions(float value) {
    return u_convert_units(static_cast<double>(value), U_UNITS_1E6, U_UNITS_1);
}

}  // namespace

int32_t wm_update_status(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    plat::port_handle* handle = &info->waveMonitor.line.portHandle;
    sys_wave_monitor_state& state = info->waveMonitor.state;
    const int64_t now = u_time(nullptr);
    wm_status status{};
    int32_t code = wm_read_status(handle, &status);
    if (code != NO_ERROR) return code;

    state.statusValue1 = status.value1;
    state.statusValue2 = status.value2;
    state.statusFlags = status.flags;
    state.upperFlags = status.flags & WM_UPPER_FLAGS;
    state.calibrated = (status.flags & WM_FLAG_CALIBRATED) != 0 ? 1 : 0;
    state.statusWord6 = status.calAge;
    state.statusWord7 = status.word7;
    if (state.calibrated == 0) {
        state.calTime = 0;
        return NO_ERROR;
    }
    state.calTime = now - status.calAge;

    bool full = false;
    code = wants_full_record(handle, status.flags, &full);
    if (code != NO_ERROR) return code;
    wm_cal_record cal{};
    code = full ? wm_read_cal(handle, &cal) : wm_read_gain(handle, &cal.systemGain);
    if (code != NO_ERROR) return code;

    state.systemGain = cal.systemGain;
    for (int i = 0; i < 4; ++i) {
        state.adcGain[i] = cal.adcGain[i];
        state.adcOffset[i] = cal.adcOffset[i];
    }
    state.phaseOffset01 = cal.phaseOffset[0];
    state.phaseOffset12 = cal.phaseOffset[1];
    state.phaseOffset23 = cal.phaseOffset[2];
    state.limits.minRange = 0;
    state.limits.maxRange = from_millions(status.maxRange);
    state.limits.minRate = from_millions(status.minRate);
    state.limits.maxRate = from_millions(status.maxRate);
    return NO_ERROR;
}

void wm_print_cal(const sys_info* info) {
    if (info == nullptr) return;
    const sys_wave_monitor_state& state = info->waveMonitor.state;
    if (state.calibrated == 0) {
        gl_PrintFunc("Wave monitor not calibrated\n");
        return;
    }
    char when[U_TIME_STAMP_SIZE];
    u_format_time(state.calTime, when);
    gl_PrintFunc("Wave monitor calibrated %s\n", when);
    if ((state.upperFlags & WM_FLAG_FULL_CAL) != 0) {
        const char* const letters = "ABCD";
        for (int i = 0; i < 4; ++i) {
            gl_PrintFunc("ADC Gain %c : %f\n", letters[i], static_cast<double>(state.adcGain[i]));
        }
        for (int i = 0; i < 4; ++i) {
            gl_PrintFunc("ADC Offs %c : %u\n", letters[i], static_cast<unsigned>(state.adcOffset[i]));
        }
        gl_PrintFunc("Phs Offs 01: %f\n", state.phaseOffset01);
        gl_PrintFunc("Phs Offs 12: %f\n", state.phaseOffset12);
        gl_PrintFunc("Phs Offs 23: %f\n", state.phaseOffset23);
    }
    gl_PrintFunc("System Gain: %f\n", static_cast<double>(state.systemGain));
}
