#include "acquisition/grab_bounds.h"

namespace acquisition {

grab_bounds& bounds() {
    static grab_bounds instance;
    return instance;
}

}  // namespace acquisition
