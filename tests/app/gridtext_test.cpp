// The converter run as a real process: arguments, messages, exit codes and
// what happens to the output file.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/child_process.h"
#include "support/header_bytes.h"
#include "support/measurement.h"
#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"

namespace {

#ifdef _WIN32
const std::string kNullDevice = "NUL";
#else
const std::string kNullDevice = "/dev/null";
#endif

const std::string kUsage =
    "\nUsage:  gridtext [options] input output\n"
    "\tinput  = existing Tesk binary data file\n"
    "\toutput = Tesk ascii data file to create\n"
    "\n\tOptions:\n"
    "\t\t-f\twrites output even if file already exists\n";

plat::process_result gridtext(std::vector<std::string> args) {
    args.insert(args.begin(), GRIDTEXT_EXE);
    plat::process_result result;
    EXPECT_TRUE(plat::run_process(args, &result));
    EXPECT_EQ(result.out, "");  // nothing ever goes to standard output
    return result;
}

std::string heading(const std::string& in, const std::string& out) {
    return "Unable to convert \"" + in + "\" to \"" + out + "\" because...\n";
}

std::vector<uint8_t> valid_file() {
    header_bytes h(DF_MAGIC_FORMAT2);
    h.intensity(2, 1, 1, 4).phase(1, 2, 8);
    h.append16({3, 4});
    h.append32({-5, PHASE_INVALID});
    return h.bytes;
}

struct Converter : ::testing::Test {
    temp_file input{"in.dat"};
    temp_file output{"out.txt"};
    void SetUp() override {
        input.write(valid_file());
        std::filesystem::remove(output.path);
    }
};

TEST(GridtextUsage, WrongArgumentsPrintUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"in.dat"},
        {"-f", "in.dat"},
        {"-f", "-f"},
        {"-x", "in", "out"},
        {"-", "in", "out"},
        {"--f", "in", "out"},
        {"in", "out", "extra"},
        {"-f", "-f", "-f"},
    };
    for (const auto& args : cases) {
        const plat::process_result r = gridtext(args);
        EXPECT_EQ(r.exit_code, 1) << testing::PrintToString(args);
        EXPECT_EQ(r.err, kUsage) << testing::PrintToString(args);
    }
}

TEST_F(Converter, ConvertsAndReportsSuccess) {
    const plat::process_result r = gridtext({input.str(), output.str()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "Converting \"" + input.str() + "\" to \"" + output.str() +
                         "\"\nConversion from \"" + input.str() + "\" to \"" + output.str() +
                         "\" successful\n");
    const std::string text = output.read();
    EXPECT_EQ(text.rfind("Tesk ASCII Data File - Format 2\r\n", 0), 0u);
    EXPECT_NE(text.find("#\r\n3 4 \r\n#\r\n-5 2147483640 \r\n#\r\n"), std::string::npos);
}

TEST_F(Converter, MissingOrNonRegularInput) {
    for (const std::string& in :
         {std::string("/nonexistent/in.dat"), input.path.parent_path().string(), kNullDevice}) {
        const plat::process_result r = gridtext({in, output.str()});
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.err, heading(in, output.str()) + "\t\"" + in + "\" does not exist\n");
    }
    EXPECT_FALSE(std::filesystem::exists(output.path));
}

// The missing-input message shows the argument as the program received it,
// so it proves that awkward arguments arrive unchanged (on Windows they pass
// through one quoted command line).
TEST(GridtextArguments, ReachTheProgramUnchanged) {
    const std::vector<std::string> awkward = {
        "two words",   "tab\there",        "quote\"inside",         "\"", "back\\slash",
        "trailing\\",  "two trailing\\\\", "slash before\\\"quote", "",   "100% \"a b\" c\\",
        "caf\xC3\xA9",
    };
    for (const std::string& arg : awkward) {
        const plat::process_result r = gridtext({arg, "out.txt"});
        EXPECT_EQ(r.exit_code, 2) << arg;
        EXPECT_EQ(r.err, heading(arg, "out.txt") + "\t\"" + arg + "\" does not exist\n") << arg;
    }
}

TEST_F(Converter, ExistingOutputNeedsForce) {
    output.write_text("keep");
    plat::process_result r = gridtext({input.str(), output.str()});
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(r.err,
              heading(input.str(), output.str()) + "\t\"" + output.str() + "\" already exists\n");
    EXPECT_EQ(output.read(), "keep");

    r = gridtext({input.str(), output.str(), "-force"});  // options may follow the paths
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(output.read(), "keep");
}

TEST_F(Converter, ReadFailureLeavesOutputAlone) {
    std::vector<uint8_t> truncated = valid_file();
    truncated.pop_back();
    input.write(truncated);
    const plat::process_result r = gridtext({"-f", input.str(), output.str()});
    EXPECT_EQ(r.exit_code, 4);
    EXPECT_EQ(r.err, "Converting \"" + input.str() + "\" to \"" + output.str() + "\"\n" +
                         heading(input.str(), output.str()) +
                         "\tthere was an error reading the file \"" + input.str() +
                         "\"\n\tERR_CORRUPT_DATA_FILE\n");
    EXPECT_FALSE(std::filesystem::exists(output.path));
}

TEST_F(Converter, OutputDirectoryFailsInTheWriter) {
    const std::string dir = input.path.parent_path().string();
    const plat::process_result r = gridtext({input.str(), dir});
    EXPECT_EQ(r.exit_code, 5);
    EXPECT_EQ(r.err, "Converting \"" + input.str() + "\" to \"" + dir + "\"\n" +
                         heading(input.str(), dir) + "\tthere was an error writing to the file \"" +
                         dir + "\"\n\tERR_CANT_CREATE_FILE\n");
}

// A file the library wrote converts like the file it was read from.
TEST(GridtextConversion, WrittenFileConvertsLikeItsOriginal) {
    for (const int format : {1, 2, 3}) {
        dfgen::options opt;
        opt.format = format;
        opt.width = 17;
        opt.height = 9;
        opt.n_buckets = 4;
        const temp_file original("original.dat");
        original.write(dfgen::build_datafile(opt));
        measurement m;
        ASSERT_EQ(df_read_binary(original.c_str(), &m.ident, &m.params, &m.intens, &m.phase),
                  NO_ERROR);
        const temp_file written("written.dat");
        ASSERT_EQ(df_write_binary(written.c_str(), format, &m.ident, &m.params, &m.intens,
                                  &m.phase),
                  NO_ERROR);

        const temp_file from_original("original.txt");
        const temp_file from_written("written.txt");
        EXPECT_EQ(gridtext({original.str(), from_original.str()}).exit_code, 0);
        EXPECT_EQ(gridtext({written.str(), from_written.str()}).exit_code, 0);
        EXPECT_FALSE(from_original.read().empty());
        EXPECT_EQ(from_written.read(), from_original.read()) << "format " << format;
    }
}

TEST_F(Converter, ConvertsAFileOntoItself) {
    const plat::process_result r = gridtext({"-f", input.str(), input.str()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(input.read().rfind("Tesk ASCII Data File - Format 2\r\n", 0), 0u);
}

#if !defined(_WIN32)

std::vector<std::string> entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// A write that fails part way (at a file size limit here; a full disk alike)
// leaves the output as it was: converting a file onto itself keeps the input.
TEST_F(Converter, FailedWriteKeepsWhatTheOutputHeld) {
    // About 5 KB of text, the limit 512 or 1024 bytes (the shell's blocks).
    header_bytes h(DF_MAGIC_FORMAT2);
    h.intensity(2, 1, 1, 4).phase(20, 20, 1600);
    h.append16({3, 4});
    for (int i = 0; i < 400; ++i) h.append32({-123456789});
    input.write(h.bytes);
    const std::string before = input.read();
    plat::process_result r;
    ASSERT_TRUE(plat::run_process({"/bin/sh", "-c",
                                   "trap '' XFSZ; ulimit -f 1; exec \"$0\" -f \"$1\" \"$1\"",
                                   GRIDTEXT_EXE, input.str()},
                                  &r));
    EXPECT_EQ(r.exit_code, 5);
    EXPECT_EQ(r.err, "Converting \"" + input.str() + "\" to \"" + input.str() + "\"\n" +
                         heading(input.str(), input.str()) +
                         "\tthere was an error writing to the file \"" + input.str() +
                         "\"\n\tERR_CANT_WRITE_FILE\n");
    EXPECT_EQ(input.read(), before);
    EXPECT_EQ(entries(input.path.parent_path()), std::vector<std::string>{"in.dat"});
}

// Arguments lie one after another in memory, each ending in one zero byte.
// An argument that begins with a byte-order mark holds no two-byte zero, so
// it names no file: read on past its end, "\xFF\xFE" "ab" and the empty
// argument after it would spell U+6261 and a terminator, which here names a
// valid input.
TEST_F(Converter, ByteOrderMarkArgumentNamesNoFile) {
    const std::filesystem::path folder = input.path.parent_path();
    const std::filesystem::path spelled = folder / u"\u6261";
    std::filesystem::copy_file(input.path, spelled);
    const std::string argument = "\xFF\xFE" "ab";
    plat::process_options options;
    options.directory = folder.string();
    plat::process_result r;
    const bool ran = plat::run_process({GRIDTEXT_EXE, argument, ""}, options, &r);
    std::filesystem::remove(spelled);
    ASSERT_TRUE(ran);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, heading(argument, "") + "\t\"" + argument + "\" does not exist\n");
}

#endif

}  // namespace
