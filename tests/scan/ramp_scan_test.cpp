// The simulated scanner's triggers: the sample of each, its time and the
// scanner position, and the scans it publishes one after another.
#include "sim/scanner/ramp_scan.h"

#include <gtest/gtest.h>

#include <vector>

#include "scan/scan_test_support.h"

namespace {

std::vector<uint16_t> counting(size_t count, uint16_t first) {
    std::vector<uint16_t> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = static_cast<uint16_t>(first + i);
    return v;
}

TEST(RampScan, TriggersFallOnTheFloorOfTheirSampleAndSkipGrabbedFrames) {
    // 1 kHz and 30 Hz: 33.33 samples a frame, 66.67 with a grab skip of 1.
    sim::ramp_timing t;
    t.ramp_type = 3;  // PMI family: the PZT
    t.trig_start = 10;
    t.n_buckets = 4;
    t.grab_skip = 1;
    t.camera_rate_hz = 30;
    t.sample_rate_khz = 1;
    t.offset = 1000;
    const std::vector<uint16_t> v = counting(300, 1000);
    sim::scan_state scan;
    ASSERT_TRUE(sim::compute_ramp_scan(t, v, &scan));
    ASSERT_EQ(scan.triggers.size(), 4u);
    const int64_t samples[] = {10, 76, 143, 210};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(scan.triggers[k].time_ns, samples[k] * 1'000'000) << k;
        EXPECT_DOUBLE_EQ(scan.triggers[k].position_nm,
                         static_cast<double>(samples[k]) * sim::SIM_PZT_NM_PER_COUNT)
            << k;
    }
    EXPECT_EQ(scan.ramp_type, 3);
}

TEST(RampScan, ATimingThatCannotBePlayedMakesNoScan) {
    sim::ramp_timing t;
    t.n_buckets = 3;
    t.camera_rate_hz = 25;
    t.sample_rate_khz = 1;
    t.trig_start = 20;
    const std::vector<uint16_t> v = counting(100, 0);  // the third trigger is at 100
    sim::scan_state scan;
    scan.ramp_type = 99;
    EXPECT_FALSE(sim::compute_ramp_scan(t, v, &scan));
    EXPECT_EQ(scan.ramp_type, 99);
    t.trig_start = 19;
    EXPECT_TRUE(sim::compute_ramp_scan(t, v, &scan));
    EXPECT_DOUBLE_EQ(scan.triggers[2].position_nm, 99 * sim::SIM_PIFOC_NM_PER_COUNT);
    for (auto spoil : {+[](sim::ramp_timing* r) { r->n_buckets = 0; },
                       +[](sim::ramp_timing* r) { r->camera_rate_hz = 0; },
                       +[](sim::ramp_timing* r) { r->sample_rate_khz = -1; }}) {
        sim::ramp_timing bad = t;
        spoil(&bad);
        EXPECT_FALSE(sim::compute_ramp_scan(bad, v, &scan));
    }
}

TEST(RampScan, EachPublishedScanIsNewerThanTheLast) {
    temp_file file("published.txt");
    sim::scan_state scan;
    scan.triggers = {{5, 1.5}};
    ASSERT_TRUE(sim::publish_scan(file.text, scan));
    sim::scan_state read;
    ASSERT_TRUE(sim::read_scan_state(file.text, &read));
    EXPECT_EQ(read.sequence, 1u);
    const int64_t first_start = read.start_ns;
    ASSERT_TRUE(sim::publish_scan(file.text, scan));
    ASSERT_TRUE(sim::read_scan_state(file.text, &read));
    EXPECT_EQ(read.sequence, 2u);
    EXPECT_GE(read.start_ns, first_start);
    EXPECT_EQ(read.triggers[0].time_ns, 5);
}

}  // namespace
