#include "sim/scanner/scan_state.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/file_replacement.h"

namespace sim {
namespace {

constexpr size_t kLineLimit = 128;

// One line without its end, false at the end of the file or for a line
// longer than any the writer makes.
bool next_line(std::FILE* file, char (&line)[kLineLimit]) {
    if (std::fgets(line, sizeof line, file) == nullptr) return false;
    const size_t length = std::strlen(line);
    if (length == 0 || line[length - 1] != '\n') return false;
    line[length - 1] = '\0';
    return true;
}

}  // namespace

namespace {

bool write_once(const std::string& path, const scan_state& state) {
    plat::file_replacement replacement;
    if (replacement.create(plat::path_ref(path.c_str()), "scan") != 0) return false;
    std::FILE* file = replacement.open_stream();
    if (file == nullptr) return false;
    std::fprintf(file, "scan %" PRIu64 "\nramp_type %d\nstart_ns %" PRId64 "\n", state.sequence,
                 state.ramp_type, state.start_ns);
    for (size_t i = 0; i < state.triggers.size(); ++i) {
        std::fprintf(file, "frame %zu %" PRId64 " %.17g\n", i, state.triggers[i].time_ns,
                     state.triggers[i].position_nm);
    }
    std::fputs("end\n", file);
    return replacement.commit() == 0;
}

}  // namespace

bool write_scan_state(const std::string& path, const scan_state& state) {
    // The camera polls the file: on Windows a file that is open for reading
    // cannot be replaced, so a write that meets a read tries again shortly.
    constexpr int kAttempts = 100;
    for (int attempt = 1; attempt < kAttempts; ++attempt) {
        if (write_once(path, state)) return true;
        plat::sleep_ms(2);
    }
    return write_once(path, state);
}

bool read_scan_state(const std::string& path, scan_state* state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    scan_state read;
    char line[kLineLimit];
    bool complete = false;
    bool ok = next_line(file, line) && std::sscanf(line, "scan %" SCNu64, &read.sequence) == 1 &&
              next_line(file, line) && std::sscanf(line, "ramp_type %" SCNd32, &read.ramp_type) == 1 &&
              next_line(file, line) && std::sscanf(line, "start_ns %" SCNd64, &read.start_ns) == 1;
    while (ok && next_line(file, line)) {
        if (std::strcmp(line, "end") == 0) {
            complete = true;
            break;
        }
        size_t index = 0;
        scan_trigger trigger;
        ok = read.triggers.size() < SIM_SCAN_MAX_FRAMES &&
             std::sscanf(line, "frame %zu %" SCNd64 " %lf", &index, &trigger.time_ns, &trigger.position_nm) == 3 &&
             index == read.triggers.size() && std::isfinite(trigger.position_nm) && trigger.time_ns >= 0;
        if (ok) read.triggers.push_back(trigger);
    }
    std::fclose(file);
    if (!ok || !complete) return false;
    *state = std::move(read);
    return true;
}

int64_t scan_clock_ns() {
    const int64_t ticks = plat::counter_now();
    const int64_t frequency = plat::counter_frequency();
    return static_cast<int64_t>(static_cast<long double>(ticks) * 1e9L / frequency);
}

}  // namespace sim
