// The serial peer server's part for simulated serial devices: a peer of the
// server becomes a device, which the requests below then drive (the
// protocol of peer_protocol.h; fields apart by single blanks):
//   device <id> <kind>                          -> ok   (see make_device)
//   device_fault <id> <fault name> <count> <seed> -> ok
//   device_set <id> <name> <value>              -> ok
//   device_get <id> <name>                      -> ok <value>
//   device_idle <id> <limit ms>                 -> ok <0|1>  (see device_host::wait_idle)
// "close <id>" lets the device go before the server closes the peer.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/serial_device/device_host.h"
#include "sim/serial_peer/serial_peer.h"

namespace sim {

class device_requests {
  public:
    // The server's peer of an id; null when there is none.
    using peer_lookup = std::function<serial_peer*(int64_t id)>;

    explicit device_requests(peer_lookup lookup) : lookup_(std::move(lookup)) {}

    // True when the request is one of the above, with its reply in *reply;
    // false leaves the request (and "close") to the server.
    bool answer(const std::vector<std::string>& fields, std::string* reply);

  private:
    std::string request(const std::vector<std::string>& fields, int64_t id);

    peer_lookup lookup_;
    std::map<int64_t, std::unique_ptr<device_host>> hosts_;
};

}  // namespace sim
