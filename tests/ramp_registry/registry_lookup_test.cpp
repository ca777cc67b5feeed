// Finding a ramp by the acquisition it is wanted for, ramp ID assignment and
// the ramp slots each board has, over a table built by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ramp_registry/registry_test_support.h"
#include "support/print_capture.h"

namespace {

using namespace registry_test;

class RegistryLookup : public ::testing::Test {
  protected:
    void SetUp() override {
        sys_info_clear(info);
        set_up_record(info, INSTR_BD_UZ2);
    }
    void TearDown() override {
        rr_release_ramp_table(info);
        sys_info_clear(info);
    }

    // A table of count ramps, each a copy of the generated SWLI ramp's header.
    void make_table(int32_t count) {
        auto* table = static_cast<rr_ramp_t*>(gl_MallocFunc(sizeof(rr_ramp_t) * static_cast<size_t>(count)));
        ASSERT_NE(table, nullptr);
        for (int32_t i = 0; i < count; ++i) {
            rr_init_ramp(&table[i]);
            table[i].hdr = swli_ramp(10, i).hdr;
        }
        info->ramps.rampTable = table;
        info->ramps.rampCount = count;
    }
    rr_ramp_hdr_t& hdr(int32_t i) { return info->ramps.rampTable[i].hdr; }

    std::string why(int32_t index, int32_t type, int32_t buckets, float scan, int32_t mux,
                    float rate, int32_t skip) {
        char msg[RR_MSG_SIZE] = "";
        const bool fits = rr_ramp_matches(info, index, type, buckets, scan, mux, rate, skip, msg);
        return fits ? "fits" : msg;
    }

    sys_info* info = &gl_SysInfo[3];
};

TEST_F(RegistryLookup, MatchesEachWantedValue) {
    make_table(2);
    hdr(1).rampType = 4;  // PMI family
    hdr(1).nBuckets = 7;
    hdr(1).rampMux = 1;
    EXPECT_EQ(why(0, RR_RAMP_SWLI, 0, 0, -1, 0, -1), "fits");
    EXPECT_EQ(why(0, RR_RAMP_SWLI, -1, 10.9f, 0, 25.05f, 0), "fits");
    EXPECT_EQ(why(0, RR_RAMP_SWLI, 0, 0, -1, 25.2f, -1),
              "ramp cameraRate = 25  expected cameraRate = 25.2");
    EXPECT_EQ(why(0, RR_RAMP_SWLI, 0, 11.5f, -1, 0, -1),
              "ramp scanLen = 10  expected scanLen = 11.5");
    EXPECT_EQ(why(0, RR_RAMP_BTW, 0, 0, -1, 0, -1), "ramp rampType = 0 (SWLI)  expected 17 (BTW)");
    EXPECT_EQ(why(0, RR_RAMP_SWLI, 0, 0, -1, 0, 2), "ramp grabSkip = 0  expected grabSkip = 2");
    EXPECT_EQ(why(1, RR_RAMP_PMI, 7, 0, 1, 0, -1), "fits");
    EXPECT_EQ(why(1, 4, 0, 0, -1, 0, -1), "ramp rampType = 4 (PMI)  expected 4 (PMI)");
    EXPECT_EQ(why(1, RR_RAMP_PMI, 5, 0, -1, 0, -1), "ramp nBuckets = 7  expected nBuckets = 5");
    EXPECT_EQ(why(1, RR_RAMP_PMI, 0, 0, 0, 0, -1), "ramp rampMux = 1  expected rampMux = 0");
    hdr(0).instrBdType = INSTR_BD_UZ1;
    EXPECT_EQ(why(0, RR_RAMP_SWLI, 0, 0, -1, 0, -1), "ramp instrBdType = 1  expected instrBdType = 3");
    EXPECT_EQ(why(2, RR_RAMP_SWLI, 0, 0, -1, 0, -1), "invalid rampIndex");
    EXPECT_EQ(why(0, 21, 0, 0, -1, 0, -1), "expected rampType = 21 is invalid");
    hdr(0).rampType = 40;
    EXPECT_EQ(why(0, RR_RAMP_SWLI, 0, 0, -1, 0, -1), "ramp rampType = 40 is invalid");
    EXPECT_FALSE(rr_ramp_matches(nullptr, 0, 0, 0, 0, -1, 0, -1, nullptr));
    char msg[RR_MSG_SIZE] = "";
    EXPECT_FALSE(rr_ramp_matches(nullptr, 0, 0, 0, 0, -1, 0, -1, msg));
    EXPECT_STREQ(msg, "invalid sysInfo");
}

TEST_F(RegistryLookup, FindsTheFirstFittingRamp) {
    EXPECT_EQ(rr_find_ramp(info, RR_RAMP_SWLI, 0, 0, -1, 0, -1), -1);  // no table
    make_table(3);
    hdr(0).cameraRate = 30;
    EXPECT_EQ(rr_find_ramp(info, RR_RAMP_SWLI, 0, 0, -1, 25, -1), 1);
    EXPECT_EQ(rr_find_ramp(info, RR_RAMP_SWLI, 0, 0, -1, 30, -1), 0);
    EXPECT_EQ(rr_find_ramp(info, RR_RAMP_BTW, 0, 0, -1, 0, -1), -1);
}

TEST_F(RegistryLookup, AssignsTheSmallestFreeId) {
    EXPECT_EQ(rr_assign_ramp_id(info, 0), ERR_NO_RAMP_INFO);
    make_table(4);  // IDs 0 to 3
    hdr(1).rampID = 300;
    EXPECT_EQ(rr_assign_ramp_id(info, 4), ERR_INVALID_RAMP_INDEX);
    EXPECT_EQ(rr_assign_ramp_id(info, -1), ERR_INVALID_RAMP_INDEX);
    ASSERT_EQ(rr_assign_ramp_id(info, 3), NO_ERROR);
    EXPECT_EQ(hdr(3).rampID, 1);
    ASSERT_EQ(rr_assign_ramp_id(info, 1), NO_ERROR);
    EXPECT_EQ(hdr(1).rampID, 3);  // its own ID is free to take

    rr_release_ramp_table(info);
    make_table(256);  // IDs 0 to 255: every ID is in use by another ramp
    print_capture capture;
    EXPECT_EQ(rr_assign_ramp_id(info, 255), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(capture.printed(), "rr_assign_ramp_id: no available ramp ID values\n");
}

TEST_F(RegistryLookup, SlotsOfEachBoard) {
    const struct {
        int32_t board;
        int32_t slots;
    } boards[] = {{INSTR_BD_UZ1, 12}, {INSTR_BD_FTP, 12}, {INSTR_BD_UZ2, 4},
                  {INSTR_BD_NOT_SERIAL, 4}, {INSTR_BD_NIF, 4}, {INSTR_BD_CAN, 4}};
    for (const auto& b : boards) {
        info->instrBdType = b.board;
        EXPECT_EQ(rr_get_max_num_instr_ramps(info), b.slots) << b.board;
    }
    info->ramps.hasDigitalScanner = 1;
    info->ramps.digitalScannerKind = 2;
    info->ramps.digitalScannerSlots = 9;
    EXPECT_EQ(rr_get_max_num_instr_ramps(info), 9);
    info->ramps.digitalScannerSlots = 1000;  // held to the IDs a slot can hold
    EXPECT_EQ(rr_get_max_num_instr_ramps(info), SYS_MAX_RAMPS);
    info->ramps.digitalScannerKind = 3;
    EXPECT_EQ(rr_get_max_num_instr_ramps(info), 4);

    info->instrBdType = 2;
    print_capture capture;
    EXPECT_EQ(rr_get_max_num_instr_ramps(info), 0);
    EXPECT_EQ(capture.printed(), "rr_get_max_num_instr_ramps: unknown instrBdType 2\n");
    uint8_t ids[SYS_INSTR_RAMP_SLOTS];
    EXPECT_EQ(uz_ramp_request(info, ids), ERR_WRONG_INSTR_BOARD);
    EXPECT_EQ(rr_ramp_delete(info, 0), ERR_WRONG_INSTR_BOARD);
}

}  // namespace
