// Fuzz target: the binary data file reader on arbitrary bytes, then the ASCII
// writer on whatever it accepts, and the ASCII reader on what was written;
// and the binary writer, whose file must read back as the same records.
//
// The bytes are read four ways: from a regular file through df_read_binary
// (the converter's road, where the reader knows how much the file holds), and
// from a memory stream whose length the reader cannot know, once with every
// output and once each without the intensity and without the phase matrix,
// so that both blocks are also skipped. The readings must agree.
#include <memory>

#include "datafile/datafile.h"
#include "fuzz/fuzz_support.h"
#include "platform/platform.h"

namespace {

// A matrix can hold more elements than the input has bytes only through the
// zeros that a short intensity block leaves (up to 8 Mi of them). Writing
// those out and reading them back takes seconds under the sanitizers and goes
// through the same per-value loops as the values of any smaller matrix, so
// such a measurement skips the trip through the ASCII file.
bool worth_a_round_trip(const fuzz::measurement& m, size_t input_size) {
    return uint64_t{m.intens.size} + m.phase.size <= input_size;
}

struct stream_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};

int32_t read_memory(const uint8_t* data, size_t size, fuzz::measurement& m, bool with_intensity,
                    bool with_phase) {
    const std::unique_ptr<FILE, stream_closer> stream(plat::open_memory_stream(data, size));
    if (!stream) fuzz::fail("cannot open a memory stream", 0, 0);
    return df_read_binary_stream(stream.get(), &m.ident, &m.params,
                                 with_intensity ? &m.intens : nullptr,
                                 with_phase ? &m.phase : nullptr);
}

// A matrix that a failed read handed back must hold nothing.
void check_freed(const fuzz::measurement& m, int32_t err) {
    if (m.intens.matrix != nullptr || m.intens.size != 0 || m.phase.matrix != nullptr ||
        m.phase.size != 0) {
        fuzz::fail("a failed read left a matrix buffer", err, err);
    }
}

// What the binary reader accepted goes through the ASCII writer and back.
void check_ascii_round_trip(const fuzz::measurement& m) {
    static const std::string ascii_path = fuzz::scratch_path("round_trip.txt");
    const int32_t written =
        df_write_ascii(ascii_path.c_str(), &m.ident, &m.params, &m.intens, &m.phase);
    if (written != NO_ERROR) fuzz::fail("the writer refused an accepted file", written, 0);

    fuzz::measurement back;
    const int32_t err =
        df_read_ascii(ascii_path.c_str(), &back.ident, &back.params, &back.intens, &back.phase);
    // A text without terminator, or with a line feed, cannot keep to its
    // line; every other measurement reads back with the same matrices.
    if (!fuzz::texts_fit_ascii_lines(m)) return;
    if (err != NO_ERROR) fuzz::fail("the ASCII file does not read back", err, 0);
    if (!fuzz::same_intensity(m.intens, back.intens) || !fuzz::same_phase(m.phase, back.phase)) {
        fuzz::fail("the matrices changed on the way through the ASCII file", err, err);
    }
}

// What the binary reader accepted is written again in its own format and
// must read back unchanged: every field, both matrices.
void check_binary_round_trip(const fuzz::measurement& m, const uint8_t* data) {
    static const std::string binary_path = fuzz::scratch_path("round_trip.dat");
    const int32_t format = data[3] == 0x6F ? 1 : data[3] == 0x70 ? 2 : 3;
    const int32_t written =
        df_write_binary(binary_path.c_str(), format, &m.ident, &m.params, &m.intens, &m.phase);
    if (written != NO_ERROR) fuzz::fail("the binary writer refused an accepted file", written, 0);

    fuzz::measurement back;
    const int32_t err =
        df_read_binary(binary_path.c_str(), &back.ident, &back.params, &back.intens, &back.phase);
    if (err != NO_ERROR) fuzz::fail("the written binary file does not read back", err, 0);
    if (!fuzz::same_records(m, back) || !fuzz::same_intensity(m.intens, back.intens) ||
        !fuzz::same_phase(m.phase, back.phase)) {
        fuzz::fail("the records changed on the way through the binary writer", err, err);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silence_library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input_path = fuzz::scratch_path("input.dat");
    fuzz::write_file(input_path, data, size);

    fuzz::measurement from_file;
    const int32_t file_err = df_read_binary(input_path.c_str(), &from_file.ident, &from_file.params,
                                            &from_file.intens, &from_file.phase);
    if (file_err != NO_ERROR) check_freed(from_file, file_err);

    fuzz::measurement from_stream;
    const int32_t stream_err = read_memory(data, size, from_stream, true, true);
    if (stream_err != file_err) fuzz::fail("file and stream readings differ", file_err, stream_err);
    if (stream_err != NO_ERROR) {
        check_freed(from_stream, stream_err);
    } else if (!fuzz::same_records(from_file, from_stream) ||
               !fuzz::same_intensity(from_file.intens, from_stream.intens) ||
               !fuzz::same_phase(from_file.phase, from_stream.phase)) {
        fuzz::fail("file and stream readings differ", file_err, stream_err);
    }

    // Skipping a block must land where reading it would have.
    fuzz::measurement phase_only;
    const int32_t phase_only_err = read_memory(data, size, phase_only, false, true);
    fuzz::measurement intensity_only;
    const int32_t intensity_only_err = read_memory(data, size, intensity_only, true, false);
    if (file_err == NO_ERROR) {
        if (phase_only_err != NO_ERROR || !fuzz::same_phase(from_file.phase, phase_only.phase)) {
            fuzz::fail("skipping the intensity block changed the phase", file_err, phase_only_err);
        }
        if (intensity_only_err != NO_ERROR ||
            !fuzz::same_intensity(from_file.intens, intensity_only.intens)) {
            fuzz::fail("leaving out the phase changed the intensity", file_err, intensity_only_err);
        }
        if (worth_a_round_trip(from_file, size)) {
            check_ascii_round_trip(from_file);
            check_binary_round_trip(from_file, data);
        }
    }
    return 0;
}
