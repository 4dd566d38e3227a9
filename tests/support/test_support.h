// Shared set-up for the tests: the library without a display, the X colour
// layout, a back buffer, the built archive, and loops that run without a timer
// (the same headless start the soak and the benchmarks use).
#pragma once
#include "headless.h"
