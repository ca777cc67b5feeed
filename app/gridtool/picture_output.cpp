// PNG output through gridtool_png's writers: to a file through the shared
// file replacement, or to standard output as a stream.
#include "app/gridtool/picture_output.h"

#include <cstdio>

#include "platform/console_streams.h"

#if GRIDTOOL_HAVE_PNG
#include "app/gridtool/png_picture.h"
#endif

bool pictures_built_in() {
    return GRIDTOOL_HAVE_PNG != 0;
}

int32_t write_picture(const std::string& out, const measurement& m, int32_t frame,
                      std::string* reason) {
#if GRIDTOOL_HAVE_PNG
    if (frame >= m.intens.n_buckets) {
        *reason = "no frame " + std::to_string(frame);
        return ERR_PARAM_OUT_OF_RANGE;
    }
    if (out == "-") {
        plat::set_binary_mode(stdout);
        if (frame < 0) return gt_write_phase_png_stream(stdout, m.phase, reason);
        return gt_write_frame_png_stream(stdout, m.intens, frame, reason);
    }
    if (frame < 0) return gt_write_phase_png(out, m.phase, reason);
    return gt_write_frame_png(out, m.intens, frame, reason);
#else
    (void)out;
    (void)m;
    (void)frame;
    *reason = kNoPictures;
    return ERR_BAD_PARAM;
#endif
}
