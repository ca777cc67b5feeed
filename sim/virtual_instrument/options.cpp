#include "sim/virtual_instrument/options.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "sim/virtual_instrument/scene.h"

namespace vi {
namespace {

struct kind_entry {
    const char* name;
    int32_t board_type;
};
constexpr kind_entry kKinds[] = {{"uz1", 1}, {"uz2", 3}, {"nif", 6}, {"ftp", 7}, {"can", 8}};

struct fault_entry {
    const char* name;
    fault_kind fault;
};
constexpr fault_entry kFaults[] = {{"none", fault_kind::none},
                                   {"board-nak", fault_kind::board_nak},
                                   {"laser-stuck", fault_kind::laser_stuck},
                                   {"no-bridge", fault_kind::no_bridge},
                                   {"no-scan", fault_kind::no_scan},
                                   {"trigger-fail", fault_kind::trigger_fail}};

struct camera_fault_entry {
    const char* name;
    camera_fault fault;
};
constexpr camera_fault_entry kCameraFaults[] = {{"drop-frame", camera_fault::drop_frame},
                                                {"camera-stall", camera_fault::stall}};

struct surface_entry {
    const char* name;
    surface_kind surface;
};
constexpr surface_entry kSurfaces[] = {
    {"sphere", surface_kind::sphere}, {"tilt", surface_kind::tilt}, {"step", surface_kind::step}};

// Numbers in the C locale's form whatever the host's locale, whole text only.
bool to_double(const char* text, double low, double high, double* value) {
    const char* end = text + std::strlen(text);
    double number = 0;
    const auto [stop, failed] = std::from_chars(text, end, number);
    if (failed != std::errc() || stop != end || !(number >= low && number <= high)) return false;
    *value = number;
    return true;
}

bool to_unsigned(const char* text, uint64_t* value) {
    const char* end = text + std::strlen(text);
    const auto [stop, failed] = std::from_chars(text, end, *value);
    return failed == std::errc() && stop == end && stop != text;
}

// "WxH", both sides SCENE_MIN_SIDE .. SCENE_MAX_SIDE pixels.
bool to_size(const std::string& text, int32_t* width, int32_t* height) {
    const char* const begin = text.c_str();
    const char* const end = begin + text.size();
    int32_t w = 0;
    int32_t h = 0;
    const auto [x, w_failed] = std::from_chars(begin, end, w);
    if (w_failed != std::errc() || x == end || *x != 'x') return false;
    const auto [stop, h_failed] = std::from_chars(x + 1, end, h);
    if (h_failed != std::errc() || stop != end) return false;
    if (w < SCENE_MIN_SIDE || w > SCENE_MAX_SIDE || h < SCENE_MIN_SIDE || h > SCENE_MAX_SIDE) {
        return false;
    }
    *width = w;
    *height = h;
    return true;
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool to_int(const char* text, int32_t low, int32_t high, int32_t* value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < low || number > high) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

bool takes_value(const std::string& arg) {
    for (const char* option : {"--kind", "--system-type", "--reports", "--dir", "--fault",
                               "--surface", "--size", "--noise", "--seed", "--speed"}) {
        if (arg == option) return true;
    }
    return false;
}

}  // namespace

const char* fault_name(fault_kind fault) {
    for (const fault_entry& entry : kFaults) {
        if (entry.fault == fault) return entry.name;
    }
    return "none";
}

bool parse_options(int argc, char** argv, options* out, std::string* error) {
    *out = options{};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            out->help = true;
        } else if (arg == "--kind" && has_value) {
            const std::string kind = argv[++i];
            out->board_type = 0;
            for (const kind_entry& entry : kKinds) {
                if (kind == entry.name) out->board_type = entry.board_type;
            }
            if (out->board_type == 0) {
                *error = "--kind takes uz1, uz2, nif, ftp or can, not " + kind;
                return false;
            }
        } else if (arg == "--system-type" && has_value) {
            if (!to_int(argv[++i], 0, 255, &out->system_type)) {
                *error = std::string("--system-type takes 0 to 255, not ") + argv[i];
                return false;
            }
        } else if (arg == "--wave-monitor") {
            out->wave_monitor = true;
        } else if (arg == "--temp-sensor") {
            out->temp_sensor = true;
        } else if (arg == "--reports" && has_value) {
            if (!to_int(argv[++i], 1, 3600000, &out->report_ms)) {
                *error = std::string("--reports takes 1 to 3600000 milliseconds, not ") + argv[i];
                return false;
            }
        } else if (arg == "--dir" && has_value) {
            out->dir = argv[++i];
        } else if (arg == "--keep") {
            out->keep = true;
        } else if (arg == "--fault" && has_value) {
            // Either spelling of a camera fault: drop-frame or drop_frame.
            std::string name = argv[++i];
            std::replace(name.begin(), name.end(), '_', '-');
            bool known = false;
            for (const fault_entry& entry : kFaults) {
                if (name == entry.name) {
                    out->fault = entry.fault;
                    if (entry.fault == fault_kind::none) out->scene.fault = camera_fault::none;
                    known = true;
                }
            }
            for (const camera_fault_entry& entry : kCameraFaults) {
                if (name == entry.name) {
                    out->scene.fault = entry.fault;
                    known = true;
                }
            }
            if (!known) {
                *error = std::string("--fault takes none, board-nak, laser-stuck, no-bridge, no-scan, "
                                     "trigger-fail, drop-frame or camera-stall, not ") + argv[i];
                return false;
            }
        } else if (arg == "--surface" && has_value) {
            const std::string name = argv[++i];
            out->scene.surface = surface_kind::file;
            for (const surface_entry& entry : kSurfaces) {
                if (name == entry.name) out->scene.surface = entry.surface;
            }
            if (out->scene.surface == surface_kind::file) {
                if (!ends_with(name, ".npy")) {
                    *error = "--surface takes sphere, tilt, step or a .npy file, not " + name;
                    return false;
                }
                out->scene.surface_file = name;
            }
        } else if (arg == "--size" && has_value) {
            if (!to_size(argv[++i], &out->scene.width, &out->scene.height)) {
                *error = std::string("--size takes WIDTHxHEIGHT, each ") +
                         std::to_string(SCENE_MIN_SIDE) + " to " + std::to_string(SCENE_MAX_SIDE) +
                         " pixels, not " + argv[i];
                return false;
            }
            out->scene.size_given = true;
        } else if (arg == "--noise" && has_value) {
            if (!to_double(argv[++i], 0, SCENE_MAX_NOISE, &out->scene.noise)) {
                *error = std::string("--noise takes 0 to ") + std::to_string(SCENE_MAX_NOISE) +
                         " counts, not " + argv[i];
                return false;
            }
        } else if (arg == "--seed" && has_value) {
            if (!to_unsigned(argv[++i], &out->scene.seed)) {
                *error = std::string("--seed takes an unsigned 64-bit number, not ") + argv[i];
                return false;
            }
        } else if (arg == "--speed" && has_value) {
            double speed = 0;
            if (!to_double(argv[++i], 0, SCENE_MAX_SPEED, &speed) || speed <= 0) {
                *error = std::string("--speed takes a number above 0 and at most ") +
                         std::to_string(SCENE_MAX_SPEED) + ", not " + argv[i];
                return false;
            }
            out->scene.speed = speed;
        } else if (arg == "--then") {
            for (++i; i < argc; ++i) out->then.emplace_back(argv[i]);
            if (out->then.empty()) {
                *error = "--then needs a command";
                return false;
            }
        } else if (takes_value(arg)) {
            *error = arg + " needs a value";
            return false;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    const bool can = out->board_type == 8;
    if (out->fault == fault_kind::board_nak && can) {
        *error = "--fault board-nak needs a serial board (uz1, uz2, nif, ftp)";
        return false;
    }
    if (out->report_ms != 0 && can) {
        *error = "--reports needs a serial board (uz1, uz2, nif, ftp)";
        return false;
    }
    if (out->fault == fault_kind::no_bridge && !can) {
        *error = "--fault no-bridge needs --kind can";
        return false;
    }
    if (out->fault == fault_kind::trigger_fail && !can) {
        *error = "--fault trigger-fail needs --kind can";
        return false;
    }
    if (out->scene.size_given && out->scene.surface == surface_kind::file) {
        *error = "--size does not go with a surface file, which brings its own size";
        return false;
    }
    if (out->fault == fault_kind::laser_stuck && !out->wave_monitor) {
        *error = "--fault laser-stuck needs --wave-monitor";
        return false;
    }
    return true;
}

int32_t effective_system_type(const options& opts) {
    if (opts.system_type >= 0) return opts.system_type;
    if (!opts.wave_monitor) return 1;
    return opts.board_type == 8 ? 30 : 19;
}

const char* help_text() {
    return R"(usage: virtual-instrument [options] [--then COMMAND ARGS...]

Brings up a simulated instrument and keeps it running until Ctrl-C or a
termination signal, then shuts it down cleanly (exit status 0).

It makes a folder with everything the library looks for: cfg/ with the
system calibration file of system 0 (named as the library names it on this
computer) and cfg/ramps/ with a ramp configuration file and ramp data files,
the frame-grabber INI file, surface.npy with the surface the simulated
camera sees, and for a CAN instrument the description the simulated CAN
library reads. The serial devices answer on pseudo-terminals
named in the calibration file.

First it prints one shell line per variable to set, for example
    export MB_CONFIG_DIR=/tmp/virtual-instrument-1234/cfg
then "virtual-instrument: ready", then one line per frame that a device
receives ("<-") or sends ("->"). At the end it writes what every device
received to received.log in the folder.

The variables: MB_CONFIG_DIR, the configuration directory; SystemRoot
(not on Windows, which names its own), the folder where the frame-grabber
binding looks for its INI file, as it does on Windows; SIM_SCAN_FILE,
scan.txt in the folder, where the simulated scanner (the board, or the
simulated CAN library) publishes the scan of each ramp start for the
simulated camera; for a CAN instrument, the simulated CAN library's
description of the instrument;
SIM_SURFACE, SIM_CAMERA_NOISE, SIM_CAMERA_SEED, SIM_TIME_SCALE and, with a
camera fault, SIM_CAMERA_FAULT for the simulated camera; and,
run from the build tree (or installed on Windows), the library search path
with the simulated libraries' folders. Installed programs find the
simulated libraries through their run paths.

Options:
  --kind K           the instrument: uz1, uz2, nif or ftp (a serial board
                     of that type) or can (a CAN instrument); default uz2
  --system-type N    the system type (0 to 255) in the calibration file;
                     default 19 with a wave monitor (30 for CAN), else 1
  --wave-monitor     add a simulated wave monitor on a serial line
  --temp-sensor      add a simulated temperature sensor on a serial line
  --reports MS       the board sends a report of its own every MS
                     milliseconds (serial boards only; UZ1: code 0x9B with
                     values 1 and 2 in turn, the others: code 0x9B with 0
                     and 1), for a program to receive through the device
                     manager
  --dir DIR          make the folder here (made when missing) and keep it;
                     default: a fresh folder in the temporary directory,
                     removed at the end
  --keep             keep the default folder at the end
  --fault F          a fault the simulators carry from the start:
                       board-nak    the board answers every request with NAK
                       laser-stuck  the wave monitor's laser stays off, so a
                                    switch-on that switches it (CAN system
                                    types 30, 32, 33) times out
                       no-bridge    no CAN bridge is on the network
                       no-scan      the board (or the CAN bridge) acknowledges
                                    a ramp start, but the scanner never moves
                                    and no scan reaches the camera
                       trigger-fail the CAN bridge aborts the frame-grabber
                                    trigger write of a ramp start (CAN only)
                       drop-frame   the camera misses trigger 2 (the third):
                                    that frame never comes
                       camera-stall the camera stops answering from
                                    trigger 2 on
                     (drop_frame and camera_stall are the same); a camera
                     fault and one of the others may both be given
  --surface S        what the camera sees (heights in nm, 1 um pixels):
                       sphere  radius 50 mm, apex (height 0) at the centre
                               (default)
                       tilt    2 nm per pixel along a row, 1 nm per row,
                               0 at the first pixel
                       step    0 left of the middle column, 1000 nm from it
                     each with a round hole where the camera sees no
                     surface (dark pixels) at 3/4 of the width and 1/4 of
                     the height, its radius 1/16 of the smaller side; or
                     FILE.npy, a numpy array of float64 or float32 heights
                     in nm, shape (height, width), NaN where there is no
                     surface. The surface goes into surface.npy
  --size WxH         the frame size of a built-in surface, 16 to 4096
                     pixels a side; default 320x240
  --noise COUNTS     the camera's Gaussian noise (sigma, counts of 4095);
                     default 8; 0 is noise-free
  --seed N           the seed of the noise and of the fringe contrast per
                     pixel; default 1
  --speed X          the camera delivers frames X times sooner than the
                     scan makes them (X > 0; default 1), for quick runs
  --then CMD ARGS    once ready, run CMD with the variables set (everything
                     after --then is the command; CMD is looked up on PATH
                     as a shell does), write its standard output and error
                     to command.out and command.err in the folder (give
                     --dir or --keep to read them afterwards), shut down and
                     end with the command's exit status. Ctrl-C or a
                     termination signal is passed on to the command; then
                     everything shuts down, the folder is removed (unless
                     kept) and virtual-instrument ends by that signal
  --help             this text
)";
}

}  // namespace vi
