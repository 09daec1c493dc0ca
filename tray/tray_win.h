#pragma once

#include <windows.h>

#include <shellapi.h>

// The one notification-area icon record; zero until the icon is added.
extern NOTIFYICONDATAW trayIconData;

void addTrayIcon(); // with the tooltip of the current state
// On the refresh timer: adds the icon again when the shell was not ready for it.
void keepTrayIconShown();
// After Explorer restarted ("TaskbarCreated"): every icon is gone, ours comes back.
void restoreTrayIcon();
void showCloseBalloon(); // the first-close balloon
// The image the icon shows from now on: the small icon at the window's scale. The caller owns it
// and keeps it until it gives another one.
void setTrayIconImage(HICON image);
void removeTrayIcon();
// Brings the tooltip in line with the engine's state; calls the shell only on a change.
void updateTrayTooltip();
// The popup menu at the cursor; a chosen command is sent to `window` before this returns.
void showTrayMenu(HWND window);
