#include "shell/wheel_options_win.h"

#include "engine/engine_state.h"
#include "shell/registry_win.h"
#include "shell/settings.h"

namespace {

std::array<bool, WHEEL_OPTIONS> options{true, false, false, false};

void putInForce() {
    engine.smoothHorizontal.store(options[0]);
    engine.reversed[AXIS_VERTICAL].store(options[1]);
    engine.reversed[AXIS_HORIZONTAL].store(options[2]);
    engine.shiftScrollsSideways.store(options[3]);
}

} // namespace

void loadWheelOptions() {
    options = loadWheelOptions(currentUserRegistry());
    putInForce();
}

std::array<bool, 4> wheelOptions() {
    return options;
}

bool toggleWheelOption(size_t option) {
    if (option >= options.size()) {
        return true;
    }
    options[option] = !options[option];
    putInForce();
    return saveWheelOption(currentUserRegistry(), option, options[option]);
}
