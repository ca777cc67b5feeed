// The live log of virtual-instrument and its record of what each simulated
// device received: every frame line goes to standard output as
// "<device> <direction> <frame>", and the received ones ("<-") are kept to
// be written to received.log at the end.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vi {

class frame_record {
  public:
    // line: "<- ..." or "-> ..." as the simulators log a frame.
    void log(const std::string& device, const std::string& line);

    // One line per frame received, "<device> <frame>", in the order they
    // came, then "<device> frames received: N" for every device named.
    bool write(const std::string& path, const std::vector<std::string>& devices) const;

  private:
    mutable std::mutex lock_;
    std::vector<std::pair<std::string, std::string>> received_;
};

}  // namespace vi
