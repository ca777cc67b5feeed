#include "analysis/unwrap.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "errors/errors.h"

namespace {

// Qualities are contrasts, 0 .. 1: this many levels tell them apart finely
// enough to steer the unwrapping, and make the queue a bucket per level.
constexpr int32_t kLevels = 1024;

int32_t level_of(float quality) {
    const double scaled = std::min(1.0, static_cast<double>(quality)) * (kLevels - 1);
    return static_cast<int32_t>(scaled);
}

// A priority queue of pixels by level, first in first out within a level.
class level_queue {
public:
    level_queue() : buckets_(kLevels), heads_(kLevels, 0) {}
    void push(int32_t level, int32_t pixel) {
        buckets_[static_cast<size_t>(level)].push_back(pixel);
        top_ = std::max(top_, level);
    }
    // False when empty.
    bool pop(int32_t* pixel) {
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
    std::vector<std::vector<int32_t>> buckets_;
    std::vector<size_t> heads_;
    int32_t top_ = -1;
};

// The valid pixels, best first, by level and then by index (a counting sort).
std::vector<int32_t> seeds_by_quality(size_t count, const float* quality) {
    const auto rank = [&](size_t i) { return static_cast<size_t>(kLevels - 1 - level_of(quality[i])); };
    std::vector<size_t> start(kLevels + 1, 0);
    for (size_t i = 0; i < count; ++i)
        if (quality[i] >= 0) ++start[rank(i) + 1];
    for (size_t r = 1; r <= kLevels; ++r) start[r] += start[r - 1];
    std::vector<int32_t> order(start[kLevels]);
    for (size_t i = 0; i < count; ++i)
        if (quality[i] >= 0) order[start[rank(i)]++] = static_cast<int32_t>(i);
    return order;
}

}  // namespace

int32_t unwrap_phase(int32_t width, int32_t height, const float* quality, double* phase) {
    try {
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        const std::vector<int32_t> seeds = seeds_by_quality(count, quality);
        std::vector<uint8_t> reached(count, 0);
        level_queue queue;
        constexpr double turn = 2 * std::numbers::pi;
        const auto reach = [&](int32_t from, int32_t to) {
            const size_t t = static_cast<size_t>(to);
            if (reached[t] || quality[t] < 0) return;
            reached[t] = 1;
            // Whole turns to the nearest (the difference is far below 2^31 turns).
            const double turns = (phase[static_cast<size_t>(from)] - phase[t]) / turn;
            phase[t] += turn * static_cast<double>(static_cast<int64_t>(turns + (turns < 0 ? -0.5 : 0.5)));
            queue.push(level_of(quality[t]), to);
        };
        for (const int32_t seed : seeds) {
            if (reached[static_cast<size_t>(seed)]) continue;
            reached[static_cast<size_t>(seed)] = 1;
            queue.push(level_of(quality[seed]), seed);
            int32_t p = 0;
            while (queue.pop(&p)) {
                const int32_t x = p % width;
                const int32_t y = p / width;
                if (x > 0) reach(p, p - 1);
                if (x + 1 < width) reach(p, p + 1);
                if (y > 0) reach(p, p - width);
                if (y + 1 < height) reach(p, p + width);
            }
        }
    } catch (const std::bad_alloc&) {
        return ERR_NO_MEM;
    }
    return NO_ERROR;
}
