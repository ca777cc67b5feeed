// The steps of the instrument demo. Read this file from the top: each step
// is a handful of library calls, and the comments say what a host program
// must know about them.
#include "instrument_session.h"

#include <cstdarg>

#include "can/can.h"
#include "device/device.h"
#include "errors/errors.h"
#include "ramps/ramps.h"
#include "seriallink/seriallink.h"
#include "util/util.h"

namespace {

const char* board_name(int32_t board_type) {
    switch (board_type) {
        case INSTR_BD_UZ1:
            return "UZ1 board";
        case INSTR_BD_UZ2:
            return "UZ2 board";
        case INSTR_BD_NOT_SERIAL:
            return "board without a serial line";
        case INSTR_BD_NIF:
            return "NIF board";
        case INSTR_BD_FTP:
            return "FTP board";
        case INSTR_BD_CAN:
            return "CAN instrument";
        default:
            return "no board";
    }
}

bool is_open(const sys_serial_line& line) {
    return line.portHandle != plat::kInvalidPort;
}

bool stop_asked(const demo_session& session) {
    return session.stop != nullptr && *session.stop != 0;
}

// The steps below that switch something on print what they opened; a
// device the record does not configure is "none".
void say_line(std::FILE* out, const char* step, const sys_serial_line& line, const char* none) {
    if (is_open(line)) {
        demo_say(out, "%s: ok (%s)", step, line.portName);
    } else {
        demo_say(out, "%s: %s", step, none);
    }
}

// ---- switching on -------------------------------------------------------------

// An instrument board on a serial line: the board link registers the line
// with the device manager, which then tells us when the board has sent
// something. The wave monitor and the temperature sensor have lines of
// their own; each switch-on does nothing when the record does not ask for
// the device (the system type decides on the wave monitor, the
// "TemperatureSensorEnabled" keyword on the sensor).
int32_t switch_on_board(demo_session& session) {
    sys_info* info = session.info;
    int32_t code = ur_initUZ(info);
    if (code != NO_ERROR) return demo_failed(session.out, "switch on board link", code);
    demo_say(session.out, "switch on board link: ok (%s)", info->board.line.portName);

    code = wm_board_switch_on(info);
    // Wave monitor systems prepare their ramp descriptions once it is on.
    if (code == NO_ERROR && is_open(info->waveMonitor.line)) code = wm_init_ramp_info(info);
    if (code != NO_ERROR) return demo_failed(session.out, "switch on wave monitor", code);
    say_line(session.out, "switch on wave monitor", info->waveMonitor.line,
             "none for this system type");
    return NO_ERROR;
}

// A CAN instrument: can_inst_on finds the bridge, connects, clears its
// errors, runs the wave monitor steps of the system types that have one
// (through the hook installed here), and registers the instrument with the
// device manager. On failure it has switched the instrument off again.
int32_t switch_on_can(demo_session& session) {
    sys_info* info = session.info;
    can_set_wave_monitor_hook(wm_can_switch_on);
    const int32_t code = can_inst_on(info);
    if (code != NO_ERROR) return demo_failed(session.out, "switch on CAN instrument", code);
    const uint8_t* ip = info->can.bridge.ipAddress;
    demo_say(session.out, "switch on CAN instrument: ok (bridge %d.%d.%d.%d, firmware %d.%d)", ip[0],
        ip[1], ip[2], ip[3], info->can.bridge.firmwareMajor, info->can.bridge.firmwareMinor);
    say_line(session.out, "switch on wave monitor", info->waveMonitor.line,
             "none for this system type");
    return NO_ERROR;
}

// Where the reader looked for a calibration file it did not find, and how to
// get one without an instrument.
void say_where_looked(std::FILE* out, const char* cal_file, int32_t system) {
    const char* name = cal_file != nullptr ? cal_file : u_cal_file_name(system);
    // A relative name is tried in the current folder, then in the
    // configuration directory; an absolute one is taken as it is.
    if (const char* config = u_config_dir(); config != nullptr) {
        demo_say(out, "  looked for %s in the current folder, then in %s (MB_CONFIG_DIR)", name, config);
    } else {
        demo_say(out,
            "  looked for %s in the current folder; no configuration directory (MB_CONFIG_DIR)",
            name);
    }
    demo_say(out,
        "  no instrument at hand? virtual-instrument makes a calibration file and simulates "
        "the instrument (README: \"Try it without an instrument\")");
}

}  // namespace

void demo_say(std::FILE* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(out, format, args);
    va_end(args);
    std::fputc('\n', out);
    std::fflush(out);
}

int32_t demo_failed(std::FILE* out, const char* step, int32_t code) {
    demo_say(out, "%s: failed: %s", step, u_err_name(code));
    return code;
}

int32_t demo_read_calibration(demo_session& session, const char* cal_file, int32_t system) {
    // A null name asks for the default name of the system's file, looked up
    // in the current folder, then in the configuration directory
    // (MB_CONFIG_DIR).
    const int32_t code = sys_cal_read(cal_file, system, session.info);
    if (code != NO_ERROR) {
        demo_failed(session.out, "read calibration file", code);
        if (code == ERR_CANT_READ_FILE || code == ERR_CANT_OPEN_FILE) {
            say_where_looked(session.out, cal_file, system);
        }
        return code;
    }
    const sys_info* info = session.info;
    demo_say(session.out, "read calibration file: ok (%s: %s, system type %d)", info->calFile.path,
        board_name(info->instrBdType), info->systemType);
    return NO_ERROR;
}

int32_t demo_switch_on(demo_session& session) {
    // The device manager first: the links register their devices with it.
    int32_t code = dev_init_cntrl(false);
    if (code != NO_ERROR) return demo_failed(session.out, "start device manager", code);
    demo_say(session.out, "start device manager: ok");

    sys_info* info = session.info;
    if (ur_is_uz_board(info)) {
        code = switch_on_board(session);
    } else if (info->instrBdType == INSTR_BD_CAN) {
        code = switch_on_can(session);
    } else {
        // Boards without a serial line are switched on by other means.
        code = demo_failed(session.out, "switch on instrument", ERR_WRONG_INSTR_BOARD);
    }
    if (code != NO_ERROR) return code;

    // Its set-up ends with a settling time of 5 s, which would otherwise
    // look like a hang.
    if (info->tempSensor.enabled != 0) {
        demo_say(session.out, "switch on temperature sensor: setting it up, then 5 s for it to settle");
    }
    code = temp_sensor_switch_on(info);
    if (code != NO_ERROR) return demo_failed(session.out, "switch on temperature sensor", code);
    say_line(session.out, "switch on temperature sensor", info->tempSensor.line, "none configured");
    return NO_ERROR;
}

int32_t demo_load_ramps(demo_session& session) {
    // Reads the ramp configuration file (or every ramp file made for the
    // instrument's scanners) from the ramps directory, and empties the
    // board's ramp slots so that the ramps are loaded afresh when used.
    const int32_t code = rr_get_ramp_info(session.info);
    if (code != NO_ERROR) return demo_failed(session.out, "load ramp table", code);
    const int32_t count = session.info->ramps.rampCount;
    demo_say(session.out, "load ramp table: ok (%d %s)", count, count == 1 ? "ramp" : "ramps");
    return NO_ERROR;
}

int32_t demo_read_temperature(demo_session& session) {
    if (!is_open(session.info->tempSensor.line)) {
        demo_say(session.out, "read temperature: no sensor");
        return NO_ERROR;
    }
    double degrees = 0;
    const int32_t code = temp_sensor_read_temperature(session.info, &degrees);
    if (code != NO_ERROR) return demo_failed(session.out, "read temperature", code);
    demo_say(session.out, "read temperature: ok (%.1f)", degrees);
    return NO_ERROR;
}

namespace {

// A board with something on its line has sent a report of its own.
int32_t print_board_report(demo_session& session, const dev_info& device, int* received) {
    // The entry's context is the record that registered the line.
    sys_info* info = static_cast<sys_info*>(device.context);
    int32_t event = 0;
    int32_t value = 0;
    const int32_t code = ur_read_report(&info->board.line.portHandle, &event, &value);
    if (code != NO_ERROR) return code;
    demo_say(session.out, "  board report: event %d, value %d", event, value);
    ++*received;
    return NO_ERROR;
}

// A CAN instrument with queued events: take every one.
void print_can_events(demo_session& session, int* received) {
    can_emergency_event emergency{};
    while (can_take_emergency_event(&emergency)) {
        const int32_t* w = emergency.words;
        demo_say(session.out, "  CAN emergency: %d %d %d %d %d %d", w[0], w[1], w[2], w[3], w[4], w[5]);
        ++*received;
    }
    can_event event{};
    while (can_take_event(&event)) {
        const int32_t* w = event.words;
        demo_say(session.out, "  CAN event %d: %d %d %d %d %d", event.type, w[0], w[1], w[2], w[3],
            w[4]);
        ++*received;
    }
}

}  // namespace

int32_t demo_wait_for_reports(demo_session& session, double seconds) {
    const char* const step = "wait for reports and events";
    // dev_data_read with wait 0 looks at every registered device once and
    // answers the type of the first that has something to read, or
    // DEV_NO_DATA. (With wait 1 it would block until a device has data.)
    const int64_t limit_us = static_cast<int64_t>(seconds * 1e6);
    int64_t waited_us = 0;
    int received = 0;
    u_timer_lap();
    while (waited_us < limit_us && !stop_asked(session)) {
        dev_info device{};
        const int32_t type = dev_data_read(DEV_ALL_TYPES, &device, 0);
        int32_t code = NO_ERROR;
        if (type == DEV_INSTR_BOARD) {
            code = print_board_report(session, device, &received);
        } else if (type == DEV_CAN) {
            print_can_events(session, &received);
        } else if (type == DEV_NO_DATA) {
            u_sleep(50);
        } else if (type == 0) {
            code = ERR_DEV_CNTRL;  // the device manager is not running
        }
        if (code != NO_ERROR) return demo_failed(session.out, step, code);
        waited_us += u_timer_lap();
    }
    if (waited_us < limit_us) {
        demo_say(session.out, "%s: cut short by Ctrl-C or a termination signal after %.1f s", step,
            static_cast<double>(waited_us) / 1e6);
    }
    demo_say(session.out, "%s: ok (%d received)", step, received);
    return NO_ERROR;
}

int32_t demo_switch_off(demo_session& session) {
    // The record holds every open handle, and the close functions set each
    // back to its empty value: what is still open is what to close. The
    // first failure is kept, and the rest is closed all the same.
    sys_info* info = session.info;
    int32_t first = NO_ERROR;
    auto keep = [&first](int32_t code) {
        if (first == NO_ERROR) first = code;
    };
    keep(temp_sensor_switch_off(info));
    keep(wm_switch_off(info));
    if (is_open(info->board.line)) keep(ur_closeUZ(&info->board.line.portHandle));
    // Also unregisters the CAN instrument and stops the library's threads for it.
    if (can_inst_current() != nullptr) can_inst_off(can_inst_current());
    rr_release_ramp_table(info);
    // Ends the device manager's thread and empties its table.
    dev_close_cntrl();

    if (first != NO_ERROR) return demo_failed(session.out, "switch off", first);
    demo_say(session.out, "switch off: ok");
    return NO_ERROR;
}

int32_t demo_run(const demo_options& options, std::FILE* out) {
    demo_session session{out, &gl_SysInfo[options.system], options.stop};
    int32_t code = demo_read_calibration(session, options.cal_file, options.system);
    if (code == NO_ERROR) code = demo_switch_on(session);
    if (code == NO_ERROR) code = demo_load_ramps(session);
    if (code == NO_ERROR) code = demo_read_temperature(session);
    if (code == NO_ERROR) code = demo_wait_for_reports(session, options.seconds);
    // Switch off in every case: a failed step may have left things open.
    const int32_t off = demo_switch_off(session);
    return code != NO_ERROR ? code : off;
}
