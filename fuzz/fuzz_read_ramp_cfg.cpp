// Fuzz target: the ramp configuration reader on arbitrary text.
//
// Whatever the reader accepts, the writer writes, and that file reads back
// to the same ramp configurations, each real as its column's digits give it
// (or exactly, where those digits would be refused); what was read back
// goes through the file again alike.
#include <string>

#include "fuzz/fuzz_support.h"
#include "ramps/ramp_test_support.h"
#include "ramps/ramps.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silence_library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input_path = fuzz::scratch_path("rampcfg.txt");
    static const std::string first_path = fuzz::scratch_path("first_cfg.txt");
    static const std::string second_path = fuzz::scratch_path("second_cfg.txt");
    fuzz::write_file(input_path, data, size);

    spec_list read;
    const int32_t err = rr_read_ramp_cfg(input_path.c_str(), &read.entries, &read.count);
    if (err != NO_ERROR) {
        if (read.entries != nullptr || read.count != 0) fuzz::fail("a failed read left a list", err, 0);
        return 0;
    }
    if (read.entries == nullptr || read.count <= 0) fuzz::fail("a read list is empty", err, 0);

    int32_t written = rr_write_ramp_cfg(first_path.c_str(), read.entries, read.count);
    if (written != NO_ERROR) fuzz::fail("the writer refused what was read", written, 0);
    spec_list back;
    const int32_t back_err = rr_read_ramp_cfg(first_path.c_str(), &back.entries, &back.count);
    if (back_err != NO_ERROR) fuzz::fail("a written file does not read back", back_err, 0);
    if (back.count != read.count) fuzz::fail("a written file lost ramp configurations", read.count, back.count);
    for (int32_t i = 0; i < read.count; ++i) {
        if (!reads_back_as_written(read.entries[i], back.entries[i])) {
            fuzz::fail("a ramp configuration changed on its way through the file", i, 0);
        }
    }
    written = rr_write_ramp_cfg(second_path.c_str(), back.entries, back.count);
    if (written != NO_ERROR) fuzz::fail("the writer refused what was read back", written, 0);
    spec_list again;
    const int32_t again_err = rr_read_ramp_cfg(second_path.c_str(), &again.entries, &again.count);
    if (again_err != NO_ERROR || again.count != back.count) {
        fuzz::fail("what was read back does not go through the file again", again_err, again.count);
    }
    for (int32_t i = 0; i < back.count; ++i) {
        if (!reads_back_as_written(back.entries[i], again.entries[i])) {
            fuzz::fail("a ramp configuration changed on its second way through the file", i, 0);
        }
    }
    return 0;
}
