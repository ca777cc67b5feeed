// Full initialisation of the acquisition system: calibration file, the
// ownership mutex, the library, discovery, and the device's display figures.
#include <cstring>

#include "acquisition/acquisition.h"
#include "errors/errors.h"
#include "util/util.h"

namespace {

int32_t no_setup(sys_info*, int32_t) {
    return NO_ERROR;
}
int32_t no_update(sys_info*) {
    return NO_ERROR;
}

// Every acquisition field back to empty; the record's other groups stay.
void reset_acquisition_fields(sys_acq_info* acq) {
    std::memset(acq, 0, sizeof *acq);
}

// Takes the mutex that marks the acquisition system as ours.
int32_t take_ownership() {
    gl_AcqMutex = plat::open_named_mutex(ACQ_MUTEX_NAME);
    if (gl_AcqMutex == nullptr) {
        gl_PrintFunc("%s: Cannot create system resource\n", "acq_mgrinit");
        return ERR_ACQ_INIT_DEV;
    }
    if (plat::wait_named_mutex(gl_AcqMutex, ACQ_MUTEX_WAIT_MS) != plat::mutex_wait::acquired) {
        gl_PrintFunc("%s: Acquisition system in use by another process\n", "acq_mgrinit");
        plat::close_named_mutex(gl_AcqMutex);
        gl_AcqMutex = nullptr;
        return ERR_ACQ_INIT_DEV;
    }
    return NO_ERROR;
}

void report_summary(const sys_info* info) {
    const sys_acq_info& acq = info->acq;
    gl_PrintFunc("Num acquisition devices    = %d\n", acq.numDevices);
    gl_PrintFunc("Num cameras                = %d\n", acq.numCameras);
    gl_PrintFunc("Num primary camera modes   = %d\n", acq.numModes);
    gl_PrintFunc("Num secondary camera modes = %d\n", acq.numSecondaryModes);
    gl_PrintFunc("Primary camera type        = %s\n", acq_camera_type_name(info->cameraType));
}

// A device figure as a non-negative integer; fallback when unknown.
int32_t device_figure(const char* parameter, int32_t fallback, bool* known = nullptr) {
    double value = 0;
    const bool found = gl_Kv.AcqDeviceQuery(parameter, &value) != 0;
    if (known != nullptr) *known = found;
    if (!found) return fallback;
    return value > 0 && value < 2147483647.0 ? static_cast<int32_t>(value) : 0;
}

// The display figures: the maximum size is kept only when both are known.
void read_display(sys_acq_info* acq) {
    acq->displayType = device_figure("DISPLAY TYPE", 0);
    if ((acq->displayType & 2) == 0) return;
    bool width_known = false;
    bool height_known = false;
    const int32_t width = device_figure("MAX DISPLAY WIDTH", 0, &width_known);
    const int32_t height = width_known ? device_figure("MAX DISPLAY HEIGHT", 0, &height_known) : 0;
    if (width_known && height_known) {
        acq->maxDisplayWidth = width;
        acq->maxDisplayHeight = height;
    }
}

// Discovery, the summary and the device set-up: everything after the library
// is open. Any failure is returned as it is.
int32_t discover_and_set_up(sys_info* info) {
    int32_t result = acq_getdevices(info);
    if (result == NO_ERROR) result = acq_getinputdev(info);
    if (result == NO_ERROR) result = acq_getinputmodes(info);
    if (result == NO_ERROR) result = gl_AcqHooks.setModeFlags(info);
    if (result != NO_ERROR) return result;
    report_summary(info);

    sys_acq_info* acq = &info->acq;
    if (gl_Kv.SetCurrentAcqDevice(acq->primaryDeviceId) == 0) {
        gl_PrintFunc("%s: Cannot select the current acquisition device\n", "acq_mgrinit");
        return ERR_ACQ_INVALID_DEVICE;
    }
    const char* config = u_config_dir();
    if (config != nullptr) gl_Kv.AcqDeviceSet("CFG FILE PATH", config);
    if (gl_Kv.SetCurrentInputDevice(acq->primaryCameraId) == 0) {
        gl_PrintFunc("%s: Cannot set selected input device\n", "acq_mgrinit");
        return ERR_ACQ_INVALID_DEVICE;
    }

    result = gl_AcqHooks.setupDevice(info, 2);
    if (result == NO_ERROR) result = gl_AcqHooks.updateSysInfo(info);
    if (result == NO_ERROR) result = gl_AcqHooks.setupDevice(info, 1);
    if (result != NO_ERROR) return result;
    read_display(acq);
    result = gl_AcqHooks.updateSysInfo(info);
    if (result != NO_ERROR) return result;
    acq->onboardProc = device_figure("ONBOARD PROC", 0);
    acq->ready = 1;
    return NO_ERROR;
}

}  // namespace

acq_hooks gl_AcqHooks = {no_setup, no_update, no_update};

void acq_default_hooks() {
    gl_AcqHooks = acq_hooks{no_setup, no_update, no_update};
}

int32_t acq_mgrinit(int32_t system, int32_t camera, const char* cal_file) {
    if (system < 0 || system >= SYS_INFO_COUNT) return ERR_INVALID_PARAM;
    sys_info* info = &gl_SysInfo[system];
    // A system initialised before gives up its library, mutex and event first.
    acq_mgrclose(info);

    reset_acquisition_fields(&info->acq);
    info->acq.cameraSelection = camera;
    int32_t result = sys_cal_read(cal_file, system, info);
    if (result != NO_ERROR) return result;

    result = take_ownership();
    if (result != NO_ERROR) return result;

    if (acq_mgropen(ACQ_INI_FILE) != NO_ERROR) {
        acq_mgrclose(info);
        return ERR_ACQ_INIT_DEV;
    }
    result = discover_and_set_up(info);
    if (result != NO_ERROR) acq_mgrclose(info);
    return result;
}
