#include "ui/dpi_win.h"

#include "ui/scale.h"

namespace {

template <typename Function> Function user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

} // namespace

int dpiOfWindow(HWND window) {
    static const auto getDpiForWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const int dpi = getDpiForWindow ? static_cast<int>(getDpiForWindow(window)) : screenDpi();
    return dpi > 0 ? dpi : BASE_DPI;
}

int dpiOfPrimaryMonitor() {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpiForMonitor = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(
                            GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    constexpr int effectiveDpi = 0; // MDT_EFFECTIVE_DPI
    UINT dpiX = 0;
    UINT dpiY = 0;
    HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (!getDpiForMonitor || FAILED(getDpiForMonitor(primary, effectiveDpi, &dpiX, &dpiY))) {
        dpiX = static_cast<UINT>(screenDpi());
    }
    return dpiX > 0 ? static_cast<int>(dpiX) : BASE_DPI;
}

int systemMetricAt(int index, int dpi) {
    static const auto getSystemMetricsForDpi =
        user32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return getSystemMetricsForDpi ? getSystemMetricsForDpi(index, static_cast<UINT>(dpi))
                                  : GetSystemMetrics(index);
}

SIZE windowSizeAround(SIZE client, DWORD style, int dpi) {
    static const auto adjustWindowRectExForDpi =
        user32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, client.cx, client.cy};
    if (adjustWindowRectExForDpi) {
        adjustWindowRectExForDpi(&rect, style, FALSE, 0, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&rect, style, FALSE, 0);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}
