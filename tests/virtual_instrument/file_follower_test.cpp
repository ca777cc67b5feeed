// The follower of the simulated CAN library's call log: another process
// appends to the file while it is read, so lines come in pieces.
#include "sim/virtual_instrument/file_follower.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_file.h"

namespace {

void append(const temp_file& file, const std::string& text) {
    std::FILE* out = std::fopen(file.c_str(), "ab");
    ASSERT_NE(out, nullptr);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
}

TEST(FileFollower, HandsOverWholeLinesAsTheyComeAndTheRestAtTheEnd) {
    const temp_file log("can.log");
    std::mutex lock;
    std::vector<std::string> lines;
    {
        vi::file_follower follower(log.str(), [&](const std::string& line) {
            const std::lock_guard<std::mutex> guard(lock);
            lines.push_back(line);
        });
        // The file does not exist yet: nothing, and no failure.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        append(log, "CAN_Connect 0x01");
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        {
            const std::lock_guard<std::mutex> guard(lock);
            EXPECT_TRUE(lines.empty()) << "half a line was handed over";
        }
        append(log, "020304\r\nCAN_GetFirmwareVersion\nCAN_Dis");
        append(log, "connect\n");
        // Stopping reads what came last.
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"CAN_Connect 0x01020304", "CAN_GetFirmwareVersion",
                                               "CAN_Disconnect"}));
}

}  // namespace
