// Named mutexes that keep a second process out of a shared resource.
//
// POSIX holds an advisory lock (flock) on a lock file named after the mutex
// in the runtime directory ($XDG_RUNTIME_DIR, else the temporary folder); the
// system drops the lock when its holder dies. Windows uses its own named
// mutex. A claimant in another thread or process waits until the holder
// releases it; on POSIX so does a second handle in the same thread, while the
// Windows mutex lets its holding thread take it again.
// A mutex left behind by a holder that died counts as acquired.
#pragma once

#include <cstdint>

namespace plat {

struct named_mutex_object;
// An open named mutex; null when none.
using named_mutex_handle = named_mutex_object*;

enum class mutex_wait { acquired, timed_out, failed };

// Opens the mutex of that name, creating it when it does not exist yet.
// The mutex is not taken. Null on failure (no name, no lock file).
named_mutex_handle open_named_mutex(const char* name);

// Takes the mutex, waiting up to timeout_ms for its holder to release it
// (0 only tries). Fails for a null handle or one that holds it already.
mutex_wait wait_named_mutex(named_mutex_handle mutex, int64_t timeout_ms);

// Releases a mutex this handle holds; false when it does not hold it.
bool release_named_mutex(named_mutex_handle mutex);

// Releases the mutex when held and closes the handle; false for null.
bool close_named_mutex(named_mutex_handle mutex);

}  // namespace plat
