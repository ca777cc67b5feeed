// Reading a ramp data file: the magic number, the header, then as many
// samples as the header says, checked against what the file can hold
// before anything is allocated.
#include <cstring>
#include <memory>

#include "platform/platform.h"
#include "ramps/ramps.h"

namespace {

struct file_closer {
    void operator()(FILE* file) const { std::fclose(file); }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

uint32_t big_endian_32(const unsigned char* b) {
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

// Reads up to count big-endian samples into block (count of them) and
// converts them; answers how many arrived.
int64_t read_samples(FILE* in, uint16_t* block, int64_t count) {
    auto* bytes = reinterpret_cast<unsigned char*>(block);
    const size_t got = std::fread(bytes, 2, static_cast<size_t>(count), in);
    for (size_t i = 0; i < got; ++i) {
        block[i] = static_cast<uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    }
    return static_cast<int64_t>(got);
}

// The samples of a file whose length is known: one block, allocated once
// the file is seen to hold all of them.
int32_t read_known(FILE* in, int64_t count, int64_t remaining, uint16_t** points) {
    if (remaining / 2 < count) return ERR_CORRUPT_RAMP_FILE;
    auto* block = static_cast<uint16_t*>(gl_MallocFunc(static_cast<size_t>(count) * 2));
    if (block == nullptr) return ERR_NO_MEM;
    if (read_samples(in, block, count) < count) {
        gl_FreeFunc(block);
        return ERR_CORRUPT_RAMP_FILE;
    }
    *points = block;
    return NO_ERROR;
}

// The samples of a stream of unknown length: the block grows with what
// arrives, so a header's claim alone never allocates much.
int32_t read_unknown(FILE* in, int64_t count, uint16_t** points) {
    constexpr int64_t kFirstBlock = 64 * 1024;
    uint16_t* block = nullptr;
    int64_t capacity = 0;
    int64_t have = 0;
    while (have < count) {
        if (have == capacity) {
            const int64_t grown = capacity == 0 ? kFirstBlock : capacity * 2;
            capacity = grown < count ? grown : count;
            void* bigger = gl_ReallocFunc(block, static_cast<size_t>(capacity) * 2);
            if (bigger == nullptr) {
                gl_FreeFunc(block);
                return ERR_NO_MEM;
            }
            block = static_cast<uint16_t*>(bigger);
        }
        const int64_t got = read_samples(in, block + have, capacity - have);
        if (got == 0) {
            gl_FreeFunc(block);
            return ERR_CORRUPT_RAMP_FILE;
        }
        have += got;
    }
    *points = block;
    return NO_ERROR;
}

}  // namespace

int32_t rr_read_ramp_file(const char* path, rr_ramp_hdr_t* hdr, uint16_t** points) {
    if (hdr == nullptr) return ERR_INVALID_PARAM;
    std::memset(hdr, 0, sizeof *hdr);
    if (points != nullptr) {
        gl_FreeFunc(*points);
        *points = nullptr;
    }
    if (path == nullptr) return ERR_CANT_OPEN_FILE;
    file_ptr in(plat::open_regular_file(path, "rb"));
    if (in == nullptr) return ERR_CANT_OPEN_FILE;

    // The magic number is read into the header's first word and the rest
    // follows it, so that a stream that cannot go back reads alike.
    auto* bytes = reinterpret_cast<unsigned char*>(hdr);
    if (std::fread(bytes, 1, 4, in.get()) != 4) return ERR_PREMATURE_EOF;
    if (big_endian_32(bytes) != static_cast<uint32_t>(RR_RAMP_MAGIC)) return ERR_NOT_A_RAMP_FILE;
    if (std::fread(bytes + 4, 1, sizeof *hdr - 4, in.get()) != sizeof *hdr - 4) {
        return ERR_PREMATURE_EOF;
    }
    rr_swap_ramp_hdr(hdr);

    if (points == nullptr || hdr->nPoints == 0) return NO_ERROR;
    if (hdr->nPoints < 0) return ERR_CORRUPT_RAMP_FILE;
    const int64_t remaining = plat::bytes_remaining(in.get());
    return remaining >= 0 ? read_known(in.get(), hdr->nPoints, remaining, points)
                          : read_unknown(in.get(), hdr->nPoints, points);
}
