// Follows a file that another process appends lines to (the simulated CAN
// library's call log) and hands each complete line over as it comes.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace vi {

class file_follower {
  public:
    using line_func = std::function<void(const std::string& line)>;

    file_follower(std::string path, line_func on_line);
    // Hands over the lines still unread, then stops.
    ~file_follower();
    file_follower(const file_follower&) = delete;
    file_follower& operator=(const file_follower&) = delete;

  private:
    void run();
    // Reads what the file has gained since the last call.
    void read_new(std::string* partial);

    std::string path_;
    line_func on_line_;
    long long offset_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace vi
