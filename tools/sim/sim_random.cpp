#include "tools/sim/sim_random.h"

#include <random>

namespace {

// mt19937_64 is fully specified by the standard; the distributions are not, so the mapping
// to ranges is done here to keep every platform's sequence the same.
class Draw {
  public:
    explicit Draw(uint64_t seed) : engine_(seed) {}

    double unit() { return double(engine_() >> 11) * 0x1.0p-53; }
    int64_t between(int64_t low, int64_t high) {
        return low + static_cast<int64_t>(unit() * double(high - low + 1));
    }

  private:
    std::mt19937_64 engine_;
};

constexpr double spinStartChance = 0.002;
constexpr double reversalChance = 0.12;

int64_t ordinaryGap(Draw& draw) {
    const double kind = draw.unit();
    if (kind < 0.50) {
        return draw.between(5, 60);
    }
    if (kind < 0.80) {
        return draw.between(61, 400);
    }
    if (kind < 0.95) {
        return draw.between(401, 1200);
    }
    return draw.between(0, 4);
}

int notchesInOneEvent(Draw& draw) {
    const double kind = draw.unit();
    return kind < 0.80 ? 1 : kind < 0.95 ? 2 : 3;
}

} // namespace

std::vector<SimEvent> randomNotches(int64_t count, uint64_t seed, bool bothAxes) {
    Draw draw(seed);
    // Its own draw, so that the notches and their times stay those of the seed.
    Draw sideways(~seed);
    std::vector<SimEvent> events;
    events.reserve(static_cast<size_t>(count > 0 ? count : 0));
    int64_t ms = 0;
    int direction = -1;
    int64_t spinLeft = 0;
    bool horizontal = false;
    for (int64_t i = 0; i < count; ++i) {
        int notches = 1;
        if (spinLeft > 0) {
            --spinLeft;
            ms += draw.between(2, 7);
        } else {
            if (i > 0) {
                ms += ordinaryGap(draw);
            }
            if (draw.unit() < reversalChance) {
                direction = -direction;
            }
            // A quarter go to the horizontal wheel, a free-spinning run as a whole.
            horizontal = bothAxes && sideways.unit() < 0.25;
            if (draw.unit() < spinStartChance) {
                spinLeft = draw.between(40, 120) - 1;
            } else {
                notches = notchesInOneEvent(draw);
            }
        }
        if (ms > maxEventMs) {
            break;
        }
        events.push_back({ms, static_cast<int16_t>(direction * 120 * notches), horizontal});
    }
    return events;
}
