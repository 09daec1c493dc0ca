#include "shell/front_program.h"

#include <array>

bool isShellWindowClass(std::wstring_view className) {
    constexpr std::array<std::wstring_view, 6> shellClasses{
        L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"NotifyIconOverflowWindow",
        L"Progman",       L"WorkerW",                L"#32769"};
    for (const std::wstring_view shellClass : shellClasses) {
        if (className == shellClass) {
            return true;
        }
    }
    return false;
}

bool coversWholeMonitor(ScreenRect window, ScreenRect monitor) {
    return monitor.right > monitor.left && monitor.bottom > monitor.top &&
           window.left <= monitor.left && window.top <= monitor.top &&
           window.right >= monitor.right && window.bottom >= monitor.bottom;
}
