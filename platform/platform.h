// The operating-system layer. Everything above platform/ reaches the system
// only through these headers; each has a POSIX and a Win32 backend.
#pragma once

#include "platform/files.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
