// The serial peer server: runs serial peers on pseudo-terminals for test
// processes that cannot, and links a COM port name to each peer's device in
// Wine's dosdevices folder, so that a Windows program under Wine opens the
// peer's line as COMn. Requests come over a control line (another linked
// pseudo-terminal) in the protocol of peer_protocol.h.
//
//   serial_peer_server DOSDEVICES CONTROL_PORT FIRST_PEER_PORT PEER_PORTS
//
// The ports are COM numbers: CONTROL_PORT links to the control line, the
// peers take the lowest free of FIRST_PEER_PORT onwards. "ready" on standard
// output tells that the control line is linked. A peer may be made a
// simulated instrument board. The server runs until it is
// interrupted or terminated, and then removes its links.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/pseudo_terminal.h"
#include "sim/serial_device/device_requests.h"
#include "sim/serial_peer/peer_protocol.h"
#include "sim/serial_peer/serial_peer.h"
#include "sim/uz_board/board_peer.h"

namespace {

namespace fs = std::filesystem;
using namespace sim;
using std::chrono::milliseconds;

volatile std::sig_atomic_t g_stop = 0;
void on_stop(int) {
    g_stop = 1;
}

// Points dosdevices/com<n> at target in one step, replacing an older link.
bool link_port(const fs::path& folder, int number, const std::string& target) {
    const fs::path link = folder / ("com" + std::to_string(number));
    const fs::path fresh = folder / ("com" + std::to_string(number) + ".new");
    std::error_code error;
    fs::remove(fresh, error);
    fs::create_symlink(target, fresh, error);
    if (error) return false;
    fs::rename(fresh, link, error);
    return !error;
}

void unlink_port(const fs::path& folder, int number) {
    std::error_code ignored;
    fs::remove(folder / ("com" + std::to_string(number)), ignored);
}

class server {
  public:
    server(fs::path folder, int first_port, int ports)
        : folder_(std::move(folder)), first_port_(first_port), ports_(ports) {}
    ~server() {
        for (const auto& [id, held] : peers_) unlink_port(folder_, held.port);
    }

    // The reply (without its line end) to one request line.
    std::string answer(const std::string& request) {
        const std::vector<std::string> f = peer_protocol::split_fields(request);
        if (std::string reply; devices_.answer(f, &reply)) return reply;
        if (f.empty()) return "fail empty request";
        if (f[0] == "hello") return "ok";
        if (f[0] == "open") return open();
        int64_t id = -1;
        if (f.size() < 2 || !peer_protocol::to_number(f[1], &id) || peers_.count(id) == 0) {
            return "fail no such peer";
        }
        entry& held = peers_.at(id);
        serial_peer& peer = *held.peer;
        const std::string& verb = f[0];
        if (verb == "close") {
            unlink_port(folder_, peers_.at(id).port);
            peers_.erase(id);
            return "ok";
        }
        if (verb == "steps") return steps(peer, f);
        if (verb == "send" && f.size() == 3) {
            byte_string bytes;
            if (!peer_protocol::from_hex(f[2], &bytes)) return "fail bad bytes";
            peer.send(bytes);
            return "ok";
        }
        if (verb == "busy" && f.size() == 5) {
            byte_string pattern;
            int64_t period = 0;
            if (!peer_protocol::from_hex(f[3], &pattern) ||
                !peer_protocol::to_number(f[4], &period)) {
                return "fail bad pattern";
            }
            peer.keep_busy(f[2] == "1", pattern, milliseconds(period));
            return "ok";
        }
        if (verb == "pause" && f.size() == 3) {
            peer.pause_reading(f[2] == "1");
            return "ok";
        }
        if (verb == "clear") {
            peer.clear_received();
            return "ok";
        }
        if (verb == "wait_done" && f.size() == 3) {
            int64_t limit = 0;
            if (!peer_protocol::to_number(f[2], &limit)) return "fail bad limit";
            return peer.wait_script_done(milliseconds(limit)) ? "ok 1" : "ok 0";
        }
        if (verb == "steps_done") return "ok " + std::to_string(peer.steps_done());
        if (verb == "received") return "ok " + peer_protocol::to_hex(peer.received());
        if (verb == "wait_received" && f.size() == 4) {
            size_t count = 0;
            int64_t limit = 0;
            if (!peer_protocol::to_number(f[2], &count) ||
                !peer_protocol::to_number(f[3], &limit)) {
                return "fail bad count";
            }
            return peer.wait_received(count, milliseconds(limit)) ? "ok 1" : "ok 0";
        }
        if (verb == "line") return line_of(peer);
        if (verb == "record" && f.size() == 3) {
            peer.record(f[2] == "1");
            return "ok";
        }
        return board_request(held, f);
    }

  private:
    struct entry {
        std::unique_ptr<uz_board> board;  // before the peer: its thread answers through it
        std::unique_ptr<serial_peer> peer;
        int port = 0;
    };

    // The requests of a simulated instrument board on the peer.
    static std::string board_request(entry& held, const std::vector<std::string>& f) {
        const std::string& verb = f[0];
        if (verb == "board" && f.size() == 3) {
            int32_t type = 0;
            if (held.board || !peer_protocol::to_number(f[2], &type)) return "fail bad board";
            auto board = std::make_unique<uz_board>(type);
            if (!board->is_valid()) return "fail no such board type";
            held.board = std::move(board);
            attach_board(*held.peer, *held.board);
            return "ok";
        }
        if (!held.board) return "fail unknown request";
        uz_board& board = *held.board;
        if (verb == "fault" && f.size() == 5) {
            uz_fault fault = uz_fault::none;
            int count = 0;
            uint32_t seed = 0;
            if (!uz_fault_from_name(f[2], &fault) || !peer_protocol::to_number(f[3], &count) ||
                !peer_protocol::to_number(f[4], &seed)) {
                return "fail bad fault";
            }
            board.inject(fault, count, seed);
            return "ok";
        }
        uint8_t code = 0;
        if (f.size() < 3 || !peer_protocol::to_number(f[2], &code)) return "fail unknown request";
        if (verb == "report" && f.size() == 4) {
            uint8_t value = 0;
            if (!peer_protocol::to_number(f[3], &value)) return "fail bad value";
            held.peer->send(board.report(code, value));
            return "ok";
        }
        if (verb == "version" && f.size() == 3) {
            board.set_software_version(code);
            return "ok";
        }
        byte_string data;
        if (verb == "query_data" && f.size() == 4 && peer_protocol::from_hex(f[3], &data)) {
            board.set_query_data(code, data);
            return "ok";
        }
        return "fail unknown request";
    }

    std::string open() {
        int port = 0;
        for (int candidate = first_port_; candidate < first_port_ + ports_ && port == 0;
             ++candidate) {
            bool taken = false;
            for (const auto& [id, e] : peers_) taken = taken || e.port == candidate;
            if (!taken) port = candidate;
        }
        if (port == 0) return "fail no free port";
        auto peer = std::make_unique<serial_peer>();
        if (!peer->is_open()) return "fail no pseudo-terminal";
        if (!link_port(folder_, port, peer->device_path())) return "fail cannot link the port";
        const int64_t id = next_id_++;
        peers_[id] = entry{nullptr, std::move(peer), port};
        return "ok " + std::to_string(id) + " COM" + std::to_string(port);
    }

    static std::string steps(serial_peer& peer, const std::vector<std::string>& f) {
        if ((f.size() - 2) % 3 != 0) return "fail bad steps";
        std::vector<serial_step> script;
        for (size_t i = 2; i < f.size(); i += 3) {
            serial_step step;
            int64_t delay = 0;
            if (!peer_protocol::from_hex(f[i], &step.expect) ||
                !peer_protocol::from_hex(f[i + 1], &step.answer) ||
                !peer_protocol::to_number(f[i + 2], &delay)) {
                return "fail bad step";
            }
            step.delay = milliseconds(delay);
            script.push_back(step);
        }
        peer.add_steps(script);
        return "ok";
    }

    static std::string line_of(const serial_peer& peer) {
        plat::pty_line_settings s{};
        if (!peer.line_settings(&s)) return "fail no line settings";
        char text[128];
        std::snprintf(text, sizeof text, "ok %u %u %c %d %u %d %d %d %u %u %d %d", s.baud,
                      s.data_bits, s.parity, s.parity_check ? 1 : 0, s.stop_bits,
                      s.xon_xoff_out ? 1 : 0, s.xon_xoff_in ? 1 : 0, s.cts_flow ? 1 : 0, s.xon_char,
                      s.xoff_char, s.raw ? 1 : 0, s.framing_known ? 1 : 0);
        return text;
    }

    fs::path folder_;
    int first_port_;
    int ports_;
    int64_t next_id_ = 1;
    std::map<int64_t, entry> peers_;
    // Simulated devices on some of the peers; they go before the peers do.
    device_requests devices_{[this](int64_t id) -> serial_peer* {
        const auto found = peers_.find(id);
        return found == peers_.end() ? nullptr : found->second.peer.get();
    }};
};

// Writes all of text to the control line, waiting while it is full.
bool write_all(plat::port_handle peer, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size() && g_stop == 0) {
        const int64_t n = plat::pty_write(peer, text.data() + sent, text.size() - sent);
        if (n < 0) return false;
        if (n == 0) std::this_thread::sleep_for(milliseconds(1));
        sent += static_cast<size_t>(n);
    }
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: serial_peer_server DOSDEVICES CONTROL_PORT FIRST_PEER_PORT PEER_PORTS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return usage();
    const fs::path folder = argv[1];
    int control_port = 0;
    int first_port = 0;
    int ports = 0;
    if (!peer_protocol::to_number(argv[2], &control_port) ||
        !peer_protocol::to_number(argv[3], &first_port) ||
        !peer_protocol::to_number(argv[4], &ports) || control_port < 1 || first_port < 1 ||
        ports < 1 || (control_port >= first_port && control_port < first_port + ports)) {
        return usage();
    }
    std::signal(SIGINT, on_stop);
    std::signal(SIGTERM, on_stop);

    plat::pty_pair control;
    if (!plat::pty_open(&control)) {
        std::fprintf(stderr, "serial_peer_server: no pseudo-terminal for the control line\n");
        return 1;
    }
    if (!link_port(folder, control_port, control.device_path)) {
        std::fprintf(stderr, "serial_peer_server: cannot link com%d in %s\n", control_port,
                     argv[1]);
        plat::pty_close(&control);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    int status = 0;
    {
        server peers(folder, first_port, ports);
        std::string pending;
        char chunk[4096];
        while (g_stop == 0) {
            const int64_t n = plat::pty_read(control.peer, chunk, sizeof chunk, 100);
            if (n < 0) {
                std::this_thread::sleep_for(milliseconds(10));
                continue;
            }
            pending.append(chunk, static_cast<size_t>(n));
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::string request = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!request.empty() && request.back() == '\r') request.pop_back();
                if (!write_all(control.peer, peers.answer(request) + "\n")) status = 1;
            }
        }
    }
    unlink_port(folder, control_port);
    plat::pty_close(&control);
    return status;
}
