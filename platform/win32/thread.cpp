// Threads on Windows: _beginthreadex (CreateThread with the C runtime's
// per-thread data set up), WaitForSingleObject and CloseHandle.
#include "platform/thread.h"

#include <process.h>

#include <new>

#include "platform/win32/windows_api.h"

namespace plat {

struct thread_object {
    HANDLE handle = nullptr;
    DWORD id = 0;  // the thread's system identifier
    bool joined = false;
};

namespace {

struct start_block {
    void (*entry)(void*);
    void* argument;
};

// The thread owns its start block: the handle's object may be released by
// close_thread while the thread still runs.
unsigned __stdcall run_thread(void* block) {
    const start_block start = *static_cast<start_block*>(block);
    delete static_cast<start_block*>(block);
    start.entry(start.argument);
    return 0;
}

}  // namespace

thread_handle start_thread(void (*entry)(void* argument), void* argument) {
    if (entry == nullptr) return nullptr;
    auto* object = new (std::nothrow) thread_object;
    auto* block = new (std::nothrow) start_block{entry, argument};
    if (object == nullptr || block == nullptr) {
        delete object;
        delete block;
        return nullptr;
    }
    unsigned id = 0;
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, run_thread, block, 0, &id);
    object->handle = reinterpret_cast<HANDLE>(handle);
    object->id = id;
    if (object->handle == nullptr) {
        delete block;
        delete object;
        return nullptr;
    }
    return object;
}

bool join_thread(thread_handle thread) {
    if (thread == nullptr || thread->joined) return false;
    if (thread->id == ::GetCurrentThreadId()) return false;
    if (::WaitForSingleObject(thread->handle, INFINITE) != WAIT_OBJECT_0) return false;
    thread->joined = true;
    return true;
}

void close_thread(thread_handle thread) {
    if (thread == nullptr) return;
    // Closing the handle lets a running thread go on by itself.
    ::CloseHandle(thread->handle);
    delete thread;
}

void sleep_ms(int64_t milliseconds) {
    // Sleep takes at most INFINITE - 1 milliseconds at a time.
    constexpr int64_t kLongestSleep = INFINITE - 1;
    while (milliseconds > 0) {
        const int64_t step = milliseconds < kLongestSleep ? milliseconds : kLongestSleep;
        ::Sleep(static_cast<DWORD>(step));
        milliseconds -= step;
    }
}

}  // namespace plat
