// Threads and sleeping.
#pragma once

#include <cstdint>

namespace plat {

struct thread_object;
// A started thread; null when none.
using thread_handle = thread_object*;

// Starts a thread that runs entry(argument). Null on failure.
thread_handle start_thread(void (*entry)(void* argument), void* argument);

// Waits for the thread to end. False for a null handle, when called from the
// thread itself, or when the thread was already joined.
bool join_thread(thread_handle thread);

// Releases the handle. A thread that is still running goes on running on its
// own; nothing waits for it, and the process may end while it runs.
void close_thread(thread_handle thread);

// Suspends the calling thread for at least the given time.
void sleep_ms(int64_t milliseconds);

}  // namespace plat
