// gridtool batch over generated files with a bad one among them: what it
// converts, what it refuses, what it reports and what it leaves in DIR.
#include <algorithm>
#include <set>

#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"
#include "gridtool_run.h"

namespace {

std::set<std::string> names_in(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

struct Batch : ::testing::Test {
    temp_file a{"batch-a.dat"};
    temp_file b{"batch-b.dat"};
    temp_file c{"batch-c.dat"};
    temp_file bad{"batch-bad.dat"};
    temp_file dir{"batch-out"};

    void SetUp() override {
        uint64_t seed = 1;
        for (const temp_file* f : {&a, &b, &c, &bad}) {
            dfgen::options opt;
            opt.seed = seed++;
            opt.width = static_cast<int16_t>(30 + seed);
            if (f == &bad) opt.truncate_to = 2000;
            ASSERT_EQ(dfgen::write_file(f->c_str(), dfgen::build_datafile(opt)), NO_ERROR);
        }
        std::filesystem::remove_all(dir.path);
    }
    void TearDown() override { std::filesystem::remove_all(dir.path); }
    std::vector<std::string> batch(std::vector<std::string> options) const {
        options.insert(options.begin(), {"batch", "--to", dir.str()});
        for (const temp_file* f : {&a, &bad, &b, &c}) options.push_back(f->str());
        return options;
    }
};

TEST_F(Batch, ConvertsTheGoodFilesAndReportsTheBadOne) {
    const plat::process_result r = gridtool(batch({"-j", "3"}));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "gridtool: " + bad.str() + ": ERR_CORRUPT_DATA_FILE\ngridtool: converted 3, failed 1\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(names_in(dir.path),
              (std::set<std::string>{"batch-a.txt", "batch-b.txt", "batch-c.txt"}));
    for (const temp_file* f : {&a, &b, &c}) {
        measurement binary;
        measurement ascii;
        ASSERT_EQ(df_read_binary(f->c_str(), &binary.ident, &binary.params, &binary.intens, &binary.phase), NO_ERROR);
        const std::string out = (dir.path / f->path.stem()).string() + ".txt";
        ASSERT_EQ(df_read_ascii(out, &ascii.ident, &ascii.params, &ascii.intens, &ascii.phase), NO_ERROR);
        ASSERT_EQ(ascii.phase.size, binary.phase.size);
        EXPECT_TRUE(std::equal(ascii.phase.matrix, ascii.phase.matrix + ascii.phase.size, binary.phase.matrix));
    }
}

TEST_F(Batch, ExistingOutputsStayUnlessForced) {
    std::filesystem::create_directories(dir.path);
    const temp_file kept{"batch-out/batch-b.npy"};
    kept.write_text("older result");
    plat::process_result r = gridtool(batch({"--format", "npy"}));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("gridtool: " + b.str() + ": ERR_CANT_CREATE_FILE (" + kept.str() +
                         " already exists; --force replaces it)\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("gridtool: converted 2, failed 2\n"), std::string::npos) << r.err;
    EXPECT_EQ(kept.read(), "older result");
    r = gridtool(batch({"--format", "npy", "--force", "-j", "1"}));
    EXPECT_NE(r.err.find("gridtool: converted 3, failed 1\n"), std::string::npos) << r.err;
    EXPECT_EQ(kept.read().substr(0, 6), "\x93NUMPY");
    EXPECT_EQ(names_in(dir.path),
              (std::set<std::string>{"batch-a.npy", "batch-b.npy", "batch-c.npy"}));
}

TEST_F(Batch, NeverWritesOverAnInputEvenWhenForced) {
    std::filesystem::create_directories(dir.path);
    const temp_file input{"batch-out/inside.txt"};
    example_records example;
    ASSERT_EQ(df_write_ascii(input.c_str(), &example.ident, &example.params, &example.intens, &example.phase), NO_ERROR);
    const std::string before = input.read();
    const temp_file twin{"inside.dat"};
    std::filesystem::copy_file(GRIDTOOL_EXAMPLE, twin.path);
    const plat::process_result r =
        gridtool({"batch", "--force", "--to", dir.str(), input.str(), twin.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "gridtool: " + input.str() + ": ERR_CANT_CREATE_FILE (" + input.str() +
                         " is an input file)\ngridtool: " + twin.str() +
                         ": ERR_CANT_CREATE_FILE (" + input.str() +
                         " is an input file)\ngridtool: converted 0, failed 2\n");
    EXPECT_EQ(input.read(), before);
}

TEST_F(Batch, TwoInputsOfOneNameDoNotShareAnOutput) {
    std::filesystem::create_directories(dir.path / "x");
    const temp_file same{"batch-out/x/batch-a.dat"};
    std::filesystem::copy_file(a.path, same.path);
    const plat::process_result r = gridtool({"batch", "--force", "--to", dir.str(), a.str(), same.str()});
    EXPECT_EQ(r.exit_code, 1);
    const std::string out = dir.str() + "/batch-a.txt";
    EXPECT_EQ(r.err, "gridtool: " + same.str() + ": ERR_CANT_CREATE_FILE (" + out +
                         " is also the output of " + a.str() + ")\ngridtool: converted 1, failed 1\n");
}

TEST_F(Batch, NpyOutputsLoadInNumpy) {
    if (!numpy_available()) GTEST_SKIP() << "numpy is not installed";
    gridtool(batch({"--format", "npy"}));
    measurement m;
    ASSERT_EQ(df_read_binary(c.c_str(), &m.ident, &m.params, &m.intens, &m.phase), NO_ERROR);
    EXPECT_EQ(run_numpy("a = np.load(path)\n" + std::string(kPrintValues),
                        (dir.path / "batch-c.npy").string()),
              value_list(m.phase.matrix, m.phase.size) + "\n");
}

}  // namespace
