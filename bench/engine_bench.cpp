// The hot paths: the hook's decision for every mouse event of the desktop, and one animator
// tick. An empty function of the filter's shape, called the same way, gives the floor.
// Beside them, what an accepted notch cannot avoid, and rolvane-sim's whole engine run.
#include "engine/animator.h"
#include "engine/hook_watch.h"
#include "engine/movement_watch.h"
#include "engine/wheel_filter.h"
#include "engine/window_program.h"
#include "tools/sim/sim_random.h"
#include "tools/sim/sim_run.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr uintptr_t mouseMoveMessage = 0x200;

uint64_t benchTick = 1'000'000;
uint64_t readBenchTick() {
    return benchTick += 500;
}

[[gnu::noinline]] HookVerdict emptyFilter(EngineState&, int, uintptr_t message, uint32_t, uintptr_t,
                                          int16_t, uint64_t (*)()) {
    benchmark::DoNotOptimize(message);
    return HookVerdict::passOn;
}

template <typename Filter>
void runFilter(benchmark::State& bench, Filter filter, uintptr_t message, uint32_t flags,
               uintptr_t extraInfo, int16_t delta) {
    static EngineState state;
    state.effectEnabled = true;
    state.pendingDelta = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(filter(state, 0, message, flags, extraInfo, delta, readBenchTick));
        benchmark::ClobberMemory();
        state.pendingDelta.store(0, std::memory_order_relaxed);
    }
}

TargetCache benchTargets;
[[gnu::noinline]] bool outranksUs(uint32_t processId) {
    return processId == 0;
}

// With the question about the target window, answered from the cache as for every notch after
// the first over a window (the window lookups themselves are the system's).
[[gnu::noinline]] HookVerdict realFilter(EngineState& state, int code, uintptr_t message,
                                         uint32_t flags, uintptr_t extraInfo, int16_t delta,
                                         uint64_t (*readTick)()) {
    return filterWheelEvent(state, code, message, flags, extraInfo, delta, readTick, [] {
        return cachedTargetSetting(benchTargets, 0x10040, 4242, [] {
            return ProgramVerdict{outranksUs(4242) ? PROGRAM_OFF : PROGRAM_LIKE_EVERYWHERE};
        });
    });
}

// Only the two sequentially consistent read-modify-writes that an accepted notch must make
// (exchange of the notch tick, clamped compare-exchange add), with the tick read.
[[gnu::noinline]] HookVerdict notchAtomicsOnly(EngineState& state, int, uintptr_t, uint32_t,
                                               uintptr_t, int16_t delta, uint64_t (*readTick)()) {
    state.lastNotchTick.exchange(readTick());
    int32_t current = state.pendingDelta.load();
    while (!state.pendingDelta.compare_exchange_weak(
        current, std::clamp(current + int32_t{delta}, -pendingDeltaLimit, pendingDeltaLimit))) {
    }
    return HookVerdict::swallow;
}

void BM_EmptyFunction(benchmark::State& bench) {
    runFilter(bench, emptyFilter, WHEEL_MESSAGE_VERTICAL, 0, 0, -120);
}
void BM_FilterMouseMove(benchmark::State& bench) {
    runFilter(bench, realFilter, mouseMoveMessage, 0, 0, 0);
}
void BM_FilterInjectedWheel(benchmark::State& bench) {
    runFilter(bench, realFilter, WHEEL_MESSAGE_VERTICAL, INJECTED_FLAG, INJECTION_TAG, 3);
}
void BM_FilterAcceptedNotch(benchmark::State& bench) {
    runFilter(bench, realFilter, WHEEL_MESSAGE_VERTICAL, 0, 0, -120);
}

void BM_NotchAtomicsOnly(benchmark::State& bench) {
    runFilter(bench, notchAtomicsOnly, WHEEL_MESSAGE_VERTICAL, 0, 0, -120);
}

// A mouse move through the hook while a movement is in flight, the pointer staying in its
// window: what the hook does for every move but the system's own hand-on.
MovementWatch benchMovement;
[[gnu::noinline]] bool moveThroughHook(EngineState& state, int32_t x, int32_t y, uint32_t time) {
    state.lastHookEventTime.store(time, std::memory_order_relaxed);
    state.lastHookEventPoint.store(packPoint(x, y), std::memory_order_relaxed);
    return endsMovement(benchMovement, mouseMoveMessage, x, y, time);
}

void BM_MoveDuringMovement(benchmark::State& bench) {
    static EngineState state;
    noteMovement(benchMovement, {0x10040, {0, 0, 1920, 1080}, true, 0}, 0, 2'000'000'000);
    uint32_t time = 0;
    for (auto _ : bench) {
        ++time;
        benchmark::DoNotOptimize(moveThroughHook(state, 500 + int32_t(time & 7), 400, time));
    }
}

class CountingPlatform final : public AnimatorPlatform {
  public:
    int64_t now = 0;
    int64_t nowNs() override { return now; }
    void sleepNs(int64_t) override {}
    bool injectWheel(int32_t amount, Axis) override {
        benchmark::DoNotOptimize(amount);
        return true;
    }
};

// One tick with `pulses` in flight. The clock swings between two readings 4 ms apart, so every
// tick evaluates each pulse's curve and moves its progress, yet none ever retires.
void BM_AnimatorTick(benchmark::State& bench) {
    const int pulses = static_cast<int>(bench.range(0));
    EngineState state;
    state.effectEnabled = true;
    AnimatorState animator;
    CountingPlatform platform;
    platform.now = 1'000'000'000;
    for (int i = 0; i < pulses; ++i) {
        animator.axes[AXIS_VERTICAL].pulseQueue.append({120.0, 0.0, platform.now - 150'000'000, 500});
    }
    bool later = false;
    for (auto _ : bench) {
        later = !later;
        platform.now += later ? TICK_PERIOD_NS : -TICK_PERIOD_NS;
        animateTick(animator, state, platform);
        benchmark::DoNotOptimize(animator.axes[AXIS_VERTICAL].remainder);
    }
}

// rolvane-sim's engine run over 10,000 random notches (seed 1, Balanced): every hook call and
// every 4 ms tick of about half an hour of simulated scrolling.
void BM_SimulateRandomNotches(benchmark::State& bench) {
    SimConfig config;
    config.events = randomNotches(bench.range(0), 1);
    for (auto _ : bench) {
        const SimResult result = simulate(config);
        benchmark::DoNotOptimize(result.events.data());
    }
    bench.SetItemsProcessed(bench.iterations() * bench.range(0));
}

} // namespace

BENCHMARK(BM_EmptyFunction);
BENCHMARK(BM_FilterMouseMove);
BENCHMARK(BM_FilterInjectedWheel);
BENCHMARK(BM_FilterAcceptedNotch);
BENCHMARK(BM_NotchAtomicsOnly);
BENCHMARK(BM_MoveDuringMovement);
BENCHMARK(BM_AnimatorTick)->Arg(0)->Arg(1)->Arg(16)->Arg(64);
BENCHMARK(BM_SimulateRandomNotches)->Arg(10'000)->Unit(benchmark::kMillisecond);
