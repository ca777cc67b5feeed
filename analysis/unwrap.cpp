#include "analysis/unwrap.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "errors/errors.h"

namespace {

// Qualities are contrasts, 0 .. 1, in this many levels: enough to keep
// the unwrapping on good pixels and away from poor ones, few enough that the
// camera's noise does not scatter neighbours over many levels (which would
// make the fill jump about the image).
constexpr int32_t kLevels = 64;
// The level of a pixel that is invalid, on the border, or already reached.
constexpr uint8_t kDone = 255;

uint8_t level_of(float quality) {
    const double scaled = std::min(1.0, static_cast<double>(quality)) * (kLevels - 1);
    return static_cast<uint8_t>(scaled);
}

// A priority queue of pixels by level, first in first out within a level.
class level_queue {
public:
    level_queue() : buckets_(kLevels), heads_(kLevels, 0) {}
    void push(int32_t level, size_t pixel) {
        buckets_[static_cast<size_t>(level)].push_back(pixel);
        top_ = std::max(top_, level);
    }
    // False when empty.
    bool pop(size_t* pixel) {
        while (top_ >= 0) {
            auto& bucket = buckets_[static_cast<size_t>(top_)];
            size_t& head = heads_[static_cast<size_t>(top_)];
            if (head < bucket.size()) {
                *pixel = bucket[head++];
                return true;
            }
            bucket.clear();
            head = 0;
            --top_;
        }
        return false;
    }

private:
    std::vector<std::vector<size_t>> buckets_;
    std::vector<size_t> heads_;
    int32_t top_ = -1;
};

// The pixels still to reach, best first, by level and then by index (a
// counting sort).
std::vector<size_t> seeds_by_level(const std::vector<uint8_t>& level) {
    std::vector<size_t> start(kLevels + 1, 0);
    for (const uint8_t l : level)
        if (l != kDone) ++start[static_cast<size_t>(kLevels - l)];
    for (size_t r = 1; r <= kLevels; ++r) start[r] += start[r - 1];
    std::vector<size_t> order(start[kLevels]);
    for (size_t g = 0; g < level.size(); ++g)
        if (level[g] != kDone) order[start[static_cast<size_t>(kLevels - 1 - level[g])]++] = g;
    return order;
}

}  // namespace

int32_t unwrap_phase(int32_t width, int32_t height, const float* quality, double* phase) {
    try {
        // The work runs on a copy with a border of one done pixel all round,
        // so that every pixel has four neighbours to look at.
        const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
        const size_t stride = w + 2;
        std::vector<uint8_t> level(stride * (h + 2), kDone);
        std::vector<double> grid(level.size(), 0.0);
        for (size_t y = 0; y < h; ++y) {
            for (size_t x = 0; x < w; ++x) {
                const size_t i = y * w + x, g = (y + 1) * stride + x + 1;
                if (quality[i] < 0) continue;
                level[g] = level_of(quality[i]);
                grid[g] = phase[i];
            }
        }
        const std::vector<size_t> seeds = seeds_by_level(level);
        level_queue queue;
        constexpr double turn = 2 * std::numbers::pi;
        const auto reach = [&](size_t from, size_t to) {
            if (level[to] == kDone) return;
            // Whole turns to the nearest (the difference is far below 2^63 turns).
            const double turns = (grid[from] - grid[to]) / turn;
            grid[to] += turn * static_cast<double>(static_cast<int64_t>(turns + (turns < 0 ? -0.5 : 0.5)));
            queue.push(level[to], to);
            level[to] = kDone;
        };
        for (const size_t seed : seeds) {
            if (level[seed] == kDone) continue;
            queue.push(level[seed], seed);
            level[seed] = kDone;
            size_t p = 0;
            while (queue.pop(&p)) {
                reach(p, p - 1);
                reach(p, p + 1);
                reach(p, p - stride);
                reach(p, p + stride);
            }
        }
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x)
                if (quality[y * w + x] >= 0) phase[y * w + x] = grid[(y + 1) * stride + x + 1];
    } catch (const std::bad_alloc&) {
        return ERR_NO_MEM;
    }
    return NO_ERROR;
}
