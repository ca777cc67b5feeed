// Writes beyond a file size limit fail (SIGXFSZ ignored) while one of these
// lives: the write, not the opening, goes wrong. POSIX only.
#pragma once

#include <sys/resource.h>

#include <csignal>

class file_size_limit {
  public:
    explicit file_size_limit(rlim_t bytes) {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~file_size_limit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;

  private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};
