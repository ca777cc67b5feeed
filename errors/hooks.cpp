// Process-wide allocation, idle and abort hooks with their defaults.
#include <cstdlib>

#include "errors/errors.h"

void* (*gl_MallocFunc)(size_t) = std::malloc;
void* (*gl_CallocFunc)(size_t, size_t) = std::calloc;
void* (*gl_ReallocFunc)(void*, size_t) = std::realloc;
void (*gl_FreeFunc)(void*) = std::free;

namespace {
void idle_nothing() {}
int never_abort() {
    return 0;
}
}  // namespace

void (*gl_IdleFunc)() = idle_nothing;
int (*gl_AbortFunc)() = never_abort;
