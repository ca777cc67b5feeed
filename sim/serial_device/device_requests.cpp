#include "sim/serial_device/device_requests.h"

#include "sim/serial_device/device_catalog.h"
#include "sim/serial_peer/peer_protocol.h"

namespace sim {

bool device_requests::answer(const std::vector<std::string>& fields, std::string* reply) {
    if (fields.size() < 2) return false;
    const std::string& verb = fields[0];
    int64_t id = -1;
    if (!peer_protocol::to_number(fields[1], &id)) return false;
    if (verb == "close") {
        hosts_.erase(id);
        return false;
    }
    if (verb != "device" && verb != "device_fault" && verb != "device_set" &&
        verb != "device_get" && verb != "device_idle") {
        return false;
    }
    *reply = request(fields, id);
    return true;
}

std::string device_requests::request(const std::vector<std::string>& f, int64_t id) {
    const std::string& verb = f[0];
    if (verb == "device" && f.size() == 3) {
        serial_peer* peer = lookup_(id);
        if (peer == nullptr) return "fail no such peer";
        if (hosts_.count(id) != 0) return "fail already a device";
        std::unique_ptr<simulated_device> device = make_device(f[2]);
        if (device == nullptr) return "fail no such device";
        hosts_[id] = std::make_unique<device_host>(*peer, std::move(device));
        return "ok";
    }
    const auto found = hosts_.find(id);
    if (found == hosts_.end()) return "fail not a device";
    simulated_device& device = found->second->device();
    if (verb == "device_fault" && f.size() == 5) {
        device_fault fault = device_fault::none;
        int count = 0;
        uint32_t seed = 0;
        if (!device_fault_from_name(f[2], &fault) || !peer_protocol::to_number(f[3], &count) ||
            !peer_protocol::to_number(f[4], &seed)) {
            return "fail bad fault";
        }
        device.inject(fault, count, seed);
        return "ok";
    }
    if (verb == "device_set" && f.size() == 4) {
        return device.set(f[2], f[3]) ? "ok" : "fail bad setting";
    }
    if (verb == "device_idle" && f.size() == 3) {
        int64_t limit = 0;
        if (!peer_protocol::to_number(f[2], &limit)) return "fail bad limit";
        return found->second->wait_idle(std::chrono::milliseconds(limit)) ? "ok 1" : "ok 0";
    }
    std::string value;
    if (verb == "device_get" && f.size() == 3 && device.get(f[2], &value)) return "ok " + value;
    return "fail bad request";
}

}  // namespace sim
