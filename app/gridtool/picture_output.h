// PNG pictures of a measurement, where gridtool was built with libpng.
#pragma once

#include <string>

#include "app/gridtool/measurement.h"

// gridtool_png defines it to 1 for its users.
#ifndef GRIDTOOL_HAVE_PNG
#define GRIDTOOL_HAVE_PNG 0
#endif

// What picture and batch --format png say without libpng.
inline constexpr char kNoPictures[] =
    "picture and png output are not built in (libpng was not found when gridtool was built)";

bool pictures_built_in();

// Writes the phase map (frame < 0) or intensity frame `frame` of m to out
// ("-": standard output) through the shared file replacement. NO_ERROR, or
// the library's error code with the system's reason in *reason.
int32_t write_picture(const std::string& out, const measurement& m, int32_t frame,
                      std::string* reason);
