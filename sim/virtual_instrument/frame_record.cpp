#include "sim/virtual_instrument/frame_record.h"

#include <cstdio>

#include "sim/console/console.h"

namespace vi {

void frame_record::log(const std::string& device, const std::string& line) {
    sim::say(device + " " + line);
    if (line.rfind("<- ", 0) != 0) return;
    const std::lock_guard<std::mutex> guard(lock_);
    received_.emplace_back(device, line.substr(3));
}

bool frame_record::write(const std::string& path, const std::vector<std::string>& devices) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const std::lock_guard<std::mutex> guard(lock_);
    for (const auto& [device, frame] : received_) std::fprintf(file, "%s %s\n", device.c_str(), frame.c_str());
    for (const std::string& device : devices) {
        size_t count = 0;
        for (const auto& entry : received_) if (entry.first == device) ++count;
        std::fprintf(file, "%s frames received: %zu\n", device.c_str(), count);
    }
    return std::fclose(file) == 0;
}

}  // namespace vi
