// The operating-system layer. Everything above platform/ reaches the system
// only through these headers; each has a POSIX and a Win32 backend.
//
// One service = one header here, one posix/<service>.cpp and one
// win32/<service>.cpp implementing it, and one include line below. Win32
// files include the Windows API through win32/windows_api.h, which also
// converts between the portable handle types and HANDLE.
#pragma once

#include "platform/child_process.h"
#include "platform/console_streams.h"
#include "platform/clock.h"
#include "platform/directories.h"
#include "platform/directory_listing.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/events.h"
#include "platform/file_copy.h"
#include "platform/file_ops.h"
#include "platform/file_replacement.h"
#include "platform/files.h"
#include "platform/memory_stream.h"
#include "platform/path_ref.h"
#include "platform/process.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
#include "platform/system_names.h"
#include "platform/thread.h"
