// The Windows API as the Win32 backend includes it, and the conversions
// between the portable handle types and the system's HANDLE.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "platform/serial_port.h"

namespace plat::win32 {

// kInvalidPort (-1) and INVALID_HANDLE_VALUE have the same bits.
inline HANDLE to_handle(port_handle port) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(port));
}
inline port_handle from_handle(HANDLE handle) {
    return static_cast<port_handle>(reinterpret_cast<intptr_t>(handle));
}

}  // namespace plat::win32
