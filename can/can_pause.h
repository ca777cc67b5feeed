// The pause of the CAN module's polling waits: the installed sleep, then the
// idle hook.
#pragma once

#include <cstdint>

void can_pause(int32_t milliseconds);
