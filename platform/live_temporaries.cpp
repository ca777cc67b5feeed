// The names of the live temporary files, in slots of lock-free pointers: a
// slot is taken by swapping a null for a name and given back by swapping the
// name out again, so the one that swaps a name out owns it.
#include "platform/live_temporaries.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace plat {
namespace {

using name_char = native_path::value_type;

// More temporary files than a program keeps open at once.
constexpr int kSlots = 64;

static_assert(std::atomic<name_char*>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

std::atomic<name_char*> slots[kSlots];

}  // namespace

int remember_temporary(const native_path& name) {
    auto* copy = new (std::nothrow) name_char[name.size() + 1];
    if (copy == nullptr) return -1;
    std::copy(name.begin(), name.end(), copy);
    copy[name.size()] = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        name_char* expected = nullptr;
        if (slots[slot].compare_exchange_strong(expected, copy)) return slot;
    }
    delete[] copy;
    return -1;
}

void forget_temporary(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    delete[] slots[slot].exchange(nullptr);
}

void remove_live_temporaries(void (*remove)(const name_char* name)) {
    for (std::atomic<name_char*>& slot : slots) {
        if (const name_char* name = slot.exchange(nullptr); name != nullptr) remove(name);
    }
}

}  // namespace plat
