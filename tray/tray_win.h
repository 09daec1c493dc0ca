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
// The images the icon shows from now on, by the effect's state: the small icons at the window's
// scale. The caller owns them and keeps them until it gives others.
void setTrayIconImages(HICON on, HICON off);
void removeTrayIcon();
// Brings the tooltip and the image in line with the engine's state; calls the shell only on a
// change.
void updateTrayTooltip();
// The popup menu at the cursor; a chosen command is sent to `window` before this returns.
void showTrayMenu(HWND window);
