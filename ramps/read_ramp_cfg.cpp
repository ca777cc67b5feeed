// Reading the ramp configuration file: every spec line is checked, rejected
// lines are reported with their place and a hint and left out, and the
// accepted specs are handed over as one array.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "ramps/ramp_cfg_line.h"
#include "ramps/ramps.h"

namespace {

struct file_closer {
    void operator()(FILE* file) const { std::fclose(file); }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

constexpr int32_t kGrowth = 5;  // entries added to the list at a time

// One physical line and how long it counts: its line feed is counted, a
// carriage return before it is neither counted nor kept.
struct cfg_line {
    std::string text;
    int64_t length = 0;
};

enum class read_result { line, end, failed };

read_result read_line(FILE* in, cfg_line* line) {
    line->text.clear();
    line->length = 0;
    int c = 0;
    while ((c = std::getc(in)) != EOF) {
        // Past the limit the text no longer matters, only that it is too long.
        if (line->text.size() <= static_cast<size_t>(RR_CFG_LINE_LEN) + 1) {
            line->text.push_back(static_cast<char>(c));
        }
        ++line->length;
        if (c == '\n') break;
    }
    if (std::ferror(in) != 0) return read_result::failed;
    if (line->length == 0) return read_result::end;
    const std::string& t = line->text;
    if (c == '\n' && t.size() >= 2 && t[t.size() - 2] == '\r') {
        line->text.erase(t.size() - 2, 1);
        --line->length;
    }
    return read_result::line;
}

// The reports of one read, each preceded once by the name of the file.
class reporter {
  public:
    explicit reporter(const char* path) : path_(path) {}

    // message, its place (line number 0: none; text null: not shown) and hint.
    void report(const char* message, int64_t line_number, const char* text, const char* hint) {
        if (!reported_) gl_PrintFunc("Error reading ramp config file \"%s\"\n", path_);
        reported_ = true;
        gl_PrintFunc("%s", message);
        if (line_number == 0) {
            gl_PrintFunc("\n");
        } else if (text == nullptr) {
            gl_PrintFunc(" in line %lld\n", static_cast<long long>(line_number));
        } else {
            const size_t length = std::strlen(text);
            const bool ends_line = length > 0 && text[length - 1] == '\n';
            gl_PrintFunc(" in line %lld:\n  %s%s", static_cast<long long>(line_number), text,
                         ends_line ? "" : "\n");
        }
        if (hint != nullptr && hint[0] != '\0') gl_PrintFunc("%s", hint);
    }

  private:
    const char* path_;
    bool reported_ = false;
};

// The growing list of accepted specs; released unless handed over.
class spec_list {
  public:
    ~spec_list() { gl_FreeFunc(entries_); }

    // Appends a spec; false when the list cannot grow.
    bool append(const rr_ramp_cfg_t& spec) {
        if (count_ == capacity_) {
            if (capacity_ > INT32_MAX - kGrowth) return false;
            const int32_t capacity = capacity_ + kGrowth;
            void* grown = gl_ReallocFunc(
                entries_, static_cast<size_t>(capacity) * sizeof(rr_ramp_cfg_t));
            if (grown == nullptr) return false;
            entries_ = static_cast<rr_ramp_cfg_t*>(grown);
            std::memset(entries_ + capacity_, 0, kGrowth * sizeof(rr_ramp_cfg_t));
            capacity_ = capacity;
        }
        entries_[count_++] = spec;
        return true;
    }

    int32_t count() const { return count_; }

    rr_ramp_cfg_t* release() {
        rr_ramp_cfg_t* entries = entries_;
        entries_ = nullptr;
        return entries;
    }

  private:
    rr_ramp_cfg_t* entries_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
};

}  // namespace

int32_t rr_read_ramp_cfg(const char* path, rr_ramp_cfg_t** list, int32_t* count) {
    if (path == nullptr || list == nullptr || *list != nullptr || count == nullptr) {
        return ERR_INVALID_PARAM;
    }
    *count = 0;
    file_ptr in(plat::open_regular_file(path, "rb"));
    if (in == nullptr) {
        gl_PrintFunc("Cannot open ramp config file \"%s\"\n", path);
        return ERR_CANT_OPEN_FILE;
    }

    reporter reports(path);
    spec_list specs;
    int32_t err = NO_ERROR;
    int64_t line_number = 0;
    int64_t seen = 0;
    int32_t rejected = 0;
    cfg_line line;
    for (;;) {
        const read_result got = read_line(in.get(), &line);
        if (got == read_result::end) break;
        if (got == read_result::failed) {
            gl_PrintFunc("Cannot read ramp config file \"%s\"\n", path);
            err = ERR_CANT_READ_FILE;
            break;
        }
        ++line_number;
        if (line.length > RR_CFG_LINE_LEN) {
            char message[64];
            std::snprintf(message, sizeof message, "Line longer than %d characters",
                          RR_CFG_LINE_LEN);
            reports.report(message, line_number, nullptr, nullptr);
            err = ERR_CORRUPT_RAMP_CFG_FILE;
            break;
        }
        rr_ramp_cfg_t spec;
        rr_cfg_rejection why;
        const rr_cfg_line_kind kind = rr_parse_cfg_line(line.text.c_str(), &spec, &why);
        if (kind == rr_cfg_line_kind::skipped) continue;
        ++seen;
        if (kind == rr_cfg_line_kind::rejected) {
            reports.report(why.message, line_number, line.text.c_str(), why.hint);
            if (++rejected > RR_CFG_MAX_BAD_LINES) {
                gl_PrintFunc("Too many errors reading ramp config file \"%s\"\n", path);
                err = ERR_CORRUPT_RAMP_CFG_FILE;
                break;
            }
            continue;
        }
        if (!specs.append(spec)) {
            reports.report("Out of memory", 0, nullptr, nullptr);
            err = ERR_NO_MEM;
            break;
        }
    }

    if (specs.count() == 0) {
        gl_PrintFunc("No acceptable ramp specs in ramp config file \"%s\"\n", path);
        gl_PrintFunc("Format description and sample:\n%s\n%s\n", RR_CFG_DESCRIPTION,
                     RR_CFG_SAMPLE);
        if (err == NO_ERROR) err = ERR_CORRUPT_RAMP_CFG_FILE;
    }
    if (err != NO_ERROR) return err;
    if (specs.count() < seen) {
        gl_PrintFunc("Accepted %d of %lld ramp specs in ramp config file \"%s\"\n", specs.count(),
                     static_cast<long long>(seen), path);
    }
    *count = specs.count();
    *list = specs.release();
    return NO_ERROR;
}

int32_t rr_parse_ramp_spec(const char* line, rr_ramp_cfg_t* spec) {
    if (line == nullptr || spec == nullptr) return ERR_INVALID_PARAM;
    rr_cfg_rejection why;
    switch (rr_parse_cfg_line(line, spec, &why)) {
        case rr_cfg_line_kind::spec:
            return NO_ERROR;
        case rr_cfg_line_kind::skipped:
            gl_PrintFunc("Not a ramp spec\n");
            return ERR_INVALID_PARAM;
        case rr_cfg_line_kind::rejected:
            break;
    }
    gl_PrintFunc("%s\n%s", why.message, why.hint);
    return ERR_INVALID_PARAM;
}
