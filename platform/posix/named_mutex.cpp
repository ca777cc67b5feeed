// Named mutexes on POSIX: flock on a lock file in the runtime directory. The
// lock belongs to the open file description, so every handle is a claimant of
// its own, even two handles of one process.
#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <new>
#include <string>

#include "platform/directories.h"
#include "platform/environment.h"
#include "platform/thread.h"

namespace plat {

struct named_mutex_object {
    int fd;
    bool held;
};

namespace {

// How often a timed wait tries the lock again.
constexpr int64_t kRetryMs = 5;

std::string runtime_directory() {
    const char* runtime = get_environment("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0' && is_directory(runtime)) return runtime;
    return temp_directory();
}

// Slashes would name folders; the name keeps its other characters.
std::string lock_file_name(const char* name) {
    std::string file = runtime_directory() + "/";
    for (const char* p = name; *p != '\0'; ++p) file += *p == '/' ? '_' : *p;
    return file + ".lock";
}

bool try_lock(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

}  // namespace

named_mutex_handle open_named_mutex(const char* name) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    const std::string path = lock_file_name(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    auto* mutex = new (std::nothrow) named_mutex_object{fd, false};
    if (mutex == nullptr) ::close(fd);
    return mutex;
}

mutex_wait wait_named_mutex(named_mutex_handle mutex, int64_t timeout_ms) {
    if (mutex == nullptr || mutex->held) return mutex_wait::failed;
    // A negative time-out waits without limit.
    const auto deadline = timeout_ms < 0 ? std::chrono::steady_clock::time_point::max()
                                         : std::chrono::steady_clock::now() +
                                               std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (try_lock(mutex->fd)) {
            mutex->held = true;
            return mutex_wait::acquired;
        }
        if (errno != EWOULDBLOCK) return mutex_wait::failed;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return mutex_wait::timed_out;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        sleep_ms(left < kRetryMs ? (left > 0 ? static_cast<int64_t>(left) : 1) : kRetryMs);
    }
}

bool release_named_mutex(named_mutex_handle mutex) {
    if (mutex == nullptr || !mutex->held) return false;
    mutex->held = false;
    return ::flock(mutex->fd, LOCK_UN) == 0;
}

bool close_named_mutex(named_mutex_handle mutex) {
    if (mutex == nullptr) return false;
    if (mutex->held) release_named_mutex(mutex);
    ::close(mutex->fd);
    delete mutex;
    return true;
}

}  // namespace plat
