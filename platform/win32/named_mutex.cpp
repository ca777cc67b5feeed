// Named mutexes on Windows: the system's named mutex (CreateMutexA). A mutex
// whose holder ended without releasing it comes back as WAIT_ABANDONED, which
// hands it to the waiter: that counts as acquired.
#include "platform/named_mutex.h"

#include <new>

#include "platform/win32/windows_api.h"

namespace plat {

struct named_mutex_object {
    HANDLE handle;
    bool held;
};

named_mutex_handle open_named_mutex(const char* name) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    HANDLE handle = ::CreateMutexA(nullptr, FALSE, name);
    if (handle == nullptr) return nullptr;
    auto* mutex = new (std::nothrow) named_mutex_object{handle, false};
    if (mutex == nullptr) ::CloseHandle(handle);
    return mutex;
}

mutex_wait wait_named_mutex(named_mutex_handle mutex, int64_t timeout_ms) {
    if (mutex == nullptr || mutex->held) return mutex_wait::failed;
    const DWORD wait = timeout_ms < 0 ? INFINITE
                       : timeout_ms >= static_cast<int64_t>(INFINITE)
                           ? INFINITE - 1
                           : static_cast<DWORD>(timeout_ms);
    switch (::WaitForSingleObject(mutex->handle, wait)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            mutex->held = true;
            return mutex_wait::acquired;
        case WAIT_TIMEOUT:
            return mutex_wait::timed_out;
        default:
            return mutex_wait::failed;
    }
}

bool release_named_mutex(named_mutex_handle mutex) {
    if (mutex == nullptr || !mutex->held) return false;
    mutex->held = false;
    return ::ReleaseMutex(mutex->handle) != 0;
}

bool close_named_mutex(named_mutex_handle mutex) {
    if (mutex == nullptr) return false;
    if (mutex->held) release_named_mutex(mutex);
    ::CloseHandle(mutex->handle);
    delete mutex;
    return true;
}

}  // namespace plat
