// The surface computation on 1024 x 1024 frames of the simulated optics: a
// phase-shifting measurement from 5, 13 and 101 frames and a coherence-peak
// scan of 101 frames, each on one thread and on one thread per core. Prints
// the wall time per measurement, the frames per second of input, the
// processor time of all threads (which a busy machine inflates less) and the
// RMS height error against the simulated sphere.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "analysis/analysis.h"
#include "sim/optics/optics.h"

namespace {

constexpr int32_t kSide = 1024;

struct frames_in_memory {
    std::vector<std::vector<uint16_t>> frames;
    std::vector<const uint16_t*> pointers;
};

frames_in_memory render(const optics::surface& surf, const optics::light_source& source,
                        const an_options& o) {
    optics::camera cam;
    cam.noise_sigma = 10;
    frames_in_memory in;
    in.frames.resize(static_cast<size_t>(o.n_frames));
    for (int32_t k = 0; k < o.n_frames; ++k) {
        auto& frame = in.frames[static_cast<size_t>(k)];
        frame.resize(surf.height_nm.size());
        optics::render_frame(surf, source, cam, o.start_nm + k * o.frame_step_nm,
                             static_cast<uint64_t>(k), frame.data());
        in.pointers.push_back(frame.data());
    }
    return in;
}

// Best of a few runs, in seconds; false when the computation failed.
bool time_measurement(an_options o, const frames_in_memory& in, int32_t threads,
                      const optics::surface& surf, double* seconds, double* cpu_seconds,
                      double* rms_nm) {
    o.threads = threads;
    const matrix_window window{0, 0, kSide, kSide};
    const int runs = o.n_frames > 50 ? 2 : 4;
    *seconds = 1e9;
    *cpu_seconds = 1e9;
    phase_matrix out{};
    for (int r = 0; r < runs; ++r) {
        const std::clock_t cpu_start = std::clock();
        const auto start = std::chrono::steady_clock::now();
        const int32_t err = an_surface_frames(&o, in.pointers.data(), o.n_frames, window, &out);
        const auto end = std::chrono::steady_clock::now();
        const std::clock_t cpu_end = std::clock();
        if (err != NO_ERROR) {
            std::fprintf(stderr, "an_surface_frames failed: err=%d\n", err);
            phase_matrix_free(&out);
            return false;
        }
        *seconds = std::min(*seconds, std::chrono::duration<double>(end - start).count());
        *cpu_seconds = std::min(*cpu_seconds, static_cast<double>(cpu_end - cpu_start) / CLOCKS_PER_SEC);
    }
    const int32_t err = an_height_error(&out, surf.height_nm.data(), rms_nm, nullptr);
    phase_matrix_free(&out);
    return err == NO_ERROR;
}

}  // namespace

int main() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const optics::surface sphere = optics::make_sphere(kSide, kSide, 0.1, 2.0);
    std::printf("surface computation, %d x %d pixels, camera noise 10 counts, %u cores\n", kSide,
                kSide, cores);
    std::printf("%-22s %7s %9s %12s %9s %9s\n", "case", "threads", "ms", "frames/s", "cpu ms",
                "RMS nm");
    struct case_t {
        const char* name;
        int32_t ramp_type;
        int32_t frames;
    };
    const case_t cases[] = {
        {"PMI, 5 frames", 1, 5},
        {"PMI, 13 frames", 1, 13},
        {"PMI, 101 frames", 1, 101},
        {"SWLI, 101 frames", 0, 101},
    };
    bool ok = true;
    for (const case_t& c : cases) {
        const optics::light_source source =
            c.ramp_type == 1 ? optics::monochromatic_source() : optics::broadband_source();
        an_options o{};
        an_options_from_ramp(c.ramp_type, c.frames, 0.25, source.wavelength_nm / 8,
                             source.wavelength_nm, AN_DEFAULT_MIN_CONTRAST, &o);
        // The coherence scan is centred on the sphere's heights (0 to -1.3 um).
        if (c.ramp_type == 0) o.start_nm = -650.0 - (c.frames / 2) * o.frame_step_nm;
        const frames_in_memory in = render(sphere, source, o);
        for (const int32_t threads : {1, 0}) {
            double seconds = 0, cpu = 0, rms = 0;
            if (!time_measurement(o, in, threads, sphere, &seconds, &cpu, &rms)) {
                ok = false;
                continue;
            }
            std::printf("%-22s %7u %9.1f %12.0f %9.1f %9.3f\n", c.name, threads == 0 ? cores : 1u,
                        seconds * 1e3, c.frames / seconds, cpu * 1e3, rms);
        }
    }
    return ok ? 0 : 1;
}
