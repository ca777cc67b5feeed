// Wall-clock stopwatch for one thread.
#include "util/util.h"

namespace {
double stopwatch_start = 0.0;
}

double u_stopwatch_start() {
    stopwatch_start = u_wall_seconds();
    return stopwatch_start;
}

double u_stopwatch_elapsed() {
    return u_wall_seconds() - stopwatch_start;
}
