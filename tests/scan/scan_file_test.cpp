// The scan file the simulated scanner publishes and the simulated camera
// reads: what is written reads back, and a file that is damaged, cut short
// or swollen is refused whole, never half taken.
#include "sim/scanner/scan_state.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/temp_file.h"

namespace {

sim::scan_state three_triggers() {
    sim::scan_state scan;
    scan.sequence = 7;
    scan.ramp_type = 17;
    scan.start_ns = 123456789012;
    scan.triggers = {{0, -197.75}, {40000000, 0.1}, {80000000, 1e-300}};
    return scan;
}

TEST(ScanFile, WhatIsWrittenReadsBackExactly) {
    temp_file file("scan.txt");
    const sim::scan_state scan = three_triggers();
    ASSERT_TRUE(sim::write_scan_state(file.text, scan));
    sim::scan_state read;
    ASSERT_TRUE(sim::read_scan_state(file.text, &read));
    EXPECT_EQ(read.sequence, scan.sequence);
    EXPECT_EQ(read.ramp_type, scan.ramp_type);
    EXPECT_EQ(read.start_ns, scan.start_ns);
    ASSERT_EQ(read.triggers.size(), scan.triggers.size());
    for (size_t i = 0; i < scan.triggers.size(); ++i) {
        EXPECT_EQ(read.triggers[i].time_ns, scan.triggers[i].time_ns);
        EXPECT_EQ(read.triggers[i].position_nm, scan.triggers[i].position_nm);  // bit for bit
    }
}

TEST(ScanFile, DamagedFilesAreRefusedAndLeaveTheStateAlone) {
    const std::string head = "scan 3\nramp_type 1\nstart_ns 100\n";
    std::string swollen = head;
    for (size_t i = 0; i <= sim::SIM_SCAN_MAX_FRAMES; ++i) swollen += "frame " + std::to_string(i) + " 0 0\n";
    swollen += "end\n";
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"no end", head + "frame 0 0 1.5\n"},
        {"cut inside a line", head + "frame 0 0 1.5"},
        {"no header", "frame 0 0 1.5\nend\n"},
        {"frames out of order", head + "frame 1 0 1.5\nend\n"},
        {"negative time", head + "frame 0 -5 1.5\nend\n"},
        {"position not finite", head + "frame 0 0 nan\nend\n"},
        {"position infinite", head + "frame 0 0 inf\nend\n"},
        {"a line longer than any written", head + "frame 0 0 " + std::string(200, '1') + "\nend\n"},
        {"garbage", std::string("\x00\xff\x93NUMPY\n", 9)},
        {"more triggers than allowed", swollen},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        temp_file file("damaged.txt");
        file.write_text(text);
        sim::scan_state state = three_triggers();
        EXPECT_FALSE(sim::read_scan_state(file.text, &state));
        EXPECT_EQ(state.sequence, 7u);
        EXPECT_EQ(state.triggers.size(), 3u);
    }
    sim::scan_state state;
    EXPECT_FALSE(sim::read_scan_state("no/such/folder/scan.txt", &state));
}

// Random damage to a good file: refused, or read as a whole file within the
// limits, never a crash (the sanitizer build runs this too).
TEST(ScanFile, MutatedFilesNeverCrashTheReader) {
    temp_file good("good.txt");
    ASSERT_TRUE(sim::write_scan_state(good.text, three_triggers()));
    const std::string original = good.read();
    std::mt19937 random(20261209);
    temp_file file("mutated.txt");
    for (int round = 0; round < 2000; ++round) {
        std::string text = original;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes && !text.empty(); ++c) {
            const size_t at = random() % text.size();
            switch (random() % 3) {
                case 0: text[at] = static_cast<char>(random()); break;
                case 1: text.erase(at, 1 + random() % 8); break;
                default: text.insert(at, std::string(1 + random() % 8, static_cast<char>(random()))); break;
            }
        }
        file.write_text(text);
        sim::scan_state state;
        if (sim::read_scan_state(file.text, &state)) {
            EXPECT_LE(state.triggers.size(), sim::SIM_SCAN_MAX_FRAMES);
        }
    }
}

}  // namespace
