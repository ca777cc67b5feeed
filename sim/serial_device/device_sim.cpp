// device_sim: a simulated wave monitor or temperature sensor on a
// pseudo-terminal, for running the library without the instrument. It
// prints the device path to open as the device's port, then one line for
// every message it takes and every answer it sends.
//
//   device_sim wave_monitor|temp_sensor
//   device_sim --help
//
// Commands on standard input, one a line:
//   set NAME VALUE           a setting (see wave_monitor.h, temp_sensor.h)
//   get NAME                 a setting or observation
//   fault NAME COUNT [SEED]  the next COUNT answers carry the fault (nak
//                            bad_checksum stray truncated over_long silence
//                            stall hostile none; COUNT -1: all)
//   quit
// It runs until "quit", an interrupt or a termination signal; at the end of
// its input it keeps answering until a signal comes.
#include <cstdio>
#include <sstream>
#include <string>

#include "sim/console/console.h"
#include "sim/serial_device/device_peer.h"

namespace {

constexpr const char* kHelp =
    "usage: device_sim wave_monitor|temp_sensor\n"
    "       device_sim --help\n"
    "\n"
    "A simulated wave monitor or temperature sensor on a pseudo-terminal. It\n"
    "prints the device path to open as the device's port, then one line for\n"
    "every message it takes and every answer it sends, until \"quit\", Ctrl-C\n"
    "or a termination signal.\n"
    "\n"
    "Commands on standard input, one a line:\n"
    "  set NAME VALUE           a setting (an unknown NAME lists the names)\n"
    "  get NAME                 a setting or observation\n"
    "  fault NAME COUNT [SEED]  the next COUNT answers carry the fault (nak\n"
    "                           bad_checksum stray truncated over_long silence\n"
    "                           stall hostile none; COUNT -1: all)\n"
    "  quit\n";

// One command line; false for "quit".
bool obey(sim::device_peer& device, const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    std::string a;
    std::string b;
    std::string c;
    in >> verb >> a >> b >> c;
    if (verb.empty()) return true;
    if (verb == "quit") return false;
    sim::device_fault fault = sim::device_fault::none;
    double count = 0;
    double seed = 1;
    const bool named = (verb == "set" || verb == "get") && !a.empty();
    if (verb == "set" && device.set(a, b)) {
        sim::say(a + " = " + device.get(a));
    } else if (verb == "get" && !device.get(a).empty()) {
        sim::say(a + " = " + device.get(a));
    } else if (named && device.get(a).empty()) {
        sim::say("? no setting " + a + "; the settings are " + device.setting_names());
    } else if (named) {
        sim::say("? " + a + " does not take " + (b.empty() ? "an empty value" : b));
    } else if (verb == "fault" && !a.empty() && !sim::device_fault_from_name(a, &fault)) {
        sim::say("? no fault " + a + "; the faults are " + sim::device_fault_names());
    } else if (verb == "fault" && sim::device_fault_from_name(a, &fault) &&
               sim::parse_number(b, &count) && (c.empty() || sim::parse_number(c, &seed))) {
        device.inject(fault, static_cast<int>(count), static_cast<uint32_t>(seed));
        sim::say("next " + b + " answers: " + sim::device_fault_name(fault));
    } else {
        sim::say("? set NAME VALUE | get NAME | fault NAME COUNT [SEED] | quit");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kind = argc == 2 ? argv[1] : "";
    if (kind == "--help" || kind == "-h") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fprintf(
            stderr,
            "device_sim: %s; it takes one device kind, wave_monitor or temp_sensor (see device_sim "
            "--help)\n",
            argc < 2 ? "no device kind" : (std::string("unexpected argument ") + argv[2]).c_str());
        return 2;
    }
    if (kind != "wave_monitor" && kind != "temp_sensor") {
        std::fprintf(
            stderr,
            "device_sim: no device kind %s (wave_monitor, temp_sensor; see device_sim --help)\n",
            argv[1]);
        return 2;
    }
    sim::catch_stop_signals();

    sim::device_peer device(kind);
    if (!device.is_open()) {
        std::fprintf(stderr, "device_sim: no pseudo-terminal\n");
        return 1;
    }
    device.record(false);  // it may run for a long time
    device.set_log(sim::say);
    sim::say("device_sim: " + kind + " on " + device.device_path());

    sim::obey_until_stopped([&](const std::string& line) { return obey(device, line); });
    return 0;
}
