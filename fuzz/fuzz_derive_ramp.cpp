// Fuzz target: deriving and resampling ramps.
//
// The input is a ramp configuration line, a line feed, then a ramp data file; a first
// byte "!" instead takes the entry's bytes as they are (any values, NaNs
// included). The base ramp is made a SWLI ramp unless the line begins with
// "~", so that most inputs reach the resampling. Samples sit in blocks of
// exactly their size: a read or write outside them is a sanitizer report.
// A derived ramp never shares the base's samples; a refused one holds none.
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "ramps/ramps.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silence_library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string base_path = fuzz::scratch_path("base.ramp");
    const auto* end_of_line = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    if (end_of_line == nullptr) return 0;
    const std::string line(reinterpret_cast<const char*>(data),
                           static_cast<size_t>(end_of_line - data));
    const uint8_t* file = end_of_line + 1;
    fuzz::write_file(base_path, file, size - static_cast<size_t>(file - data));

    rr_ramp_cfg_t entry{};
    if (!line.empty() && line[0] == '!') {
        std::memcpy(&entry, line.data() + 1, std::min(line.size() - 1, sizeof entry));
        entry.fileName[RR_FILE_NAME_LEN] = '\0';
    } else if (rr_parse_ramp_spec(line.c_str(), &entry) != NO_ERROR) {
        return 0;
    }

    rr_ramp_t base;
    rr_init_ramp(&base);
    if (rr_read_ramp_file(base_path.c_str(), &base.hdr, &base.points) != NO_ERROR) return 0;
    if (line.empty() || line[0] != '~') base.hdr.rampType = RR_RAMP_SWLI;

    rr_ramp_t derived;
    rr_init_ramp(&derived);
    const int32_t err = rr_derive_ramp(&base, &derived, &entry);
    if (err != NO_ERROR && derived.points != nullptr) {
        fuzz::fail("a refused derivation left samples", err, 0);
    }
    if (err == NO_ERROR &&
        (derived.points == nullptr || derived.points == base.points ||
         derived.hdr.nPoints != base.hdr.nPoints)) {
        fuzz::fail("a derived ramp does not own its samples", err, 0);
    }
    rr_release_ramp(&derived);

    // The resampling on its own, for any scan length the entry names.
    if (base.points != nullptr && base.hdr.nPoints > 0) {
        rr_ramp_hdr_t hdr = base.hdr;
        auto* points = static_cast<uint16_t*>(
            gl_MallocFunc(static_cast<size_t>(base.hdr.nPoints) * sizeof(uint16_t)));
        if (points != nullptr) {
            rr_rescale_ramp(&base.hdr, base.points, &hdr, points, entry.scanLen);
            gl_FreeFunc(points);
        }
    }
    rr_release_ramp(&base);
    return 0;
}
