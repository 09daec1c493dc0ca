#include "engine/animator.h"
#include "engine/engine_win.h"
#include "engine/wheel_filter.h"

#include <mmsystem.h>

namespace {

// Windows 11 ignores a hidden process's timer resolution unless it opts out of throttling.
// Older systems and Wine lack the call or the class; running on without it is fine.
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
    }

    int64_t nowNs() override {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        const int64_t seconds = counter.QuadPart / ticksPerSecond_;
        const int64_t rest = counter.QuadPart % ticksPerSecond_;
        return seconds * 1'000'000'000 + rest * 1'000'000'000 / ticksPerSecond_;
    }

    void sleepMs(uint32_t milliseconds) override { Sleep(milliseconds); }

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

    bool injectWheel(int32_t amount) override {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = 0;
        input.mi.dy = 0;
        input.mi.mouseData = static_cast<DWORD>(amount);
        input.mi.dwFlags = MOUSEEVENTF_WHEEL;
        input.mi.time = 0;
        input.mi.dwExtraInfo = static_cast<ULONG_PTR>(INJECTION_TAG);
        return SendInput(1, &input, sizeof(INPUT)) == 1;
    }

    bool raiseTimerResolution() override { return timeBeginPeriod(1) == TIMERR_NOERROR; }
    void lowerTimerResolution() override { timeEndPeriod(1); }
    void raiseThreadPriority() override {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    }

  private:
    int64_t ticksPerSecond_ = 1;
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
