// The ASCII data file reader, Formats 1 and 2: an identification line, header
// lines of numbers and quoted texts, then the intensity and phase values.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "datafile/ascii_reader.h"
#include "datafile/element_count.h"
#include "datafile/header_scan.h"
#include "platform/platform.h"

namespace {

constexpr size_t kLineSize = 512;     // a header line read takes at most 511 characters
constexpr size_t kSeparatorSize = 3;  // "#" and its line end

constexpr char kFormat1Line[] = "Tesk ASCII Data File - Format 1\n";
constexpr char kFormat2Line[] = "Tesk ASCII Data File - Format 2\n";

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Reads header lines, counting them for the error report.
class header_reader {
  public:
    explicit header_reader(text_source& source) : source_(source) {}

    // Reads the first line; the counter starts at 1.
    int32_t first(char* line) {
        line_number_ = 1;
        return source_.read_line(line, kLineSize) ? NO_ERROR : ERR_PREMATURE_EOF;
    }

    // Reads the next header line into line_.
    int32_t next() {
        ++line_number_;
        return source_.read_line(line_, kLineSize) ? NO_ERROR : ERR_PREMATURE_EOF;
    }

    // Reads the next line and scans it; the count of conversions must match.
    int32_t scan(const char* format, std::initializer_list<scan_target> targets) {
        if (const int32_t err = next(); err != NO_ERROR) return err;
        return scanned(format, targets) ? NO_ERROR : ERR_CORRUPT_DATA_FILE;
    }

    // Reads the next line and scans it with a format built for a quoted text
    // of the given width; the text is trimmed right after the scan, before
    // the count is judged (or only after a successful scan, when asked).
    int32_t scan_quoted(const char* format, std::initializer_list<scan_target> targets, char* text,
                        bool trim_on_success_only = false) {
        if (const int32_t err = next(); err != NO_ERROR) return err;
        const bool ok = scanned(format, targets);
        if (ok || !trim_on_success_only) u_trim(text);
        return ok ? NO_ERROR : ERR_CORRUPT_DATA_FILE;
    }

    int line_number() const { return line_number_; }

  private:
    bool scanned(const char* format, std::initializer_list<scan_target> targets) {
        const std::span<const scan_target> list(targets.begin(), targets.size());
        return scan_header_line(line_, format, list) == static_cast<int>(targets.size());
    }

    text_source& source_;
    int line_number_ = 0;
    char line_[kLineSize] = {};
};

// A separator line read: "#" and its line end; the content is not judged.
void read_separator(text_source& source) {
    char separator[kSeparatorSize];
    source.read_line(separator, sizeof separator);
}

// Without an intensity matrix the intensity values, if any, are passed over
// up to the next line that starts with "#", so they never pass for phase values.
void skip_to_separator(text_source& source) {
    for (int c = source.peek(); c != EOF && c != '#'; c = source.peek()) source.skip_line();
}

// How one kind of value is scanned: one at a time, or many in a row.
template <typename T>
struct value_scan {
    bool (text_source::*one)(T*);
    bool (text_source::*many)(T*, int64_t);
};

constexpr value_scan<uint16_t> kIntensityScan{&text_source::scan_ushort,
                                              &text_source::scan_ushorts};
constexpr value_scan<int32_t> kPhaseScan{&text_source::scan_int, &text_source::scan_ints};

// Scans count values for a matrix that alloc() provides; stores them at
// *data. A text file holds at least two bytes per value but the last, so a
// file too short for the count fails without the matrix being allocated; an
// input of unknown length is first collected, so it allocates only as much
// as it really holds.
template <typename T, typename Alloc>
int32_t read_section(text_source& source, value_scan<T> scan, int64_t count, Alloc alloc,
                     T** data) {
    if (const int32_t err = check_element_count(count); err != NO_ERROR) return err;
    const int64_t left = source.bytes_left();
    if (left >= 0) {
        if (left < 2 * count - 1) return ERR_CANT_READ_FILE;
        if (const int32_t err = alloc(); err != NO_ERROR) return err;
        return (source.*scan.many)(*data, count) ? NO_ERROR : ERR_CANT_READ_FILE;
    }

    std::vector<T> collected;
    try {
        T value{};
        while (static_cast<int64_t>(collected.size()) < count) {
            if (!(source.*scan.one)(&value)) return ERR_CANT_READ_FILE;
            collected.push_back(value);
        }
    } catch (const std::bad_alloc&) {
        return ERR_NO_MEM;
    }
    if (const int32_t err = alloc(); err != NO_ERROR) return err;
    std::memcpy(*data, collected.data(), collected.size() * sizeof(T));
    return NO_ERROR;
}

// Sets val_242 and val_242_wide from the number in line 9's fifth place.
void store_val_242(data_file_params* params, int32_t value) {
    params->val_242 = static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
    params->val_242_wide = value > 65535 ? value : 0;
}

int32_t read_header(header_reader& header, data_file_ident* ident, data_file_params* params,
                    intens_matrix* intens, phase_matrix* phase) {
    char line[kLineSize];
    if (const int32_t err = header.first(line); err != NO_ERROR) return err;
    bool format2 = false;
    if (std::strcmp(line, kFormat1Line) == 0) {
        format2 = false;
    } else if (std::strcmp(line, kFormat2Line) == 0) {
        format2 = true;
    } else {
        return ERR_UNKNOWN_ASCII_FORMAT_TYPE;
    }

    char format[64];
    int32_t err = NO_ERROR;
    data_file_params& p = *params;

    std::snprintf(format, sizeof format, "%%hd %%hd %%hd %%hd \"%%%dc\"", 29);
    err = header.scan_quoted(
        format,
        {&ident->ident_a, &ident->ident_b, &ident->ident_c, &ident->ident_d, ident->ident_text},
        ident->ident_text);
    if (err != NO_ERROR) return err;

    if (intens != nullptr) {
        matrix_window& w = intens->window;
        int16_t range = 0;
        err = header.scan("%hd %hd %hd %hd %hd %hd",
                          {&w.x, &w.y, &w.width, &w.height, &intens->n_buckets, &range});
        intens->range = static_cast<uint16_t>(range);
    } else {
        err = header.next();
    }
    if (err != NO_ERROR) return err;

    if (phase != nullptr) {
        matrix_window& w = phase->window;
        err = header.scan("%hd %hd %hd %hd", {&w.x, &w.y, &w.width, &w.height});
    } else {
        err = header.next();
    }
    if (err != NO_ERROR) return err;

    std::snprintf(format, sizeof format, "\"%%%dc\"", 81);
    if ((err = header.scan_quoted(format, {p.text_80}, p.text_80)) != NO_ERROR) return err;
    std::snprintf(format, sizeof format, "\"%%%dc\"", 39);
    if ((err = header.scan_quoted(format, {p.text_320}, p.text_320)) != NO_ERROR) return err;
    if ((err = header.scan_quoted(format, {p.text_258}, p.text_258)) != NO_ERROR) return err;

    err = header.scan("%hd %f %f %f %f %f %f %d", {&p.val_162, &p.val_164, &p.val_168, &p.val_172,
                                                   &p.val_176, &p.val_180, &p.val_184, &p.val_76});
    if (err != NO_ERROR) return err;

    int32_t val_242 = 0;
    std::snprintf(format, sizeof format, "%%hd %%hd %%hd %%hd %%d %%hd \"%%%dc\"", 11);
    err = header.scan_quoted(
        format, {&p.val_234, &p.val_236, &p.val_238, &p.val_240, &val_242, &p.val_244, p.text_246},
        p.text_246);
    if (err != NO_ERROR) return err;
    store_val_242(params, val_242);

    err = header.scan("%hd %hd %hd %hd %hd %hd %f %f %d %d",
                      {&p.val_188, &p.val_190, &p.val_192, &p.val_196, &p.val_194, &p.val_202,
                       &p.val_204, &p.val_498, &p.val_210, &p.val_214});
    if (err != NO_ERROR) return err;

    err = header.scan("%hd %hd %d %hd %f %hd %hd %hd %hd",
                      {&p.val_218, &p.val_300, &p.val_220, &p.val_224, &p.val_226, &p.val_230,
                       &p.val_364, &p.val_232, &p.val_298});
    if (err != NO_ERROR) return err;

    std::snprintf(format, sizeof format, "%%hd \"%%%dc\"", 27);
    err = header.scan_quoted(format, {&p.val_302, p.text_534}, p.text_534);
    if (err != NO_ERROR) return err;

    if ((err = header.scan("%f %f", {&p.val_360, &p.val_198})) != NO_ERROR) return err;

    if (format2) {
        std::snprintf(format, sizeof format, "\"%%%dc\"", 7);
        err = header.scan_quoted(format, {p.text_562}, p.text_562, true);
    }
    return err;
}

int32_t read_data(text_source& source, intens_matrix* intens, phase_matrix* phase) {
    read_separator(source);
    if (intens != nullptr) {
        const int64_t count =
            element_count(intens->window.width, intens->window.height, intens->n_buckets);
        if (count > 0) {
            const int32_t err = read_section<uint16_t>(
                source, kIntensityScan, count, [intens]() { return intens_matrix_alloc(intens); },
                &intens->matrix);
            if (err != NO_ERROR) return err;
        }
    } else {
        skip_to_separator(source);
    }

    read_separator(source);
    if (phase != nullptr) {
        const int64_t count = element_count(phase->window.width, phase->window.height);
        if (count > 0) {
            return read_section<int32_t>(
                source, kPhaseScan, count, [phase]() { return phase_matrix_alloc(phase); },
                &phase->matrix);
        }
    }
    return NO_ERROR;
}

}  // namespace

int32_t read_ascii_text(text_source& source, data_file_ident* ident, data_file_params* params,
                        intens_matrix* intens, phase_matrix* phase) {
    header_reader header(source);
    int32_t err = read_header(header, ident, params, intens, phase);
    if (err == NO_ERROR) err = read_data(source, intens, phase);
    if (err != NO_ERROR) {
        gl_PrintFunc("-***- Error in Line %d -***-\n", header.line_number());
        if (intens != nullptr) intens_matrix_free(intens);
        if (phase != nullptr) phase_matrix_free(phase);
    }
    return err;
}

int32_t df_read_ascii(plat::path_ref path, data_file_ident* ident, data_file_params* params,
                      intens_matrix* intens, phase_matrix* phase) {
    if (ident == nullptr || params == nullptr) return ERR_INVALID_PARAM;
    std::memset(ident, 0, sizeof *ident);
    std::memset(params, 0, sizeof *params);

    const std::unique_ptr<FILE, file_closer> file(plat::open_file(path, "rb"));
    if (!file) return ERR_CANT_OPEN_FILE;
    return df_read_ascii_stream(file.get(), ident, params, intens, phase);
}

int32_t df_read_ascii_stream(FILE* stream, data_file_ident* ident, data_file_params* params,
                             intens_matrix* intens, phase_matrix* phase) {
    if (stream == nullptr || ident == nullptr || params == nullptr) return ERR_INVALID_PARAM;
    std::memset(ident, 0, sizeof *ident);
    std::memset(params, 0, sizeof *params);
    // The source holds a 64 KiB buffer; it lives on the heap.
    std::unique_ptr<text_source> source(new (std::nothrow) text_source(stream));
    if (!source) return ERR_NO_MEM;
    return read_ascii_text(*source, ident, params, intens, phase);
}
