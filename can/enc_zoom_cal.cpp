// The encoded zoom's magnification calibration file: a title line, then one
// "position magnification" pair per line, both strictly increasing.
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "can/can.h"
#include "errors/errors.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "util/util.h"

namespace {

constexpr int kLineSize = 512;
constexpr double kLargestValue = 3.4028234663852886e38;
constexpr double kMinMagnification = 0.5;
constexpr double kMaxMagnification = 6;

// Appends formatted text to a message buffer of size bytes, never past its end.
void append(char* message, size_t size, const char* format, ...) U_PRINTF_FORMAT(3, 4);
void append(char* message, size_t size, const char* format, ...) {
    if (message == nullptr || size == 0) return;
    const void* end = std::memchr(message, '\0', size);
    if (end == nullptr) return;  // not a text: nothing is added to it
    const auto used = static_cast<size_t>(static_cast<const char*>(end) - message);
    if (used + 1 >= size) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(message + used, size - used, format, args);
    va_end(args);
}

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Why a file was refused, and the line at fault (0: the file as a whole).
struct refusal {
    char text[160] = "";
    int line = 0;
};

void describe(const refusal& r, const char* path, const char* line_text, char* message, size_t size) {
    append(message, size, " Error reading ORVO encoded zoom magnification calibration file \"%s\" \n", path);
    append(message, size, " %s \n", r.text);
    if (r.line == 0) return;
    if (line_text[0] != '\0')
        append(message, size, " Error in line %d: \n  %s \n", r.line, line_text);
    else
        append(message, size, " Error in line %d \n", r.line);
}

bool parse_pair(const char* line, double* position, double* magnification) {
    return std::sscanf(line, "%lf %lf", position, magnification) == 2 ||
           std::sscanf(line, "%lf,%lf", position, magnification) == 2 ||
           std::sscanf(line, "%lf, %lf", position, magnification) == 2;
}

// NaN fails every comparison, so it is refused here too.
bool reasonable(double value) { return value >= -kLargestValue && value <= kLargestValue; }

}  // namespace

int32_t enc_zoom_read_cal_file(const char* path, int32_t* count, sys_zoom_cal_pair** pairs,
                               char* message, size_t size) {
    if (message != nullptr && size > 0) message[0] = '\0';
    if (path == nullptr || count == nullptr || pairs == nullptr) return ERR_INVALID_PARAM;
    const std::unique_ptr<FILE, file_closer> file(plat::open_regular_file(path, "rb"));
    if (!file) {
        append(message, size,
               " Cannot open ORVO encoded zoom magnification calibration file \"%s\" \n", path);
        return ERR_ORVO_ENC_ZOOM_CANT_OPEN_CAL_FILE;
    }
    sys_zoom_cal_pair found[ENC_ZOOM_MAX_PAIRS];
    int n = 0;
    char line[kLineSize];
    int line_number = 0;
    refusal fault;
#define REFUSE(...) std::snprintf(fault.text, sizeof fault.text, __VA_ARGS__)
    while (fault.text[0] == '\0' && std::fgets(line, sizeof line, file.get()) != nullptr) {
        ++line_number;
        if (char* lf = std::strchr(line, '\n')) *lf = '\0';
        if (char* cr = std::strchr(line, '\r')) *cr = '\0';
        if (line_number == 1) continue;  // the title
        double position = 0, magnification = 0;
        fault.line = line_number;
        if (!parse_pair(line, &position, &magnification)) {
            REFUSE("Expected two numbers (position and magnification) separated by a comma and/or space.");
        } else if (!reasonable(position) || !reasonable(magnification)) {
            REFUSE("Magnitude of number is unreasonable.");
        } else if (n == ENC_ZOOM_MAX_PAIRS) {
            REFUSE("Too many position and magnification value pairs (maximum is %d).", ENC_ZOOM_MAX_PAIRS);
            fault.line = 0;
        } else if (position < 0) {
            REFUSE("Position value is out of range [%g,%g]", 0.0, kLargestValue);
        } else if (magnification < kMinMagnification || magnification > kMaxMagnification) {
            REFUSE("Magnification value is out of range [%g,%g]", kMinMagnification, kMaxMagnification);
        } else if (n > 0 && position <= found[n - 1].position) {
            REFUSE("Position values are not in strictly increasing order.");
        } else if (n > 0 && static_cast<float>(magnification) <= found[n - 1].magnification) {
            // Compared as stored: two magnifications that narrow to one float
            // would leave the table not strictly increasing.
            REFUSE("Magnification values are not in strictly increasing order.");
        } else {
            found[n++] = sys_zoom_cal_pair{position, static_cast<float>(magnification)};
        }
    }
    if (fault.text[0] == '\0' && n < ENC_ZOOM_MIN_PAIRS) {
        REFUSE("Too few position and magnification value pairs (minimum is %d)", ENC_ZOOM_MIN_PAIRS);
        fault.line = 0;
    }
#undef REFUSE
    if (fault.text[0] != '\0') {
        describe(fault, path, line, message, size);
        return ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE;
    }
    auto* table = static_cast<sys_zoom_cal_pair*>(gl_MallocFunc(sizeof(sys_zoom_cal_pair) * static_cast<size_t>(n)));
    if (table == nullptr) return ERR_NO_MEM;
    std::memcpy(table, found, sizeof(sys_zoom_cal_pair) * static_cast<size_t>(n));
    *pairs = table;
    *count = n;
    return NO_ERROR;
}

void enc_zoom_free_cal(sys_enc_zoom_state* state) {
    if (state == nullptr) return;
    gl_FreeFunc(state->pairs);
    gl_FreeFunc(state->path);
    state->pairs = nullptr;
    state->path = nullptr;
    state->count = 0;
    state->modifiedNs = 0;
    state->changedNs = 0;
}

int32_t enc_zoom_load_cal(sys_enc_zoom_state* state, const char* configured_name, char* message,
                          size_t size) {
    if (message != nullptr && size > 0) message[0] = '\0';
    if (state == nullptr) return ERR_INVALID_PARAM;
    if (state->path != nullptr) {
        int64_t modified = 0, changed = 0;
        if (!plat::file_times(state->path, &modified, &changed)) {
            gl_FreeFunc(state->path);
            state->path = nullptr;
        } else if (state->count > 0 && modified == state->modifiedNs && changed == state->changedNs) {
            return NO_ERROR;  // unchanged since it was loaded
        }
    }
    // The path to read, copied at once: the lookup reuses its buffer.
    std::string path;
    if (state->path != nullptr) {
        path = state->path;
    } else {
        static const std::string kDefaultName = std::string("ORVO") + plat::kPathSeparator + "ZoomCal.txt";
        const char* name =
            configured_name != nullptr && configured_name[0] != '\0' ? configured_name : kDefaultName.c_str();
        const char* resolved = nullptr;
        if (u_find_file(name, &resolved) != NO_ERROR || resolved == nullptr) {
            append(message, size,
                   " Cannot access ORVO encoded zoom magnification calibration file \"%s\" \n", name);
            return ERR_ORVO_ENC_ZOOM_CANT_OPEN_CAL_FILE;
        }
        path = resolved;
    }
    // The times are taken before reading: a change while it is read makes
    // the next load read it again.
    int64_t modified = 0, changed = 0;
    const bool timed = plat::file_times(path.c_str(), &modified, &changed);
    int32_t count = 0;
    sys_zoom_cal_pair* pairs = nullptr;
    const int32_t err = enc_zoom_read_cal_file(path.c_str(), &count, &pairs, message, size);
    if (err != NO_ERROR) {
        enc_zoom_free_cal(state);
        return err;
    }
    gl_FreeFunc(state->pairs);
    state->pairs = pairs;
    state->count = count;
    gl_PrintFunc("ORVO encoded zoom calibration data loaded from file %s\n", path.c_str());
    if (state->path == nullptr || path != state->path) {
        char* copy = static_cast<char*>(gl_MallocFunc(path.size() + 1));
        if (copy == nullptr) {
            enc_zoom_free_cal(state);
            return ERR_NO_MEM;
        }
        std::memcpy(copy, path.c_str(), path.size() + 1);
        gl_FreeFunc(state->path);
        state->path = copy;
    }
    state->modifiedNs = timed ? modified : 0;
    state->changedNs = timed ? changed : 0;
    return NO_ERROR;
}
