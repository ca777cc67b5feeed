// virtual-instrument: a simulated instrument for running the library, and
// programs built on it, without an instrument attached. See --help.
//
// The serial devices answer on pseudo-terminals; the CAN library and the
// frame-grabber library are the simulated shared libraries, which the
// program that uses the library loads from the folders printed here. The
// library sees the simulators only through those ports, libraries and the
// files of the instrument folder.
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/environment.h"
#include "platform/pseudo_terminal.h"
#include "platform/system_names.h"
#include "sim/console/console.h"
#include "sim/serial_device/device_peer.h"
#include "sim/uz_board/board_peer.h"
#include "sim/virtual_instrument/file_follower.h"
#include "sim/virtual_instrument/frame_record.h"
#include "sim/virtual_instrument/instrument_folder.h"
#include "sim/virtual_instrument/options.h"
#include "sim/virtual_instrument/scene.h"

namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr const char* kLibraryPathVariable = "PATH";
constexpr char kPathListSeparator = ';';
#else
constexpr const char* kLibraryPathVariable = "LD_LIBRARY_PATH";
constexpr char kPathListSeparator = ':';
#endif

// The folders of the simulated CAN and frame-grabber libraries that the
// library search path must name: in the build tree both; for an installed
// program, where they lie together in lib/gridtext/sim, none on systems
// whose installed programs find them through their run paths.
std::vector<std::string> simulated_library_folders() {
    char program[4096];
    if (plat::program_path(program, sizeof program)) {
        const fs::path sim =
            fs::path(program).parent_path().parent_path() / "lib" / "gridtext" / "sim";
        std::error_code ignored;
        if (fs::is_directory(sim, ignored)) {
#if defined(_WIN32)
            return {sim.string()};
#else
            return {};
#endif
        }
    }
    return {VI_SIM_ACQ_DIR, VI_SIM_CAN_DIR};
}

std::string shell_quoted(const std::string& text) {
    if (text.find_first_of(" \t'\"$`\\") == std::string::npos) return text;
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string fresh_folder() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path dir = base / ("virtual-instrument-" + std::to_string(random() % 1000000000));
        std::error_code failed;
        if (fs::create_directory(dir, failed)) return dir.string();
        if (failed) return {};
    }
}

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "virtual-instrument: %s\n", message.c_str());
    return status;
}

// Prints the variables to set, as shell lines, and adds the library search
// path (the simulated libraries' folders first) to them where it is needed.
void print_exports(std::vector<std::pair<std::string, std::string>>* variables) {
    for (const auto& [name, value] : *variables)
        sim::say("export " + name + "=" + shell_quoted(value));
    std::string folders;
    for (const std::string& folder : simulated_library_folders()) {
        if (!folders.empty()) folders += kPathListSeparator;
        folders += folder;
    }
    if (folders.empty()) return;
    const std::string name = kLibraryPathVariable;
    sim::say("export " + name + "=" + shell_quoted(folders) + "${" + name + ":+" + kPathListSeparator +
             "$" + name + "}");
    const char* inherited = plat::get_environment(kLibraryPathVariable);
    if (inherited != nullptr && inherited[0] != '\0') folders += kPathListSeparator + std::string(inherited);
    variables->emplace_back(name, folders);
}

// Removes a folder of its own making when the program ends early.
struct folder_remover {
    std::string dir;
    ~folder_remover() { remove(); }
    void remove() {
        if (dir.empty()) return;
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        dir.clear();
    }
};

// A simulated serial device of that kind whose frames go to the record;
// null when no pseudo-terminal opens.
std::unique_ptr<sim::device_peer> start_device(const std::string& kind, vi::frame_record& record,
                                               std::vector<std::string>* devices, std::string* port) {
    auto device = std::make_unique<sim::device_peer>(kind);
    if (!device->is_open()) return nullptr;
    device->record(false);  // the record here is kept by frame
    device->set_log([&record, kind](const std::string& line) { record.log(kind, line); });
    *port = device->device_path();
    devices->push_back(kind);
    return device;
}

// Sends a board report every period until stopped: code 0x9B, which
// every board type reports, with its two values in turn.
class board_reporter {
  public:
    board_reporter(sim::board_peer& board, std::chrono::milliseconds period) {
        const bool uz1 = board.board().board_type() == 1;
        thread_ = std::thread([this, &board, period, uz1] {
            std::unique_lock<std::mutex> guard(lock_);
            for (uint8_t turn = 0; !stop_; turn ^= 1) {
                if (changed_.wait_for(guard, period, [this] { return stop_; })) break;
                board.send_report(0x9B, static_cast<uint8_t>(uz1 ? turn + 1 : turn));
            }
        });
    }
    ~board_reporter() {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    board_reporter(const board_reporter&) = delete;
    board_reporter& operator=(const board_reporter&) = delete;

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::thread thread_;
};

// Runs the --then command with the folder's variables set and keeps what it
// printed in the folder. A stop signal is passed on to the command. Its exit
// status, 128 + the signal that ended it, or 127 when it could not start.
int run_command(const vi::options& opts, const std::string& dir,
                const std::vector<std::pair<std::string, std::string>>& variables) {
    plat::process_options how;
    for (const auto& [name, value] : variables) how.environment.push_back(name + "=" + value);
    how.stop_signal = sim::stop_signal;
    plat::process_result result;
    if (!plat::run_process(opts.then, how, &result)) {
        std::fprintf(stderr,
                     "virtual-instrument: cannot run %s: no such program here or on PATH, or "
                     "not one this system can start\n",
                     opts.then[0].c_str());
        return 127;
    }
    for (const auto& [name, text] : {std::pair{"command.out", &result.out}, std::pair{"command.err", &result.err}}) {
        if (std::FILE* file = std::fopen((fs::path(dir) / name).string().c_str(), "wb")) {
            std::fwrite(text->data(), 1, text->size(), file);
            std::fclose(file);
        }
    }
    if (result.signal != 0) {
        sim::say("virtual-instrument: " + opts.then[0] + " ended by signal " +
                 std::to_string(result.signal));
        return 128 + result.signal;
    }
    sim::say("virtual-instrument: " + opts.then[0] + " ended with status " +
             std::to_string(result.exit_code));
    return result.exit_code >= 0 ? result.exit_code : 128;
}

}  // namespace

int main(int argc, char** argv) {
    vi::options opts;
    std::string error;
    if (!vi::parse_options(argc, argv, &opts, &error)) {
        return fail(error + " (see virtual-instrument --help)", 2);
    }
    if (opts.help) {
        std::fputs(vi::help_text(), stdout);
        return 0;
    }
    const bool serial_board = opts.board_type != 8;
    if ((serial_board || opts.wave_monitor || opts.temp_sensor) && !plat::kHasPseudoTerminals) {
        return fail("this system has no pseudo-terminals, so no simulated serial board, wave "
                    "monitor or temperature sensor can run here; only --kind can without "
                    "--wave-monitor and --temp-sensor runs",
                    1);
    }
    sim::catch_stop_signals();

    const bool own_folder = opts.dir.empty();
    std::string dir = opts.dir;
    folder_remover remover;
    if (own_folder) {
        dir = fresh_folder();
        if (dir.empty()) return fail("cannot make a folder in the temporary directory", 1);
        if (!opts.keep) remover.dir = dir;
    } else {
        std::error_code failed;
        fs::create_directories(dir, failed);
        if (failed) return fail("cannot make " + dir + ": " + failed.message(), 1);
        dir = fs::absolute(dir).string();
    }

    vi::frame_record record;
    std::vector<std::string> devices;
    vi::device_ports ports;
    std::unique_ptr<sim::board_peer> board;
    std::unique_ptr<sim::device_peer> wave_monitor;
    std::unique_ptr<sim::device_peer> temp_sensor;
    if (serial_board) {
        board = std::make_unique<sim::board_peer>(opts.board_type);
        if (!board->is_open()) return fail("no pseudo-terminal for the board", 1);
        board->record(false);  // the record here is kept by frame
        board->board().set_log([&record](const std::string& line) { record.log("board", line); });
        if (opts.fault == vi::fault_kind::board_nak) board->inject(sim::uz_fault::nak, INT_MAX);
        ports.board = board->device_path();
        devices.emplace_back("board");
    }
    if (opts.wave_monitor) {
        wave_monitor = start_device("wave_monitor", record, &devices, &ports.wave_monitor);
        if (!wave_monitor) return fail("no pseudo-terminal for the wave monitor", 1);
        if (opts.fault == vi::fault_kind::laser_stuck) {
            wave_monitor->set("laser", "0");
            wave_monitor->set("laser_polls", "1000000000");
        }
    }
    if (opts.temp_sensor) {
        temp_sensor = start_device("temp_sensor", record, &devices, &ports.temp_sensor);
        if (!temp_sensor) return fail("no pseudo-terminal for the temperature sensor", 1);
    }

    vi::folder_environment env;
    if (!vi::write_instrument_folder(dir, opts, ports, &env, &error)) return fail(error, 1);
    if (!vi::write_scene(dir, opts.scene, &env, &error)) return fail(error, 1);
    if (board && opts.fault != vi::fault_kind::no_scan) {
        board->set_scan_file((fs::path(dir) / vi::kScanFile).string());
    }
    print_exports(&env.variables);

    std::unique_ptr<vi::file_follower> can_log;
    if (!env.can_log.empty()) {
        can_log = std::make_unique<vi::file_follower>(
            env.can_log, [&record](const std::string& line) { record.log("can", "<- " + line); });
        devices.emplace_back("can");
    }
    sim::say("virtual-instrument: ready");
    std::unique_ptr<board_reporter> reporter;
    if (board && opts.report_ms > 0) {
        reporter = std::make_unique<board_reporter>(*board, std::chrono::milliseconds(opts.report_ms));
    }

    int status = 0;
    if (!opts.then.empty()) {
        status = run_command(opts, dir, env.variables);
    } else {
        sim::wait_for_stop();
    }

    // Devices first, so that nothing is received after the record is written.
    reporter.reset();
    board.reset();
    wave_monitor.reset();
    temp_sensor.reset();
    can_log.reset();
    const std::string received = (fs::path(dir) / "received.log").string();
    if (!record.write(received, devices)) {
        std::fprintf(stderr, "virtual-instrument: cannot write %s\n", received.c_str());
    }
    if (!remover.dir.empty()) {
        sim::say("virtual-instrument: stopped");
    } else {
        sim::say("virtual-instrument: stopped; what the devices received is in " + received);
    }
    if (!opts.then.empty()) {
        // A command cut short by a signal: whoever started us sees it too.
        remover.remove();
        sim::end_by_stop_signal();
    }
    return status;
}
