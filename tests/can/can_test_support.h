// A CAN instrument on the simulated CAN library, with the waits counted
// instead of slept and the library's messages collected.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "can/can.h"
#include "device/device.h"
#include "errors/errors.h"
#include "sim/can_library/can_sim.h"
#include "support/print_capture.h"

inline std::atomic<int>& can_test_pauses() {
    static std::atomic<int> pauses{0};
    return pauses;
}
inline void can_test_count_pause(int32_t milliseconds) {
    EXPECT_TRUE(milliseconds == 2000 || milliseconds == 200) << milliseconds;
    ++can_test_pauses();
}

inline const uint8_t kTestMac[6] = {0x00, 0x50, 0xC2, 0xAB, 0xCD, 0xEF};
inline const uint8_t kTestIp[4] = {192, 168, 1, 40};

// The call log of the simulated library, one call per element.
inline std::vector<std::string> can_test_log() {
    std::string text(static_cast<size_t>(sim_can_log(nullptr, 0)) + 1, '\0');
    sim_can_log(text.data(), static_cast<int32_t>(text.size()));
    text.resize(text.size() - 1);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

inline bool can_test_contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class can_test : public ::testing::Test {
  protected:
    void SetUp() override {
        can_inst_off(can_inst_current());
        sim_can_reset();
        can_set_sleep_func(can_test_count_pause);
        can_test_pauses() = 0;
        ASSERT_EQ(dev_init_cntrl(true), NO_ERROR);
        sys_info_clear(&info);
        info.initialised = 1;
        info.instrBdType = INSTR_BD_CAN;
        std::copy(kTestMac, kTestMac + 6, info.can.bridge.macAddress);
        drain_outputs();
    }
    void TearDown() override {
        can_inst_off(can_inst_current());
        can_set_bringup_hook(nullptr);
        can_set_wave_monitor_hook(nullptr);
        can_set_sleep_func(nullptr);
        sim_can_reset();
        drain_outputs();
        enc_zoom_free_cal(&info.encZoomCal);
    }

    // A bridge on the network, connected, with the listed nodes.
    void connect_bridge() {
        sim_can_add_bridge(kTestMac, kTestIp);
        ASSERT_EQ(CAN_Connect(0), CAN_OK);
        sim_can_clear_log();
    }

    static void drain_outputs() {
        can_event event;
        can_emergency_event emergency;
        if (CanCreateSyncObjects() != NO_ERROR) return;
        can_events_pending(nullptr);  // input records left by an earlier test
        while (can_take_event(&event)) {}
        while (can_take_emergency_event(&emergency)) {}
    }

    sys_info info{};
    print_capture printed;
};
