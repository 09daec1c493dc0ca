#pragma once

#include "tools/sim/sim_args.h"

#include <cstdint>
#include <vector>

// `count` whole-notch events of random sizes, gaps and directions (with `bothAxes` a quarter of
// them on the horizontal wheel, the rest vertical; without, all vertical), the same for the
// same seed on every platform. Mostly single notches a few ms to a second apart with an
// occasional reversal, now and then a free-spinning run of 40 to 120 notches 2 to 7 ms apart,
// which fills the animator's pulse queue and holds its 48-unit clamp. Stops early, before
// the first event that would fall past maxEventMs.
std::vector<SimEvent> randomNotches(int64_t count, uint64_t seed, bool bothAxes = false);
