// The motion wrapper loader against the simulated library's variants, each of
// which leaves out a different set of entry points.
#include <gtest/gtest.h>

#include <string>

#include "errors/errors.h"
#include "motion/motion.h"
#include "platform/dynamic_library.h"
#include "support/print_capture.h"

namespace {

// Points the library search at one variant of the simulated library.
void use_variant(const char* variant) {
    const std::string folder = std::string(SIM_MOTION_PLUGIN_DIR) + "/" + variant;
    plat::set_library_directory(folder.c_str());
}

class MwiLoad : public ::testing::Test {
  protected:
    void TearDown() override {
        mc_mwi_unload();
        plat::set_library_directory(nullptr);
    }
};

bool table_is_null() {
    bool all_null = true;
#define MWI_ENTRY(group, name, result, params) all_null = all_null && gl_Mwi.name == nullptr;
#include "motion/mwi_entry_points.inc"
#undef MWI_ENTRY
    return all_null;
}

bool required_all_set() {
    bool all_set = true;
#define MWI_ENTRY(group, name, result, params) \
    if (std::string(#group) == "REQUIRED") all_set = all_set && gl_Mwi.name != nullptr;
#include "motion/mwi_entry_points.inc"
#undef MWI_ENTRY
    return all_set;
}

bool closed_loop_all(bool set) {
    bool all = true;
#define MWI_ENTRY(group, name, result, params) \
    if (std::string(#group) == "CLOSED_LOOP") all = all && (gl_Mwi.name != nullptr) == set;
#include "motion/mwi_entry_points.inc"
#undef MWI_ENTRY
    return all;
}

void expect_rejected() {
    EXPECT_EQ(gl_MwiLibrary, nullptr);
    EXPECT_TRUE(table_is_null());
}

const char kPositionMessage[] =
    "Error: missing GetPosition_MWI or (GetActualPosition_MWI and GetCommandedPosition_MWI) "
    "functions from MotionWrapperInterface.dll.\n";
const char kCanWarning[] =
    "Warning: Motion DLL does not support CAN event notification pass-through.\n"
    "         Kalvetra may not behave as expected if CAN events are used.\n";
const char kClosedLoopInfo[] =
    "Info: Motion DLL does not support axis with external closed loop or DMI position "
    "instrument\n";
const char kAlignViewInfo[] =
    "Info: Motion DLL does not support setting the align/view indicator on the pendent\n";
const char kConfigFileInfo[] =
    "Info: Motion DLL does not support getting the effective motion configuration file\n";

#if defined(_WIN32)
TEST(LibraryName, WindowsNamesAreTheFileNames) {
    EXPECT_EQ(plat::library_file_name("MotionWrapperInterface.dll"), "MotionWrapperInterface.dll");
    EXPECT_EQ(plat::library_file_name("Kv.DLL"), "Kv.DLL");
    EXPECT_EQ(plat::library_file_name("Kv"), "Kv.dll");  // as LoadLibraryA completes it
    EXPECT_EQ(plat::library_file_name("c:\\lib\\Kv"), "c:\\lib\\Kv.dll");
    EXPECT_EQ(plat::library_file_name("lib.d\\Kv"), "lib.d\\Kv.dll");
    EXPECT_EQ(plat::library_file_name(""), "");
}
#else
TEST(LibraryName, WindowsNamesMapToSharedObjects) {
    EXPECT_EQ(plat::library_file_name("MotionWrapperInterface.dll"),
              "libMotionWrapperInterface.so");
    EXPECT_EQ(plat::library_file_name("Kv.DLL"), "libKv.so");
    EXPECT_EQ(plat::library_file_name("Kv"), "libKv.so");
    EXPECT_EQ(plat::library_file_name("/opt/lib/Kv.dll"), "/opt/lib/libKv.so");
    EXPECT_EQ(plat::library_file_name("libm.so.6"), "libm.so.6");
    EXPECT_EQ(plat::library_file_name(""), "");
}
#endif

TEST_F(MwiLoad, MissingLibraryIsReportedAndLeavesNothingLoaded) {
    use_variant("no_such_variant");
    print_capture printed;
    EXPECT_EQ(mc_mwi_load(), ERR_KVX_NO_DLL);
    EXPECT_EQ(printed.without_error_numbers(),
              "Error: # in loading Kalvetra 10 Motion library MotionWrapperInterface.dll.\n");
    expect_rejected();
}

TEST_F(MwiLoad, CompleteLibraryLoadsSilentlyAndItsEntryPointsWork) {
    use_variant("complete");
    print_capture printed;
    ASSERT_EQ(mc_mwi_load(), NO_ERROR);
    EXPECT_EQ(printed.text(), "");
    EXPECT_NE(gl_MwiLibrary, nullptr);
    EXPECT_TRUE(required_all_set());
    EXPECT_NE(gl_Mwi.GetPosition_MWI, nullptr);
    EXPECT_EQ(gl_Mwi.GetActualPosition_MWI, nullptr);
    EXPECT_EQ(gl_Mwi.GetCommandedPosition_MWI, nullptr);
    EXPECT_NE(gl_Mwi.RegisterCanEvents_MWI, nullptr);
    EXPECT_NE(gl_Mwi.UnregisterCanEvents_MWI, nullptr);
    EXPECT_TRUE(closed_loop_all(true));
    EXPECT_NE(gl_Mwi.SetAlignViewIndicator_MWI, nullptr);
    EXPECT_NE(gl_Mwi.GetConfigurationFile_MWI, nullptr);

    // The resolved pointers reach the library's own code.
    mwi_handle controller = 0;
    ASSERT_EQ(gl_Mwi.OpenComm_MWI("sim", &controller), 1);
    ASSERT_EQ(gl_Mwi.EnablePositionReports_MWI(controller), 1);
    EXPECT_EQ(gl_Mwi.HasEvent_MWI(controller), 0);
    ASSERT_EQ(gl_Mwi.Move_MWI(controller, 2, 12.5), 1);
    double position = 0.0;
    ASSERT_EQ(gl_Mwi.GetPosition_MWI(controller, 2, &position), 1);
    EXPECT_EQ(position, 12.5);
    EXPECT_EQ(gl_Mwi.HasEvent_MWI(controller), 1);
    mwi_event event{};
    ASSERT_EQ(gl_Mwi.GetEvent_MWI(controller, &event), 1);
    EXPECT_EQ(event.axis, 2);
    EXPECT_EQ(gl_Mwi.HasEvent_MWI(controller), 0);
    EXPECT_EQ(gl_Mwi.CloseComm_MWI(controller), 1);
}

TEST_F(MwiLoad, TwoMissingRequiredEntryPointsAreBothReportedBeforeTheRejection) {
    use_variant("two_required_missing");
    print_capture printed;
    EXPECT_EQ(mc_mwi_load(), ERR_KVX_FUNCTION_MAP);
    EXPECT_EQ(printed.without_error_numbers(),
              "Error: # in loading GetLabel_MWI from MotionWrapperInterface.dll.\n"
              "Error: # in loading Stop_MWI from MotionWrapperInterface.dll.\n");
    expect_rejected();
}

TEST_F(MwiLoad, PositionSetsMustBeExactlyOneOfTheTwo) {
    struct position_case {
        const char* variant;
        int32_t result;
    };
    for (const position_case c : {position_case{"both_position_sets", ERR_KVX_FUNCTION_MAP},
                                  position_case{"actual_only", ERR_KVX_FUNCTION_MAP},
                                  position_case{"no_position", ERR_KVX_FUNCTION_MAP},
                                  position_case{"actual_commanded_only", NO_ERROR}}) {
        SCOPED_TRACE(c.variant);
        use_variant(c.variant);
        print_capture printed;
        EXPECT_EQ(mc_mwi_load(), c.result);
        if (c.result == NO_ERROR) {
            EXPECT_EQ(printed.text(), "");
            EXPECT_EQ(gl_Mwi.GetPosition_MWI, nullptr);
            EXPECT_NE(gl_Mwi.GetActualPosition_MWI, nullptr);
            EXPECT_NE(gl_Mwi.GetCommandedPosition_MWI, nullptr);
            EXPECT_NE(gl_MwiLibrary, nullptr);
        } else {
            EXPECT_EQ(printed.text(), kPositionMessage);
            expect_rejected();
        }
        mc_mwi_unload();
    }
}

TEST_F(MwiLoad, HalfOfTheCanEventPairIsClearedWithAWarning) {
    use_variant("half_can_events");
    print_capture printed;
    ASSERT_EQ(mc_mwi_load(), NO_ERROR);
    EXPECT_EQ(printed.text(), kCanWarning);
    EXPECT_EQ(gl_Mwi.RegisterCanEvents_MWI, nullptr);
    EXPECT_EQ(gl_Mwi.UnregisterCanEvents_MWI, nullptr);
    EXPECT_TRUE(closed_loop_all(true));
}

TEST_F(MwiLoad, ClosedLoopGroupWithoutSetDmiPresetIsClearedAsAWhole) {
    use_variant("no_dmi_preset");
    print_capture printed;
    ASSERT_EQ(mc_mwi_load(), NO_ERROR);
    EXPECT_EQ(printed.text(), kClosedLoopInfo);
    EXPECT_TRUE(closed_loop_all(false));
    EXPECT_NE(gl_Mwi.RegisterCanEvents_MWI, nullptr);
    EXPECT_TRUE(required_all_set());
}

TEST_F(MwiLoad, LibraryWithoutOptionalGroupsIsAcceptedWithEveryNoticeInOrder) {
    use_variant("minimal");
    print_capture printed;
    ASSERT_EQ(mc_mwi_load(), NO_ERROR);
    EXPECT_EQ(printed.text(),
              std::string(kCanWarning) + kClosedLoopInfo + kAlignViewInfo + kConfigFileInfo);
    EXPECT_TRUE(required_all_set());
    EXPECT_EQ(gl_Mwi.SetAlignViewIndicator_MWI, nullptr);
    EXPECT_EQ(gl_Mwi.GetConfigurationFile_MWI, nullptr);
}

TEST_F(MwiLoad, ALaterFailedLoadLeavesNothingOfTheEarlierLibrary) {
    use_variant("complete");
    ASSERT_EQ(mc_mwi_load(), NO_ERROR);
    use_variant("two_required_missing");
    print_capture printed;
    EXPECT_EQ(mc_mwi_load(), ERR_KVX_FUNCTION_MAP);
    expect_rejected();

    use_variant("complete");
    ASSERT_EQ(mc_mwi_load(), NO_ERROR);
    mc_mwi_unload();
    expect_rejected();
}

}  // namespace
