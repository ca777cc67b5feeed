// Rows of an image shared among threads.
#pragma once

#include <cstdint>

// The work on rows [begin, end); false when it could not get its memory.
using row_work = bool (*)(void* context, int32_t begin, int32_t end);

// Runs work over rows 0 .. rows-1 in small chunks on `threads` threads (0:
// one per core), the calling thread among them. Each row is computed alone,
// so the result does not depend on the thread count. A thread that cannot be
// started leaves its share to the others. ERR_NO_MEM when a chunk failed.
int32_t run_rows(int32_t rows, int32_t threads, row_work work, void* context);
