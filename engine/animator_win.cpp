#include "engine/animator.h"
#include "engine/engine_win.h"
#include "engine/wheel_filter.h"

#include <mmsystem.h>

namespace {

// Windows 11 ignores a hidden process's timer resolution unless it opts out of throttling; the
// resolution is raised only while moving, when the beat needs it. Older systems and Wine lack
// the call or the class; running on without it is fine.
void keepTimerResolutionWhileHidden() {
    using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    struct ThrottlingState {
        ULONG version;
        ULONG controlMask;
        ULONG stateMask;
    };
    constexpr int processPowerThrottling = 4;
    constexpr ULONG ignoreTimerResolution = 0x4;
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setInformation =
        kernel ? reinterpret_cast<SetProcessInformationFn>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessInformation")))
               : nullptr;
    if (!setInformation) {
        return;
    }
    ThrottlingState state{1, ignoreTimerResolution, 0};
    setInformation(GetCurrentProcess(), processPowerThrottling, &state, sizeof state);
}

// Auto-reset; made at the first use and never closed, as a late wake may still signal it.
HANDLE wakeEvent() {
    static const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

class WindowsAnimatorPlatform final : public AnimatorPlatform {
  public:
    WindowsAnimatorPlatform() {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        ticksPerSecond_ = frequency.QuadPart;
        if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
            delayExecution_ = reinterpret_cast<DelayExecutionFn>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDelayExecution")));
        }
    }

    int64_t nowNs() override {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        const int64_t seconds = counter.QuadPart / ticksPerSecond_;
        const int64_t rest = counter.QuadPart % ticksPerSecond_;
        return seconds * 1'000'000'000 + rest * 1'000'000'000 / ticksPerSecond_;
    }

    // A relative delay in 100 ns units: under Wine it sleeps to the microsecond; on Windows it
    // ends at the first timer interrupt after the deadline, so with the raised resolution the
    // ticks keep to the 4 ms grid. Sleep, the fallback, takes whole milliseconds and
    // overshoots each, so the intervals alternate around the beat.
    void sleepNs(int64_t nanoseconds) override {
        if (delayExecution_) {
            LARGE_INTEGER interval;
            interval.QuadPart = -((nanoseconds + 99) / 100);
            if (delayExecution_(FALSE, &interval) >= 0) {
                return;
            }
        }
        Sleep(static_cast<DWORD>((nanoseconds + 999'999) / 1'000'000));
    }

    bool waitForWake(int64_t timeoutNs) override {
        const DWORD timeoutMs =
            timeoutNs < 0 ? INFINITE : static_cast<DWORD>((timeoutNs + 999'999) / 1'000'000);
        const DWORD result =
            wakeEvent() ? WaitForSingleObject(wakeEvent(), timeoutMs) : WAIT_FAILED;
        if (result == WAIT_FAILED) {
            // Without an event the animator polls as it did before it could park.
            return AnimatorPlatform::waitForWake(timeoutNs);
        }
        return result == WAIT_OBJECT_0;
    }

    bool injectWheel(int32_t amount, Axis axis) override {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = 0;
        input.mi.dy = 0;
        input.mi.mouseData = static_cast<DWORD>(amount);
        input.mi.dwFlags = axis == AXIS_VERTICAL ? MOUSEEVENTF_WHEEL : MOUSEEVENTF_HWHEEL;
        input.mi.time = 0;
        input.mi.dwExtraInfo = static_cast<ULONG_PTR>(INJECTION_TAG);
        return SendInput(1, &input, sizeof(INPUT)) == 1;
    }

    bool injectionCanWork() override {
        USEROBJECTFLAGS flags{};
        return !GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags,
                                          sizeof flags, nullptr) ||
               (flags.dwFlags & WSF_VISIBLE) != 0;
    }

    bool raiseTimerResolution() override { return timeBeginPeriod(1) == TIMERR_NOERROR; }
    void lowerTimerResolution() override { timeEndPeriod(1); }
    void raiseThreadPriority() override {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    }

  private:
    using DelayExecutionFn = LONG(WINAPI*)(BOOLEAN alertable, PLARGE_INTEGER interval);
    int64_t ticksPerSecond_ = 1;
    DelayExecutionFn delayExecution_ = nullptr;
};

} // namespace

void wakeAnimatorThread() {
    if (HANDLE event = wakeEvent()) {
        SetEvent(event);
    }
}

void animatorThreadMain() {
    keepTimerResolutionWhileHidden();
    WindowsAnimatorPlatform platform;
    runAnimator(engine, platform);
}
