// Writes the binary data files that the Linux and the Windows converter must
// turn into the same bytes: every format, every block combination, headers of
// random bytes (odd numbers and texts exercise the number formatting) and
// files that must fail the same way.
//
//   crossbuild_samples <folder>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "support/header_bytes.h"

namespace {

std::string folder;
int written = 0;

bool save(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(folder + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "crossbuild_samples: cannot write %s/%s\n", folder.c_str(),
                     name.c_str());
        return false;
    }
    ++written;
    return true;
}

// A header whose bytes after the magic are random, then the given geometry;
// block contents are random too, with invalid phase points mixed in.
header_bytes random_file(uint32_t magic, std::mt19937& random, int16_t iw, int16_t ih,
                         int16_t buckets, int16_t pw, int16_t ph) {
    header_bytes h(magic);
    for (size_t i = 4; i < h.bytes.size(); ++i) h.bytes[i] = static_cast<uint8_t>(random());
    const int32_t intens_values = iw * ih * buckets;
    const int32_t phase_values = pw * ph;
    h.put16(48, static_cast<uint16_t>(random() % 640))
        .put16(50, static_cast<uint16_t>(random() % 480));
    h.intensity(iw, ih, buckets, intens_values * 2);
    h.put16(64, static_cast<uint16_t>(random() % 640))
        .put16(66, static_cast<uint16_t>(random() % 480));
    h.phase(pw, ph, phase_values * 4);
    for (int32_t i = 0; i < intens_values; ++i) h.append16({static_cast<uint16_t>(random())});
    for (int32_t i = 0; i < phase_values; ++i) {
        const int32_t value = random() % 5 == 0 ? PHASE_INVALID + static_cast<int32_t>(random() % 8)
                                                : static_cast<int32_t>(random());
        h.append32({value});
    }
    return h;
}

bool write_samples() {
    std::mt19937 random(20240611);
    bool ok = true;
    const uint32_t magics[] = {DF_MAGIC_FORMAT1, DF_MAGIC_FORMAT2, DF_MAGIC_FORMAT3};
    for (int format = 1; format <= 3; ++format) {
        const uint32_t magic = magics[format - 1];
        const std::string f = "format" + std::to_string(format) + "-";
        ok &= save(f + "both.dat", random_file(magic, random, 7, 5, 1, 9, 4).bytes);
        ok &= save(f + "buckets.dat", random_file(magic, random, 4, 3, 3, 4, 3).bytes);
        ok &= save(f + "intensity-only.dat", random_file(magic, random, 6, 6, 1, 0, 0).bytes);
        ok &= save(f + "phase-only.dat", random_file(magic, random, 0, 0, 0, 11, 3).bytes);
        ok &= save(f + "no-blocks.dat", random_file(magic, random, 0, 0, 0, 0, 0).bytes);
        for (int round = 0; round < 4; ++round) {
            ok &= save(f + "random-" + std::to_string(round) + ".dat",
                       random_file(magic, random, static_cast<int16_t>(1 + random() % 40),
                                   static_cast<int16_t>(1 + random() % 30), 1,
                                   static_cast<int16_t>(1 + random() % 40),
                                   static_cast<int16_t>(1 + random() % 30))
                           .bytes);
        }
    }

    // A wide map, and a short intensity block with an odd byte count.
    ok &= save("wide-map.dat", random_file(DF_MAGIC_FORMAT2, random, 640, 2, 1, 640, 3).bytes);
    header_bytes odd = random_file(DF_MAGIC_FORMAT1, random, 0, 0, 0, 2, 2);
    odd.intensity(3, 3, 1, 7).phase(2, 2, 16);
    odd.bytes.resize(DF_HEADER_SIZE_SHORT);
    odd.append16({1, 2, 3});
    odd.bytes.push_back(0x44);
    odd.append32({1, -1, PHASE_INVALID, 0});
    ok &= save("odd-intensity-block.dat", odd.bytes);

    // Files that must fail in the reader, with the same message on both systems.
    std::vector<uint8_t> foreign = random_file(DF_MAGIC_FORMAT1, random, 2, 2, 1, 2, 2).bytes;
    foreign[3] = 0x6E;
    ok &= save("foreign-magic.dat", foreign);
    std::vector<uint8_t> truncated = random_file(DF_MAGIC_FORMAT3, random, 5, 5, 1, 5, 5).bytes;
    truncated.resize(truncated.size() - 3);
    ok &= save("truncated-phase.dat", truncated);
    truncated.resize(DF_HEADER_SIZE_LONG - 1);
    ok &= save("truncated-header.dat", truncated);
    header_bytes huge(DF_MAGIC_FORMAT2);
    huge.intensity(32767, 32767, 2, 0x7FFFFFFE).phase(-1, 4, 16);
    ok &= save("huge-dimensions.dat", huge.bytes);
    ok &= save("empty.dat", {});
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: crossbuild_samples <folder>\n");
        return 2;
    }
    folder = argv[1];
    if (!write_samples()) return 1;
    std::printf("%d sample files in %s\n", written, folder.c_str());
    return 0;
}
