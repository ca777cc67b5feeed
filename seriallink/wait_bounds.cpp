#include "seriallink/wait_bounds.h"

namespace seriallink {

wait_bounds& bounds() {
    static wait_bounds instance;
    return instance;
}

}  // namespace seriallink
