// The ASCII data file writer (Format 2): an identification line, the header
// fields as lines of numbers and quoted texts, then the intensity and phase
// values ten to a line. The file is opened in binary and every line end is
// written as CR LF, so the bytes are the same on every platform.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "datafile/datafile.h"
#include "datafile/decimal_format.h"
#include "datafile/element_count.h"
#include "datafile/output_file.h"
#include "platform/platform.h"

namespace {

// Output goes through one large block; when the allocation hook cannot
// supply it, a small block on the stack does the same job more slowly.
constexpr size_t OUTPUT_BLOCK_SIZE = 256 * 1024;
constexpr size_t FALLBACK_BLOCK_SIZE = 4096;

constexpr int64_t VALUES_PER_LINE = 10;
// Ten values of at most 11 characters, each with its blank, then CR LF.
constexpr size_t MAX_DATA_LINE = VALUES_PER_LINE * 12 + 2;

// Collects text and hands it to the file in large blocks. Once a write has
// failed, everything after it is dropped and failed() stays true.
class output_buffer {
  public:
    output_buffer(FILE* file, char* block, size_t capacity)
        : file_(file), block_(block), capacity_(capacity) {}

    // Room for n more bytes (n at most the capacity); null after a failure.
    char* reserve(size_t n) {
        if (capacity_ - used_ < n) flush();
        return failed_ ? nullptr : block_ + used_;
    }
    // Takes the bytes written after reserve() up to end.
    void commit(const char* end) { used_ = static_cast<size_t>(end - block_); }

    void append(const char* text, size_t length) {
        while (length > 0 && !failed_) {
            if (used_ == capacity_) flush();
            const size_t chunk = std::min(length, capacity_ - used_);
            std::memcpy(block_ + used_, text, chunk);
            used_ += chunk;
            text += chunk;
            length -= chunk;
        }
    }
    void append(const char* text) { append(text, std::strlen(text)); }

    bool flush() {
        if (!failed_ && used_ > 0 && std::fwrite(block_, 1, used_, file_) != used_) failed_ = true;
        used_ = 0;
        return !failed_;
    }

  private:
    FILE* file_;
    char* block_;
    size_t capacity_;
    size_t used_ = 0;
    bool failed_ = false;
};

// A printf-style piece of a header line (every header line fits in 256 bytes).
void append_format(output_buffer& out, const char* format, ...) U_PRINTF_FORMAT(2, 3);
void append_format(output_buffer& out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0) out.append(line, std::min(static_cast<size_t>(length), sizeof line - 1));
}

// "%g" text of a floating-point field. The C runtimes disagree on the
// non-finite values (glibc writes "-nan" where mingw-w64 writes "nan", the
// Microsoft runtime "-nan(ind)"), and a file's bytes must not depend on the
// system that wrote it, so those are spelled here as glibc spells them.
struct g_text {
    char text[32];
};
g_text as_g(double value) {
    g_text out{};
    if (std::isnan(value)) {
        std::snprintf(out.text, sizeof out.text, "%s", std::signbit(value) ? "-nan" : "nan");
    } else if (std::isinf(value)) {
        std::snprintf(out.text, sizeof out.text, "%s", value < 0 ? "-inf" : "inf");
    } else {
        std::snprintf(out.text, sizeof out.text, "%g", value);
    }
    return out;
}

// A text field of array size N in double quotes, left-aligned and padded with
// blanks to N - 1 characters. A field without terminator ends with its array
// (it then fills N characters). A line feed inside the text becomes CR LF,
// as a text-mode stream would write it; padding counts it as one character.
template <size_t N>
void append_quoted(output_buffer& out, const char (&field)[N]) {
    const void* terminator = std::memchr(field, '\0', N);
    const size_t length = terminator == nullptr
                              ? N
                              : static_cast<size_t>(static_cast<const char*>(terminator) - field);
    char* p = out.reserve(2 * N + 2);
    if (p == nullptr) return;
    *p++ = '"';
    for (size_t i = 0; i < length; ++i) {
        if (field[i] == '\n') *p++ = '\r';
        *p++ = field[i];
    }
    for (size_t i = length; i < N - 1; ++i) *p++ = ' ';
    *p++ = '"';
    out.commit(p);
}

void append_line_end(output_buffer& out) {
    out.append("\r\n", 2);
}

inline char* format_value(char* out, uint16_t value) {
    return format_decimal_u32(out, value);
}
inline char* format_value(char* out, int32_t value) {
    return format_decimal_i32(out, value);
}

// count values ("%u " or "%d " each), ten to a line; the last line may be
// shorter; no values, no line.
template <typename T>
void append_values(output_buffer& out, const T* values, int64_t count) {
    for (int64_t first = 0; first < count; first += VALUES_PER_LINE) {
        char* p = out.reserve(MAX_DATA_LINE);
        if (p == nullptr) return;
        const int64_t last = std::min(count, first + VALUES_PER_LINE);
        for (int64_t i = first; i < last; ++i) {
            p = format_value(p, values[i]);
            *p++ = ' ';
        }
        *p++ = '\r';
        *p++ = '\n';
        out.commit(p);
    }
}

// Lines 1 to 15: identification line, header fields, separator.
void append_header(output_buffer& out, const data_file_ident& ident, const data_file_params& p,
                   const intens_matrix* intens, const phase_matrix* phase) {
    out.append("Tesk ASCII Data File - Format 2\r\n");

    append_format(out, "%hd %hd %hd %hd ", ident.ident_a, ident.ident_b, ident.ident_c,
                  ident.ident_d);
    append_quoted(out, ident.ident_text);
    append_line_end(out);

    const intens_matrix no_intens{};
    const intens_matrix& in = intens != nullptr ? *intens : no_intens;
    append_format(out, "%hd %hd %hd %hd %hd %hd\r\n", in.window.x, in.window.y, in.window.width,
                  in.window.height, in.n_buckets, static_cast<int16_t>(in.range));
    const phase_matrix no_phase{};
    const phase_matrix& ph = phase != nullptr ? *phase : no_phase;
    append_format(out, "%hd %hd %hd %hd\r\n", ph.window.x, ph.window.y, ph.window.width,
                  ph.window.height);

    append_quoted(out, p.text_80);
    append_line_end(out);
    append_quoted(out, p.text_320);
    append_line_end(out);
    append_quoted(out, p.text_258);
    append_line_end(out);

    // Floating-point fields are widened to double for "%g".
    append_format(out, "%d %s %s %s %s %s %s %d\r\n", p.val_162, as_g(p.val_164).text,
                  as_g(p.val_168).text, as_g(p.val_172).text, as_g(p.val_176).text,
                  as_g(p.val_180).text, as_g(p.val_184).text, p.val_76);

    // A value too wide for the 16-bit val_242 travels in val_242_wide.
    if (p.val_242_wide != 0) {
        append_format(out, "%hd %hd %hd %hd %d %hd ", p.val_234, p.val_236, p.val_238, p.val_240,
                      p.val_242_wide, p.val_244);
    } else {
        append_format(out, "%hd %hd %hd %hd %hd %hd ", p.val_234, p.val_236, p.val_238, p.val_240,
                      p.val_242, p.val_244);
    }
    append_quoted(out, p.text_246);
    append_line_end(out);

    append_format(out, "%hd %hd %hd %hd %hd %hd %s %s %d %d\r\n", p.val_188, p.val_190, p.val_192,
                  p.val_196, p.val_194, p.val_202, as_g(p.val_204).text, as_g(p.val_498).text,
                  p.val_210, p.val_214);
    append_format(out, "%hd %hd %d %hd %s %hd %hd %hd %hd\r\n", p.val_218, p.val_300, p.val_220,
                  p.val_224, as_g(p.val_226).text, p.val_230, p.val_364, p.val_232, p.val_298);

    append_format(out, "%hd ", p.val_302);
    append_quoted(out, p.text_534);
    append_line_end(out);

    append_format(out, "%s %s\r\n", as_g(p.val_360).text, as_g(p.val_198).text);

    append_quoted(out, p.text_562);
    append_line_end(out);
    out.append("#\r\n");
}

struct block_release {
    void operator()(char* block) const { gl_FreeFunc(block); }
};

}  // namespace

int32_t df_write_ascii(plat::path_ref path, const data_file_ident* ident,
                       const data_file_params* params, const intens_matrix* intens,
                       const phase_matrix* phase) {
    if (intens == nullptr && phase == nullptr) return ERR_INVALID_PARAM;
    if (ident == nullptr || params == nullptr) return ERR_INVALID_PARAM;

    // Element counts in 64-bit arithmetic; a count of 0 or below writes no values.
    const int64_t intens_count =
        intens == nullptr
            ? 0
            : element_count(intens->window.width, intens->window.height, intens->n_buckets);
    const int64_t phase_count =
        phase == nullptr ? 0 : element_count(phase->window.width, phase->window.height);
    // A matrix that claims values must have a buffer to take them from.
    if ((intens_count > 0 && intens->matrix == nullptr) ||
        (phase_count > 0 && phase->matrix == nullptr)) {
        return ERR_INVALID_PARAM;
    }

    output_file output;
    FILE* const file = output.open(path);
    if (file == nullptr) return ERR_CANT_CREATE_FILE;

    const std::unique_ptr<char, block_release> block(
        static_cast<char*>(gl_MallocFunc(OUTPUT_BLOCK_SIZE)));
    char fallback[FALLBACK_BLOCK_SIZE];
    output_buffer out(file, block ? block.get() : fallback,
                      block ? OUTPUT_BLOCK_SIZE : FALLBACK_BLOCK_SIZE);

    append_header(out, *ident, *params, intens, phase);
    if (intens_count > 0) append_values(out, intens->matrix, intens_count);
    out.append("#\r\n");
    if (phase_count > 0) append_values(out, phase->matrix, phase_count);
    out.append("#\r\n");

    return output.close(out.flush()) ? NO_ERROR : ERR_CANT_WRITE_FILE;
}
