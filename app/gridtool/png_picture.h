// gridtool's pictures: PNG files written through libpng.
//
// Both writers check the matrix before anything is created, and write
// through the shared file replacement: the output takes the picture only
// once all of it is written, so a failure keeps an existing file as it was
// and leaves no file behind. They return NO_ERROR or the library's error
// code; on an error the system reports (the output not created, not written)
// *reason, when reason is not null, gets the system's reason for it.
//
//   ERR_IMPROPER_WINDOW        a window without points (width or height below 1)
//   ERR_INVALID_PARAM          no buffer, or fewer elements than the window holds
//   ERR_PARAM_OUT_OF_RANGE     a frame the intensity matrix does not have
//   ERR_DATASET_DIM_TOO_LARGE  a picture of more than 1,000,000 pixels a side
//   ERR_NO_MEM                 the allocation hook refused memory (libpng's too)
//   ERR_CANT_CREATE_FILE       the output could not be created
//   ERR_CANT_WRITE_FILE        writing it failed, or it could not take its place
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "datafile/datafile.h"
#include "platform/path_ref.h"

// Writes the phase map as a PNG (8-bit RGB): perceptually uniform colour map
// (viridis) from the minimum to the maximum of the valid points, invalid
// points (value >= PHASE_INVALID) in a neutral grey, and a colour bar labelled
// with the minimum and the maximum in the phase values' units. The layout is
// described in phase_picture.h.
int32_t gt_write_phase_png(plat::path_ref out, const phase_matrix& phase, std::string* reason);

// Writes intensity frame `frame` (0-based) as an 8-bit grey PNG, the frame's
// minimum black and its maximum white (see frame_picture.h). The frames follow
// each other in the matrix: frame N is the N-th run of width x height elements.
int32_t gt_write_frame_png(plat::path_ref out, const intens_matrix& intens, int frame,
                           std::string* reason);

// The same pictures written to an open binary stream (standard output, say)
// from its position; the stream stays open. ERR_CANT_WRITE_FILE when writing
// or flushing it failed.
int32_t gt_write_phase_png_stream(FILE* stream, const phase_matrix& phase, std::string* reason);
int32_t gt_write_frame_png_stream(FILE* stream, const intens_matrix& intens, int frame,
                                  std::string* reason);
