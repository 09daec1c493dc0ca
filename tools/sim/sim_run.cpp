#include "tools/sim/sim_run.h"

#include "engine/animator.h"
#include "engine/program_rules.h"
#include "engine/wheel_filter.h"
#include "engine/movement_watch.h"
#include "engine/window_program.h"

#include <algorithm>
#include <cmath>

namespace {

class SimPlatform final : public AnimatorPlatform {
  public:
    explicit SimPlatform(std::vector<InjectedEvent>& events) : events_(events) {}

    void setTime(int64_t ms) { ms_ = ms; }
    int64_t nowNs() override { return ms_ * 1'000'000; }
    void sleepNs(int64_t) override {}
    bool injectWheel(int32_t amount, Axis axis) override {
        events_.push_back({ms_, amount, axis == AXIS_HORIZONTAL});
        return true;
    }

  private:
    std::vector<InjectedEvent>& events_;
    int64_t ms_ = 0;
};

// Each program's window stands in a square of its own; the pointer leaves to a point off all.
ScreenRect windowOf(int32_t program) {
    return {program * 1000, 0, program * 1000 + 1000, 1000};
}

// The hook's part: the notch, with the setting of its program from the real rules, and the
// movement's window; or the pointer's leave or click, which may end the movement.
struct SimHook {
    ProgramRules rules;
    std::vector<std::wstring> names;
    MovementWatch movement;

    explicit SimHook(const std::vector<SimProgram>& programs) {
        for (const SimProgram& program : programs) {
            names.emplace_back(program.name.begin(), program.name.end());
            setProgramSetting(rules, names.back(), program.setting);
        }
    }

    int32_t settingOf(const SimEvent& event) const {
        return event.program == 0 ? PROGRAM_LIKE_EVERYWHERE
                                  : rules.settingOf(names[size_t(event.program - 1)]);
    }

    void feed(EngineState& state, const SimEvent& event, SimObserver* observer) {
        const uint64_t tick = simTickBaseMs + static_cast<uint64_t>(event.ms);
        const int32_t setting = settingOf(event);
        if (observer) {
            observer->feeding(event, tick, state, setting);
        }
        const auto time = static_cast<uint32_t>(event.ms);
        if (event.kind != SimEventKind::wheel) {
            const bool leave = event.kind == SimEventKind::leave;
            const ScreenRect& window = movement.area;
            if (endsMovement(movement, leave ? MOUSE_MESSAGE_MOVE : MOUSE_MESSAGE_BUTTONS_DOWN[0],
                             leave ? -1 : window.left, leave ? -1 : window.top, time)) {
                dropMovement(state);
            }
        } else if (filterWheelEvent(
                       state, 0, event.horizontal ? WHEEL_MESSAGE_HORIZONTAL : WHEEL_MESSAGE_VERTICAL,
                       0, 0, event.delta, [tick] { return tick; }, [setting] { return setting; }) ==
                   HookVerdict::swallow) {
            noteMovement(movement, {0, windowOf(event.program), true, 0}, time,
                         parametersOfProfile(state, setting).smoothDurationMs);
        }
        if (observer) {
            observer->fed(event, state);
        }
    }
};

} // namespace

int64_t sumOf(const std::vector<InjectedEvent>& events, bool horizontal) {
    int64_t sum = 0;
    for (const InjectedEvent& event : events) {
        sum += event.horizontal == horizontal ? event.amount : 0;
    }
    return sum;
}

SimResult simulate(const SimConfig& config, SimObserver* observer) {
    SimResult result;
    EngineState state;
    state.customStepPercent = config.custom.stepPercent;
    state.customMaxAccelerationPercent = config.custom.maxAccelerationPercent;
    state.customAccelerationWindowMs = config.custom.accelerationWindowMs;
    state.customSmoothDurationMs = config.custom.smoothDurationMs;
    applyProfile(state, config.profileId, false);
    turnEffectOn(state);
    // The animator starts fresh below; a pending reset would only swallow the first notches.
    state.resetRequested.store(false);
    result.profileId = state.activeProfile;
    result.parameters = activeParameters(state);
    for (const SimProgram& program : config.programs) {
        result.programs += (result.programs.empty() ? "; " : ", ") + program.name + " " +
                           std::string(program.setting == PROGRAM_OFF ? "off"
                                                                      : profileName(program.setting));
    }

    std::vector<SimEvent> events = config.events;
    std::stable_sort(events.begin(), events.end(),
                     [](const SimEvent& a, const SimEvent& b) { return a.ms < b.ms; });
    const int64_t lastEventMs = events.empty() ? 0 : events.back().ms;
    const int64_t lastTick = config.untilMs.value_or(lastEventMs + config.settleLimitMs);

    // Like the animator thread: parked until a notch comes, a tick at once, then one every
    // 4 ms while there is work, parked again when there is none.
    AnimatorState animator{};
    SimPlatform platform(result.events);
    SimHook hook(config.programs);
    size_t next = 0;
    bool parked = true;
    for (int64_t tick = 0;;) {
        if (parked) {
            if (next == events.size() || events[next].ms > lastTick) {
                break;
            }
            tick = events[next].ms;
        } else if ((tick += tickPeriodMs) > lastTick) {
            result.hitSettleLimit = !config.untilMs;
            break;
        }
        for (; next < events.size() && events[next].ms <= tick; ++next) {
            hook.feed(state, events[next], observer);
            result.endMs = tick;
        }
        // What the hook passes on wakes no one.
        if (parked && animatorIdle(animator, state)) {
            continue;
        }
        const size_t injectedBefore = result.events.size();
        platform.setTime(tick);
        if (observer) {
            observer->tickStarting(tick, animator, state);
        }
        animateTick(animator, state, platform);
        if (observer) {
            observer->tickDone(tick, animator, state,
                               std::span(result.events).subspan(injectedBefore));
        }
        result.endMs = tick;
        parked = animatorIdle(animator, state);
    }
    if (config.untilMs) {
        result.endMs = *config.untilMs;
    }
    return result;
}
