#include "sim/virtual_instrument/file_follower.h"

#include <chrono>
#include <fstream>
#include <utility>

namespace vi {

file_follower::file_follower(std::string path, line_func on_line)
    : path_(std::move(path)), on_line_(std::move(on_line)) {
    thread_ = std::thread([this] { run(); });
}

file_follower::~file_follower() {
    stopping_ = true;
    thread_.join();
}

void file_follower::run() {
    std::string partial;
    while (!stopping_) {
        read_new(&partial);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    read_new(&partial);
}

void file_follower::read_new(std::string* partial) {
    std::ifstream file(path_, std::ios::binary);
    if (!file) return;
    file.seekg(offset_);
    char buffer[4096];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        const auto count = file.gcount();
        offset_ += count;
        partial->append(buffer, static_cast<size_t>(count));
    }
    size_t start = 0;
    for (size_t end = partial->find('\n'); end != std::string::npos; end = partial->find('\n', start)) {
        std::string line = partial->substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        on_line_(line);
        start = end + 1;
    }
    partial->erase(0, start);
}

}  // namespace vi
