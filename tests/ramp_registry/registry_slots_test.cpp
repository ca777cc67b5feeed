// The board's ramp slots against the simulated board of each type: the
// ramp request and delete commands, and the slots a load keeps or empties.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ramp_registry/registry_test_support.h"
#include "seriallink/board_test_support.h"

namespace {

using namespace registry_test;
using ids_t = std::vector<int>;

uint8_t ramp_load_cmd(int32_t board) {
    switch (board) {
        case INSTR_BD_UZ1: return UZ1_RAMP_LOAD_CMD;
        case INSTR_BD_UZ2: return UZ2_RAMP_LOAD_CMD;
        case INSTR_BD_NIF: return NIF_RAMP_LOAD_CMD;
        default: return FTP_RAMP_LOAD_CMD;
    }
}

class RegistrySlots : public serial_test::SimulatedBoard {
  protected:
    void SetUp() override {
        serial_test::SimulatedBoard::SetUp();
        if (IsSkipped()) return;
        folder().clear();
        plat::set_environment(RR_KEEP_RAMPS_ENV, nullptr);
    }
    void TearDown() override {
        rr_release_ramp_table(info);
        plat::set_environment(RR_KEEP_RAMPS_ENV, nullptr);
        folder().clear();
        serial_test::SimulatedBoard::TearDown();
    }

    void start(int32_t board_type) {
        open_board(board_type);
        set_up_record(info, board_type);
    }
    // Puts a ramp ID into a slot as the ramp load command does.
    void load_slot(int slot, int id) {
        uint8_t frame[UZ_FRAME_BUFFER_SIZE] = {};
        int32_t count = 0;
        const uint8_t code = ramp_load_cmd(info->instrBdType);
        frame[0] = ur_cmd_table(info->instrBdType, &count)[code].request;
        frame[1] = code;
        frame[2] = static_cast<uint8_t>(slot);
        frame[3] = static_cast<uint8_t>(id);
        ASSERT_EQ(ur_writeUZ(&port(), frame[0], frame, 0, 0), NO_ERROR) << serial_test::printed();
    }
    ids_t board_slots() {
        uint8_t ids[SYS_INSTR_RAMP_SLOTS];
        EXPECT_EQ(uz_ramp_request(info, ids), NO_ERROR) << serial_test::printed();
        return ids_t(ids, ids + SYS_INSTR_RAMP_SLOTS);
    }
    ids_t record_slots() const {
        return ids_t(info->ramps.instrSlots, info->ramps.instrSlots + SYS_INSTR_RAMP_SLOTS);
    }
    // A file ramp with ID 7 and a ramp derived from it, which shares the ID.
    void write_ramps() {
        write_ramp("d10s81c25.b12345", swli_ramp(10, 7));
        write_text("rampcfg.txt", spec("SWLI", "d10s81c25.b12345") + spec("SWLI", "+", 5));
        std::snprintf(info->ramps.configFile, sizeof info->ramps.configFile, "rampcfg.txt");
    }
    int32_t load() {
        serial_test::printed().clear();
        return rr_get_ramp_info(info);
    }
};

TEST_F(RegistrySlots, RequestAndDeleteOnEveryBoard) {
    const struct {
        int32_t board;
        int slots;
    } boards[] = {{INSTR_BD_UZ1, 12}, {INSTR_BD_UZ2, 4}, {INSTR_BD_NIF, 4}, {INSTR_BD_FTP, 12}};
    for (const auto& b : boards) {
        SCOPED_TRACE(b.board);
        if (port() != plat::kInvalidPort) {
            ASSERT_EQ(ur_closeUZ(&port()), NO_ERROR);
        }
        start(b.board);
        EXPECT_EQ(board_slots(), ids_t(12, 255));
        load_slot(0, 4);
        load_slot(b.slots - 1, 9);
        ids_t expected(12, 255);
        expected[0] = 4;
        expected[static_cast<size_t>(b.slots - 1)] = 9;
        EXPECT_EQ(board_slots(), expected);
        ASSERT_EQ(rr_ramp_delete(info, b.slots - 1), NO_ERROR) << serial_test::printed();
        expected[static_cast<size_t>(b.slots - 1)] = 255;
        EXPECT_EQ(board_slots(), expected);
        // A slot the board lacks is not asked for.
        EXPECT_EQ(rr_ramp_delete(info, b.slots), ERR_INVALID_PARAM);
        EXPECT_EQ(rr_ramp_delete(info, -1), ERR_INVALID_PARAM);
    }
}

TEST_F(RegistrySlots, LoadEmptiesTheSlotsTheBoardHas) {
    start(INSTR_BD_UZ2);  // 4 slots: slots 4 to 11 are never sent
    write_ramps();
    load_slot(1, 7);
    load_slot(3, 2);
    ASSERT_EQ(load(), NO_ERROR) << serial_test::printed();
    EXPECT_EQ(board_slots(), ids_t(12, 255));
    EXPECT_EQ(record_slots(), ids_t(12, 255));
    EXPECT_EQ(info->ramps.rampTable[0].instrSlot, SYS_EMPTY_RAMP_SLOT);
}

TEST_F(RegistrySlots, LoadKeepsRampsTheTableStillHas) {
    start(INSTR_BD_UZ1);
    write_ramps();
    load_slot(2, 7);
    load_slot(5, 9);  // no ramp of the table has ID 9
    ASSERT_TRUE(plat::set_environment(RR_KEEP_RAMPS_ENV, "1"));
    ASSERT_EQ(load(), NO_ERROR) << serial_test::printed();
    ids_t expected(12, 255);
    expected[2] = 7;
    EXPECT_EQ(board_slots(), expected);
    EXPECT_EQ(record_slots(), expected);
    // Only the file ramp is in the slot, not the ramp derived from it.
    EXPECT_EQ(info->ramps.rampTable[0].instrSlot, 2);
    EXPECT_EQ(info->ramps.rampTable[1].instrSlot, SYS_EMPTY_RAMP_SLOT);
    const std::string& text = serial_test::printed();
    EXPECT_NE(text.find("Found env var KEEP_RAMPS_LOADED_IN_INSTR\n"), std::string::npos);
    const size_t kept = text.find("Ramp ID 7 already loaded in instr\n");
    EXPECT_NE(kept, std::string::npos);
    EXPECT_EQ(text.find("Ramp ID 7 already loaded", kept + 1), std::string::npos);
}

TEST_F(RegistrySlots, FailedDeletionEndsTheLoadWithTheTableInstalled) {
    start(INSTR_BD_UZ2);
    write_ramps();
    board->inject(sim::uz_fault::nak, 3);
    EXPECT_EQ(load(), ERR_UZ_RECV_FAILED);
    const std::string& text = serial_test::printed();
    EXPECT_NE(text.find("rr_ramp_delete failed: ERR_UZ_RECV_FAILED\n"
                        "rr_get_ramp_info: ERR_UZ_RECV_FAILED\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(info->ramps.rampCount, 2);
}

TEST_F(RegistrySlots, FailedRequestKeepsTheTable) {
    start(INSTR_BD_NIF);
    write_ramps();
    ASSERT_TRUE(plat::set_environment(RR_KEEP_RAMPS_ENV, "yes"));
    board->inject(sim::uz_fault::nak, 3);
    ASSERT_EQ(load(), NO_ERROR);
    EXPECT_NE(serial_test::printed().find("uz_ramp_request failed: ERR_UZ_RECV_FAILED\n"),
              std::string::npos);
    EXPECT_EQ(info->ramps.rampCount, 2);
}

}  // namespace
