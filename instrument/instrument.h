// The instrument record: the configuration and state of one instrument that
// the instrument-control modules share, and the fixed table of four records.
//
// The record is grouped by the module that owns each field: a module adds
// fields to its own group and never touches the others. Records are filled
// from the system calibration file; a record whose `initialised` flag is 0
// is "no system information" (ERR_SYS_INFO_NOT_AVAIL).
#pragma once

#include <cstdint>

#include "platform/serial_port.h"

// Controller board types (`instrBdType`).
enum : int32_t {
    INSTR_BD_NONE = 0,
    INSTR_BD_UZ1 = 1,
    INSTR_BD_UZ2 = 3,
    INSTR_BD_NOT_SERIAL = 5,  // a board not driven over a serial line
    INSTR_BD_NIF = 6,
    INSTR_BD_FTP = 7,
    INSTR_BD_CAN = 8,
};

inline constexpr int SYS_INFO_COUNT = 4;
// Room for a device path such as /dev/pts/12 or \\.\COM12.
inline constexpr int SYS_PORT_NAME_LEN = 256;

// A serial line of the instrument: its port name and, while open, its handle
// (plat::kInvalidPort otherwise).
struct sys_serial_line {
    char portName[SYS_PORT_NAME_LEN];
    plat::port_handle portHandle;
};

// The instrument board and its line.
struct sys_board_info {
    sys_serial_line line;
};

// ---- wave monitor -----------------------------------------------------------

// Sweep (ramp) limits, in the order the wave monitor's limit query fills them.
struct sys_sweep_limits {
    double minRate;
    double maxRate;
    double minRange;
    double maxRange;
};

// What the wave monitor last reported about itself (its status update).
struct sys_wave_monitor_state {
    uint8_t calibrated;
    uint32_t statusFlags;  // the raw status word
    uint32_t upperFlags;   // statusFlags & 0xF0000000
    int64_t calTime;       // seconds since the epoch; 0 when not calibrated
    uint32_t statusWord6;
    uint32_t statusWord7;
    float statusValue1;
    float statusValue2;
    float adcGain[4];  // A to D
    float systemGain;
    uint16_t adcOffset[4];  // A to D
    double phaseOffset01;
    double phaseOffset12;
    double phaseOffset23;
    sys_sweep_limits limits;  // the wave monitor's own; minRange is always 0
};

struct sys_wave_monitor_info {
    sys_serial_line line;
    // Configuration.
    double clValue;                 // sent as "CL=" (value x 10 000 000)
    float systemGain;               // sent as "SS="
    sys_sweep_limits configLimits;  // the limits configured for the system type
    // State.
    sys_wave_monitor_state state;
};

// ---- temperature sensor -----------------------------------------------------

struct sys_temp_sensor_info {
    int32_t enabled;  // 1: switch-on opens and sets up the sensor
    sys_serial_line line;
};

// ---- CAN --------------------------------------------------------------------

inline constexpr int SYS_MAC_SIZE = 6;

// The Ethernet-to-CAN bridge.
struct sys_can_bridge {
    uint8_t ipAddress[4];           // found by the bridge search; 255.255.255.255 before
    uint8_t macAddress[SYS_MAC_SIZE];  // configured; a first byte of 0xFF: none configured
    uint8_t firmwareMajor;
    uint8_t firmwareMinor;
};

enum : int32_t { SYS_TURRET_NONE = 0, SYS_TURRET_MOTORIZED = 1, SYS_TURRET_ENCODED = 2 };
enum : int32_t { SYS_ZOOM_NONE = 0, SYS_ZOOM_ENCODED = 1, SYS_ZOOM_MOTORIZED = 2 };

struct sys_can_info {
    sys_can_bridge bridge;
    int32_t objectiveTurretType;  // SYS_TURRET_*
    int32_t zoomChangerType;      // SYS_ZOOM_*
    uint32_t node63ProductCode;   // read at bring-up
    uint8_t lastTurretPosition;   // the turret position the PDOs last reported
    // Optional units, as the bring-up finds them.
    uint8_t triplePztNodeId;  // triple-piezo or large-aperture node; 0: none
    int32_t hasRofNode;       // ring/spot and diffuser disk drive (node 68)
    int32_t hasZoomDdNode;    // zoom and diffuser disk drive (node 70)
    int32_t hasFocusNdwNode;  // focus and ND wheel drive (node 64)
};

// ---- sleep mode -------------------------------------------------------------

struct sys_sleep_info {
    uint16_t timeoutSeconds;  // 0: no sleep mode
    int32_t supported;        // set by the bring-up when the model reports sleep
};

// ---- encoded zoom -----------------------------------------------------------

inline constexpr int SYS_ZOOM_STD_MAGS = 16;
// Room for a path name and its terminator.
inline constexpr int SYS_FILE_NAME_LEN = 260;

struct sys_zoom_mags {
    int32_t count;
    float values[SYS_ZOOM_STD_MAGS];
};

struct sys_enc_zoom_info {
    int32_t config;     // bit 0: the encoded zoom is set up
    int32_t backlash;
    int32_t progLim[2];  // programmed soft limits: lower, upper
    int32_t wandLim[2];  // limits of the hand control: lower, upper
    sys_zoom_mags stdMags;  // the standard magnifications
    char calFile[SYS_FILE_NAME_LEN];   // magnification calibration file; "" for the default
};

// One point of the magnification calibration: encoder position and the
// optical magnification there.
struct sys_zoom_cal_pair {
    double position;
    float magnification;
};

// The loaded magnification calibration and the file it came from.
struct sys_enc_zoom_state {
    int32_t count;             // pairs in the table; 0: none loaded
    sys_zoom_cal_pair* pairs;  // from gl_MallocFunc
    char* path;                // the file the table came from (gl_MallocFunc)
    int64_t modifiedNs;        // its modification time, nanoseconds
    int64_t changedNs;         // its creation/change time, nanoseconds
};

// ---- ramps ------------------------------------------------------------------

inline constexpr int32_t SYS_NO_SERIAL = -1;  // the scanner is absent
// Most ramps the ramp table holds, and the ramp slots an instrument board
// has at most (UZ1 and FTP boards: 12; the others fewer).
inline constexpr int32_t SYS_MAX_RAMPS = 254;
inline constexpr int SYS_INSTR_RAMP_SLOTS = 12;
inline constexpr uint8_t SYS_EMPTY_RAMP_SLOT = 255;

struct rr_ramp_t;  // ramps/ramps.h

struct sys_ramp_info {
    char configFile[SYS_FILE_NAME_LEN];  // in the ramps directory; "" for none
    int32_t pifocSerial;                 // SYS_NO_SERIAL: no PIFOC
    int32_t pifocPolarity;               // 1 or -1
    int32_t pztSerial;                   // SYS_NO_SERIAL: no PZT
    // The digital piezo scanner, as the CAN bridge reports it at bring-up.
    int32_t hasDigitalScanner;
    int32_t digitalScannerKind;
    int32_t digitalScannerSlots;
    // The ramp table that the registry loads (ramps/ramps.h): rampCount
    // ramps on the heap, owned by the record and released by
    // rr_release_ramp_table; pmiRampCount of them are of the PMI family.
    rr_ramp_t* rampTable;
    int32_t rampCount;
    int32_t pmiRampCount;
    int32_t loadedFromConfig;  // 1: the table came from the configuration file
    // The ramp ID in each of the board's ramp slots; SYS_EMPTY_RAMP_SLOT for
    // an empty slot and for slots the board does not have.
    uint8_t instrSlots[SYS_INSTR_RAMP_SLOTS];
};

// ---- acquisition --------------------------------------------------------------

inline constexpr int SYS_ACQ_MAX_MODES = 7;

inline constexpr int SYS_ACQ_MAX_DEVICES = 3;
inline constexpr int SYS_ACQ_MAX_INPUTS = 3;  // input devices (cameras) per acquisition device

// One input mode of the primary camera.
struct sys_acq_mode {
    int32_t modeId;
    double dataRate;  // frames per second
    uint16_t userWidth;
    uint16_t userHeight;
    int32_t bytesPerPixel;
    int32_t dataResolution;     // bits per pixel
    int32_t integrationPeriod;  // milliseconds
};

// What the frame-grabber library reported, filled by acq_mgrinit. IDs are the
// library's; 0 means none.
struct sys_acq_info {
    int32_t numModes;
    int32_t currentMode;  // index into modes
    sys_acq_mode modes[SYS_ACQ_MAX_MODES];
    int32_t maxModeIndex;  // numModes - 1

    int32_t cameraSelection;  // as given to acq_mgrinit
    int32_t ready;            // 1 once acq_mgrinit has finished
    int32_t numDevices;
    int32_t deviceIds[SYS_ACQ_MAX_DEVICES];
    int32_t primaryDeviceId;
    int32_t inputIds[SYS_ACQ_MAX_DEVICES][SYS_ACQ_MAX_INPUTS];  // [device][input position]
    int32_t numCameras;
    int32_t primaryCameraId;
    int32_t secondaryCameraId;
    int32_t primaryCameraDeviceId;    // the acquisition device of each camera
    int32_t secondaryCameraDeviceId;
    int32_t secondaryModeId;
    int32_t numSecondaryModes;  // 0 or 1
    int32_t numGrabBuffers;
    int32_t displayType;
    int32_t maxDisplayWidth;
    int32_t maxDisplayHeight;
    int32_t onboardProc;
};

// ---- the system calibration file ------------------------------------------------

// Room for the lines of keywords this version does not know, kept as read.
inline constexpr int SYS_CAL_UNKNOWN_SIZE = 8192;

// Room for the path of a file found in the configuration directory.
inline constexpr int SYS_CAL_PATH_LEN = 1024;

struct sys_cal_file_info {
    char path[SYS_CAL_PATH_LEN];  // the file the record was read from
    // Unknown keyword lines in file order, each ended by a line feed.
    char unknownLines[SYS_CAL_UNKNOWN_SIZE];
};

// ---- light sources ------------------------------------------------------------

// The wavelengths the surface computation converts fringes with: the
// single-wavelength source of the phase-measuring ramps and the centre of
// the broad-band source of the scanning ramps.
struct sys_light_info {
    float pmiWavelength;        // nm
    float broadbandWavelength;  // nm
};

struct sys_info {
    int32_t initialised;  // 1 once filled from a calibration file or by hand
    int32_t instrBdType;  // INSTR_BD_*
    int32_t systemType;   // the instrument's system type number
    int32_t cameraType;
    int32_t lightType;
    sys_board_info board;
    sys_wave_monitor_info waveMonitor;
    sys_temp_sensor_info tempSensor;
    sys_can_info can;
    sys_sleep_info sleep;
    sys_enc_zoom_info encZoom;
    sys_enc_zoom_state encZoomCal;
    sys_ramp_info ramps;
    sys_acq_info acq;
    sys_light_info light;
    sys_cal_file_info calFile;
};

extern sys_info gl_SysInfo[SYS_INFO_COUNT];

// Sets a record to its empty state: not initialised, every handle invalid,
// every configured value at the calibration file's default, all state zero,
// no ramp table and every ramp slot empty. A ramp table the record holds is
// forgotten, not released: release it first (rr_release_ramp_table).
void sys_info_clear(sys_info* info);

// The first record whose instrument board line holds
// the given handle; null for plat::kInvalidPort or when none holds it.
sys_info* sys_info_find_board_port(plat::port_handle port);

// ---- the system calibration file ---------------------------------------------
//
// A text file of "Keyword: value" lines that configures one instrument (the
// keywords, their values and defaults: docs/calibration-file.md). The name
// given to the reader and the writer is looked up with u_find_file (an
// absolute name as it is, else the current folder, then the configuration
// directory); a null or empty name stands for the default u_cal_file_name(system).

// Reads the file into the record, only when the whole file is good: each
// keyword the file names gets its value, every other configured field its
// default, lines of keywords this version does not know are kept for the
// writer, and initialised becomes 1; handles and state stay as they are.
// A bad line is reported with the file, the line number and the keyword,
// and gives ERR_INVALID_CONFIG_FILE with the record untouched. Other
// results: ERR_INVALID_PARAM (no record), the errors of u_find_file,
// ERR_CANT_OPEN_FILE, ERR_FILE_IO (a read error).
int32_t sys_cal_read(const char* name, int32_t system, sys_info* info);

// Writes the record's configuration: every keyword with its value, then the
// kept unknown lines, each line ended by CR LF. The file goes first to a
// temporary file beside the target, which then replaces it in one step. The
// target is the file the name finds, else a new file of that name (a
// relative name in the configuration directory). ERR_INVALID_PARAM for no
// record or for a value the reader would not take back (the target is then
// untouched); ERR_CANT_OPEN_FILE when the configuration directory is needed
// but not known; ERR_CANT_CREATE_FILE, ERR_CANT_WRITE_FILE.
int32_t sys_cal_write(const char* name, int32_t system, const sys_info* info);
