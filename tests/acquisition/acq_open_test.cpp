// Opening the frame-grabber library: what is refused, what is left unloaded,
// the environment and INI file it is given, and the live-display library.
#include <string>

#include "acq_fixture.h"
#include "errors/errors.h"

namespace acq_test {
namespace {

using AcqOpen = AcqTest;

bool kv_table_is_null() {
    bool all_null = true;
#define KV_ENTRY(name, result, params) all_null = all_null && gl_Kv.name == nullptr;
#include "acquisition/kv_acq_entry_points.inc"
#undef KV_ENTRY
    return all_null;
}

bool ld_table_bound(bool bound) {
    bool all = true;
#define LD_ENTRY(name, result, params) all = all && (gl_KvLd.name != nullptr) == bound;
#include "acquisition/live_display_entry_points.inc"
#undef LD_ENTRY
    return all && (gl_KvLdLibrary != nullptr) == bound;
}

TEST_F(AcqOpen, OpensTheLibraryAndSetsItsEnvironment) {
    print_capture capture;
    ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
    EXPECT_NE(gl_AcqLibrary, nullptr);
    EXPECT_NE(gl_AcqCopyEvent, nullptr);
    EXPECT_EQ(gl_AcqCopyPending, 0);
    EXPECT_EQ(plat::wait_event(gl_AcqCopyEvent, 0), plat::wait_result::signalled);
    EXPECT_EQ(plat::wait_event(gl_AcqCopyEvent, 0), plat::wait_result::timed_out);  // auto reset
    EXPECT_EQ(state_->initCalls, 1);
    EXPECT_STREQ(state_->seenIni, "KvAcq.ini");
    for (int i = 0; i < SIM_ACQ_ENV_COUNT; ++i) {
        EXPECT_TRUE(state_->envSet[i]) << kSimAcqEnvNames[i];
        EXPECT_EQ(state_->seenEnv[i], config_dir()) << kSimAcqEnvNames[i];
    }
    EXPECT_TRUE(ld_table_bound(true));
    EXPECT_EQ(capture.printed().find("Loading library KvAcq.dll\nInitializing KvAcq.dll\n"
                                     "INI file = KvAcq.ini\n"),
              0u);

    acq_mgrclose(nullptr);
    EXPECT_EQ(state_->freeCalls, 1);
    EXPECT_EQ(gl_AcqLibrary, nullptr);
    EXPECT_EQ(gl_AcqCopyEvent, nullptr);
    EXPECT_TRUE(kv_table_is_null());
    EXPECT_TRUE(ld_table_bound(false));
}

TEST_F(AcqOpen, LeavesTheEnvironmentAloneWhenTheFirstVariableIsSet) {
    scoped_env preset("VUVAROVAV", "mine");
    ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
    EXPECT_STREQ(state_->seenEnv[0], "mine");
    EXPECT_FALSE(state_->envSet[1]);
    EXPECT_FALSE(state_->envSet[2]);
}

TEST_F(AcqOpen, MissingLibrary) {
    // A library already in memory would be found by its name alone.
    plat::unload_library(held_);
    held_ = nullptr;
    use_variant("no_such_variant");
    print_capture capture;
    EXPECT_EQ(acq_mgropen(ACQ_INI_FILE), ERR_ACQ_MISSING_DLL);
    EXPECT_EQ(capture.printed(), "Loading library KvAcq.dll\nacq_mgropen: KvAcq.dll missing\n");
    EXPECT_EQ(gl_AcqLibrary, nullptr);
    EXPECT_TRUE(kv_table_is_null());
}

TEST_F(AcqOpen, VariantsLackingAnEntryPointAreUnloaded) {
    for (const char* variant : {"no_free_resources", "no_mode_set"}) {
        SCOPED_TRACE(variant);
        plat::unload_library(held_);
        use_variant(variant);
        state_ = hold_library();
        ASSERT_NE(state_, nullptr);
        state_->initResult = 1;
        print_capture capture;
        EXPECT_EQ(acq_mgropen(ACQ_INI_FILE), ERR_ACQ_INVALID_DLL);
        EXPECT_EQ(capture.printed(),
                  "Loading library KvAcq.dll\nacq_mgropen: KvAcq.dll invalid or corrupted\n");
        EXPECT_EQ(gl_AcqLibrary, nullptr);
        EXPECT_TRUE(kv_table_is_null());
        EXPECT_EQ(state_->initCalls, 0);
        EXPECT_EQ(state_->freeCalls, 0);
        EXPECT_TRUE(release_and_check_unloaded());
    }
}

TEST_F(AcqOpen, FailedInitialisationUnloadsWithoutFreeingResources) {
    state_->initResult = 0;
    print_capture capture;
    EXPECT_EQ(acq_mgropen(ACQ_INI_FILE), ERR_ACQ_INIT_DEV);
    EXPECT_NE(capture.printed().find(
                  "acq_mgropen: KvAcq.dll initialization failed - verify that KvAcq.ini is correct\n"),
              std::string::npos);
    EXPECT_EQ(state_->initCalls, 1);
    EXPECT_EQ(state_->freeCalls, 0);
    EXPECT_EQ(gl_AcqLibrary, nullptr);
    EXPECT_TRUE(kv_table_is_null());
    EXPECT_TRUE(ld_table_bound(false));
    EXPECT_TRUE(release_and_check_unloaded());
}

TEST_F(AcqOpen, EchoesTheIniFileUpToTheFirstUnendedLine) {
    const std::string path = ini_.str();
    ini_.write_text("[ACQDEVICE1]\r\nBOARD=1\n\nlast without a break");
    {
        print_capture capture;
        ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
        EXPECT_NE(capture.printed().find("Contents of INI file " + path +
                                         ":\n  [ACQDEVICE1]\n  BOARD=1\n  \n"),
                  std::string::npos);
        EXPECT_EQ(capture.printed().find("last without"), std::string::npos);
    }
    // A 511-character line does not fit the buffer with its line break.
    ini_.write_text("first\n" + std::string(511, 'x') + "\nafter\n");
    {
        print_capture capture;
        ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
        EXPECT_NE(capture.printed().find(":\n  first\n"), std::string::npos);
        EXPECT_EQ(capture.printed().find("xxx"), std::string::npos);
        EXPECT_EQ(capture.printed().find("after"), std::string::npos);
    }
    // 510 characters still do.
    ini_.write_text(std::string(510, 'y') + "\n");
    {
        print_capture capture;
        ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
        EXPECT_NE(capture.printed().find("  " + std::string(510, 'y') + "\n"), std::string::npos);
    }
}

TEST_F(AcqOpen, ReportsAMissingIniFileOrSystemFolder) {
    {
        print_capture capture;
        ASSERT_EQ(acq_mgropen("NoSuch.ini"), NO_ERROR);
        EXPECT_NE(capture.printed().find("INI file = NoSuch.ini\nCannot access INI file " +
                                         config_dir()),
                  std::string::npos);
        EXPECT_STREQ(state_->seenIni, "NoSuch.ini");
    }
    system_root_.reset();
    scoped_env no_root("SystemRoot", nullptr);
    {
        print_capture capture;
        ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
        EXPECT_NE(capture.printed().find(
                      "INI file = KvAcq.ini\nCannot access SystemRoot environment variable\n"),
                  std::string::npos);
        // Without the system folder the INI file names no live-display library:
        // the default one is bound.
        EXPECT_TRUE(ld_table_bound(true));
    }
}

TEST_F(AcqOpen, LiveDisplayLibraryNamedByTheIniFile) {
    const std::string lacking_run = variant_folder("ld_no_run_command") + "/pulsaracq.dll";
    const std::string lacking_area = variant_folder("ld_no_min_area") + "/pulsaracq.dll";
    const std::string complete = variant_folder("ld_complete") + "/pulsaracq.dll";
    const std::string missing = variant_folder("ld_complete") + "/nothing.dll";
    for (const std::string& module : {lacking_run, lacking_area, missing}) {
        SCOPED_TRACE(module);
        ini_.write_text("[AcqDevice1]\nModule=" + module + "\n");
        print_capture capture;
        ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
        EXPECT_TRUE(ld_table_bound(false));
        EXPECT_NE(capture.printed().find(
                      "Kalvetra control of live display settings is not enabled.\n"),
                  std::string::npos);
        EXPECT_EQ(capture.printed().find("kv_ld_init: unable to access frame grabber DLL") !=
                      std::string::npos,
                  module == missing);
    }
    ini_.write_text("[AcqDevice1]\nModule=" + complete + "\n");
    ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
    EXPECT_TRUE(ld_table_bound(true));
    EXPECT_EQ(gl_KvLd.RunLDCommand("show"), 1);

    // A name longer than the 255 characters the binding reads is refused,
    // never cut to some other name.
    ini_.write_text("[AcqDevice1]\nModule=" + std::string(256, 'm') + "\n");
    EXPECT_EQ(kv_ld_init(), ERR_ACQ_INVALID_DLL);
    kv_ld_close();
    EXPECT_TRUE(ld_table_bound(false));
}

}  // namespace
}  // namespace acq_test
