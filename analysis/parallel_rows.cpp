#include "analysis/parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

#include "errors/errors.h"

namespace {

// Rows per chunk: small enough to spread the image evenly, large enough
// that taking a chunk costs nothing beside computing it.
constexpr int32_t kChunkRows = 4;

struct shared_rows {
    int32_t rows;
    row_work work;
    void* context;
    std::atomic<int32_t> next{0};
    std::atomic<bool> failed{false};
};

void take_chunks(shared_rows* shared) {
    for (;;) {
        const int32_t begin = shared->next.fetch_add(kChunkRows);
        if (begin >= shared->rows) return;
        const int32_t end = std::min(shared->rows, begin + kChunkRows);
        bool done = false;
        try {
            done = shared->work(shared->context, begin, end);
        } catch (...) {
            done = false;
        }
        if (!done) shared->failed = true;
    }
}

}  // namespace

int32_t run_rows(int32_t rows, int32_t threads, row_work work, void* context) {
    shared_rows shared;
    shared.rows = rows;
    shared.work = work;
    shared.context = context;
    int32_t count = threads;
    if (count == 0) count = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    count = std::clamp(count, 1, std::max(1, (rows + kChunkRows - 1) / kChunkRows));
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(static_cast<size_t>(count - 1));
        for (int32_t i = 1; i < count; ++i) helpers.emplace_back(take_chunks, &shared);
    } catch (...) {
        // Fewer helpers (or none): the ones started and this thread do it all.
    }
    take_chunks(&shared);
    for (std::thread& helper : helpers) helper.join();
    return shared.failed ? ERR_NO_MEM : NO_ERROR;
}
