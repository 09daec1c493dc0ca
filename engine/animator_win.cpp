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

void animatorThreadMain() {
    keepTimerResolutionWhileHidden();
    WindowsAnimatorPlatform platform;
    runAnimator(engine, platform);
}
