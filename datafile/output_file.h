// Where a writer's output goes: a temporary file beside the output that takes
// the output's name only once everything is written, so a failed write
// leaves the output as it was. An output that is not a regular file (a
// device), or whose folder takes no new file, is written in place instead.
// Internal to datafile/.
#pragma once

#include <cstdio>

#include "platform/platform.h"

class output_file {
  public:
    output_file() = default;
    ~output_file();
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    // Opens the output for binary writing; null when it cannot be opened.
    FILE* open(plat::path_ref path);

    // Finishes the output. When `complete` and every byte reached the file,
    // the output holds the new content; otherwise it keeps what it held
    // (an output written in place keeps what reached it). True when the
    // output holds everything.
    bool close(bool complete);

  private:
    plat::file_replacement replacement_;
    FILE* in_place_ = nullptr;
};
