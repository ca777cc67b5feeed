// gridtool export: the bundled example in every format, read back as the
// tools a user opens them with read them, and compared with the library's
// own records.
#include <bit>
#include <cmath>
#include <cstring>

#include "support/temp_file.h"
#include "gridtool_run.h"

namespace {

struct Export : ::testing::Test {
    example_records example;
    temp_file out{"export.out"};
    void SetUp() override { std::filesystem::remove(out.path); }

    std::string phase_values(bool raw = false) const {
        return value_list(example.phase.matrix, example.phase.size, raw);
    }
    void export_to(std::vector<std::string> options) {
        options.insert(options.begin(), "export");
        options.push_back(GRIDTOOL_EXAMPLE);
        options.push_back(out.str());
        const plat::process_result r = gridtool(options);
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }
};

TEST_F(Export, NpyLoadsInNumpyWithNaNForInvalidPoints) {
    export_to({"--to", "npy"});
    const std::string bytes = out.read();
    ASSERT_GE(bytes.size(), 64u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x93NUMPY\x01\x00", 8));
    const size_t header = 10 + static_cast<uint8_t>(bytes[8]) + 256u * static_cast<uint8_t>(bytes[9]);
    EXPECT_EQ(header % 64, 0u);
    EXPECT_EQ(bytes.size(), header + 8 * example.phase.size);
    if (!numpy_available()) GTEST_SKIP() << "numpy is not installed";
    EXPECT_EQ(run_numpy("a = np.load(path)\nprint(a.dtype, a.shape)\n" + std::string(kPrintValues),
                        out.str()),
              "float64 (48, 64)\n" + phase_values() + "\n");
}

TEST_F(Export, RawNpyHoldsTheStoredIntegers) {
    if (!numpy_available()) GTEST_SKIP() << "numpy is not installed";
    export_to({"--to", "npy", "--raw"});
    EXPECT_EQ(run_numpy("a = np.load(path)\nprint(a.dtype, a.shape)\n" + std::string(kPrintValues),
                        out.str()),
              "int32 (48, 64)\n" + phase_values(true) + "\n");
}

TEST_F(Export, MatrixLoadsWithLoadtxt) {
    if (!numpy_available()) GTEST_SKIP() << "numpy is not installed";
    export_to({"--to", "matrix"});
    EXPECT_EQ(run_numpy("a = np.loadtxt(path)\nprint(a.shape)\n" + std::string(kPrintValues),
                        out.str()),
              "(48, 64)\n" + phase_values() + "\n");
}

TEST_F(Export, CsvListsTheValidPointsInMatrixCoordinates) {
    export_to({"--to", "csv"});
    const matrix_window& w = example.phase.window;
    std::string expected = "x,y,value\n";
    for (int32_t i = 0; i < static_cast<int32_t>(example.phase.size); ++i) {
        const int32_t v = example.phase.matrix[i];
        if (phase_is_invalid(v)) continue;
        expected += std::to_string(w.x + i % w.width) + "," + std::to_string(w.y + i / w.width) +
                    "," + std::to_string(v) + "\n";
    }
    EXPECT_EQ(out.read(), expected);
    if (!numpy_available()) GTEST_SKIP() << "numpy is not installed";
    EXPECT_EQ(run_numpy("a = np.genfromtxt(path, delimiter=',', names=True, dtype=None)\n"
                        "print(a.dtype.names, len(a), int(a['value'].sum()))\n",
                        out.str()),
              "('x', 'y', 'value') 1468 " + [&] {
                  int64_t sum = 0;
                  for (uint32_t i = 0; i < example.phase.size; ++i) {
                      if (!phase_is_invalid(example.phase.matrix[i])) sum += example.phase.matrix[i];
                  }
                  return std::to_string(sum);
              }() + "\n");
}

// The header lines and data of a simple field, as the format describes them.
struct gsf_file {
    std::vector<std::string> lines;
    std::vector<float> values;
};

gsf_file parse_gsf(const std::string& bytes) {
    gsf_file f;
    const size_t nul = bytes.find('\0');
    EXPECT_NE(nul, std::string::npos);
    const std::string header = bytes.substr(0, nul);
    // One to four NUL bytes end the header at a multiple of four bytes (the
    // data may begin with zero bytes of their own).
    const size_t data = nul + 4 - nul % 4;
    EXPECT_EQ(bytes.substr(nul, data - nul), std::string(data - nul, '\0'));
    for (size_t start = 0; start < header.size();) {
        const size_t end = header.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "every header line ends in a line feed";
        f.lines.push_back(header.substr(start, end - start));
        start = end + 1;
    }
    for (size_t at = data; at + 4 <= bytes.size(); at += 4) {
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits |= uint32_t{static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)])} << (8 * i);
        f.values.push_back(std::bit_cast<float>(bits));
    }
    return f;
}

TEST_F(Export, GsfCarriesTheDefaultsAndEveryValue) {
    export_to({"--to", "gsf"});
    const gsf_file f = parse_gsf(out.read());
    EXPECT_EQ(f.lines, (std::vector<std::string>{"Gwyddion Simple Field 1.0", "XRes = 64", "YRes = 48",
                                                 "XReal = 64", "YReal = 48",
                                                 "Title = Sphere 64x48 seed 1"}));
    ASSERT_EQ(f.values.size(), example.phase.size);
    for (uint32_t i = 0; i < example.phase.size; ++i) {
        const int32_t v = example.phase.matrix[i];
        if (phase_is_invalid(v)) {
            EXPECT_TRUE(std::isnan(f.values[i])) << i;
        } else {
            EXPECT_EQ(f.values[i], static_cast<float>(v)) << i;
        }
    }
}

TEST_F(Export, GsfSizesAndUnitsFromOptions) {
    export_to({"--to", "gsf", "--xreal", "0.0032", "--zunit", "m"});
    const gsf_file f = parse_gsf(out.read());
    ASSERT_GE(f.lines.size(), 7u);
    EXPECT_EQ(f.lines[3], "XReal = 0.0032");
    ASSERT_EQ(f.lines[4].substr(0, 8), "YReal = ");
    EXPECT_DOUBLE_EQ(std::stod(f.lines[4].substr(8)), 0.0024);  // square pixels
    EXPECT_EQ(f.lines[5], "XYUnits = m");
    EXPECT_EQ(f.lines[6], "ZUnits = m");
}

TEST_F(Export, FramesGoBesideTheOutput) {
    const temp_file npy("frames.npy");
    const temp_file frame0("frames.frame0.npy");
    const temp_file frame1("frames.frame1.npy");
    const plat::process_result r =
        gridtool({"export", "--to", "npy", "--raw", "--frames", GRIDTOOL_EXAMPLE, npy.str()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ASSERT_TRUE(frame0.exists() && frame1.exists());
    if (!numpy_available()) GTEST_SKIP() << "numpy is not installed";
    const size_t per_frame = 64 * 48;
    for (size_t frame = 0; frame < 2; ++frame) {
        std::vector<int32_t> expected(example.intens.matrix + frame * per_frame,
                                      example.intens.matrix + (frame + 1) * per_frame);
        EXPECT_EQ(run_numpy("a = np.load(path)\n" + std::string(kPrintValues),
                            (frame == 0 ? frame0 : frame1).str()),
                  value_list(expected.data(), expected.size()) + "\n");
    }
}

TEST_F(Export, AnExistingFrameOutputStopsTheExportBeforeAnythingIsWritten) {
    const temp_file npy("taken.npy");
    const temp_file frame1("taken.frame1.npy");
    std::filesystem::remove(npy.path);
    frame1.write_text("older frame");
    const plat::process_result r =
        gridtool({"export", "--to", "npy", "--frames", GRIDTOOL_EXAMPLE, npy.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "gridtool: " + frame1.str() + ": ERR_CANT_CREATE_FILE (" + frame1.str() +
                         " already exists; --force replaces it)\n");
    EXPECT_FALSE(npy.exists());
    EXPECT_EQ(frame1.read(), "older frame");
}

TEST_F(Export, DashWritesToStandardOutput) {
    const plat::process_result r = gridtool({"export", "--to", "matrix", GRIDTOOL_EXAMPLE, "-"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    export_to({"--to", "matrix"});
    EXPECT_EQ(r.out, out.read());
}

}  // namespace
