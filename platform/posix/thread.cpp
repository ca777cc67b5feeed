// Threads on POSIX through std::thread.
#include "platform/thread.h"

#include <chrono>
#include <exception>
#include <new>
#include <system_error>
#include <thread>

namespace plat {

struct thread_object {
    std::thread thread;
};

thread_handle start_thread(void (*entry)(void* argument), void* argument) {
    if (entry == nullptr) return nullptr;
    auto* object = new (std::nothrow) thread_object;
    if (object == nullptr) return nullptr;
    try {
        object->thread = std::thread(entry, argument);
    } catch (const std::exception&) {  // no thread or no memory for it
        delete object;
        return nullptr;
    }
    return object;
}

bool join_thread(thread_handle thread) {
    if (thread == nullptr || !thread->thread.joinable()) return false;
    if (thread->thread.get_id() == std::this_thread::get_id()) return false;
    try {
        thread->thread.join();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void close_thread(thread_handle thread) {
    if (thread == nullptr) return;
    // A running thread is let go, so that ending the handle never ends the
    // process (a joinable std::thread would on destruction).
    if (thread->thread.joinable()) thread->thread.detach();
    delete thread;
}

void sleep_ms(int64_t milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace plat
