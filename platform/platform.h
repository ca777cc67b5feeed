// The operating-system layer. Everything above platform/ reaches the system
// only through these headers; each has a POSIX and a Win32 backend.
#pragma once

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/dynamic_library.h"
#include "platform/events.h"
#include "platform/file_copy.h"
#include "platform/files.h"
#include "platform/memory_stream.h"
#include "platform/process.h"
#include "platform/serial_port.h"
#include "platform/thread.h"
