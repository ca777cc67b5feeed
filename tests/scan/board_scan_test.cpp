// Loading and starting ramps on the serial boards: the exact bytes of a
// load and a start, the simulated board's slots, set-ups and scans on
// every board type, and each failure leaving the scanner stopped.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scan/local_board.h"
#include "scan/scan.h"
#include "scan/scan_test_support.h"

namespace {

using scan_test::ramp_table;
using serial_test::bytes;

// A ramp of five samples that the bytes below were worked out for.
rampgen::ramp tiny_ramp() {
    rampgen::ramp ramp = rampgen::make_ramp({.points = 5, .trig_start = 1, .trig_end = 3});
    ramp.hdr.rampID = 7;
    ramp.hdr.updateRate = 0xF060;
    ramp.hdr.nBuckets = 2;
    ramp.hdr.cameraRate = 25;
    ramp.hdr.offset = 0x8000;
    ramp.hdr.grabSkip = 1;
    ramp.points = {0x8000, 0x8001, 0x8002, 0x8003, 0x8004};
    return ramp;
}

const sim::byte_string kAck = bytes({0x02, 0xFF, 0xFF});

class ScanScripted : public serial_test::ScriptedBoard {
  protected:
    void TearDown() override {
        ramp_table::remove(info);
        serial_test::ScriptedBoard::TearDown();
    }
    void start(int32_t board) {
        open_board(board);
        table.add(tiny_ramp());
        table.install(info);
    }
    ramp_table table;
};

// UZ2: load 29, data 45, complete 46, start 26.
const sim::byte_string kUz2Load = bytes({0x0F, 0x1D, 0x00, 0x07, 0xF0, 0x60, 0x00, 0x01, 0x00, 0x02,
                                         0x09, 0xC4, 0x80, 0x00, 0x20, 0xE4});
const sim::byte_string kUz2Data = bytes({0x04, 0x2D, 0x00, 0x05, 0x32, 0x80, 0x00, 0x80, 0x01, 0x80,
                                         0x02, 0x80, 0x03, 0x80, 0x04, 0x8A});
const sim::byte_string kUz2Complete = bytes({0x02, 0x2E, 0x2E});
const sim::byte_string kUz2Start = bytes({0x03, 0x1A, 0x00, 0x1A});

TEST_F(ScanScripted, LoadAndStartSendExactlyTheseBytes) {
    start(INSTR_BD_UZ2);
    answer(kUz2Load, kAck);
    answer(kUz2Data, bytes({0x03, 0x2D, 0x00, 0x2D}));
    answer(kUz2Complete, kAck);
    answer(kUz2Start, kAck);
    ASSERT_EQ(scan_start_ramp(info, 0), NO_ERROR) << serial_test::printed();
    ASSERT_TRUE(peer.wait_script_done(std::chrono::seconds(10)));
    sim::byte_string sent = kUz2Load;
    for (const auto* part : {&kUz2Data, &kUz2Complete, &kUz2Start})
        sent.insert(sent.end(), part->begin(), part->end());
    EXPECT_EQ(peer.received(), sent);
    EXPECT_EQ(table.record(0).instrSlot, 0);
    EXPECT_EQ(info->ramps.instrSlots[0], 7);
}

TEST_F(ScanScripted, ADamagedDataFrameFailsTheLoadAndLeavesNoSlot) {
    start(INSTR_BD_UZ2);
    answer(kUz2Load, kAck);
    answer(kUz2Data, bytes({0x03, 0x2D, 0x01, 0x2E}));  // the board saw a bad data checksum
    EXPECT_EQ(scan_start_ramp(info, 0), ERR_RAMP_LOAD);
    ASSERT_TRUE(peer.wait_script_done(std::chrono::seconds(10)));
    sim::byte_string sent = kUz2Load;  // no complete, no start
    sent.insert(sent.end(), kUz2Data.begin(), kUz2Data.end());
    EXPECT_EQ(peer.received(), sent);
    EXPECT_EQ(table.record(0).instrSlot, RR_NO_INSTR_SLOT);
    EXPECT_EQ(info->ramps.instrSlots[0], SYS_EMPTY_RAMP_SLOT);
}

TEST_F(ScanScripted, AStartTheBoardRefusesIsFollowedByAnAbort) {
    start(INSTR_BD_UZ1);  // UZ1: start 39, abort 36
    table.record(0).instrSlot = 3;
    info->ramps.instrSlots[3] = 7;
    const sim::byte_string start_frame = bytes({0x03, 39, 0x03, 42});
    const sim::byte_string nak = bytes({0x02, 0xFE, 0xFE});
    for (int i = 0; i < 3; ++i) answer(start_frame, nak);
    answer(bytes({0x02, 36, 36}), kAck);
    EXPECT_EQ(scan_start_ramp(info, 0), ERR_UZ_RECV_FAILED);
    ASSERT_TRUE(peer.wait_script_done(std::chrono::seconds(10)));
    const sim::byte_string sent = peer.received();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sim::byte_string(sent.end() - 3, sent.end()), bytes({0x02, 36, 36}));
}

TEST_F(ScanScripted, ASetUpTheLoadCannotCarryIsRefusedBeforeAnythingIsSent) {
    start(INSTR_BD_FTP);
    const struct {
        const char* what;
        void (*spoil)(rr_ramp_hdr_t*);
    } cases[] = {
        {"grab skip 8", [](rr_ramp_hdr_t* h) { h->grabSkip = 8; }},
        {"no triggers", [](rr_ramp_hdr_t* h) { h->nBuckets = 0; }},
        {"camera rate 700 Hz", [](rr_ramp_hdr_t* h) { h->cameraRate = 700; }},
        {"trigger start 70000", [](rr_ramp_hdr_t* h) { h->trigStartAddr = 70000; }},
        {"negative offset", [](rr_ramp_hdr_t* h) { h->offset = -1; }},
        {"ramp ID 255, the empty slot's mark", [](rr_ramp_hdr_t* h) { h->rampID = 255; }},
    };
    for (const auto& c : cases) {
        table.install(info);
        c.spoil(&table.record(0).hdr);
        EXPECT_EQ(scan_load_ramp(info, 0), ERR_PARAM_OUT_OF_RANGE) << c.what;
        EXPECT_EQ(table.record(0).instrSlot, RR_NO_INSTR_SLOT) << c.what;
    }
    EXPECT_TRUE(peer.received().empty());
}

TEST_F(ScanScripted, BadArgumentsGiveTheirCodes) {
    start(INSTR_BD_NIF);
    EXPECT_EQ(scan_load_ramp(nullptr, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(scan_start_ramp(info, 1), ERR_INVALID_RAMP_INDEX);
    EXPECT_EQ(scan_start_ramp(info, -1), ERR_INVALID_RAMP_INDEX);
    table.record(0).points = nullptr;
    EXPECT_EQ(scan_load_ramp(info, 0), ERR_NO_RAMP_INFO);
    ramp_table::remove(info);
    EXPECT_EQ(scan_load_ramp(info, 0), ERR_NO_RAMP_INFO);
    info->instrBdType = INSTR_BD_NOT_SERIAL;
    EXPECT_EQ(scan_stop_ramp(info), ERR_WRONG_INSTR_BOARD);
    EXPECT_TRUE(peer.received().empty());
}

// ---- the simulated board -----------------------------------------------------------

class ScanSimulated : public scan_test::LocalBoard {
  protected:
    void TearDown() override {
        ramp_table::remove(info);
        scan_test::LocalBoard::TearDown();
    }
    void start(int32_t board_type) {
        open_board(board_type);
        board->board().set_scan_file(scan_file.text);
    }
    ramp_table table;
    temp_file scan_file{"scan.txt"};
};

TEST_F(ScanSimulated, EveryBoardTakesTheRampAndPublishesItsScan) {
    for (const int32_t type : {INSTR_BD_UZ1, INSTR_BD_UZ2, INSTR_BD_NIF, INSTR_BD_FTP}) {
        SCOPED_TRACE(type);
        start(type);
        table = {};
        table.add(scan_test::swli_ramp(type));  // 2600 samples: three data frames
        table.add(scan_test::swli_ramp(type, 1000, 20));
        table.at(1).hdr.rampID = 9;
        table.install(info);
        info->ramps.instrSlots[0] = 3;  // a ramp the table does not know
        ASSERT_EQ(scan_load_ramp(info, 1), NO_ERROR) << serial_test::printed();
        ASSERT_EQ(scan_start_ramp(info, 0), NO_ERROR) << serial_test::printed();

        // The first empty slots, in table order of loading.
        EXPECT_EQ(table.record(1).instrSlot, 1);
        EXPECT_EQ(table.record(0).instrSlot, 2);
        EXPECT_EQ(board->board().slots()[2], 7);
        EXPECT_EQ(board->board().ramp_values(2), 2600u);
        const scan_ramp_setup setup = board->board().ramp_setup(2);
        EXPECT_EQ(setup.updateRate, 61536);
        EXPECT_EQ(setup.trigStartAddr, 100);
        EXPECT_EQ(setup.nBuckets, 50);
        EXPECT_EQ(setup.cameraRateCentiHz, 2500);
        EXPECT_EQ(setup.offset, 32768);

        sim::scan_state scan;
        ASSERT_TRUE(sim::read_scan_state(scan_file.text, &scan));
        EXPECT_EQ(scan.ramp_type, RR_RAMP_SWLI);
        ASSERT_EQ(scan.triggers.size(), 50u);
        // 1 kHz, 40 samples a frame, 100 counts (81 nm) of PIFOC a frame.
        EXPECT_EQ(scan.triggers[0].time_ns, 100'000'000);
        EXPECT_EQ(scan.triggers[49].time_ns, 2'060'000'000);
        EXPECT_NEAR(scan.triggers[0].position_nm, -2500 * sim::SIM_PIFOC_NM_PER_COUNT, 1e-9);
        EXPECT_NEAR(scan.triggers[1].position_nm - scan.triggers[0].position_nm, 81.0, 1e-9);

        int32_t idle = -1;
        ASSERT_EQ(scan_ramp_idle(info, &idle), NO_ERROR);
        EXPECT_EQ(idle, 0);  // 2.6 s of samples
        ASSERT_EQ(scan_stop_ramp(info), NO_ERROR);
        if (type == INSTR_BD_UZ1 || type == INSTR_BD_FTP) {
            ASSERT_EQ(scan_ramp_idle(info, &idle), NO_ERROR);
            EXPECT_EQ(idle, 1);
        }
        ramp_table::remove(info);
        ASSERT_EQ(ur_closeUZ(&port()), NO_ERROR);
    }
}

TEST_F(ScanSimulated, ARampAlreadyInASlotStartsWithoutALoad) {
    start(INSTR_BD_UZ2);
    table.add(scan_test::swli_ramp(INSTR_BD_UZ2, 600, 10));
    table.install(info);
    ASSERT_EQ(scan_start_ramp(info, 0), NO_ERROR);
    const size_t requests = board->board().requests();
    ASSERT_EQ(scan_start_ramp(info, 0), NO_ERROR);
    EXPECT_EQ(board->board().requests(), requests + 1);
    EXPECT_EQ(board->board().ramp_starts(), 2u);
    sim::scan_state scan;
    ASSERT_TRUE(sim::read_scan_state(scan_file.text, &scan));
    EXPECT_EQ(scan.sequence, 2u);
}

TEST_F(ScanSimulated, ABoardThatNaksLeavesTheRampUnloaded) {
    start(INSTR_BD_FTP);
    table.add(scan_test::swli_ramp(INSTR_BD_FTP));
    table.install(info);
    board->inject(sim::uz_fault::nak, 1000);
    EXPECT_EQ(scan_start_ramp(info, 0), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(table.record(0).instrSlot, RR_NO_INSTR_SLOT);
    EXPECT_EQ(board->board().ramp_starts(), 0u);
    sim::scan_state scan;
    EXPECT_FALSE(sim::read_scan_state(scan_file.text, &scan));
}

}  // namespace
