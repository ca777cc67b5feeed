// The keyword table of the system calibration file.
#include "instrument/cal_keywords.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <limits>
#include <utility>

#include "util/util.h"

namespace {

// The record field a keyword fills, and its size.
#define CAL_FIELD(member)                                       \
    [](sys_info& info) -> void* { return &info.member; },       \
        sizeof(std::declval<sys_info&>().member)

constexpr double kInt32Min = std::numeric_limits<int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<int32_t>::max();
constexpr double kLargestDouble = std::numeric_limits<double>::max();
// "CL=" carries the value times 10 000 000 as a signed 32-bit number.
constexpr double kClLimit = 214.7483647;

constexpr int32_t kBoardTypes[] = {INSTR_BD_NONE, INSTR_BD_UZ1,  INSTR_BD_UZ2, INSTR_BD_NOT_SERIAL,
                                   INSTR_BD_NIF,  INSTR_BD_FTP, INSTR_BD_CAN};
constexpr int32_t kFlag[] = {0, 1};
constexpr int32_t kPolarity[] = {-1, 1};
constexpr std::span<const int32_t> kAny{};

constexpr const char* kInstrument = "Instrument";
constexpr const char* kWaveMonitor = "Wave monitor";
constexpr const char* kTempSensor = "Temperature sensor";
constexpr const char* kCan = "CAN";
constexpr const char* kSleep = "Sleep mode";
constexpr const char* kEncZoom = "Encoded zoom";
constexpr const char* kRamps = "Ramps";
constexpr const char* kLight = "Light sources";

constexpr cal_keyword kKeywords[] = {
    {"InstrumentBoard", kInstrument, cal_kind::integer, 0, 8, 0, kBoardTypes, "0",
     "controller board: 0 none, 1 UZ1, 3 UZ2, 5 not serial, 6 NIF, 7 FTP, 8 CAN",
     CAL_FIELD(instrBdType)},
    {"SystemType", kInstrument, cal_kind::integer, 0, 255, 0, kAny, "0",
     "the instrument's system type number", CAL_FIELD(systemType)},
    {"CameraType", kInstrument, cal_kind::integer, 0, 255, 0, kAny, "0", "camera type number",
     CAL_FIELD(cameraType)},
    {"LightType", kInstrument, cal_kind::integer, 0, 255, 0, kAny, "0", "light source type number",
     CAL_FIELD(lightType)},
    {"InstrumentBoardPort", kInstrument, cal_kind::text, 0, 0, SYS_PORT_NAME_LEN, kAny, "",
     "serial port of the instrument board (COM3, /dev/ttyS0); empty: none",
     CAL_FIELD(board.line.portName)},

    {"WaveMonitorPort", kWaveMonitor, cal_kind::text, 0, 0, SYS_PORT_NAME_LEN, kAny, "",
     "serial port of the wave monitor; empty: none", CAL_FIELD(waveMonitor.line.portName)},
    {"WaveMonitorCL", kWaveMonitor, cal_kind::real64, -kClLimit, kClLimit, 0, kAny, "0",
     "value sent to the wave monitor with \"CL=\" at switch-on", CAL_FIELD(waveMonitor.clValue)},
    {"WaveMonitorSystemGain", kWaveMonitor, cal_kind::real32, 0, 1e6, 0, kAny, "0",
     "system gain sent to the wave monitor with \"SS=\" at switch-on",
     CAL_FIELD(waveMonitor.systemGain)},
    {"SweepMinRate", kWaveMonitor, cal_kind::real64, 0, kLargestDouble, 0, kAny, "0",
     "slowest sweep rate allowed", CAL_FIELD(waveMonitor.configLimits.minRate)},
    {"SweepMaxRate", kWaveMonitor, cal_kind::real64, 0, kLargestDouble, 0, kAny,
     "1.7976931348623157e+308", "fastest sweep rate allowed",
     CAL_FIELD(waveMonitor.configLimits.maxRate)},
    {"SweepMinRange", kWaveMonitor, cal_kind::real64, 0, kLargestDouble, 0, kAny, "0",
     "shortest sweep range allowed", CAL_FIELD(waveMonitor.configLimits.minRange)},
    {"SweepMaxRange", kWaveMonitor, cal_kind::real64, 0, kLargestDouble, 0, kAny, "1.5e+11",
     "longest sweep range allowed", CAL_FIELD(waveMonitor.configLimits.maxRange)},

    {"TemperatureSensorEnabled", kTempSensor, cal_kind::integer, 0, 1, 0, kFlag, "0",
     "1: switch-on sets up the temperature sensor", CAL_FIELD(tempSensor.enabled)},
    {"TemperatureSensorPort", kTempSensor, cal_kind::text, 0, 0, SYS_PORT_NAME_LEN, kAny, "",
     "serial port of the temperature sensor; empty: none", CAL_FIELD(tempSensor.line.portName)},

    {"CanBridgeMacAddress", kCan, cal_kind::mac, 0, 0, 0, kAny, "FF:FF:FF:FF:FF:FF",
     "MAC address of the CAN bridge; a first pair FF: none configured",
     CAL_FIELD(can.bridge.macAddress)},
    {"ObjectiveTurretType", kCan, cal_kind::integer, 0, 2, 0, kAny, "0",
     "objective turret: 0 none, 1 motorized, 2 encoded", CAL_FIELD(can.objectiveTurretType)},
    {"ZoomChangerType", kCan, cal_kind::integer, 0, 2, 0, kAny, "0",
     "zoom changer: 0 none, 1 encoded, 2 motorized", CAL_FIELD(can.zoomChangerType)},

    {"SleepTimeout", kSleep, cal_kind::duration, 0, 65535, 0, kAny, "0:00:00",
     "idle time before the instrument reports sleep; 0:00:00: no sleep mode",
     CAL_FIELD(sleep.timeoutSeconds)},

    {"OrvoEncZoomConfig", kEncZoom, cal_kind::integer, 0, kInt32Max, 0, kAny, "0",
     "encoded zoom configuration; bit 0 set: the zoom is set up", CAL_FIELD(encZoom.config)},
    {"OrvoEncZoomBacklash", kEncZoom, cal_kind::integer, kInt32Min, kInt32Max, 0, kAny, "0",
     "backlash written to the zoom unit", CAL_FIELD(encZoom.backlash)},
    {"OrvoEncZoomProgLim", kEncZoom, cal_kind::int_pair, kInt32Min, kInt32Max, 0, kAny, "0 0",
     "programmed soft limits of the zoom position", CAL_FIELD(encZoom.progLim)},
    {"OrvoEncZoomWandLim", kEncZoom, cal_kind::int_pair, kInt32Min, kInt32Max, 0, kAny, "0 0",
     "limits of the zoom position under the hand control", CAL_FIELD(encZoom.wandLim)},
    {"OrvoEncZoomStdMags", kEncZoom, cal_kind::real32_list, 0.5, 6, SYS_ZOOM_STD_MAGS, kAny, "",
     "standard magnifications of the zoom", CAL_FIELD(encZoom.stdMags)},
    {"OrvoEncZoomCalFile", kEncZoom, cal_kind::text, 0, 0, SYS_FILE_NAME_LEN, kAny, "",
     "magnification calibration file; empty: ORVO\\ZoomCal.txt", CAL_FIELD(encZoom.calFile)},

    {"Ramp Config", kRamps, cal_kind::text, 0, 0, SYS_FILE_NAME_LEN, kAny, "rampcfg.txt",
     "ramp configuration file in the ramps directory; empty: none, every ramp file is checked",
     CAL_FIELD(ramps.configFile)},
    {"PifocSerialNumber", kRamps, cal_kind::integer, -1, kInt32Max, 0, kAny, "-1",
     "serial number of the PIFOC; -1: the instrument has none", CAL_FIELD(ramps.pifocSerial)},
    {"PifocPolarity", kRamps, cal_kind::integer, -1, 1, 0, kPolarity, "1",
     "polarity of the PIFOC: 1 or -1", CAL_FIELD(ramps.pifocPolarity)},
    {"PztSerialNumber", kRamps, cal_kind::integer, -1, kInt32Max, 0, kAny, "-1",
     "serial number of the PZT; -1: the instrument has none", CAL_FIELD(ramps.pztSerial)},

    {"PmiWavelength", kLight, cal_kind::real32, 1, 100000, 0, kAny, "632.8",
     "wavelength of the phase-measuring source, nm", CAL_FIELD(light.pmiWavelength)},
    {"BroadbandWavelength", kLight, cal_kind::real32, 1, 100000, 0, kAny, "648",
     "centre wavelength of the broad-band source of the scanning ramps, nm",
     CAL_FIELD(light.broadbandWavelength)},
};

#undef CAL_FIELD

// The storage each value type needs, so that a table entry can never point
// its parser at a field of another size.
constexpr bool field_fits(const cal_keyword& k) {
    switch (k.kind) {
        case cal_kind::integer:
            return k.field_size == sizeof(int32_t);
        case cal_kind::real32:
            return k.field_size == sizeof(float);
        case cal_kind::real64:
            return k.field_size == sizeof(double);
        case cal_kind::text:
            return k.capacity > 0 && k.field_size == static_cast<size_t>(k.capacity) &&
                   k.capacity <= CAL_LINE_MAX - 64;
        case cal_kind::mac:
            return k.field_size == SYS_MAC_SIZE;
        case cal_kind::duration:
            return k.field_size == sizeof(uint16_t) && k.max <= 65535;
        case cal_kind::int_pair:
            return k.field_size == 2 * sizeof(int32_t);
        case cal_kind::real32_list:
            return k.field_size == sizeof(sys_zoom_mags) && k.capacity == SYS_ZOOM_STD_MAGS;
    }
    return false;
}

constexpr bool table_fits() {
    for (const cal_keyword& k : kKeywords) {
        if (!field_fits(k)) return false;
    }
    return true;
}
static_assert(table_fits(), "a calibration keyword's type does not match its record field");
static_assert(std::size(kKeywords) <= CAL_MAX_KEYWORDS);

}  // namespace

std::span<const cal_keyword> cal_keywords() {
    return kKeywords;
}

const cal_keyword* cal_find_keyword(std::string_view keyword) {
    char text[CAL_TEXT_SIZE];
    const size_t length = std::min(keyword.size(), sizeof text - 1);
    std::memcpy(text, keyword.data(), length);
    text[length] = '\0';
    for (const cal_keyword& k : kKeywords) {
        if (strxcmp(text, k.name) == 0) return &k;
    }
    return nullptr;
}

void cal_set_defaults(sys_info* info) {
    for (const cal_keyword& k : kKeywords) {
        std::memset(k.field(*info), 0, k.field_size);
        cal_parse_value(k, k.default_value, k.field(*info));
    }
    std::memset(info->calFile.unknownLines, 0, sizeof info->calFile.unknownLines);
}

bool cal_same_configuration(const sys_info& a, const sys_info& b) {
    for (const cal_keyword& k : kKeywords) {
        if (!cal_same_value(k, k.field_of(a), k.field_of(b))) return false;
    }
    return std::strncmp(a.calFile.unknownLines, b.calFile.unknownLines,
                        sizeof a.calFile.unknownLines) == 0;
}
