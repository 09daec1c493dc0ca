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
