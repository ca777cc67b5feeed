#include "sim/serial_device/device_peer.h"

#include "sim/serial_device/device_catalog.h"

namespace sim {

device_peer::device_peer(std::string_view kind) {
    std::unique_ptr<simulated_device> device = make_device(kind);
    if (peer_.is_open() && device != nullptr) {
        host_ = std::make_unique<device_host>(peer_, std::move(device));
    }
}

std::string device_peer::get(std::string_view name) const {
    std::string value;
    if (host_ == nullptr || !host_->device().get(name, &value)) return {};
    return value;
}

}  // namespace sim
