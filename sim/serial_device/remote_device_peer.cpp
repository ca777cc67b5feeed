#include "sim/serial_device/remote_device_peer.h"

namespace sim {
namespace {

// A field of the control protocol: no blanks, not empty.
bool plain_field(std::string_view text) {
    return !text.empty() && text.find_first_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

remote_device_peer::remote_device_peer(std::string_view kind) {
    attached_ = plain_field(kind) && !peer_.request("device", std::string(kind)).empty();
}

void remote_device_peer::inject(device_fault fault, int count, uint32_t seed) {
    peer_.request("device_fault", std::string(device_fault_name(fault)) + " " +
                                      std::to_string(count) + " " + std::to_string(seed));
}

bool remote_device_peer::set(std::string_view name, std::string_view value) {
    if (!plain_field(name) || !plain_field(value)) return false;
    return !peer_.request("device_set", std::string(name) + " " + std::string(value)).empty();
}

bool remote_device_peer::wait_idle(std::chrono::milliseconds limit) {
    const std::vector<std::string> fields =
        peer_.request("device_idle", std::to_string(limit.count()), limit);
    return fields.size() == 2 && fields[1] == "1";
}

std::string remote_device_peer::get(std::string_view name) const {
    if (!plain_field(name)) return {};
    const std::vector<std::string> fields = peer_.request("device_get", std::string(name));
    return fields.size() == 2 ? fields[1] : std::string();
}

}  // namespace sim
