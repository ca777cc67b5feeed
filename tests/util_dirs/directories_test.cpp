// Installation, configuration and ramps directories, each case in a probe
// process of its own since the values are fixed once per process.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "probe_runner.h"

namespace {

std::string line(const std::string& query, const std::string& value) {
    return query + "=" + value + "\n";
}

class Directories : public ::testing::Test {
  protected:
    scratch_folder scratch_;
};

// Every combination of the three variables. The probe sits in suite/bin
// beside suite/cfg; MB_INSTALL_DIR names a folder without cfg; MB_RAMPS_DIR
// names a folder that does not exist and is not created.
TEST_F(Directories, EachVariableReplacesOnlyItsOwnLevel) {
    const std::string probe = install_probe(scratch_, "suite/bin/dirs_probe");
    const std::string suite = as_derived(scratch_.str("suite"));
    const std::string suite_cfg = as_derived(scratch_.make_dir("suite/cfg"));
    const std::string inst = scratch_.make_dir("inst");
    const std::string conf = scratch_.make_dir("conf");
    const std::string rmp = scratch_.str("rmp");

    for (int mask = 0; mask < 8; ++mask) {
        SCOPED_TRACE("variables set: " + std::to_string(mask));
        const bool set_install = (mask & 1) != 0;
        const bool set_config = (mask & 2) != 0;
        const bool set_ramps = (mask & 4) != 0;
        std::vector<std::string> env;
        if (set_install) env.push_back("MB_INSTALL_DIR=" + inst);
        if (set_config) env.push_back("MB_CONFIG_DIR=" + conf);
        if (set_ramps) env.push_back("MB_RAMPS_DIR=" + rmp);

        const std::string install = set_install ? inst : suite;
        const std::string config = set_config ? conf : (set_install ? inst : suite_cfg);
        const std::string ramps = set_ramps ? rmp : config + kSep + "ramps";

        const probe_run run = run_probe(probe, {"install", "config", "ramps"}, env);
        EXPECT_EQ(run.out,
                  line("install", install) + line("config", config) + line("ramps", ramps));
        EXPECT_EQ(run.err, set_install ? "" : "Install directory: " + suite + "\n");
        EXPECT_TRUE(fs::is_directory(ramps) != set_ramps);
        fs::remove_all(config + kSep + "ramps");
    }
}

// The program path's case is kept on POSIX and lowered on Windows, and the
// derived directories follow it.
TEST_F(Directories, DerivedWithoutCfgFolderFollowTheProgramPath) {
    const std::string probe = install_probe(scratch_, "Suite/BIN/Probe");
    const std::string suite = as_derived(scratch_.str("Suite"));
    const probe_run run = run_probe(probe, {"module", "ramps", "config", "install"});
    EXPECT_EQ(run.out, line("module", as_derived(probe)) + line("ramps", suite + kSep + "ramps") +
                           line("config", suite) + line("install", suite));
    EXPECT_EQ(run.err, "Install directory: " + suite + "\n");  // once, when first derived
    EXPECT_TRUE(fs::is_directory(suite + kSep + "ramps"));
}

TEST_F(Directories, InstallDirectoryIsDerivedOnlyWhenAskedFor) {
    const std::string probe = install_probe(scratch_, "suite/bin/dirs_probe");
    const std::vector<std::string> env{"MB_CONFIG_DIR=" + scratch_.make_dir("conf"),
                                       "MB_RAMPS_DIR=" + scratch_.make_dir("rmp")};
    EXPECT_EQ(run_probe(probe, {"config", "ramps"}, env).err, "");
    const probe_run asked = run_probe(probe, {"config", "install"}, env);
    EXPECT_EQ(asked.out, line("config", scratch_.str("conf")) +
                             line("install", as_derived(scratch_.str("suite"))));
    EXPECT_EQ(asked.err, "Install directory: " + as_derived(scratch_.str("suite")) + "\n");
}

TEST_F(Directories, ValuesAreFixedAtTheFirstQuery) {
    const std::string probe = install_probe(scratch_, "suite/bin/dirs_probe");
    const probe_run run = run_probe(
        probe, {"install", "set:MB_INSTALL_DIR=/elsewhere", "install", "config",
                "set:MB_CONFIG_DIR=/elsewhere", "config", "ramps", "set:MB_RAMPS_DIR=/x", "ramps"});
    const std::string suite = as_derived(scratch_.str("suite"));
    EXPECT_EQ(run.out, line("install", suite) + line("install", suite) + line("config", suite) +
                           line("config", suite) + line("ramps", suite + kSep + "ramps") +
                           line("ramps", suite + kSep + "ramps"));
    EXPECT_EQ(run.err, "Install directory: " + suite + "\n");
}

TEST_F(Directories, FailedRampsCreationIsSilent) {
    const std::string probe = install_probe(scratch_, "suite/bin/dirs_probe");
    const std::string conf = scratch_.str("missing/conf");
    const probe_run run = run_probe(probe, {"ramps"}, {"MB_CONFIG_DIR=" + conf});
    EXPECT_EQ(run.out, line("ramps", conf + kSep + "ramps"));
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(fs::exists(conf));
}

TEST_F(Directories, NoProgramPathMeansNoDirectories) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows starts no program whose path is longer than the 259 "
                    "characters the program path holds";
#endif
    // Deeper than the 259 characters the program path may hold.
    const std::string deep = std::string(120, 'a') + "/" + std::string(120, 'b') + "/bin/probe";
    const std::string probe = install_probe(scratch_, deep);
    scratch_.make_file("work/absent_here_but_in_cfg");
    const probe_run run = run_probe(probe, {"module", "install", "config", "ramps", "find:cal.1"},
                                    {}, scratch_.str("work"));
    EXPECT_EQ(run.out, line("module", "") + line("install", "(null)") + line("config", "(null)") +
                           line("ramps", "(null)") + line("find", "ERR_CANT_OPEN_FILE"));
    EXPECT_EQ(run.err, "");
}

// A value that does not fit its 261-byte buffer is reported and ignored; the
// level is derived as if the variable were unset.
TEST_F(Directories, OverlongValuesAreIgnored) {
    const std::string probe = install_probe(scratch_, "suite/bin/dirs_probe");
    const std::string suite = as_derived(scratch_.str("suite"));
    const std::string too_long = "/" + std::string(260, 'x');
    const probe_run run = run_probe(
        probe, {"install", "config", "ramps"},
        {"MB_INSTALL_DIR=" + too_long, "MB_CONFIG_DIR=" + too_long, "MB_RAMPS_DIR=" + too_long});
    EXPECT_EQ(run.out, line("install", suite) + line("config", suite) +
                           line("ramps", suite + kSep + "ramps"));
    EXPECT_EQ(run.err,
              "u_install_dir: MB_INSTALL_DIR is longer than 260 characters, ignored\n"
              "Install directory: " +
                  suite +
                  "\n"
                  "u_config_dir: MB_CONFIG_DIR is longer than 260 characters, ignored\n"
                  "u_ramps_dir: MB_RAMPS_DIR is longer than 260 characters, ignored\n");
}

// 260 characters fit; the derived levels below would not, so the
// configuration directory is the installation directory and there is no
// ramps directory.
TEST_F(Directories, LongestValueFitsButNothingBelowIt) {
    const std::string probe = install_probe(scratch_, "suite/bin/dirs_probe");
    const std::string longest = "/" + std::string(259, 'x');
    const probe_run run =
        run_probe(probe, {"install", "config", "ramps"}, {"MB_INSTALL_DIR=" + longest});
    EXPECT_EQ(run.out,
              line("install", longest) + line("config", longest) + line("ramps", "(null)"));
    EXPECT_EQ(run.err, "");
}

TEST_F(Directories, EmptyValueCountsAsUnset) {
    const std::string probe = install_probe(scratch_, "suite/bin/dirs_probe");
    const probe_run run = run_probe(probe, {"install"}, {"MB_INSTALL_DIR="});
    EXPECT_EQ(run.out, line("install", as_derived(scratch_.str("suite"))));
}

#if defined(_WIN32)
// A program in a drive's root folder: the installation directory is the
// drive ("c:"; a bare "\\" would be the root of whatever drive is current),
// and the configuration directory its cfg folder when there is one.
TEST_F(Directories, ProgramAtADriveRoot) {
    const fs::path root = scratch_.path().root_path();
    const std::string drive = as_derived(scratch_.path().root_name().string());
    const fs::path program =
        root / ("dirs_probe_" + std::to_string(std::random_device{}()) + ".exe");
    std::error_code error;
    fs::copy_file(DIRS_PROBE_EXE, program, error);
    if (error) GTEST_SKIP() << "cannot write to " << root.string() << ": " << error.message();
    const fs::path cfg = root / "cfg";
    const bool had_cfg = fs::exists(cfg);
    probe_run without;
    if (!had_cfg) without = run_probe(program.string(), {"install", "config"});
    fs::create_directory(cfg, error);
    const probe_run with = run_probe(program.string(), {"install", "config"});
    fs::remove(program, error);
    if (!had_cfg) fs::remove(cfg, error);

    if (!had_cfg) {
        EXPECT_EQ(without.out, line("install", drive) + line("config", drive));
    }
    EXPECT_EQ(with.out, line("install", drive) + line("config", drive + "\\cfg"));
    EXPECT_EQ(with.err, "Install directory: " + drive + "\n");
}
#endif

}  // namespace
