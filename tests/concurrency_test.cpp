// The three threads of the engine at once, with real std::threads: a hook thread feeding random
// events through the wheel filter, the real animator loop on a fast fake clock, and a UI thread
// changing profiles, values and the effect at random. Built into every host tree; the tsan tree
// is the one that checks the sharing itself.
#include "engine/animator.h"
#include "engine/engine_state.h"
#include "engine/wheel_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <limits>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace {

constexpr int hookSteps = 400'000;
constexpr int uiSteps = 10'000;
constexpr int handshakeRounds = 10'000;
constexpr int64_t never = std::numeric_limits<int64_t>::max();
constexpr int64_t msToNs = 1'000'000;

// Posts counted per thread, so that each caller can check that its own turnEffectOff posted once.
thread_local int postsByThisThread = 0;
std::atomic<int> postsInAll{0};

void countPost(void*) {
    ++postsByThisThread;
    postsInAll.fetch_add(1);
}

void connectCounter(EngineState& state) {
    static int window = 0;
    state.mainWindow = &window;
    state.ui.postStateChanged = countPost;
}

// Broken invariants, from any thread; the first few are kept for the report.
class Violations {
  public:
    void report(const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex);
        if (++count <= 5) {
            first += what + "\n";
        }
    }
    int total() {
        std::lock_guard<std::mutex> lock(mutex);
        return count;
    }
    std::string text() {
        std::lock_guard<std::mutex> lock(mutex);
        return first;
    }

  private:
    std::mutex mutex;
    int count = 0;
    std::string first;
};

bool pendingInRange(const EngineState& state) {
    const int32_t pending = state.pendingDelta.load();
    return pending >= -pendingDeltaLimit && pending <= pendingDeltaLimit;
}

// A short random pause that lets the other threads run.
void pause(std::mt19937& random, unsigned longest) {
    const unsigned spins = random() % (longest + 1);
    for (unsigned i = 0; i < spins; ++i) {
        if (i % 64 == 63) {
            std::this_thread::yield();
        }
    }
}

// What the three threads share besides the engine.
struct Stage {
    EngineState state;
    Violations violations;
    // Ticks begun by the animator: it sleeps exactly once per tick on this clock.
    std::atomic<int64_t> ticks{0};
    // Injections from this tick on break an invariant; the UI sets it after a turnEffectOff
    // or after a reset with the hook held still.
    std::atomic<int64_t> forbiddenFromTick{never};
    std::atomic<bool> holdHook{false};
    std::atomic<bool> hookHeld{false};
    std::atomic<bool> hookDone{false};
    std::atomic<int64_t> injections{0};
    std::atomic<int64_t> injectionFailures{0};
    std::atomic<int64_t> swallowed{0};
};

class StressPlatform final : public AnimatorPlatform {
  public:
    StressPlatform(Stage& stage, uint32_t seed) : stage(stage), random(seed) {}

    int64_t nowNs() override { return now; }

    void sleepMs(uint32_t milliseconds) override {
        if (milliseconds != 4) {
            stage.violations.report("slept " + std::to_string(milliseconds) + " ms, not 4");
        }
        checkFailureWasReported();
        now += int64_t{milliseconds} * msToNs;
        stage.ticks.fetch_add(1);
        std::this_thread::yield();
    }

    bool injectWheel(int32_t amount) override {
        const int64_t tick = stage.ticks.load();
        if (amount == 0 || amount > MAX_UNITS_PER_EVENT || amount < -MAX_UNITS_PER_EVENT) {
            stage.violations.report("injected " + std::to_string(amount));
        }
        if (tick >= stage.forbiddenFromTick.load()) {
            stage.violations.report("injected " + std::to_string(amount) + " at tick " +
                                    std::to_string(tick) + ", after the effect went off or reset");
        }
        if (!pendingInRange(stage.state)) {
            stage.violations.report("pendingDelta out of range at an injection");
        }
        stage.injections.fetch_add(1);
        // Now and then the system refuses an event: the animator turns the effect off itself.
        if (random() % 2000 == 0) {
            stage.injectionFailures.fetch_add(1);
            postsBeforeFailure = postsByThisThread;
            return false;
        }
        return true;
    }

  private:
    // The animator's turnEffectOff after a failed injection posts once, before the next tick.
    void checkFailureWasReported() {
        if (postsBeforeFailure >= 0 && postsByThisThread != postsBeforeFailure + 1) {
            stage.violations.report("a failed injection posted " +
                                    std::to_string(postsByThisThread - postsBeforeFailure) +
                                    " messages");
        }
        postsBeforeFailure = -1;
    }

    Stage& stage;
    std::mt19937 random;
    int64_t now = 0;
    int postsBeforeFailure = -1;
};

void runHook(Stage& stage, uint32_t seed) {
    std::mt19937 random(seed);
    uint64_t tick = 1'000'000;
    constexpr uintptr_t messages[] = {WHEEL_MESSAGE_VERTICAL, WHEEL_MESSAGE_VERTICAL,
                                      WHEEL_MESSAGE_VERTICAL, WHEEL_MESSAGE_HORIZONTAL, 0x200};
    constexpr int16_t deltas[] = {120, -120, 240, -240, 360, -360, 60, -7, 0, 1200};
    for (int step = 0; step < hookSteps; ++step) {
        if (stage.holdHook.load()) {
            stage.hookHeld.store(true);
            while (stage.holdHook.load()) {
                std::this_thread::yield();
            }
            stage.hookHeld.store(false);
        }
        const uintptr_t message = messages[random() % std::size(messages)];
        const uint32_t flags = random() % 16 == 0 ? INJECTED_FLAG : 0;
        const uintptr_t extraInfo = random() % 16 == 0 ? INJECTION_TAG : 0;
        const int16_t delta = deltas[random() % std::size(deltas)];
        tick = random() % 64 == 0 ? tick - random() % 500 : tick + random() % 200;
        const HookVerdict verdict =
            filterWheelEvent(stage.state, random() % 32 == 0 ? 1 : 0, message, flags, extraInfo,
                             delta, [tick] { return tick; });
        if (verdict == HookVerdict::swallow) {
            stage.swallowed.fetch_add(1);
        }
        if (!pendingInRange(stage.state)) {
            stage.violations.report("pendingDelta out of range after a notch");
        }
        pause(random, 200);
    }
    stage.hookDone.store(true);
}

class UiThread {
  public:
    UiThread(Stage& stage, uint32_t seed) : stage(stage), state(stage.state), random(seed) {}

    void run() {
        on();
        for (int step = 0; step < uiSteps; ++step) {
            pause(random, 2000);
            switch (random() % 8) {
            case 0:
            case 1:
                applyProfile(state, IDM_PROFILE_SOFT - 1 + int32_t(random() % 6), random() % 2);
                checkProfile();
                break;
            case 2:
            case 3:
                applyCustomValues(state, 60 + random() % 81, 100 + random() % 141,
                                  40 + random() % 141, 160 + random() % 341);
                checkProfile();
                break;
            case 4:
                on();
                break;
            case 5:
                off();
                break;
            default:
                resetWithTheHookHeld();
                break;
            }
            if (!pendingInRange(state)) {
                stage.violations.report("pendingDelta out of range on the UI thread");
            }
        }
    }

    int offCalls = 0;
    int quietChecks = 0;
    bool effectOn = false;

  private:
    void on() {
        stage.forbiddenFromTick.store(never);
        state.hookInstalled.store(true);
        turnEffectOn(state);
        effectOn = true;
    }

    // After turnEffectOff returns, only the tick then in progress may still inject.
    void off() {
        const int postsBefore = postsByThisThread;
        turnEffectOff(state);
        effectOn = false;
        ++offCalls;
        if (postsByThisThread != postsBefore + 1) {
            stage.violations.report("turnEffectOff posted " +
                                    std::to_string(postsByThisThread - postsBefore) + " messages");
        }
        stage.forbiddenFromTick.store(stage.ticks.load() + 1);
    }

    // With the hook held still, a reset leaves nothing to inject from the tick after the one in
    // progress: whatever was accepted before is dropped, and nothing new comes.
    void resetWithTheHookHeld() {
        stage.holdHook.store(true);
        while (!stage.hookHeld.load() && !stage.hookDone.load()) {
            std::this_thread::yield();
        }
        switch (random() % 3) {
        case 0:
            applyProfile(state, IDM_PROFILE_SOFT + int32_t(random() % 4), false);
            break;
        case 1:
            on();
            break;
        default:
            off();
            break;
        }
        const int64_t tick = stage.ticks.load();
        stage.forbiddenFromTick.store(std::min(stage.forbiddenFromTick.load(), tick + 1));
        // Let the reset tick and a few more pass; the fake clock needs no real time.
        while (stage.ticks.load() < tick + 4) {
            std::this_thread::yield();
        }
        if (effectOn) {
            stage.forbiddenFromTick.store(never);
        }
        ++quietChecks;
        stage.holdHook.store(false);
        while (stage.hookHeld.load() && !stage.hookDone.load()) {
            std::this_thread::yield();
        }
    }

    void checkProfile() {
        const ScrollParameters active = activeParameters(state);
        if (state.activeProfile < IDM_PROFILE_SOFT || state.activeProfile > IDM_PROFILE_CUSTOM ||
            !parametersInRange(active)) {
            stage.violations.report("profile " + std::to_string(state.activeProfile) +
                                    " or its values out of range");
        }
    }

    Stage& stage;
    EngineState& state;
    std::mt19937 random;
};

TEST(Concurrency, HookAnimatorAndUiKeepEveryInvariant) {
    Stage stage;
    connectCounter(stage.state);
    stage.state.ui.saveSettings = [] { return true; };
    const int postsAtStart = postsInAll.load();
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));

    StressPlatform platform(stage, seed + 1);
    std::thread animator([&] { runAnimator(stage.state, platform); });
    std::thread hook([&] { runHook(stage, seed + 2); });
    UiThread ui(stage, seed + 3);
    std::thread uiThread([&] { ui.run(); });
    uiThread.join();
    stage.holdHook.store(false);
    hook.join();
    stage.state.stopRequested.exchange(true);
    animator.join();

    EXPECT_EQ(stage.violations.total(), 0) << stage.violations.text();
    EXPECT_EQ(postsInAll.load() - postsAtStart, ui.offCalls + stage.injectionFailures.load())
        << "every turnEffectOff posts exactly one message";
    std::printf("stress: %d hook events (%lld swallowed), %lld animator ticks, %d UI steps "
                "(%d switch-offs, %d quiet resets), %lld injections (%lld refused)\n",
                hookSteps, (long long)stage.swallowed.load(), (long long)stage.ticks.load(),
                uiSteps, ui.offCalls, ui.quietChecks, (long long)stage.injections.load(),
                (long long)stage.injectionFailures.load());
}

// A thread's message queue as the platform keeps it: it exists from the thread's first peek until
// the thread ends, and a message posted to a thread without one is lost.
class ThreadMessageQueue {
  public:
    void create(uint32_t owner) {
        std::lock_guard<std::mutex> lock(mutex);
        ownerId = owner;
    }
    void destroy() {
        std::lock_guard<std::mutex> lock(mutex);
        ownerId = 0;
        messages.clear();
    }
    bool post(uint32_t threadId, uint32_t message) {
        std::lock_guard<std::mutex> lock(mutex);
        if (threadId == 0 || threadId != ownerId) {
            return false;
        }
        messages.push_back(message);
        arrived.notify_one();
        return true;
    }
    uint32_t wait() {
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait(lock, [this] { return !messages.empty(); });
        const uint32_t message = messages.front();
        messages.pop_front();
        return message;
    }

  private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<uint32_t> messages;
    uint32_t ownerId = 0;
};

enum class HookEnd { beforeInstall, byStopMessage, byStopFlag };

struct HookOutcome {
    HookEnd end = HookEnd::beforeInstall;
    int postsAtInstall = 0;
    int posts = 0;
};

// The hook thread's steps in the program's order: queue, publish the id, test the flag, install,
// wait for the stop; the install is only a flag here.
HookOutcome modelHookThread(EngineState& state, ThreadMessageQueue& queue, uint32_t id,
                            bool installFails, uint32_t seed, std::atomic<bool>& pastInstall) {
    std::mt19937 random(seed);
    HookOutcome outcome;
    pause(random, 3000);
    queue.create(id);
    state.hookThreadId.store(id);
    if (state.stopRequested.load()) {
        state.hookThreadId.store(0);
        queue.destroy();
        return outcome;
    }
    pause(random, 3000);
    state.hookInstalled.store(!installFails);
    if (installFails) {
        turnEffectOff(state);
    }
    outcome.postsAtInstall = postsByThisThread;
    pastInstall.store(true);
    outcome.end = HookEnd::byStopFlag;
    while (!state.stopRequested.load()) {
        if (queue.wait() == WM_HOOK_THREAD_STOP) {
            outcome.end = HookEnd::byStopMessage;
            break;
        }
    }
    state.hookInstalled.store(false);
    turnEffectOff(state);
    state.hookThreadId.store(0);
    queue.destroy();
    outcome.posts = postsByThisThread;
    return outcome;
}

class IdlePlatform final : public AnimatorPlatform {
  public:
    int64_t nowNs() override { return now; }
    void sleepMs(uint32_t milliseconds) override {
        now += int64_t{milliseconds} * msToNs;
        std::this_thread::yield();
    }
    bool injectWheel(int32_t) override { return true; }

  private:
    int64_t now = 0;
};

// Shutdown on the UI side: the flag first, then the id, then the message; whatever the
// interleaving, the join ends.
TEST(Concurrency, ShutdownHandshakeNeverLosesTheStop) {
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int ends[3] = {};
    int lostStops = 0;
    int wrongPosts = 0;
    for (int round = 0; round < handshakeRounds; ++round) {
        EngineState state;
        connectCounter(state);
        ThreadMessageQueue queue;
        const uint32_t id = 1000 + uint32_t(round);
        const bool installFails = random() % 4 == 0;
        std::promise<HookOutcome> finished;
        std::future<HookOutcome> outcome = finished.get_future();
        std::atomic<bool> pastInstall{false};
        std::thread hook([&, hookSeed = uint32_t(random())] {
            finished.set_value(
                modelHookThread(state, queue, id, installFails, hookSeed, pastInstall));
        });
        IdlePlatform platform;
        std::thread animator;
        if (round % 16 == 0) {
            animator = std::thread([&] { runAnimator(state, platform); });
        }

        // Stop at any moment, or just after the id is published (the closest race), or once the
        // thread is past the install.
        switch (round % 3) {
        case 0:
            pause(random, 6000);
            break;
        case 1:
            while (state.hookThreadId.load() == 0) {
                std::this_thread::yield();
            }
            pause(random, 100);
            break;
        default:
            while (!pastInstall.load()) {
                std::this_thread::yield();
            }
            pause(random, 3000);
            break;
        }
        if (random() % 4 == 0) {
            queue.post(state.hookThreadId.load(), 0x0400); // some other message first
        }
        state.stopRequested.exchange(true);
        const uint32_t hookThreadId = state.hookThreadId.load();
        if (hookThreadId != 0) {
            queue.post(hookThreadId, WM_HOOK_THREAD_STOP);
        }
        if (outcome.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ++lostStops;
            queue.post(id, WM_HOOK_THREAD_STOP);
        }
        hook.join();
        if (animator.joinable()) {
            animator.join();
        }

        const HookOutcome result = outcome.get();
        ++ends[int(result.end)];
        const bool postsRight =
            result.end == HookEnd::beforeInstall
                ? result.posts == 0
                : result.postsAtInstall == (installFails ? 1 : 0) &&
                      result.posts == result.postsAtInstall + 1;
        if (!postsRight || state.hookThreadId.load() != 0 || state.hookInstalled.load()) {
            ++wrongPosts;
        }
    }
    EXPECT_EQ(lostStops, 0);
    EXPECT_EQ(wrongPosts, 0) << "posts: none when stopped before the install, one at a failed "
                                "install, one at the end; the id is 0 and no hook at the end";
    std::printf("handshake: %d rounds; stopped before the install %d, by the message %d, by the "
                "flag %d\n",
                handshakeRounds, ends[0], ends[1], ends[2]);
}

} // namespace
