// Copying a file over another.
#pragma once

#include "platform/path_ref.h"

namespace plat {

// Copies source to destination, replacing an existing destination as
// file_replacement.h describes: a link keeps its link, an existing file its
// permissions, and the destination is never seen half written. A new
// destination takes the source's permissions. Returns 0, or the system's
// error number of the step that failed.
int copy_file(path_ref source, path_ref destination);

}  // namespace plat
