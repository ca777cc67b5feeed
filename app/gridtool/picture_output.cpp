// PNG output through gridtool_png's writers. Standard output gets a picture
// written to a temporary file first, since the writers take a path.
#include "app/gridtool/picture_output.h"

#include <cstdio>
#include <iterator>

#include "app/gridtool/output.h"
#include "platform/platform.h"

#if GRIDTOOL_HAVE_PNG
#include "app/gridtool/png_picture.h"
#endif

namespace {

#if GRIDTOOL_HAVE_PNG
int32_t write_png(const std::string& out, const measurement& m, int32_t frame,
                  std::string* reason) {
    if (frame < 0) return gt_write_phase_png(out, m.phase, reason);
    return gt_write_frame_png(out, m.intens, frame, reason);
}

// The bytes of a file this process just wrote, or false.
bool read_whole(const std::string& path, std::string* bytes) {
    FILE* stream = plat::open_regular_file(path, "rb");
    if (stream == nullptr) return false;
    char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, stream)) > 0) bytes->append(chunk, n);
    const bool read = std::ferror(stream) == 0;
    std::fclose(stream);
    return read;
}
#endif

}  // namespace

bool pictures_built_in() {
    return GRIDTOOL_HAVE_PNG != 0;
}

int32_t write_picture(const std::string& out, const measurement& m, int32_t frame,
                      std::string* reason) {
#if GRIDTOOL_HAVE_PNG
    if (frame >= m.intens.n_buckets) {
        *reason = "no frame " + std::to_string(frame);
        return ERR_BAD_PARAM;
    }
    if (out != "-") return write_png(out, m, frame, reason);
    std::string temporary;
    if (!plat::make_temp_file(plat::temp_directory(), "gridtool", &temporary)) {
        *reason = "no temporary file for the picture";
        return ERR_CANT_CREATE_FILE;
    }
    int32_t err = write_png(temporary, m, frame, reason);
    std::string bytes;
    if (err == NO_ERROR && !read_whole(temporary, &bytes)) err = ERR_CANT_READ_FILE;
    plat::delete_file(temporary);
    if (err == NO_ERROR) err = write_output(out, bytes, reason);
    return err;
#else
    (void)out;
    (void)m;
    (void)frame;
    *reason = kNoPictures;
    return ERR_BAD_PARAM;
#endif
}
