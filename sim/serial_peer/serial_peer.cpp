#include "sim/serial_peer/serial_peer.h"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

constexpr int kPollMs = 2;
constexpr size_t kChunk = 4096;

}  // namespace

serial_peer::serial_peer() {
    open_ = plat::pty_open(&pair_);
    if (open_) thread_ = std::thread([this] { run(); });
}

serial_peer::~serial_peer() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    if (thread_.joinable()) thread_.join();
    plat::pty_close(&pair_);
}

void serial_peer::add_steps(const std::vector<serial_step>& steps) {
    std::lock_guard<std::mutex> guard(lock_);
    script_.insert(script_.end(), steps.begin(), steps.end());
}

bool serial_peer::wait_script_done(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, limit, [this] { return next_step_ == script_.size(); });
}

size_t serial_peer::steps_done() const {
    std::lock_guard<std::mutex> guard(lock_);
    return next_step_;
}

void serial_peer::send(const byte_string& bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    outgoing_.insert(outgoing_.end(), bytes.begin(), bytes.end());
}

void serial_peer::keep_busy(bool on, const byte_string& pattern, std::chrono::milliseconds period) {
    std::lock_guard<std::mutex> guard(lock_);
    busy_ = on && !pattern.empty();
    busy_pattern_ = pattern;
    busy_period_ = period;
    next_busy_ = clock_type::now();
}

void serial_peer::pause_reading(bool paused) {
    std::lock_guard<std::mutex> guard(lock_);
    paused_ = paused;
}

void serial_peer::set_responder(serial_responder responder) {
    std::lock_guard<std::mutex> guard(lock_);
    responder_ = std::move(responder);
}

void serial_peer::record(bool on) {
    std::lock_guard<std::mutex> guard(lock_);
    recording_ = on;
}

byte_string serial_peer::received() const {
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

bool serial_peer::wait_received(size_t count, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, limit, [&] { return received_.size() >= count; });
}

bool serial_peer::wait_settled(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(lock_);
    // The round under way may have read before the last bytes came; the
    // one after it has read them.
    const uint64_t settled_after = rounds_ + 2;
    return changed_.wait_for(guard, limit,
                             [&] { return rounds_ >= settled_after && outgoing_.empty(); });
}

void serial_peer::clear_received() {
    std::lock_guard<std::mutex> guard(lock_);
    received_.clear();
    match_from_ = 0;
}

bool serial_peer::line_settings(plat::pty_line_settings* settings) const {
    return plat::pty_get_line_settings(pair_, settings);
}

void serial_peer::run() {
    uint8_t buffer[kChunk];
    for (;;) {
        bool paused = false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stopping_) return;
            paused = paused_;
        }
        const int64_t n = paused ? -1 : plat::pty_read(pair_.peer, buffer, sizeof buffer, kPollMs);
        if (n <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(n < 0 ? kPollMs : 0));
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (n > 0 && recording_) received_.insert(received_.end(), buffer, buffer + n);
            if (n > 0 && responder_) {
                byte_string answer;
                responder_(buffer, static_cast<size_t>(n), &answer);
                outgoing_.insert(outgoing_.end(), answer.begin(), answer.end());
            }
            const auto now = clock_type::now();
            advance_script(now);
            if (busy_ && now >= next_busy_ && outgoing_.size() < kChunk) {
                outgoing_.insert(outgoing_.end(), busy_pattern_.begin(), busy_pattern_.end());
                next_busy_ = now + busy_period_;
            }
        }
        changed_.notify_all();
        write_pending();
        {
            std::lock_guard<std::mutex> guard(lock_);
            ++rounds_;
        }
        changed_.notify_all();
    }
}

void serial_peer::advance_script(clock_type::time_point now) {
    while (next_step_ < script_.size()) {
        const serial_step& step = script_[next_step_];
        if (!step_matched_) {
            const auto from = received_.begin() + static_cast<std::ptrdiff_t>(match_from_);
            const auto found =
                std::search(from, received_.end(), step.expect.begin(), step.expect.end());
            if (found == received_.end() && !step.expect.empty()) return;
            match_from_ = static_cast<size_t>(found - received_.begin()) + step.expect.size();
            step_matched_ = true;
            answer_at_ = now + step.delay;
        }
        if (now < answer_at_) return;
        outgoing_.insert(outgoing_.end(), step.answer.begin(), step.answer.end());
        ++next_step_;
        step_matched_ = false;
    }
}

void serial_peer::write_pending() {
    byte_string chunk;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const size_t size = std::min(outgoing_.size(), kChunk);
        chunk.assign(outgoing_.begin(), outgoing_.begin() + static_cast<std::ptrdiff_t>(size));
    }
    if (chunk.empty()) return;
    const int64_t written = plat::pty_write(pair_.peer, chunk.data(), chunk.size());
    if (written <= 0) return;
    std::lock_guard<std::mutex> guard(lock_);
    outgoing_.erase(outgoing_.begin(), outgoing_.begin() + static_cast<std::ptrdiff_t>(written));
}

}  // namespace sim
