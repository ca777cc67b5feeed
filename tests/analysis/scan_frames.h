// Frames of a simulated scan for the analysis tests: the camera's image of
// a known surface at each position a ramp makes, and the computed heights.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "analysis/analysis.h"
#include "sim/optics/optics.h"

struct scan_frames {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<std::vector<uint16_t>> frames;
    std::vector<const uint16_t*> pointers;

    matrix_window window() const {
        return {0, 0, static_cast<int16_t>(width), static_cast<int16_t>(height)};
    }
    int32_t count() const { return static_cast<int32_t>(frames.size()); }
};

// Frame k with the scanner at start_nm + k * step_nm.
inline scan_frames render_scan(const optics::surface& surf, const optics::light_source& source,
                               const optics::camera& cam, double start_nm, double step_nm,
                               int32_t count) {
    scan_frames scan;
    scan.width = surf.width;
    scan.height = surf.height;
    scan.frames.resize(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        auto& frame = scan.frames[static_cast<size_t>(k)];
        frame.resize(surf.height_nm.size());
        optics::render_frame(surf, source, cam, start_nm + k * step_nm, static_cast<uint64_t>(k),
                             frame.data());
        scan.pointers.push_back(frame.data());
    }
    return scan;
}

// The frames one after another, as an intensity matrix holds them (the
// buffer stays the caller's).
inline intens_matrix as_intens_matrix(const scan_frames& scan, std::vector<uint16_t>& buffer) {
    buffer.clear();
    for (const auto& frame : scan.frames) buffer.insert(buffer.end(), frame.begin(), frame.end());
    intens_matrix m{};
    m.size = static_cast<uint32_t>(buffer.size());
    m.window = scan.window();
    m.n_buckets = static_cast<int16_t>(scan.count());
    m.matrix = buffer.data();
    return m;
}

// A computed height map, released on scope exit.
struct height_map {
    phase_matrix m{};
    int32_t err = -1;
    height_map() = default;
    height_map(const height_map&) = delete;
    height_map& operator=(const height_map&) = delete;
    ~height_map() { phase_matrix_free(&m); }
    int32_t at(int32_t x, int32_t y) const { return m.matrix[y * m.window.width + x]; }
};

inline void measure(const an_options& options, const scan_frames& scan, height_map& out) {
    out.err = an_surface_frames(&options, scan.pointers.data(), scan.count(), scan.window(), &out.m);
}

// Prints a figure beside its goal, so that a run shows how close it came.
inline void print_figure(const char* what, double rms_nm, double goal_nm) {
    std::printf("  %s: RMS error %.4f nm (goal < %.4f nm)\n", what, rms_nm, goal_nm);
}
