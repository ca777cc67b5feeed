#include "sim/serial_peer/remote_serial_peer.h"

#include <mutex>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/serial_port.h"
#include "sim/serial_peer/peer_protocol.h"

namespace sim {
namespace {

// Every reply comes within this time, plus the wait a request asks for.
constexpr int64_t kReplyMs = 10'000;

// The control line, opened once per process and shared by its peers.
class control_line {
  public:
    static control_line& instance() {
        static control_line line;
        return line;
    }

    bool is_open() const { return port_ != plat::kInvalidPort; }

    // One request and its reply; false when the line failed or stayed silent.
    bool exchange(const std::string& request, int64_t wait_ms, std::string* reply) {
        const std::lock_guard<std::mutex> guard(lock_);
        if (!is_open()) return false;
        const std::string line = request + "\n";
        uint32_t written = 0;
        if (!plat::serial_write(port_, line.data(), static_cast<uint32_t>(line.size()), &written) ||
            written != line.size()) {
            return false;
        }
        const int64_t deadline = now_ms() + kReplyMs + wait_ms;
        for (;;) {
            const size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                *reply = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return true;
            }
            if (now_ms() > deadline) return false;
            char chunk[4096];
            uint32_t got = 0;
            if (!plat::serial_read(port_, chunk, sizeof chunk, &got)) return false;
            pending_.append(chunk, got);
        }
    }

  private:
    control_line() {
        const char* name = plat::get_environment(remote_serial_peer::kControlVariable);
        if (name == nullptr || name[0] == '\0') return;
        port_ = plat::serial_open(name);
        if (port_ == plat::kInvalidPort) return;
        plat::serial_control control{};
        // Reads return what has come after at most 100 ms, so a long reply
        // is collected in pieces against the request's own deadline.
        const plat::serial_timeouts timeouts{plat::kTimeoutMax, plat::kTimeoutMax, 100, 0, 5000};
        if (!plat::serial_get_control(port_, &control)) {
            close();
            return;
        }
        control.baud_rate = 115200;
        control.byte_size = 8;
        control.parity = plat::kParityNone;
        control.stop_bits = plat::kOneStopBit;
        control.out_x = control.in_x = false;
        control.outx_cts_flow = control.outx_dsr_flow = false;
        if (!plat::serial_set_control(port_, control) ||
            !plat::serial_set_timeouts(port_, timeouts) ||
            !plat::serial_purge(port_, plat::kPurgeRxClear | plat::kPurgeTxClear)) {
            close();
        }
    }
    ~control_line() { close(); }

    void close() {
        if (port_ != plat::kInvalidPort) plat::serial_close(port_);
        port_ = plat::kInvalidPort;
    }

    static int64_t now_ms() { return plat::counter_now() / (plat::counter_frequency() / 1000); }

    std::mutex lock_;
    plat::port_handle port_ = plat::kInvalidPort;
    std::string pending_;  // bytes after the last reply line
};

std::string millis(std::chrono::milliseconds duration) {
    return std::to_string(duration.count());
}

}  // namespace

bool remote_serial_peer::available() {
    control_line& line = control_line::instance();
    std::string reply;
    return line.is_open() && line.exchange("hello", 0, &reply) && reply == "ok";
}

remote_serial_peer::remote_serial_peer() {
    std::string reply;
    if (!control_line::instance().exchange("open", 0, &reply)) return;
    const std::vector<std::string> fields = peer_protocol::split_fields(reply);
    if (fields.size() != 3 || fields[0] != "ok") return;
    int64_t id = -1;
    if (!peer_protocol::to_number(fields[1], &id)) return;
    port_name_ = fields[2];
    id_ = id;
}

remote_serial_peer::~remote_serial_peer() {
    if (is_open()) request("close");
}

std::vector<std::string> remote_serial_peer::request(const std::string& verb,
                                                     const std::string& arguments,
                                                     std::chrono::milliseconds wait) const {
    if (!is_open()) return {};
    std::string line = verb + " " + std::to_string(id_);
    if (!arguments.empty()) line += " " + arguments;
    std::string reply;
    if (!control_line::instance().exchange(line, wait.count(), &reply)) return {};
    std::vector<std::string> fields = peer_protocol::split_fields(reply);
    if (fields.empty() || fields[0] != "ok") return {};
    return fields;
}

void remote_serial_peer::add_steps(const std::vector<serial_step>& steps) {
    std::string arguments;
    for (const serial_step& step : steps) {
        if (!arguments.empty()) arguments += ' ';
        arguments += peer_protocol::to_hex(step.expect) + " " + peer_protocol::to_hex(step.answer) +
                     " " + millis(step.delay);
    }
    request("steps", arguments);
}

bool remote_serial_peer::wait_script_done(std::chrono::milliseconds limit) {
    const std::vector<std::string> fields = request("wait_done", millis(limit), limit);
    return fields.size() == 2 && fields[1] == "1";
}

size_t remote_serial_peer::steps_done() const {
    const std::vector<std::string> fields = request("steps_done");
    size_t count = 0;
    if (fields.size() != 2 || !peer_protocol::to_number(fields[1], &count)) return 0;
    return count;
}

void remote_serial_peer::send(const byte_string& bytes) {
    request("send", peer_protocol::to_hex(bytes));
}

void remote_serial_peer::keep_busy(bool on, const byte_string& pattern,
                                   std::chrono::milliseconds period) {
    request("busy",
            std::string(on ? "1 " : "0 ") + peer_protocol::to_hex(pattern) + " " + millis(period));
}

void remote_serial_peer::pause_reading(bool paused) {
    request("pause", paused ? "1" : "0");
}

byte_string remote_serial_peer::received() const {
    const std::vector<std::string> fields = request("received");
    byte_string bytes;
    if (fields.size() != 2 || !peer_protocol::from_hex(fields[1], &bytes)) bytes.clear();
    return bytes;
}

bool remote_serial_peer::wait_received(size_t count, std::chrono::milliseconds limit) {
    const std::vector<std::string> fields =
        request("wait_received", std::to_string(count) + " " + millis(limit), limit);
    return fields.size() == 2 && fields[1] == "1";
}

void remote_serial_peer::clear_received() {
    request("clear");
}

void remote_serial_peer::record(bool on) {
    request("record", on ? "1" : "0");
}

bool remote_serial_peer::line_settings(plat::pty_line_settings* settings) const {
    const std::vector<std::string> f = request("line");
    if (settings == nullptr || f.size() != 13 || f[3].size() != 1) return false;
    uint32_t n[13] = {};
    for (size_t i = 1; i < f.size(); ++i) {
        if (i != 3 && !peer_protocol::to_number(f[i], &n[i])) return false;
    }
    settings->baud = n[1];
    settings->data_bits = static_cast<uint8_t>(n[2]);
    settings->parity = f[3][0];
    settings->parity_check = n[4] != 0;
    settings->stop_bits = static_cast<uint8_t>(n[5]);
    settings->xon_xoff_out = n[6] != 0;
    settings->xon_xoff_in = n[7] != 0;
    settings->cts_flow = n[8] != 0;
    settings->xon_char = static_cast<uint8_t>(n[9]);
    settings->xoff_char = static_cast<uint8_t>(n[10]);
    settings->raw = n[11] != 0;
    settings->framing_known = n[12] != 0;
    return true;
}

}  // namespace sim
