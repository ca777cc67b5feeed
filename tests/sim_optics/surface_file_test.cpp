// Surfaces as .npy files: saved and loaded back exactly, read and written by
// numpy itself, and hostile files refused with a reason.
#include "sim/optics/surface_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "support/numpy_run.h"
#include "support/temp_file.h"

namespace {

bool same_heights(const optics::surface& a, const optics::surface& b) {
    if (a.width != b.width || a.height != b.height) return false;
    return std::memcmp(a.height_nm.data(), b.height_nm.data(), a.height_nm.size() * 8) == 0;
}

optics::surface sample() {
    optics::surface surf = optics::make_sphere(7, 5, 1.0, 0.01);
    surf.height_nm[2] = std::nan("");
    surf.height_nm[3] = -0.0;
    surf.height_nm[4] = 1e-300;
    return surf;
}

TEST(SurfaceFile, SavedSurfaceLoadsBackBitForBit) {
    const temp_file file("surface.npy");
    std::string error;
    const optics::surface surf = sample();
    ASSERT_TRUE(optics::save_surface(file.str(), surf, &error)) << error;
    optics::surface back;
    ASSERT_TRUE(optics::load_surface(file.str(), &back, &error)) << error;
    EXPECT_TRUE(same_heights(surf, back));

    // The header is padded so that the data start on a 64-byte boundary.
    const std::string bytes = file.read();
    const size_t header =
        10 + static_cast<uint8_t>(bytes[8]) + 256u * static_cast<uint8_t>(bytes[9]);
    EXPECT_EQ(header % 64, 0u);
    EXPECT_EQ(bytes.size(), header + 7 * 5 * 8);
}

TEST(SurfaceFile, NumpyReadsOursAndWeReadNumpys) {
    if (!numpy_available()) GTEST_SKIP() << "numpy is not installed";
    const temp_file ours("ours.npy");
    std::string error;
    ASSERT_TRUE(optics::save_surface(ours.str(), sample(), &error)) << error;
    EXPECT_EQ(run_numpy("a = np.load(path)\n"
                        "print(a.dtype, a.shape, int(np.isnan(a).sum()), a[0, 3], a[0, 4])\n",
                        ours.str()),
              "float64 (5, 7) 1 -0.0 1e-300\n");

    for (const char* dtype : {"float64", "float32"}) {
        const temp_file theirs("theirs.npy");
        run_numpy(std::string("a = np.arange(15, dtype=np.") + dtype +
                      ").reshape(3, 5) * 0.5 - 2\na[1, 2] = np.nan\nnp.save(path, a)\n",
                  theirs.str());
        optics::surface read;
        ASSERT_TRUE(optics::load_surface(theirs.str(), &read, &error)) << dtype << ": " << error;
        ASSERT_EQ(read.width, 5);
        ASSERT_EQ(read.height, 3);
        for (int i = 0; i < 15; ++i) {
            if (i == 7) {
                EXPECT_TRUE(std::isnan(read.height_nm[7]));
            } else {
                EXPECT_EQ(read.height_nm[static_cast<size_t>(i)], i * 0.5 - 2) << dtype << " " << i;
            }
        }
    }

    // Arrays it cannot take, as numpy writes them.
    for (const char* script : {"np.save(path, np.asfortranarray(np.ones((3, 4))))",
                               "np.save(path, np.ones((3, 4), dtype='>f8'))",
                               "np.save(path, np.ones((3, 4), dtype=np.int32))",
                               "np.save(path, np.ones(12))", "np.save(path, np.ones((2, 3, 2)))"}) {
        const temp_file refused("refused.npy");
        run_numpy(std::string(script) + "\n", refused.str());
        optics::surface read;
        EXPECT_FALSE(optics::load_surface(refused.str(), &read, &error)) << script;
    }
}

// A version 1.0 file with this header text and these data bytes.
std::string npy(const std::string& dict, size_t data_bytes) {
    std::string header = dict;
    header.append((64 - (10 + header.size() + 1) % 64) % 64, ' ');
    header += '\n';
    std::string bytes = "\x93NUMPY";
    bytes += '\x01';
    bytes += '\x00';
    bytes += static_cast<char>(header.size() & 0xFF);
    bytes += static_cast<char>(header.size() >> 8);
    return bytes + header + std::string(data_bytes, '\0');
}

TEST(SurfaceFile, HostileFilesAreRefused) {
    const std::string good = "{'descr': '<f8', 'fortran_order': False, 'shape': (4, 4), }";
    struct hostile {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    std::string long_header = npy(good, 128);
    long_header[8] = '\xFF';  // a header longer than the file
    long_header[9] = '\x0F';
    std::string version2 = npy(good, 128);
    version2[6] = '\x02';
    const hostile cases[] = {
        {"cut inside the lead", npy(good, 128).substr(0, 7), "not a numpy .npy file"},
        {"version 2.0", version2, "not a numpy .npy file"},
        {"header longer than the file", long_header, "header is cut short"},
        {"header beyond the limit",
         [] {
             std::string b = npy("{'descr': '<f8', 'fortran_order': False, 'shape': (4, 4), }", 0);
             b[8] = '\x01';
             b[9] = '\x20';  // 8193 bytes
             return b;
         }(),
         "header is too long"},
        {"integers", npy("{'descr': '<i8', 'fortran_order': False, 'shape': (4, 4), }", 128),
         "not a C-order"},
        {"Fortran order", npy("{'descr': '<f8', 'fortran_order': True, 'shape': (4, 4), }", 128),
         "not a C-order"},
        {"no shape", npy("{'descr': '<f8', 'fortran_order': False}", 128), "not a C-order"},
        {"empty shape", npy("{'descr': '<f8', 'fortran_order': False, 'shape': (0, 4), }", 0),
         "empty or too large"},
        {"huge shape",
         npy("{'descr': '<f8', 'fortran_order': False, 'shape': (999999999, 999999999), }", 8),
         "empty or too large"},
        {"one pixel over the limit",
         npy("{'descr': '<f8', 'fortran_order': False, 'shape': (8192, 8193), }", 8),
         "empty or too large"},
        {"largest shape, no data",
         npy("{'descr': '<f8', 'fortran_order': False, 'shape': (8192, 8192), }", 8),
         "array is cut short"},
        {"data cut short", npy(good, 127), "array is cut short"},
        {"float32 data cut short",
         npy("{'descr': '<f4', 'fortran_order': False, 'shape': (4, 4), }", 63),
         "array is cut short"},
    };
    for (const hostile& c : cases) {
        const temp_file file("hostile.npy");
        file.write_text(c.bytes);
        optics::surface read;
        std::string error;
        EXPECT_FALSE(optics::load_surface(file.str(), &read, &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(read.width, 0) << c.what;
    }

    const temp_file fine("fine.npy");
    fine.write_text(npy(good, 128));
    optics::surface read;
    std::string error;
    EXPECT_TRUE(optics::load_surface(fine.str(), &read, &error)) << error;

    EXPECT_FALSE(optics::load_surface(fine.str() + ".missing", &read, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

}  // namespace
