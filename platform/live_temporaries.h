// The names of the temporary files that live now, so that a signal or a
// console event that ends the process can remove them first. Names are
// remembered and forgotten by ordinary code; remove_all may run in a signal
// handler (it only reads and swaps lock-free pointers) or on the thread the
// system runs a console handler on. Internal to platform/.
#pragma once

#include "platform/path_ref.h"

namespace plat {

// A slot, or -1 when all slots are taken (the file then goes unremembered,
// and only an orderly end removes it).
int remember_temporary(const native_path& name);

// Forgets the name in the slot (-1: nothing).
void forget_temporary(int slot);

// Hands every remembered name to remove and forgets it. The names are not
// released: the process is about to end.
void remove_live_temporaries(void (*remove)(const native_path::value_type* name));

}  // namespace plat
