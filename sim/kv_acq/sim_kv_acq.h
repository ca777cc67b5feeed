// Test controls of the simulated frame-grabber and live-display libraries.
// A test loads the same library the binding loads (so both see one state),
// fills the state through sim_acq_control before the binding runs, and reads
// back what the library saw.
#pragma once

#include <cstdint>

inline constexpr int SIM_ACQ_NAME_SIZE = 32;
inline constexpr int SIM_ACQ_TEXT_SIZE = 512;
inline constexpr int SIM_ACQ_PARAMS = 16;
inline constexpr int SIM_ACQ_MODES = 10;
inline constexpr int SIM_ACQ_INPUTS = 4;
inline constexpr int SIM_ACQ_DEVICES = 5;
inline constexpr int SIM_ACQ_FAILURES = 4;

// A named parameter the Query calls answer; names not listed are unknown.
struct sim_acq_param {
    char name[SIM_ACQ_NAME_SIZE];
    double value;
};

// An empty name is handed out as a null name.
struct sim_acq_mode {
    char name[SIM_ACQ_NAME_SIZE];
    int32_t id;
    int32_t numParams;
    sim_acq_param params[SIM_ACQ_PARAMS];
};

struct sim_acq_input {
    char name[SIM_ACQ_NAME_SIZE];
    int32_t id;
    int32_t modeCount;  // what GetNumInputModes answers
    int32_t numModes;   // how many modes the name walk lists
    sim_acq_mode modes[SIM_ACQ_MODES];
};

struct sim_acq_device {
    char name[SIM_ACQ_NAME_SIZE];
    int32_t id;
    int32_t inputCount;  // what GetNumInputDevices answers
    int32_t numInputs;   // how many input devices the name walk lists
    sim_acq_input inputs[SIM_ACQ_INPUTS];
    int32_t numParams;
    sim_acq_param params[SIM_ACQ_PARAMS];
};

// The entry point of that name fails (0 or null) on its nth call.
struct sim_acq_failure {
    char entry[SIM_ACQ_NAME_SIZE];
    int32_t nth;
};

// The environment variables InitDeviceMgr records.
inline constexpr int SIM_ACQ_ENV_COUNT = 3;
inline constexpr const char* kSimAcqEnvNames[SIM_ACQ_ENV_COUNT] = {"VUVAROVAV", "PULSARVCF",
                                                                   "PULSARDCF"};

// The simulated camera (the grabbing entry points). Empty texts and zero
// figures fall back to the environment of a program run under
// virtual-instrument (SIM_SCAN_FILE, SIM_SURFACE, SIM_CAMERA_FAULT,
// SIM_TIME_SCALE, SIM_CAMERA_NOISE, SIM_CAMERA_SEED), then to the defaults.
// How long ReadDevice waits for its frame before it fails with
// SIM_ACQ_ERROR_TIMEOUT.
inline constexpr int32_t SIM_CAMERA_TIMEOUT_MS = 10000;
// The library's error numbers the camera reports through GetLastAcqError.
inline constexpr int32_t SIM_ACQ_ERROR_DEVICE_OPEN = 1;
inline constexpr int32_t SIM_ACQ_ERROR_BUSY = 5;
inline constexpr int32_t SIM_ACQ_ERROR_CLOSED = 6;
inline constexpr int32_t SIM_ACQ_ERROR_NOT_READY = 7;
inline constexpr int32_t SIM_ACQ_ERROR_INVALID_MODE = 10;
inline constexpr int32_t SIM_ACQ_ERROR_INVALID_DEVICE = 11;
inline constexpr int32_t SIM_ACQ_ERROR_INVALID_PARAMETER = 12;
inline constexpr int32_t SIM_ACQ_ERROR_TIMEOUT = 16;
inline constexpr int32_t SIM_ACQ_ERROR_NO_FILE = 24;

struct sim_acq_camera {
    // ---- set by the test
    char scanFile[SIM_ACQ_TEXT_SIZE];     // the scan file to watch
    char surfaceFile[SIM_ACQ_TEXT_SIZE];  // the surface under the objective
    char fault[SIM_ACQ_NAME_SIZE];        // "drop:K" or "stall:K"
    double timeScale;                     // > 0: frames come this much sooner
    int32_t timeoutMs;                    // > 0: instead of SIM_CAMERA_TIMEOUT_MS
    // Non-zero: the grabbing entry points answer at random from this seed
    // (failures with random error numbers, frames early or never, mutated
    // frame numbers and sizes), never writing outside the caller's buffer.
    uint32_t hostileSeed;
    // ---- recorded by the library
    int32_t openCalls;
    int32_t startCalls;
    int32_t stopCalls;
    int32_t closeCalls;
    int32_t readCalls;
    int32_t framesDelivered;
    int32_t isOpen;       // a device is open
    int32_t isAcquiring;  // between AcquireStart and AcquireStop
    int32_t openMode;     // the mode ID of the last OpenDevice
};

struct sim_acq_state {
    // ---- set by the test
    int32_t deviceCount;  // what GetNumAcqDevices answers
    int32_t numDevices;   // how many devices the name walk lists
    sim_acq_device devices[SIM_ACQ_DEVICES];
    int32_t initResult;  // what InitDeviceMgr answers
    int32_t lastError;   // what GetLastAcqError answers
    sim_acq_failure failures[SIM_ACQ_FAILURES];
    // ---- recorded by the library
    int32_t initCalls;
    int32_t freeCalls;
    int32_t iniWasNull;
    char seenIni[SIM_ACQ_TEXT_SIZE];
    int32_t envSet[SIM_ACQ_ENV_COUNT];
    char seenEnv[SIM_ACQ_ENV_COUNT][SIM_ACQ_TEXT_SIZE];
    char cfgFilePath[SIM_ACQ_TEXT_SIZE];  // the last "CFG FILE PATH" set
    sim_acq_camera camera;
};

// The state of the simulated frame-grabber library. When loaded it describes
// the virtual instrument's grabber (sim_acq_virtual_system); a test zeroes
// it and sets up its own.
using sim_acq_control_func = sim_acq_state* (*)();
inline constexpr const char* SIM_ACQ_CONTROL = "sim_acq_control";

// How often each live-display entry point was called.
struct sim_ld_state {
    int32_t calls;
};
using sim_ld_control_func = sim_ld_state* (*)();
inline constexpr const char* SIM_LD_CONTROL = "sim_ld_control";
