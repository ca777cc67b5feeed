// The ramps of the virtual instrument's folder, on the instrument of each
// kind: the registry loads them all, finds each by type and scan length
// (PMI ramps by their buckets), and each one started makes the scan the
// simulated camera expects: nBuckets triggers, rampSlope nm apart, which is
// fringesPerFrame of the ramp type's source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "can/can.h"
#include "device/device.h"
#include "platform/environment.h"
#include "ramps/ramps.h"
#include "scan/scan.h"
#include "seriallink/seriallink.h"
#include "sim/can_library/can_sim.h"
#include "sim/optics/optics.h"
#include "sim/scanner/ramp_scan.h"
#include "sim/uz_board/board_peer.h"
#include "sim/virtual_instrument/instrument_folder.h"
#include "support/print_capture.h"

namespace {

namespace fs = std::filesystem;

// One folder for the process: the library fixes its configuration
// directory at the first query; each case writes its instrument over it.
const fs::path& folder() {
    static const fs::path dir = [] {
        const fs::path made = fs::temp_directory_path() /
                              ("gridtext-folder-ramps-" + std::to_string(std::random_device{}()));
        fs::create_directories(made);
        plat::set_environment("MB_CONFIG_DIR", (made / "cfg").string().c_str());
        plat::set_environment("MB_RAMPS_DIR", nullptr);
        return made;
    }();
    return dir;
}

// The instrument of the folder brought up: its calibration file read, the
// serial board's line opened, or the CAN library told the description
// virtual-instrument wrote for it.
class FolderInstrument : public ::testing::Test {
  protected:
    void bring_up(int32_t board_type, vi::fault_kind fault = vi::fault_kind::none) {
        type = board_type;
        if (type != INSTR_BD_CAN && !sim::board_peer::available())
            GTEST_SKIP() << "no pseudo-terminals";
        for (sys_info& record : gl_SysInfo) sys_info_clear(&record);
        ASSERT_EQ(dev_init_cntrl(true), NO_ERROR);
        scan_file = (folder() / vi::kScanFile).string();
        fs::remove(scan_file);
        vi::options opts;
        opts.board_type = type;
        opts.fault = fault;
        vi::device_ports ports;
        if (type != INSTR_BD_CAN) {
            board = std::make_unique<sim::board_peer>(type);
            ASSERT_TRUE(board->is_open());
            board->set_scan_file(scan_file);
            ports.board = board->device_path();
        }
        vi::folder_environment env;
        std::string error;
        ASSERT_TRUE(vi::write_instrument_folder(folder().string(), opts, ports, &env, &error))
            << error;
        ASSERT_EQ(sys_cal_read(nullptr, 0, info), NO_ERROR);
        if (type == INSTR_BD_CAN) {
            sim_can_reset();
            describe_can_instrument();
            ASSERT_EQ(CAN_Connect(0), CAN_OK);
            plat::set_environment(sim::SIM_SCAN_FILE_ENV, scan_file.c_str());
        } else {
            ASSERT_EQ(ur_initUZ(info), NO_ERROR);
        }
    }
    void TearDown() override {
        if (IsSkipped()) return;
        rr_release_ramp_table(info);
        if (info->board.line.portHandle != plat::kInvalidPort)
            ur_closeUZ(&info->board.line.portHandle);
        plat::set_environment(sim::SIM_SCAN_FILE_ENV, nullptr);
        sim_can_reset();
        for (sys_info& record : gl_SysInfo) sys_info_clear(&record);
        dev_init_cntrl(true);
    }

    // The description's lines but its log file, which a program run under
    // virtual-instrument writes for it to follow.
    static void describe_can_instrument() {
        std::ifstream description(folder() / "can_instrument.txt");
        ASSERT_TRUE(description.is_open());
        for (std::string line; std::getline(description, line);) {
            if (line.empty() || line[0] == '#' || line.rfind("log ", 0) == 0) continue;
            EXPECT_EQ(sim_can_describe(line.c_str()), 1) << line;
        }
    }

    bool scan_published() const {
        sim::scan_state scan;
        return sim::read_scan_state(scan_file, &scan);
    }

    print_capture printed;
    int32_t type = 0;
    sys_info* info = &gl_SysInfo[0];
    std::unique_ptr<sim::board_peer> board;
    std::string scan_file;
};

class FolderRamps : public FolderInstrument, public ::testing::WithParamInterface<int32_t> {
  protected:
    void SetUp() override { bring_up(GetParam()); }
};

TEST_P(FolderRamps, EveryRampLoadsIsFoundAndMakesTheScanTheCameraExpects) {
    ASSERT_EQ(rr_get_ramp_info(info), NO_ERROR) << printed.printed();
    ASSERT_EQ(info->ramps.rampCount, 5);
    EXPECT_EQ(info->ramps.pmiRampCount, 2);

    const struct {
        int32_t type, buckets;
        float scan_len;
    } wanted[] = {{RR_RAMP_PMI, 5, 0},
                  {RR_RAMP_PMI, 13, 0},
                  {RR_RAMP_SWLI, 0, 10},
                  {RR_RAMP_SWLI, 0, 20},
                  {RR_RAMP_BTW, 0, 10}};
    uint64_t sequence = 0;
    for (const auto& w : wanted) {
        SCOPED_TRACE(testing::Message()
                     << "type " << w.type << " buckets " << w.buckets << " scan " << w.scan_len);
        const int32_t index = rr_find_ramp(info, w.type, w.buckets, w.scan_len, -1, 25, 0);
        ASSERT_GE(index, 0);
        const rr_ramp_hdr_t& hdr = info->ramps.rampTable[index].hdr;
        if (w.buckets > 0) {
            EXPECT_EQ(hdr.nBuckets, w.buckets);
        }
        if (w.scan_len > 0) {
            EXPECT_EQ(hdr.scanLen, w.scan_len);
            EXPECT_GE(hdr.nBuckets * static_cast<double>(hdr.rampSlope) / 1000, w.scan_len);
        }

        ASSERT_EQ(scan_start_ramp(info, index), NO_ERROR);
        sim::scan_state scan;
        ASSERT_TRUE(sim::read_scan_state(scan_file, &scan));
        EXPECT_GT(scan.sequence, sequence);
        sequence = scan.sequence;
        EXPECT_EQ(scan.ramp_type, hdr.rampType);
        ASSERT_EQ(scan.triggers.size(), static_cast<size_t>(hdr.nBuckets));
        const optics::light_source source = rr_is_pmi_type(hdr.rampType)
                                                ? optics::monochromatic_source()
                                                : optics::broadband_source();
        for (size_t k = 1; k < scan.triggers.size(); ++k) {
            const double step = scan.triggers[k].position_nm - scan.triggers[k - 1].position_nm;
            ASSERT_NEAR(step, hdr.rampSlope, 1e-3) << k;
            // 40 ms a frame at 25 Hz.
            ASSERT_EQ(scan.triggers[k].time_ns - scan.triggers[k - 1].time_ns, 40'000'000) << k;
        }
        EXPECT_NEAR(hdr.rampSlope / (source.wavelength_nm / 2), hdr.fringesPerFrame, 1e-6);
        // The scan passes through the scanner's zero.
        EXPECT_LT(scan.triggers.front().position_nm, 0);
        EXPECT_GT(scan.triggers.back().position_nm, 0);
        ASSERT_EQ(scan_stop_ramp(info), NO_ERROR);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FolderRamps,
                         ::testing::Values(INSTR_BD_UZ1, INSTR_BD_UZ2, INSTR_BD_NIF, INSTR_BD_FTP,
                                           INSTR_BD_CAN));

}  // namespace

namespace {

TEST_F(FolderInstrument, ACanTriggerThatFailsStopsTheRampBeforeAnyScan) {
    bring_up(INSTR_BD_CAN, vi::fault_kind::trigger_fail);
    ASSERT_EQ(rr_get_ramp_info(info), NO_ERROR) << printed.printed();
    EXPECT_EQ(scan_start_ramp(info, 0), ERR_CAN_SDO_RAMP_ERROR);
    EXPECT_FALSE(scan_published());
    uint8_t status = 1;
    ASSERT_EQ(can_read_ramp_status(info, &status), NO_ERROR);
    EXPECT_EQ(status, 0);
}

TEST_F(FolderInstrument, AScannerThatNeverMovesAcknowledgesTheStart) {
    bring_up(INSTR_BD_CAN, vi::fault_kind::no_scan);
    ASSERT_EQ(rr_get_ramp_info(info), NO_ERROR) << printed.printed();
    EXPECT_EQ(scan_start_ramp(info, 0), NO_ERROR);
    EXPECT_FALSE(scan_published());
}

}  // namespace
