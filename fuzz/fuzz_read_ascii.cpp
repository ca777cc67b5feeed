// Fuzz target: the ASCII data file reader on arbitrary text.
//
// The text is read from a regular file through df_read_ascii (the reader
// knows its length) and from an input of unknown length delivered a few
// bytes at a time; the two readings must agree. It is also read without the
// intensity and without the phase matrix. A measurement that was read is
// written again and must read back the same: the file format is a fixed point
// after one reading.
#include <algorithm>
#include <cstring>
#include <memory>

#include "datafile/ascii_reader.h"
#include "datafile/datafile.h"
#include "fuzz/fuzz_support.h"

namespace {

// Hands out the input in small pieces, so that values and lines straddle
// the reader's refills.
struct chunked_input {
    const uint8_t* data;
    size_t size;
    size_t taken = 0;

    static size_t read(void* context, char* destination, size_t capacity) {
        auto* input = static_cast<chunked_input*>(context);
        const size_t n = std::min(capacity, input->size - input->taken);
        if (n > 0) std::memcpy(destination, input->data + input->taken, n);
        input->taken += n;
        return n;
    }
};
constexpr size_t kChunk = 13;

int32_t read_unknown_length(const uint8_t* data, size_t size, fuzz::measurement& m,
                            bool with_intensity, bool with_phase) {
    std::memset(&m.ident, 0, sizeof m.ident);
    std::memset(&m.params, 0, sizeof m.params);
    chunked_input input{data, size};
    // The source holds a 64 KiB buffer: on the heap, as df_read_ascii keeps it.
    const auto source =
        std::make_unique<text_source>(chunked_input::read, &input, int64_t{-1}, kChunk);
    return read_ascii_text(*source, &m.ident, &m.params, with_intensity ? &m.intens : nullptr,
                           with_phase ? &m.phase : nullptr);
}

void check_freed(const fuzz::measurement& m, int32_t err) {
    if (m.intens.matrix != nullptr || m.intens.size != 0 || m.phase.matrix != nullptr ||
        m.phase.size != 0) {
        fuzz::fail("a failed read left a matrix buffer", err, err);
    }
}

// Written again and read back, a measurement keeps every carried field.
void check_fixed_point(const fuzz::measurement& m) {
    static const std::string again_path = fuzz::scratch_path("again.txt");
    const int32_t written =
        df_write_ascii(again_path.c_str(), &m.ident, &m.params, &m.intens, &m.phase);
    if (written != NO_ERROR) fuzz::fail("the writer refused what was read", written, 0);
    fuzz::measurement back;
    const int32_t err =
        df_read_ascii(again_path.c_str(), &back.ident, &back.params, &back.intens, &back.phase);
    if (err != NO_ERROR) fuzz::fail("a written file does not read back", err, 0);
    if (!fuzz::same_ascii_fields(m, back) || !fuzz::same_intensity(m.intens, back.intens) ||
        !fuzz::same_phase(m.phase, back.phase)) {
        fuzz::fail("a measurement changed on its second way through the file", err, err);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silence_library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input_path = fuzz::scratch_path("input.txt");
    fuzz::write_file(input_path, data, size);

    fuzz::measurement from_file;
    const int32_t file_err = df_read_ascii(input_path.c_str(), &from_file.ident, &from_file.params,
                                           &from_file.intens, &from_file.phase);
    if (file_err != NO_ERROR) check_freed(from_file, file_err);

    fuzz::measurement unknown;
    const int32_t unknown_err = read_unknown_length(data, size, unknown, true, true);
    if (unknown_err != file_err) {
        fuzz::fail("readings of known and unknown length differ", file_err, unknown_err);
    }
    if (unknown_err != NO_ERROR) {
        check_freed(unknown, unknown_err);
    } else if (!fuzz::same_records(from_file, unknown) ||
               !fuzz::same_intensity(from_file.intens, unknown.intens) ||
               !fuzz::same_phase(from_file.phase, unknown.phase)) {
        fuzz::fail("readings of known and unknown length differ", file_err, unknown_err);
    }

    fuzz::measurement phase_only;
    const int32_t phase_only_err = read_unknown_length(data, size, phase_only, false, true);
    if (phase_only_err != NO_ERROR) check_freed(phase_only, phase_only_err);
    fuzz::measurement intensity_only;
    const int32_t intensity_only_err = read_unknown_length(data, size, intensity_only, true, false);
    if (intensity_only_err != NO_ERROR) check_freed(intensity_only, intensity_only_err);

    if (file_err == NO_ERROR) check_fixed_point(from_file);
    return 0;
}
