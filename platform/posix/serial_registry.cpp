// The table of per-port state of the POSIX serial backend. It is shared by
// the owner of a port and the device manager's polling thread, so every
// access goes through one lock. Either thread may still run while the
// process ends, so the table is never destroyed.
#include "platform/posix/serial_registry.h"

#include <mutex>
#include <unordered_map>

namespace plat::posix_serial {
namespace {

struct registry {
    std::mutex lock;
    std::unordered_map<int, port_state> ports;
};

registry& the_registry() {
    static auto* instance = new registry;
    return *instance;
}

port_state default_state() {
    port_state state;
    state.kept.binary = true;
    state.kept.dtr_control = kDtrControlEnable;
    state.kept.rts_control = kRtsControlEnable;
    state.kept.xon_limit = 2048;
    state.kept.xoff_limit = 512;
    return state;
}

}  // namespace

port_state load_state(int fd) {
    registry& r = the_registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto found = r.ports.find(fd);
    return found == r.ports.end() ? default_state() : found->second;
}

void change_state(int fd, const std::function<void(port_state&)>& change) {
    registry& r = the_registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto found = r.ports.find(fd);
    if (found == r.ports.end()) found = r.ports.emplace(fd, default_state()).first;
    change(found->second);
}

bool change_registered(int fd, const std::function<void(port_state&)>& change) {
    registry& r = the_registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto found = r.ports.find(fd);
    if (found == r.ports.end()) return false;
    change(found->second);
    return true;
}

void register_port(int fd) {
    registry& r = the_registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.ports.insert_or_assign(fd, default_state());
}

void forget_port(int fd) {
    registry& r = the_registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.ports.erase(fd);
}

}  // namespace plat::posix_serial
