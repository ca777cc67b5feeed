// gridtool's command lines, messages and exit statuses; what it makes of
// hostile files; and that a refused or failed output leaves things as they were.
#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"
#include "gridtool_run.h"

namespace {

TEST(GridtoolCommandLine, HelpAndVersionForTheProgramAndEveryCommand) {
    for (const std::string command : {"", "info", "export", "picture", "batch"}) {
        std::vector<std::string> help = {"--help"};
        std::vector<std::string> version = {"--version"};
        if (!command.empty()) {
            help.insert(help.begin(), command);
            version.insert(version.begin(), command);
        }
        const plat::process_result h = gridtool(help);
        EXPECT_EQ(h.exit_code, 0) << command;
        EXPECT_NE(h.out.find("Usage: gridtool"), std::string::npos) << command;
        EXPECT_EQ(h.err, "");
        const plat::process_result v = gridtool(version);
        EXPECT_EQ(v.exit_code, 0) << command;
        EXPECT_EQ(v.out, "gridtool 0.1.0\n");
    }
}

TEST(GridtoolCommandLine, WrongLinesNameWhatWasRefused) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "a command is needed: info, export, picture or batch"},
        {{"frobnicate"}, "unknown command frobnicate"},
        {{"info"}, "info needs at least one FILE"},
        {{"info", "--jsn", "x"}, "unknown option --jsn"},
        {{"export", "a", "b"}, "export needs --to npy|matrix|gsf|csv"},
        {{"export", "--to", "tiff", "a", "b"}, "unknown export format tiff"},
        {{"export", "--to", "npy", "a"}, "export takes FILE and OUT"},
        {{"export", "--to", "csv", "--raw", "a", "b"}, "--raw is for npy and matrix"},
        {{"export", "--to", "gsf", "--xreal", "-1", "a", "b"}, "--xreal needs a positive number, not -1"},
        {{"export", "--to", "npy", "--frames", "a", "-"}, "--frames writes files: OUT cannot be -"},
        {{"export", "--to"}, "option --to needs a value"},
        {{"export", "--force=yes"}, "option --force takes no value"},
        {{"batch", "a"}, "batch needs --to DIR"},
        {{"batch", "--to", "d", "--format", "csv", "a"}, "unknown batch format csv"},
        {{"batch", "--to", "d", "-j", "0", "a"}, "-j needs a number of files at once from 1, not 0"},
        {{"picture", "--frame", "x", "a", "b.png"}, "--frame needs a frame number from 0, not x"},
    };
    for (const auto& [args, refusal] : cases) {
        const plat::process_result r = gridtool(args);
        EXPECT_EQ(r.exit_code, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.err, "gridtool: " + refusal + "\n(see gridtool --help)\n")
            << testing::PrintToString(args);
        EXPECT_EQ(r.out, "");
    }
}

TEST(GridtoolCommandLine, DoubleDashEndsTheOptions) {
    const plat::process_result r = gridtool({"info", "--", "--json"});
    EXPECT_EQ(r.exit_code, 1);
    expect_reason(r.err, "gridtool: --json: ERR_CANT_OPEN_FILE", "No such file or directory");
}

TEST(GridtoolInfo, JsonCarriesTheLibrarysStatistics) {
    const example_records example;
    phase_stats s{};
    ASSERT_EQ(phase_matrix_stats(&example.phase, nullptr, &s), NO_ERROR);
    const plat::process_result r = gridtool({"info", "--json", GRIDTOOL_EXAMPLE, GRIDTOOL_EXAMPLE});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string line =
        std::string("{\"file\":\"") + GRIDTOOL_EXAMPLE +
        "\",\"format\":\"binary\",\"binary_format\":2,\"intensity\":{\"x\":8,\"y\":6,\"width\":64,"
        "\"height\":48,\"frames\":2},\"phase\":{\"x\":8,\"y\":6,\"width\":64,\"height\":48,"
        "\"valid\":" + std::to_string(s.count) + ",\"invalid\":" + std::to_string(64 * 48 - s.count) +
        ",\"stats\":{\"min\":" + std::to_string(s.min) + ",\"min_x\":" + std::to_string(s.min_x) +
        ",\"min_y\":" + std::to_string(s.min_y) + ",\"max\":" + std::to_string(s.max) +
        ",\"max_x\":" + std::to_string(s.max_x) + ",\"max_y\":" + std::to_string(s.max_y) +
        ",\"pv\":" + std::to_string(s.pv) + ",\"mean\":";
    ASSERT_EQ(r.out.substr(0, line.size()), line);
    EXPECT_EQ(std::stod(r.out.substr(line.size())), s.mean);  // shortest text, same double
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);
}

TEST(GridtoolInfo, AnAsciiFileSaysSoAndABadOneFailsAlone) {
    const temp_file ascii("info.txt");
    const temp_file bad("info-bad.dat");
    const example_records example;
    ASSERT_EQ(df_write_ascii(ascii.c_str(), &example.ident, &example.params, &example.intens,
                             &example.phase),
              NO_ERROR);
    bad.write_text("not a data file at all");
    const plat::process_result r = gridtool({"info", bad.str(), ascii.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "gridtool: " + bad.str() + ": ERR_NOT_A_DATA_FILE\n");
    EXPECT_NE(r.out.find("  format:         ASCII data file\n"), std::string::npos) << r.out;
}

// Truncated and mutated generated files: an error with its name, no crash,
// and no output left behind.
TEST(GridtoolHostileInput, BadFilesAreErrorsNeverCrashes) {
    const temp_file input("hostile.dat");
    const temp_file out("hostile.npy");
    dfgen::options base;
    base.width = 40;
    base.height = 30;
    const std::vector<uint8_t> whole = dfgen::build_datafile(base);
    std::vector<std::vector<uint8_t>> files;
    for (const size_t cut : {size_t{0}, size_t{3}, size_t{100}, size_t{833}, size_t{900}, whole.size() - 1}) {
        files.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    }
    for (const size_t at : {size_t{0}, size_t{2}, size_t{60}, size_t{64}, size_t{66}}) {
        std::vector<uint8_t> mutated = whole;
        mutated[at] ^= 0xFF;  // magic, window and dimension fields
        files.push_back(mutated);
    }
    std::string truncated_ascii = "Tesk ASCII Data File - Format 2\r\n1 2024 -3 14\r\n";
    files.emplace_back(truncated_ascii.begin(), truncated_ascii.end());
    for (size_t i = 0; i < files.size(); ++i) {
        input.write(files[i]);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"export", "--to", "npy", "--frames", input.str(), out.str()},
              std::vector<std::string>{"info", "--json", input.str()}}) {
            const plat::process_result r = gridtool(args);
            if (r.exit_code == 0) continue;  // a mutation the reader takes is no failure
            EXPECT_EQ(r.exit_code, 1) << i;
            EXPECT_EQ(r.err.find("gridtool: " + input.str() + ": ERR_"), r.err.rfind("gridtool: ")) << i << r.err;
            EXPECT_FALSE(out.exists()) << i << r.err;
        }
        for (const auto& entry : std::filesystem::directory_iterator(out.path.parent_path())) {
            if (entry.path().filename().string().rfind("hostile.", 0) == 0 && entry.path() != input.path) {
                std::filesystem::remove(entry.path());
            }
        }
    }
}

TEST(GridtoolOutputs, AnExistingOutputStaysWithoutForce) {
    const temp_file out("kept.csv");
    out.write_text("precious");
    plat::process_result r = gridtool({"export", "--to", "csv", GRIDTOOL_EXAMPLE, out.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "gridtool: " + out.str() + ": ERR_CANT_CREATE_FILE (" + out.str() +
                         " already exists; --force replaces it)\n");
    EXPECT_EQ(out.read(), "precious");
    r = gridtool({"export", "--force", "--to", "csv", GRIDTOOL_EXAMPLE, out.str()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(out.read().substr(0, 10), "x,y,value\n");
}

TEST(GridtoolOutputs, AFailedCreationNamesTheSystemsReason) {
    const temp_file folder("no-such-folder");
    const std::string out = folder.str() + "/x.npy";
    const plat::process_result r = gridtool({"export", "--to", "npy", GRIDTOOL_EXAMPLE, out});
    EXPECT_EQ(r.exit_code, 1);
    expect_reason(r.err, "gridtool: " + out + ": ERR_CANT_CREATE_FILE", "No such file or directory");
}

}  // namespace
