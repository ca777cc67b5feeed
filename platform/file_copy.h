// Copying a file over another.
#pragma once

namespace plat {

// Copies source to destination, replacing an existing destination. The copy
// is made complete before it takes the destination's name, so the
// destination is never seen half written. Returns 0, or the system's error
// number of the step that failed.
int copy_file(const char* source, const char* destination);

}  // namespace plat
