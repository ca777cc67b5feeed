// board_sim: a simulated instrument board on a pseudo-terminal, for running
// the library without the instrument. It prints the device path to open as
// the board's port, then one line for every frame it receives and sends.
//
//   board_sim [uz1|uz2|nif|ftp|1|3|6|7]     (default uz2)
//   board_sim --help
//
// Commands on standard input, one a line (numbers decimal or 0x hex):
//   report CODE VALUE        send a report frame now
//   fault NAME COUNT [SEED]  the next COUNT answers carry the fault
//                            (nak bad_checksum wrong_echo over_long truncated
//                             silence report_first hostile none)
//   version N                the software version byte
//   slots                    show the ramp slots
//   quit
// It runs until "quit", an interrupt or a termination signal; at the end of
// its input it keeps answering until a signal comes.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "sim/console/console.h"
#include "sim/uz_board/board_peer.h"

namespace {

constexpr const char* kHelp =
    "usage: board_sim [uz1|uz2|nif|ftp|1|3|6|7]   (default uz2)\n"
    "       board_sim --help\n"
    "\n"
    "A simulated instrument board on a pseudo-terminal. It prints the device\n"
    "path to open as the board's port, then one line for every frame it\n"
    "receives and sends, until \"quit\", Ctrl-C or a termination signal.\n"
    "\n"
    "Commands on standard input, one a line (numbers decimal or 0x hex):\n"
    "  report CODE VALUE        send a report frame now\n"
    "  fault NAME COUNT [SEED]  the next COUNT answers carry the fault\n"
    "                           (nak bad_checksum wrong_echo over_long truncated\n"
    "                            silence report_first hostile none)\n"
    "  version N                the software version byte\n"
    "  slots                    show the ramp slots\n"
    "  quit\n";

constexpr const char* kCommands =
    "report CODE VALUE | fault NAME COUNT [SEED] | version N | slots | quit";

struct board_kind {
    const char* name;
    int32_t type;
};
constexpr board_kind kKinds[] = {{"uz1", 1}, {"uz2", 3}, {"nif", 6}, {"ftp", 7},
                                 {"1", 1},   {"3", 3},   {"6", 6},   {"7", 7}};

const char* kind_name(int32_t type) {
    for (const board_kind& kind : kKinds) {
        if (kind.type == type) return kind.name;
    }
    return "?";
}

bool to_number(const std::string& text, unsigned long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtoul(text.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

bool to_byte(const std::string& text, uint8_t* value) {
    unsigned long number = 0;
    if (!to_number(text, &number) || number > 255) return false;
    *value = static_cast<uint8_t>(number);
    return true;
}

// One command line; false for "quit".
bool obey(sim::board_peer& board, const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    std::string a;
    std::string b;
    std::string c;
    in >> verb >> a >> b >> c;
    if (verb.empty()) return true;
    if (verb == "quit") return false;
    uint8_t code = 0;
    uint8_t value = 0;
    unsigned long count = 0;
    unsigned long seed = 1;
    sim::uz_fault fault = sim::uz_fault::none;
    if (verb == "fault" && !a.empty() && !sim::uz_fault_from_name(a, &fault)) {
        sim::say("? no fault " + a + "; the faults are " + sim::uz_fault_names());
    } else if (verb == "report" && to_byte(a, &code) && to_byte(b, &value)) {
        board.send_report(code, value);
    } else if (verb == "fault" && sim::uz_fault_from_name(a, &fault) && to_number(b, &count) &&
               (c.empty() || to_number(c, &seed))) {
        board.inject(fault, static_cast<int>(count), static_cast<uint32_t>(seed));
        sim::say("next " + std::to_string(count) + " answers: " + sim::uz_fault_name(fault));
    } else if (verb == "version" && to_byte(a, &value)) {
        board.set_software_version(value);
    } else if (verb == "slots") {
        std::string text = "slots:";
        for (const uint8_t id : board.board().slots()) text += " " + std::to_string(id);
        sim::say(text);
    } else {
        sim::say(std::string("? ") + kCommands);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int32_t type = 3;
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc > 2) {
        std::fprintf(
            stderr,
            "board_sim: unexpected argument %s; it takes one board type (see board_sim --help)\n",
            argv[2]);
        return 2;
    }
    if (argc == 2) {
        type = 0;
        for (const board_kind& kind : kKinds) {
            if (std::string(argv[1]) == kind.name) type = kind.type;
        }
        if (type == 0) {
            std::fprintf(stderr,
                         "board_sim: no board type %s (uz1, uz2, nif, ftp, or 1, 3, 6, 7; see "
                         "board_sim --help)\n",
                         argv[1]);
            return 2;
        }
    }
    sim::catch_stop_signals();

    sim::board_peer board(type);
    if (!board.is_open()) {
        std::fprintf(stderr, "board_sim: no pseudo-terminal\n");
        return 1;
    }
    board.record(false);  // it may run for a long time
    board.board().set_log(sim::say);
    sim::say(std::string("board_sim: ") + kind_name(type) + " board (instrBdType " +
        std::to_string(type) + ") on " + board.device_path());

    sim::obey_until_stopped([&](const std::string& line) { return obey(board, line); });
    return 0;
}
