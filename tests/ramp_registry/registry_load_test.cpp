// Loading the ramp table from a configuration file and from the ramps
// directory: what is loaded, derived, skipped and refused, in which order,
// with which messages and values.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "ramp_registry/registry_test_support.h"
#include "support/print_capture.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

using namespace registry_test;
using strings = std::vector<std::string>;

class Registry : public ::testing::Test {
  protected:
    void SetUp() override {
        folder().clear();
        sys_info_clear(info);
        set_up_record(info);
        plat::set_environment(RR_KEEP_RAMPS_ENV, nullptr);
    }
    void TearDown() override {
        rr_release_ramp_table(info);
        sys_info_clear(info);
        folder().clear();
    }

    int32_t load() {
        print_capture capture;
        const int32_t err = rr_get_ramp_info(info);
        printed = capture.printed();
        return err;
    }
    void use_config(const std::string& text) {
        write_text("rampcfg.txt", text);
        std::snprintf(info->ramps.configFile, sizeof info->ramps.configFile, "rampcfg.txt");
    }
    bool printed_has(const std::string& text) const {
        return printed.find(text) != std::string::npos;
    }
    const rr_ramp_t& ramp(int32_t i) const { return info->ramps.rampTable[i]; }

    sys_info* info = &gl_SysInfo[1];
    std::string printed;
};

TEST_F(Registry, ConfigurationInFileOrderWithDerivedRamps) {
    write_ramp("d10s81c25.b12345", swli_ramp(10));
    write_ramp("p7c25.p999", pmi_ramp(RR_RAMP_PMI));
    use_config("# ramps\n" + spec("SWLI", "+first") + spec("SWLI", "d10s81c25.b12345") +
               spec("SWLI", "+", 5) + spec("SWLI", "+", 8) +
               " PMI p7c25.p999 0 25 0 0 0.25 0 0 0 0\n" + spec("SWLI", "missing.b12345") +
               spec("SWLI", "d10s81c25.b*", 12));
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_EQ(ramp_names(*info), (strings{"d10s81c25.b12345", "+d10s81c25.b12345",
                                          "+d10s81c25.b12345", "p7c25.p999"}));
    EXPECT_EQ(info->ramps.loadedFromConfig, 1);
    EXPECT_EQ(info->ramps.pmiRampCount, 1);
    // Both derived ramps come from the file ramp, each with its own scan.
    EXPECT_EQ(ramp(1).hdr.scanLen, 5.0f);
    EXPECT_EQ(ramp(2).hdr.scanLen, 8.0f);
    EXPECT_NE(ramp(1).points, ramp(0).points);
    EXPECT_TRUE(printed_has(
        "Ramp config error: no loaded ramp data from which to derive config ramp 1\n"));
    EXPECT_TRUE(printed_has(
        "Ramp config error reading ramp data file \"missing.b12345\": ERR_CANT_OPEN_FILE\n"));
    // The "*" spec names the same file, whose scan length differs from it.
    EXPECT_TRUE(printed_has(
        "Ramp config error: values not consistent with ramp data file \"d10s81c25.b12345\"\n"));
    EXPECT_TRUE(printed_has("Ramp data sets:\n    4 Total\n    2 Loaded\n    2 Derived\n"
                            "    3 SWLI\n    0 BTW\n    1 PMI\n"));

    // Registry values worked out by hand: 400 samples at 5 kHz; the
    // generated ramp rises through its offset.
    EXPECT_EQ(ramp(0).durationMs, 80);
    EXPECT_EQ(ramp(0).instrSlot, SYS_EMPTY_RAMP_SLOT);
    EXPECT_DOUBLE_EQ(ramp(0).sortKey, 10 - 64 * 81.0 / 1000);
    EXPECT_EQ(ramp(0).direction, 2);  // system sign -1, flag set
    EXPECT_DOUBLE_EQ(ramp(0).offsetPos, -ramp(0).timeToOffset * 81 * 25 / 1000);
    EXPECT_EQ(ramp(3).gainDflt, 2048);
    EXPECT_DOUBLE_EQ(ramp(3).sortKey, 0.07);
}

TEST_F(Registry, StarTakesTheScannersSerialNumberWithoutCuttingTheName) {
    // 79 characters and "*": with the serial number the name passes 80.
    const std::string stem(79, 'n');
    write_ramp(stem + "12345", swli_ramp(10));
    write_ramp("p7c25.p999", pmi_ramp(2));
    use_config(spec("SWLI", stem + "*") + " PMI p7c25.p* 0 25 0 0 0.25 0 0 0 0\n");
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_EQ(ramp_names(*info), (strings{stem + "*", "p7c25.p*"}));
    EXPECT_TRUE(printed_has("Loaded ramp file \"" + stem + "12345\"\n"));
    EXPECT_TRUE(printed_has("Loaded ramp file \"p7c25.p999\"\n"));
}

TEST_F(Registry, SpecsForAbsentScannersAreSkipped) {
    info->ramps.pztSerial = SYS_NO_SERIAL;
    write_ramp("d10s81c25.b12345", swli_ramp(10));
    use_config(" PMI p7c25.p999 0 25 0 0 0.25 0 0 0 0\n" + spec("SWLI", "d10s81c25.b12345"));
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_TRUE(printed_has("Ramp config error: ramp 1 can only be used with a PZT\n"));

    info->ramps.pifocSerial = SYS_NO_SERIAL;
    EXPECT_EQ(load(), ERR_NO_RAMP_INFO);
    EXPECT_TRUE(printed_has("Ramp config error: ramp 2 can only be used with a PIFOC\n"));
    EXPECT_TRUE(printed_has("No usable ramp data\nrr_get_ramp_info: ERR_NO_RAMP_INFO\n"));
    EXPECT_EQ(info->ramps.rampTable, nullptr);
    EXPECT_EQ(info->ramps.rampCount, 0);

    // Without a PIFOC record these systems have no ramps at all.
    info->systemType = 22;
    EXPECT_EQ(load(), ERR_WRONG_SYSTEM_TYPE);
    EXPECT_EQ(printed, "rr_get_ramp_info: ERR_WRONG_SYSTEM_TYPE\n");
}

TEST_F(Registry, MoreSpecsThanTheTableHolds) {
    write_ramp("d10s81c25.b12345", swli_ramp(10));
    std::string text = spec("SWLI", "d10s81c25.b12345");
    for (int i = 0; i < 255; ++i) text += spec("SWLI", "+");
    use_config(text);
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_EQ(info->ramps.rampCount, SYS_MAX_RAMPS);
    EXPECT_TRUE(printed_has(
        "Ramp config warning: too many ramp config entries, ignoring entries 255 to 256\n"));
}

TEST_F(Registry, MissingConfigurationFallsBackToTheDirectory) {
    std::snprintf(info->ramps.configFile, sizeof info->ramps.configFile, "absent.txt");
    write_ramp("d10s81c25.b12345", swli_ramp(10));
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_TRUE(printed_has("Cannot access ramp config file \"absent.txt\"\n"
                            "Checking all files in ramp directory\n"));
    EXPECT_EQ(info->ramps.loadedFromConfig, 0);
}

TEST_F(Registry, DirectoryRampsForTheScannersSortedByKey) {
    write_ramp("d20s81c25.b12345", swli_ramp(20));
    write_ramp("d05s81c25.b12345", swli_ramp(5));
    write_ramp("d10s81c25.b12345", swli_ramp(10));
    write_ramp("p7c25.p999", pmi_ramp(RR_RAMP_PMI));
    // Not for these scanners, or not named for one.
    write_ramp("d10s81c25.b54321", swli_ramp(10));
    write_ramp("d10s81c25.b12345x", swli_ramp(10));
    write_ramp(".d10s81c25.b12345", swli_ramp(10));
    write_ramp("d10s81c25.12345", swli_ramp(10));
    write_text("d30s81c25.b12345", "not a ramp");
    ASSERT_EQ(load(), NO_ERROR) << printed;
    // Listed in byte order (IDs from 1), then sorted by key: SWLI scan
    // length less 64 slope steps (-0.184, 4.816, 14.816), PMI buckets / 100.
    EXPECT_EQ(ramp_names(*info), (strings{"d05s81c25.b12345", "p7c25.p999", "d10s81c25.b12345",
                                          "d20s81c25.b12345"}));
    std::vector<int32_t> ids;
    for (int32_t i = 0; i < info->ramps.rampCount; ++i) ids.push_back(ramp(i).hdr.rampID);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 4, 2, 3}));
    EXPECT_TRUE(printed_has(
        "Error reading ramp data file \"d30s81c25.b12345\": ERR_NOT_A_RAMP_FILE\n"));
    EXPECT_FALSE(printed_has("54321"));
    EXPECT_FALSE(printed_has("b12345x"));
}

#if !defined(_WIN32)
// A FIFO named like a ramp file, in the folder or in the configuration, is
// passed over at once: opening it for reading would wait for a writer.
TEST_F(Registry, FifosAreNoRampFiles) {
    write_ramp("d10s81c25.b12345", swli_ramp(10));
    const std::string fifo = (folder().dir / "d20s81c25.b12345").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_EQ(ramp_names(*info), strings{"d10s81c25.b12345"});
    EXPECT_TRUE(printed_has(
        "Error reading ramp data file \"d20s81c25.b12345\": ERR_CANT_OPEN_FILE\n"));

    use_config(spec("SWLI", "d20s81c25.b12345") + spec("SWLI", "d10s81c25.b12345"));
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_EQ(ramp_names(*info), strings{"d10s81c25.b12345"});
    EXPECT_TRUE(printed_has("Ramp config error reading ramp data file \"d20s81c25.b12345\": "
                            "ERR_CANT_OPEN_FILE\n"));

    const std::string fifo_cfg = (folder().dir / "fifocfg.txt").string();
    ASSERT_EQ(mkfifo(fifo_cfg.c_str(), 0600), 0);
    std::snprintf(info->ramps.configFile, sizeof info->ramps.configFile, "fifocfg.txt");
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_TRUE(printed_has("Cannot access ramp config file \"fifocfg.txt\"\n"));
    std::filesystem::remove(fifo);
    std::filesystem::remove(fifo_cfg);
}
#endif

TEST_F(Registry, BtwValuesDirectionAndDurationsThatDoNotFit) {
    rampgen::ramp btw = rampgen::make_ramp(
        {.type = RR_RAMP_BTW, .offset = 45000, .obj_mag = 20, .wavelen = 2});
    write_ramp("d10s81c25m20.b12345", btw);
    rampgen::ramp slow = swli_ramp(10);
    slow.hdr.sampleClkFreq = 1e-30f;  // its duration is no number of milliseconds
    write_ramp("slow.b12345", slow);
    info->systemType = 22;  // its sign is +1
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_TRUE(printed_has("Error: duration of ramp data file \"slow.b12345\" is not a number "
                            "of milliseconds\n"));
    ASSERT_EQ(info->ramps.rampCount, 1);
    EXPECT_DOUBLE_EQ(ramp(0).sortKey, 10);
    EXPECT_EQ(ramp(0).direction, 1);
    // The samples cross the offset near sample 274 (54.8 ms at 5 kHz); the
    // first frame of the triggered part begins at 40 ms.
    EXPECT_NEAR(ramp(0).timeToOffset, 0.0148, 0.0002);
    EXPECT_DOUBLE_EQ(ramp(0).offsetPos, ramp(0).timeToOffset * 81 * 25 / 1000);
    EXPECT_TRUE(printed_has("    0 SWLI\n    1 BTW\n    0 PMI\n"));

    info->ramps.pifocPolarity = -1;  // turns the sign round
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_EQ(ramp(0).direction, 2);
    EXPECT_DOUBLE_EQ(ramp(0).offsetPos, -ramp(0).timeToOffset * 81 * 25 / 1000);
}

TEST_F(Registry, DirectoryLimitTakesTheFirstNamesInByteOrder) {
    const rampgen::ramp r = swli_ramp(10);
    for (int i = SYS_MAX_RAMPS; i >= 0; --i) {  // written last to first
        char name[32];
        std::snprintf(name, sizeof name, "r%03d.b12345", i);
        write_ramp(name, r);
    }
    ASSERT_EQ(load(), NO_ERROR) << printed;
    EXPECT_EQ(info->ramps.rampCount, SYS_MAX_RAMPS);
    EXPECT_TRUE(printed_has("Warning: too many ramp files (limit is 254), some files ignored\n"));
    EXPECT_EQ(std::string(ramp(0).name), "r000.b12345");
    EXPECT_EQ(std::string(ramp(SYS_MAX_RAMPS - 1).name), "r253.b12345");
    EXPECT_FALSE(printed_has("r254.b12345"));
}

TEST_F(Registry, ExternalProfileRamps) {
    info->instrBdType = INSTR_BD_CAN;
    use_config(spec("SWLI", "extprofile3.bn") + spec("SWLI", "+", 5) +
               spec("SWLI", "extprofile9.bp") + spec("SWLI", "extprofile.bp") +
               spec("SWLI", "extprofile2.b"));
    EXPECT_EQ(load(), ERR_NO_RAMP_INFO);
    EXPECT_TRUE(printed_has("Ramp config error: ramp 1 \"extprofile3.bn\" is invalid for this "
                            "instrument\n"));

    info->ramps.hasDigitalScanner = 1;
    info->ramps.digitalScannerKind = 1;
    info->ramps.digitalScannerSlots = 6;
    ASSERT_EQ(load(), NO_ERROR) << printed;
    ASSERT_EQ(info->ramps.rampCount, 1);
    const rr_ramp_t& ext = ramp(0);
    EXPECT_EQ(std::string(ext.name), "extprofile3.bn");
    EXPECT_EQ(ext.points, nullptr);
    EXPECT_EQ(ext.instrSlot, 3);
    EXPECT_EQ(ext.hdr.rampID, 3);
    EXPECT_EQ(ext.hdr.polar, 'b');
    EXPECT_EQ(ext.hdr.directionFlag, 0);
    EXPECT_EQ(ext.hdr.nBuckets, 124);    // ceil(10000 / 81)
    EXPECT_EQ(ext.hdr.nPoints, 24800);  // 124 / 25 * 5000
    EXPECT_EQ(ext.hdr.offset, 0x8000);
    EXPECT_EQ(ext.hdr.instrBdType, INSTR_BD_CAN);
    EXPECT_EQ(ext.durationMs, 4960);
    EXPECT_DOUBLE_EQ(ext.timeToOffset, 10.0 / 2 / (81.0 / 1000) / 25);
    // A profile has no samples to derive from.
    EXPECT_TRUE(printed_has("Ramp config error: cannot derive config ramp 2 from ramp data file "
                            "\"extprofile3.bn\"\n"));
    EXPECT_TRUE(printed_has(
        "Ramp config error: ramp 3: External profile ramp index 9 is greater than maximum 6\n"));
    EXPECT_TRUE(printed_has(
        "Ramp config error: ramp 4: Invalid external profile ramp name extprofile.bp\n"));
    EXPECT_TRUE(printed_has(
        "Ramp config error: ramp 5: Invalid external profile ramp name extprofile2.b\n"));
}

TEST_F(Registry, LoadFailuresReleaseEverything) {
    {
        print_capture capture;
        EXPECT_EQ(rr_get_ramp_info(nullptr), ERR_SYS_INFO_NOT_AVAIL);
        EXPECT_EQ(capture.printed(), "rr_get_ramp_info: ERR_SYS_INFO_NOT_AVAIL\n");
    }
    write_ramp("d10s81c25.b12345", swli_ramp(10));
    use_config(spec("SWLI", "d10s81c25.b12345") + spec("SWLI", "+", 5));
    ASSERT_EQ(load(), NO_ERROR) << printed;

    // Each allocation of a load in turn fails; the sanitizer build sees
    // any block a failed load leaves behind.
    static int allocations_left = 0;
    const auto saved_malloc = gl_MallocFunc;
    const auto saved_realloc = gl_ReallocFunc;
    static void* (*real_malloc)(size_t) = nullptr;
    static void* (*real_realloc)(void*, size_t) = nullptr;
    real_malloc = saved_malloc;
    real_realloc = saved_realloc;
    gl_MallocFunc = [](size_t size) -> void* {
        return allocations_left-- > 0 ? real_malloc(size) : nullptr;
    };
    gl_ReallocFunc = [](void* block, size_t size) -> void* {
        return allocations_left-- > 0 ? real_realloc(block, size) : nullptr;
    };
    bool complete = false;
    for (int budget = 0; budget < 50 && !complete; ++budget) {
        allocations_left = budget;
        const int32_t err = load();
        // A spec whose samples cannot be allocated is skipped; a failed
        // load leaves no table.
        complete = err == NO_ERROR && info->ramps.rampCount == 2;
        if (err != NO_ERROR) {
            EXPECT_EQ(info->ramps.rampTable, nullptr) << budget;
            EXPECT_EQ(info->ramps.rampCount, 0) << budget;
        }
    }
    gl_MallocFunc = saved_malloc;
    gl_ReallocFunc = saved_realloc;
    EXPECT_TRUE(complete);
}

}  // namespace
