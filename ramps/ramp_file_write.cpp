// Writing a ramp data file: the header with its first 42 words big-endian,
// then the samples big-endian, through a replacement file so that a failed
// write leaves the old file as it was.
#include <cstring>

#include "ramps/ramps.h"
#include "util/util.h"

namespace {

struct ramp_to_write {
    rr_ramp_hdr_t hdr;  // in file order
    const uint16_t* points;
    int64_t count;
};

bool write_ramp(FILE* out, const void* context) {
    const auto* ramp = static_cast<const ramp_to_write*>(context);
    if (std::fwrite(&ramp->hdr, sizeof ramp->hdr, 1, out) != 1) return false;
    // The samples go out through a small block in file order; the caller's
    // samples stay as they are.
    unsigned char block[8192];
    constexpr int64_t kPerBlock = sizeof block / 2;
    for (int64_t first = 0; first < ramp->count; first += kPerBlock) {
        const int64_t n = ramp->count - first < kPerBlock ? ramp->count - first : kPerBlock;
        for (int64_t i = 0; i < n; ++i) {
            const uint16_t v = ramp->points[first + i];
            block[2 * i] = static_cast<unsigned char>(v >> 8);
            block[2 * i + 1] = static_cast<unsigned char>(v & 0xFF);
        }
        const auto bytes = static_cast<size_t>(2 * n);
        if (std::fwrite(block, 1, bytes, out) != bytes) return false;
    }
    return true;
}

}  // namespace

int32_t rr_write_ramp_file(const char* path, const rr_ramp_hdr_t* hdr, const uint16_t* points) {
    if (path == nullptr || hdr == nullptr || points == nullptr || hdr->nPoints < 0) {
        return ERR_INVALID_PARAM;
    }
    ramp_to_write ramp{*hdr, points, hdr->nPoints};
    ramp.hdr.magicNumber = RR_RAMP_MAGIC;
    rr_swap_ramp_hdr(&ramp.hdr);
    return u_write_replacing(path, write_ramp, &ramp);
}
