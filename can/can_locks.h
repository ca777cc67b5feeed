// The three named locks of the CAN queues: automatic-reset events created
// signalled, so that a wait takes the lock and a set releases it.
#pragma once

#include <atomic>

#include "platform/events.h"

struct can_lock {
    const char* name;
    std::atomic<plat::event_handle> handle{nullptr};
};

// "TeskCanEventMutex" is always taken first, then one input lock at a time.
can_lock& can_event_lock();
can_lock& can_pdo_lock();
can_lock& can_emcy_lock();

// False when the lock does not exist or the wait fails.
bool can_lock_take(can_lock& lock);
void can_lock_release(can_lock& lock);
