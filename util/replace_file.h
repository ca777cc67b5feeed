// Replacing a file in one step. The new content is written to a temporary
// file first: beside the target when the target's folder takes a new file,
// so that a rename puts it in place and the target is never seen half
// written; otherwise in the system's temporary folder, from where it is
// copied over the target.
#pragma once

#include <cstdint>
#include <string>

struct u_replacement {
    std::string path;     // the temporary file
    bool beside = false;  // in the target's folder
};

// Creates the empty temporary file for target, named prefix and six unique
// characters. False when neither folder takes a new file.
bool u_make_replacement(const char* target, const char* prefix, u_replacement* temp);

// Puts the written temporary file in the target's place: renamed over it
// when it lies beside it (and the rename works), else copied over it with
// u_copy_file and then deleted. Returns NO_ERROR, or u_copy_file's error
// with the temporary file left where it is.
int32_t u_install_replacement(const u_replacement& temp, const char* target);
