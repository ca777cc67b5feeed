// Fuzz target: the ramp data file reader on arbitrary bytes, and the
// operations that take a ramp as the file gives it.
//
// Whatever the reader accepts writes back as the same bytes (the header and
// the samples it announced; what follows them is not part of the ramp). A
// header read alone is the header read with the samples. The samples sit in
// a block of exactly their size, so the sanitizer sees any access past it.
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "ramps/ramps.h"

namespace {

// The ramp's other operations must hold up against any header and samples.
void exercise(rr_ramp_t* ramp, const std::string& dump_path) {
    FILE* out = std::fopen(dump_path.c_str(), "wb");
    if (out == nullptr) fuzz::fail("cannot create a scratch file", 0, 0);
    rr_print_ramp_hdr(out, &ramp->hdr, ramp->points, 0);
    std::fclose(out);

    const char* name = nullptr;
    if (rr_get_std_ramp_filename(&ramp->hdr, &name) != NO_ERROR && name[0] != '\0') {
        fuzz::fail("a refused name is not empty", 0, 0);
    }
    rr_ramp_hdr_t checked = ramp->hdr;
    rr_check_ramp_instr(&checked, "fuzz", ramp->hdr.instrBdType, ramp->hdr.pztID, -1);
    for (const double rate : {0.1, 5.0, 4000.0 / (65536.0 - ramp->hdr.updateRate)}) {
        rr_calc_time_til_offset_crossing(ramp, rate);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silence_library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input_path = fuzz::scratch_path("input.ramp");
    static const std::string again_path = fuzz::scratch_path("again.ramp");
    static const std::string dump_path = fuzz::scratch_path("dump.txt");
    fuzz::write_file(input_path, data, size);

    rr_ramp_t ramp;
    rr_init_ramp(&ramp);
    const int32_t err = rr_read_ramp_file(input_path.c_str(), &ramp.hdr, &ramp.points);
    rr_ramp_hdr_t alone;
    const int32_t alone_err = rr_read_ramp_file(input_path.c_str(), &alone, nullptr);
    if (err != NO_ERROR) {
        if (ramp.points != nullptr) fuzz::fail("a failed read left samples", err, 0);
        if (err != ERR_CORRUPT_RAMP_FILE && alone_err != err) {
            fuzz::fail("a header fails alone as it does with the samples", err, alone_err);
        }
        return 0;
    }
    if (alone_err != NO_ERROR || std::memcmp(&alone, &ramp.hdr, sizeof alone) != 0) {
        fuzz::fail("the header read alone differs", alone_err, 0);
    }
    if (ramp.hdr.nPoints < 0) fuzz::fail("a negative count was accepted", ramp.hdr.nPoints, 0);

    const uint16_t none = 0;
    const int32_t written =
        rr_write_ramp_file(again_path.c_str(), &ramp.hdr, ramp.points != nullptr ? ramp.points : &none);
    if (written != NO_ERROR) fuzz::fail("the writer refused what was read", written, 0);
    const size_t length = RR_RAMP_HDR_SIZE + 2 * static_cast<size_t>(ramp.hdr.nPoints);
    const std::string again = fuzz::read_file(again_path);
    if (again.size() != length || std::memcmp(again.data(), data, length) != 0) {
        fuzz::fail("a ramp written back is not the bytes it was read from", ramp.hdr.nPoints, 0);
    }
    exercise(&ramp, dump_path);
    rr_release_ramp(&ramp);
    return 0;
}
